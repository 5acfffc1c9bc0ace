// The whole program on the maker's USB adapter: the simulated module plays an adapter through
// VELKA_USB_ADAPTERS, and no serial port exists at all.
#include "ProcessCpu.h"
#include "common/RunningProgram.h"
#include "core/link/DeviceLink.h"
#include "core/workflow/ConfigDocument.h"
#include "ui/main/Program.h"
#include "ui/main/TFVelka.h"

#include <QAction>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>


#include <memory>

namespace {
const QColor Black(0, 0, 0);
const QColor Red(255, 0, 0);
const QString TimeLine = QStringLiteral(" -14:05:09-");
} // namespace

class TestUsb : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void adapter_foundAndShown();
    void readAndWrite_goThroughTheAdapter();
    void pulledOutDuringARequest_serialPortIsBackAndTheRequestFails();

private:
    TFVelka *w() { return &m_run->window(); }
    PortChooser &ports() { return m_run->program().link().ports(); }
    QPushButton *button(const char *name) { return m_run->control<QPushButton>(QLatin1String(name)); }
    bool waitForAdapter() { return QTest::qWaitFor([this] { return ports().usbMode(); }, 3000); }

    std::unique_ptr<RunningProgram> m_run;
};

void TestUsb::init()
{
    m_run = std::make_unique<RunningProgram>();
    QString error;
    QVERIFY2(m_run->start(&error, RunningProgram::Module::Adapter), qPrintable(error));
}

void TestUsb::cleanup()
{
    m_run.reset();
}

void TestUsb::adapter_foundAndShown()
{
    QVERIFY(waitForAdapter());
    QCOMPARE(ports().statusText(), QStringLiteral(" USB "));
    QVERIFY(!ports().menu().enabled);
    QTRY_COMPARE(w()->statusPanelText(0), QStringLiteral("USB"));
    auto *adapter = m_run->control<QAction>(QStringLiteral("MUSB"));
    QCOMPARE(adapter->text(), QStringLiteral("!!! using USB-Adapter QVK00042!!!"));
    QVERIFY(adapter->isVisible());
    QVERIFY(!m_run->control<QAction>(QStringLiteral("MCOM1"))->isVisible());
    QCOMPARE(m_run->newLogLines(), (QList<QPair<QString, QColor>>{
                                       {TimeLine, Black}, {"USB-Adapter: QVK00042 gefunden", Black}, {"", QColor()}}));
}

void TestUsb::readAndWrite_goThroughTheAdapter()
{
    QVERIFY(waitForAdapter());
    button("ButRead")->click();
    QTRY_VERIFY(m_run->logContains("Daten ausgelesen"));
    QCOMPARE(m_run->document().configImage(), m_run->sim().module().image());

    m_run->document().setWord(30, 5);
    button("ButWrite")->click();
    QTRY_VERIFY_WITH_TIMEOUT(m_run->logContains("Gerät neu gestartet"), 10000);
    QVERIFY(m_run->logContains("Verify ok"));
    QCOMPARE(int(m_run->sim().module().image()[30]), 5);
    QVERIFY(!m_run->logContains("Fehler bei Kommunikation"));
}

void TestUsb::pulledOutDuringARequest_serialPortIsBackAndTheRequestFails()
{
    QVERIFY(waitForAdapter());
    QTRY_COMPARE(w()->statusPanelText(0), QStringLiteral("USB"));
    m_run->sim().setFault('!', *SimFault::parse(u"silent"), 1);
    button("ButRead")->click();
    QTRY_VERIFY(m_run->sim().received().size() >= 8 * 11 + 58); // the request is out, its reply awaited

    QElapsedTimer clock;
    clock.start();
    m_run->sim().vanish(); // pulled out
    QTRY_VERIFY_WITH_TIMEOUT(!ports().usbMode(), 3000);
    QVERIFY2(clock.elapsed() < 2500, qPrintable(QString::number(clock.elapsed())));
    // No serial port exists here: the indicator names the chosen one as missing.
    QTRY_COMPARE(w()->statusPanelText(0), QStringLiteral("---"));
    QVERIFY(m_run->logContains("USB-Adapter nicht mehr vorhanden!"));
    QVERIFY(m_run->logContains("verwende nun seriellen Port: COM1"));
    QTRY_VERIFY(m_run->logContains("Fehler bei Kommunikation")); // the request failed
    QTRY_VERIFY(button("ButRead")->isEnabled());

    // Idle again: no error storm and no polling left behind.
    const double cpuBefore = processCpuSeconds();
    QElapsedTimer idle;
    idle.start();
    QVERIFY(QTest::qWaitFor([&] { return idle.elapsed() >= 1000; }, 1500));
    QVERIFY2(processCpuSeconds() - cpuBefore < 0.5, qPrintable(QString::number(processCpuSeconds() - cpuBefore)));

    // Plugged in again (the simulator's new line stands for the adapter's).
    QVERIFY(m_run->sim().open());
    qputenv("VELKA_USB_ADAPTERS", QByteArray(RunningProgram::AdapterSerial) + '=' + m_run->sim().devicePath().toLocal8Bit());
    clock.restart();
    QVERIFY(waitForAdapter());
    QVERIFY2(clock.elapsed() < 1300, qPrintable(QString::number(clock.elapsed())));
    button("ButRead")->click();
    QTRY_VERIFY(m_run->logContains("Daten ausgelesen"));
}

QTEST_MAIN(TestUsb)
#include "tst_usb.moc"
