// The factory data window end to end: the read that opens it, the factory write that stamps
// counter and date without restarting the module, and what closing it releases.
#include "common/RunningProgram.h"
#include "core/link/DeviceLink.h"
#include "core/link/RequestEngine.h"
#include "core/workflow/FactoryRecord.h"
#include "core/workflow/ConfigDocument.h"
#include "core/workflow/ConfigWorkflow.h"
#include "ui/factory/TFcal.h"
#include "ui/main/Program.h"
#include "ui/main/TFVelka.h"

#include <QFrame>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

class TestFactory : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void factoryWrite_stampsWithoutRestart();
    void factoryWrite_counterWrapsAndCloseReleasesTheLink();
    void failedRead_reportsAndReenablesTheButton();
    void closedDuringTheWrite_stopsTheWriteAndFreesTheLink();

private:
    TFcal *factory() { return m_run->program().Fcal(); }
    template <class T>
    T *field(const char *name) { return control<T>(factory(), name); }
    QPushButton *button(const char *name) { return m_run->control<QPushButton>(QLatin1String(name)); }
    void openFactoryWindow() { QTest::keySequence(&m_run->window(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W)); }

    std::unique_ptr<RunningProgram> m_run;
};

void TestFactory::init()
{
    m_run = std::make_unique<RunningProgram>();
    QString error;
    QVERIFY2(m_run->start(&error), qPrintable(error));
}

void TestFactory::cleanup()
{
    m_run.reset();
}

void TestFactory::factoryWrite_stampsWithoutRestart()
{
    QStringList status;
    bool idleWhileOpen = false;
    whileModal([&](QWidget *dialog) {
        QCOMPARE(dialog, factory());
        idleWhileOpen = !m_run->engine().isWaiting(); // nothing the module sends is judged
        QVERIFY(!field<QFrame>("WerkPanel")->isEnabled());
        QCOMPARE(field<QLineEdit>("E_written")->text(), QStringLiteral("    7"));
        QCOMPARE(field<QLineEdit>("nYY")->text(), QStringLiteral("26"));
        const qsizetype questions = m_run->ui.questions.size();
        field<QPushButton>("Butstart")->click();
        QCOMPARE(m_run->ui.questions.size(), questions); // no confirmation
        QTRY_VERIFY_WITH_TIMEOUT(field<QPlainTextEdit>("MStatus")->toPlainText().contains("Werks-ID"), 10000);
        status = field<QPlainTextEdit>("MStatus")->toPlainText().split('\n');
        QCOMPARE(field<QLineEdit>("E_written")->text(), QStringLiteral("    8"));
        QCOMPARE(field<QLineEdit>("aDD")->text(), QStringLiteral("07"));
        QVERIFY(!m_run->engine().isWaiting());
    });
    openFactoryWindow();
    QTRY_VERIFY_WITH_TIMEOUT(!status.isEmpty(), 10000);
    QVERIFY(idleWhileOpen);
    QCOMPARE(status, (QStringList{"Status: ---", "Status: Werks-ID gespeichert"}));
    QCOMPARE(int(m_run->sim().module().image()[1]), 8);
    QCOMPARE(m_run->restarts(), 0);
    QVERIFY(m_run->logContains("Verify ok"));
    QVERIFY(!m_run->logContains("Gerät neu gestartet"));
}

void TestFactory::factoryWrite_counterWrapsAndCloseReleasesTheLink()
{
    ConfigWords image = ModuleFirmware::factoryImage();
    image[1] = 65535;
    image[255] = imageChecksum(image);
    m_run->sim().module().setImage(image);
    whileModal([&](QWidget *) {
        field<QPushButton>("Butstart")->click();
        QTRY_VERIFY_WITH_TIMEOUT(field<QPlainTextEdit>("MStatus")->toPlainText().contains("Werks-ID"), 10000);
    });
    button("ButCal")->click();
    QTRY_COMPARE(int(m_run->sim().module().image()[1]), 0);
    QTRY_VERIFY(!factory()->isVisible());
    QVERIFY(button("ButCal")->isEnabled() && button("ButRead")->isEnabled() && button("ButWrite")->isEnabled());
    QVERIFY(!m_run->engine().isWaiting());
    QVERIFY(!m_run->workflow().isPauseDue() && !m_run->program().factoryRecord().isPauseDue());
}

void TestFactory::failedRead_reportsAndReenablesTheButton()
{
    m_run->sim().setFaultForAll(*SimFault::parse(u"silent"));
    button("ButCal")->click();
    QVERIFY(!button("ButCal")->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(m_run->logContains("Kalibriervorgang kann nicht gestartet werden!"), 5000);
    const auto lines = m_run->newLogLines();
    QCOMPARE(lines.mid(lines.size() - 2),
             (QList<QPair<QString, QColor>>{{" -14:05:09-", QColor(255, 0, 0)},
                                            {"Kalibriervorgang kann nicht gestartet werden!", QColor(255, 0, 0)}}));
    QVERIFY(button("ButCal")->isEnabled());
    QCOMPARE(m_run->workflow().step(), ConfigWorkflow::Step::Idle);
    QVERIFY(!factory()->isVisible());
}

void TestFactory::closedDuringTheWrite_stopsTheWriteAndFreesTheLink()
{
    whileModal([&](QWidget *) {
        field<QPushButton>("Butstart")->click();
        field<QPushButton>("Butcancel")->click(); // "fertig" while the write runs
    });
    openFactoryWindow();
    // Closing stops collecting replies: the write ends with its time-out, reported as such.
    QTRY_VERIFY_WITH_TIMEOUT(m_run->logContains("timeout"), 10000);
    QVERIFY(m_run->logContains("Fehler bei Kommunikation"));
    QVERIFY(!m_run->logContains("Verify ok"));
    QCOMPARE(m_run->workflow().step(), ConfigWorkflow::Step::Idle);

    // The link is free for the next read, and the module was never restarted.
    button("ButRead")->click();
    QTRY_VERIFY_WITH_TIMEOUT(m_run->logContains("Daten ausgelesen"), 5000);
    QCOMPARE(m_run->restarts(), 0);
}

QTEST_MAIN(TestFactory)
#include "tst_factory.moc"
