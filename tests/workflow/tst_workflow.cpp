// The read, verify and write sequence end to end: the whole program on a real
// pseudo-terminal, with the simulated module on the other side.
#include "common/RunningProgram.h"
#include "core/link/DeviceLink.h"
#include "core/link/Request.h"
#include "core/link/RequestEngine.h"
#include "core/workflow/ConfigDocument.h"
#include "core/workflow/ConfigWorkflow.h"
#include "core/outputs/DigTab.h"
#include "core/workflow/RadioTest.h"
#include "ui/main/Program.h"
#include "ui/main/TFVelka.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QTableWidget>
#include <QTextEdit>

#include <memory>

namespace {
using Lines = QList<QPair<QString, QColor>>;
const QColor Black(0, 0, 0);
const QColor Red(255, 0, 0);
const QColor Green(0, 128, 0);
const QString TimeLine = QStringLiteral(" -14:05:09-");
const Lines CommunicationError(const QString &text)
{
    return {{TimeLine, Red}, {"Fehler bei Kommunikation", Red}, {text, Red}, {"", QColor()}};
}
} // namespace

class TestWorkflow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void write_runsTheWholeSequenceAndRestartsTheModule();
    void read_takesTheModulesImage();
    void read_withWrongImageChecksumStillTakesIt();
    void noModule_reportsTimeoutAfterKnockAndWait();
    void compare_listsWhatAWriteWouldChange_data();
    void compare_listsWhatAWriteWouldChange();
    void cancelled_logsAndChangesNothing_data();
    void cancelled_logsAndChangesNothing();
    void otherCommandsReply_needsNoFollowUp();
    void connectionIndicator_mirrorsThePortMenu();

private:
    TFVelka *w() { return &m_run->window(); }
    ConfigDocument &doc() { return m_run->document(); }
    ConfigWorkflow &flow() { return m_run->workflow(); }
    ModuleSimulator &sim() { return m_run->sim(); }
    QPushButton *button(const char *name) { return m_run->control<QPushButton>(QLatin1String(name)); }
    bool buttonsEnabled() { return button("ButRead")->isEnabled() && button("ButWrite")->isEnabled(); }

    std::unique_ptr<RunningProgram> m_run;
};

void TestWorkflow::init()
{
    m_run = std::make_unique<RunningProgram>();
    QString error;
    QVERIFY2(m_run->start(&error), qPrintable(error));
}

void TestWorkflow::cleanup()
{
    m_run.reset();
}

void TestWorkflow::write_runsTheWholeSequenceAndRestartsTheModule()
{
    doc().setWord(30, 5); // edited channel
    QMap<QString, bool> buttonsAtLine; // ButWrite's state when each line appeared
    auto *log = m_run->control<QTextEdit>("MInfo");
    connect(log, &QTextEdit::textChanged, this, [&] {
        const QStringList lines = log->toPlainText().split('\n', Qt::SkipEmptyParts);
        if (!lines.isEmpty() && !buttonsAtLine.contains(lines.last()))
            buttonsAtLine[lines.last()] = button("ButWrite")->isEnabled();
    });
    QSignalSpy results(&flow(), &ConfigWorkflow::writeFinished);
    button("ButWrite")->click();
    QCOMPARE(m_run->ui.questions.last(), QStringLiteral("Gerät mit Daten programmieren?\r\n (Gerätedaten werden überschrieben!)"));
    QTRY_COMPARE(flow().step(), ConfigWorkflow::Step::RequestingWrite);
    QVERIFY(!button("ButRead")->isEnabled());
    QVERIFY(!button("ButWrite")->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(m_run->logContains("Gerät neu gestartet"), 10000);
    QVERIFY(buttonsEnabled());
    QCOMPARE(flow().step(), ConfigWorkflow::Step::Idle);

    const Lines expected{{"alte Parameter vor Neuprogrammierung auslesen...", Black},
                         {"Daten geschrieben", Green},
                         {TimeLine, Black},
                         {"jetzt verify...", Black},
                         {"Verify ok", Green},
                         {TimeLine, Black},
                         {"Gerät neu gestartet", Black},
                         {"", QColor()}};
    QCOMPARE(m_run->newLogLines(), expected);
    // Enabled during the read before the write, disabled from the write until the restart.
    QCOMPARE(buttonsAtLine.value("alte Parameter vor Neuprogrammierung auslesen..."), true);
    QCOMPARE(buttonsAtLine.value("Daten geschrieben"), false);
    QCOMPARE(buttonsAtLine.value("Verify ok"), false);
    QCOMPARE(buttonsAtLine.value("Gerät neu gestartet"), false);

    QCOMPARE(results.count(), 1);
    QCOMPARE(int(sim().module().image()[30]), 5);
    QCOMPARE(m_run->restarts(), 1);
    // The verified image is shown, stamped with the program's start date.
    QCOMPARE(m_run->control<QLabel>("Llast")->text(), QStringLiteral(" 7.03.2026"));
}

void TestWorkflow::read_takesTheModulesImage()
{
    m_run->ui.answers << true;
    button("ButRead")->click();
    QCOMPARE(m_run->ui.questions.last(),
             QStringLiteral("Daten vom Gerät auslesen?\r\n (die PC-Einstellungen werden überschrieben!)"));
    QVERIFY(!button("ButRead")->isEnabled());
    QTRY_VERIFY(m_run->logContains("Daten ausgelesen"));
    QCOMPARE(m_run->newLogLines(), (Lines{{TimeLine, Green}, {"Daten ausgelesen", Green}, {"", QColor()}}));
    QCOMPARE(doc().configImage(), sim().module().image());
    QVERIFY(m_run->control<QWidget>("Pread")->isVisible());
    QVERIFY(buttonsEnabled());
    QCOMPARE(m_run->control<QLabel>("LFirmware")->text(), QStringLiteral("01.28"));
    QCOMPARE(m_run->control<QLabel>("LSeriennummer")->text(), QStringLiteral("12.00345"));
    QCOMPARE(m_run->control<QLabel>("Llast")->text(), QStringLiteral(" 5.03.2013"));
    // The report tells what the read told.
    const std::optional<ReportModule> module = w()->reportInput().module;
    QVERIFY(module);
    QCOMPARE(module->firmware + '|' + module->serial + '|' + module->customer, QStringLiteral("01.28|12.00345|D000012"));
}

void TestWorkflow::read_withWrongImageChecksumStillTakesIt()
{
    ConfigWords image = ModuleFirmware::factoryImage();
    image[255] ^= 0x0101;
    image[30] = 4;
    sim().module().setImage(image);
    QSignalSpy beeps(w(), &TFVelka::beeped);
    button("ButRead")->click();
    QTRY_VERIFY(m_run->logContains("ausgelesene Daten sind inkonsistent"));
    QCOMPARE(m_run->newLogLines(), (Lines{{TimeLine, Red}, {"!!! Fehler Checksumme !!!", Red},
                                          {"ausgelesene Daten sind inkonsistent", Red}, {"", QColor()}}));
    QCOMPARE(beeps.count(), 1);
    QCOMPARE(int(doc().word(30)), 4);
    QVERIFY(m_run->control<QWidget>("Pread")->isVisible());
}

void TestWorkflow::compare_listsWhatAWriteWouldChange_data()
{
    QTest::addColumn<bool>("edited"); // three settings changed in the window after a read
    QTest::addColumn<QString>("fault"); // on the module's read reply
    QTest::newRow("three words differ") << true << "";
    QTest::newRow("nothing differs") << false << "";
    QTest::newRow("the read fails") << true << "silent";
}

void TestWorkflow::compare_listsWhatAWriteWouldChange()
{
    QFETCH(bool, edited);
    QFETCH(QString, fault);
    m_run->ui.answers << true;
    button("ButRead")->click();
    QTRY_VERIFY(m_run->logContains("Daten ausgelesen"));
    const ConfigWords module = sim().module().image();
    const quint16 channel = module[Word::Channel] == 3 ? 4 : 3;
    if (edited) {
        doc().setWord(Word::Channel, channel);
        doc().setWord(Word::SystemId, 77);
        DigEntry out2 = *digEntry(doc().outputs(), 2);
        out2.source = 3; // in the table only: the comparison folds it in as a write would
        doc().setOutput(2, out2);
        doc().setWord(Word::Serial, 999); // a factory word: never compared
    }
    if (!fault.isEmpty())
        sim().setFault('!', *SimFault::parse(fault));
    const ConfigWords shown = doc().configImage();

    m_run->ui.answers << true;
    m_run->control<QAction>("Mcompare")->trigger();
    // It overwrites nothing, and says so.
    QCOMPARE(m_run->ui.questions.last(),
             QStringLiteral("Gerät auslesen und mit den PC-Einstellungen vergleichen?\r\n"
                            " (die PC-Einstellungen bleiben unverändert)"));
    if (!fault.isEmpty()) {
        QTRY_VERIFY_WITH_TIMEOUT(m_run->logContains("Fehler bei Kommunikation"), 10000);
        QTRY_VERIFY(buttonsEnabled());
        QVERIFY(!w()->findChild<QDialog *>("FVergleich"));
        QCOMPARE(doc().configImage(), shown);
        return;
    }
    QDialog *dialog = nullptr;
    QTRY_VERIFY((dialog = w()->findChild<QDialog *>("FVergleich")));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Vergleich mit Gerät"));
    // The window's image and table are as they were.
    QCOMPARE(doc().configImage(), shown);
    auto *differences = dialog->findChild<QTableWidget *>("Unterschiede");
    if (!edited) {
        QVERIFY(!differences);
        QCOMPARE(dialog->findChild<QLabel *>("LKeineUnterschiede")->text(), QStringLiteral("Keine Unterschiede"));
        return;
    }
    QVERIFY(differences);
    differences->sortByColumn(3, Qt::DescendingOrder); // any column; back by address
    differences->sortByColumn(0, Qt::AscendingOrder);
    QStringList rows;
    for (int row = 0; row < differences->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < 4; ++column)
            cells << differences->item(row, column)->text();
        rows << cells.join('|');
    }
    QCOMPARE(rows, (QStringList{QStringLiteral("30|Frequenzkanal|%1|%2").arg(channel).arg(module[Word::Channel]),
                                QStringLiteral("34|System-ID|77|%1").arg(module[Word::SystemId]),
                                QStringLiteral("104|out2= Quelle|3|%1").arg(module[104])}));
    // Copied as tab-separated lines, with the heading.
    dialog->findChild<QPushButton *>("ButKopieren")->click();
    QCOMPARE(QApplication::clipboard()->text().split('\n').mid(0, 2),
             (QStringList{"Adresse\tEinstellung\tFenster\tGerät", rows[0].replace('|', '\t')}));
}

void TestWorkflow::noModule_reportsTimeoutAfterKnockAndWait()
{
    sim().setFaultForAll(*SimFault::parse(u"silent"));
    doc().setWord(30, 5);
    const ConfigWords before = doc().configImage();
    QElapsedTimer elapsed;
    elapsed.start();
    button("ButRead")->click();
    QTRY_VERIFY_WITH_TIMEOUT(m_run->logContains("timeout"), 5000);
    QVERIFY2(elapsed.elapsed() >= 1250, "knock (320 ms) and the read's time-out (1000 ms)");
    QCOMPARE(m_run->newLogLines(), CommunicationError("timeout"));
    QVERIFY(buttonsEnabled());
    QCOMPARE(doc().configImage(), before);
    QVERIFY(m_run->control<QPlainTextEdit>("Memo1")->toPlainText().endsWith("Fehler: timeout"));
}

void TestWorkflow::cancelled_logsAndChangesNothing_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("message");
    QTest::newRow("read") << "read" << "Vorgang \"Gerät auslesen\" vom Anwender ABGEBROCHEN!";
    QTest::newRow("write") << "write" << "Vorgang \"Gerät programmieren\" vom Anwender ABGEBROCHEN!";
    QTest::newRow("factory") << "factory" << "Vorgang \"Werksdaten\" vom Anwender ABGEBROCHEN!";
    QTest::newRow("compare") << "compare" << "Vorgang \"Vergleich\" vom Anwender ABGEBROCHEN!";
}

void TestWorkflow::cancelled_logsAndChangesNothing()
{
    QFETCH(QString, how);
    QFETCH(QString, message);
    m_run->ui.answers << false;
    DigEntry first = doc().outputs()[0];
    first.source = 4;
    doc().setOutput(1, first);
    const ConfigWords before = doc().configImage();
    if (how == "read")
        button("ButRead")->click();
    else if (how == "write")
        button("ButWrite")->click();
    else if (how == "compare")
        m_run->control<QAction>("Mcompare")->trigger();
    else
        QTest::keySequence(w(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W));
    QCOMPARE(m_run->ui.questions.size(), 1);
    if (how == "factory")
        QCOMPARE(m_run->ui.questions.last(),
                 QStringLiteral("vor dem Schreiben der Werksdaten wird das Gerät ausgelesen!\r\n"
                                " (die aktuellen PC-Einstellungen werden dabei überschrieben!)"));
    QCOMPARE(m_run->newLogLines(), (Lines{{TimeLine, Red}, {message, Red}, {"", QColor()}}));
    QCOMPARE(doc().configImage(), before); // the output edit is in it already
    QVERIFY(buttonsEnabled() && button("ButCal")->isEnabled());
    QCOMPARE(flow().step(), ConfigWorkflow::Step::Idle);
    QVERIFY(!flow().isKnocking());
    QCOMPARE(sim().received().size(), 0);
}

void TestWorkflow::otherCommandsReply_needsNoFollowUp()
{
    m_run->program().radioTest().toggleCarrier(); // carrier on
    QTRY_VERIFY(m_run->program().radioTest().carrierOn());
    QVERIFY(!flow().isPauseDue());
    QVERIFY(!QTest::qWaitFor([this] { return !m_run->newLogLines().isEmpty(); }, 100));
    QVERIFY(buttonsEnabled());
}

void TestWorkflow::connectionIndicator_mirrorsThePortMenu()
{
    QTRY_COMPARE(w()->statusPanelText(0), QStringLiteral("COM1"));
    auto port = [this](int n) { return m_run->control<QAction>(QStringLiteral("MCOM%1").arg(n)); };
    QVERIFY(port(1)->isChecked() && port(1)->isEnabled());
    for (int n = 2; n <= 4; ++n)
        QTRY_VERIFY2(!port(n)->isEnabled(), "the probe finds no such port");
    QVERIFY(!m_run->control<QAction>("MUSB")->isVisible());

    w()->MCOMClick(3); // a port that does not exist
    QTRY_COMPARE(w()->statusPanelText(0), QStringLiteral("---"));
    QVERIFY(port(3)->isChecked() && !port(1)->isChecked());
    port(1)->trigger();
    QTRY_COMPARE(w()->statusPanelText(0), QStringLiteral("COM1"));
    QVERIFY(port(1)->isChecked() && !port(3)->isChecked());
}

QTEST_MAIN(TestWorkflow)
#include "tst_workflow.moc"
