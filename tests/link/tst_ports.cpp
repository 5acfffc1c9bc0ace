// The link's ports and its bootloader session end to end, with the simulated module on a real
// pseudo-terminal: the port chooser, port names and the environment, the simulated USB adapter,
// and the bootloader session's rows, reset and boot command.
#include "LinkTestSupport.h"
#include "SimProcess.h"
#include "core/link/BootloaderSession.h"
#include "core/link/PortNames.h"

#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

namespace {

// A bootloader reply: command, total length, data, checksum, end byte 0xEF.
QByteArray bootReply(quint8 command, const QByteArray &data = {})
{
    const int length = 6 + int(data.size());
    return withChecksum(QByteArray(1, char(command)) + char(length >> 8) + char(length & 0xFF) + data)
        + char(0xEF);
}

BootRow sampleRow(quint32 address, bool erasePage, int seed)
{
    BootRow row;
    row.address = address;
    row.erasePage = erasePage;
    for (int i = 0; i < Boot::RowDataBytes; ++i)
        row.data[size_t(i)] = quint8(i * seed + 1);
    return row;
}

} // namespace

class TestPorts : public LinkFixture
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void selectingSelectedPort_keepsPortOpenAndRefreshes();
    void probe_withOnlyCom1_disablesOthersUntilTheRefreshRestores();
    void selectingMissingPort_requestFailsWithPortError();
    void bootRow_threeFramesOnTheWire_data();
    void bootRow_threeFramesOnTheWire();
    void bootRow_faultEndsTheRow_data();
    void bootRow_faultEndsTheRow();
    void bootReset_isScrambledUntracedAndAwaitsNothing();
    void bootCommand_countFollowingTheReplyOpensTheStartWindow();
    void portNames_followTheEnvironment_data();
    void portNames_followTheEnvironment();
    void environment_leadsTheDefaultLinkToTheModule();
    void simulatedAdapter_becomesTheLinkUntilItStops();
};

void TestPorts::init()
{
    openLines();
}

void TestPorts::cleanup()
{
    closeLines();
}

void TestPorts::selectingSelectedPort_keepsPortOpenAndRefreshes()
{
    QVERIFY(m_lines->link.channel().reopen());
    QSignalSpy openChanges(&m_lines->link.channel(), &Channel::openChanged);
    QSignalSpy mirror(&ports(), &PortChooser::connectionChanged);

    ports().selectPort(1);
    QCOMPARE(openChanges.count(), 0);
    QVERIFY(m_lines->link.channel().isOpen());
    QCOMPARE(ports().statusText(), QStringLiteral("COM1"));
    QCOMPARE(mirror.count(), 1);
    QVERIFY(ports().portItems()[0].checked);
}

void TestPorts::probe_withOnlyCom1_disablesOthersUntilTheRefreshRestores()
{
    QSignalSpy mirror(&ports(), &PortChooser::connectionChanged);
    ports().probePorts();
    QCOMPARE(mirror.count(), 1);
    const auto &items = ports().portItems();
    QVERIFY(items[0].enabled);
    QVERIFY(!items[1].enabled);
    QVERIFY(!items[2].enabled);
    QVERIFY(!items[3].enabled);
    QCOMPARE(m_lines->link.channel().portName(), QStringLiteral("COM4"));
    QVERIFY(!m_lines->link.channel().isOpen());

    ports().refreshStatus();
    QCOMPARE(m_lines->link.channel().portName(), QStringLiteral("COM1"));
    QCOMPARE(ports().statusText(), QStringLiteral("COM1"));
    QVERIFY(items[0].checked && ports().menu().enabled);
}

void TestPorts::selectingMissingPort_requestFailsWithPortError()
{
    QSignalSpy sendFailures(&engine(), &RequestEngine::sendFailed);
    ports().selectPort(2);
    const auto &items = ports().portItems();
    QVERIFY(items[1].checked && !items[0].checked);
    QVERIFY(!items[1].enabled);
    QCOMPARE(ports().chosenPort(), QStringLiteral("COM2"));
    QCOMPARE(ports().statusText(), QStringLiteral("COM2"));

    const auto outcomes = exchange('!');
    QCOMPARE(monitor().errorText(), QStringLiteral("Fehler Kommunikationsport"));
    QCOMPARE(sendFailures.count(), 1);
    QVERIFY(!engine().isWaiting());
    QCOMPARE(outcomes->size(), 0); // told once the sender holds its reply
    QTRY_COMPARE(outcomes->size(), 1);
    QCOMPARE(outcomes->first().failure, ReplyOutcome::Failure::PortUnavailable);
    QCOMPARE(outcomes->first().text, QStringLiteral("Fehler Kommunikationsport"));
    QVERIFY(m_sim->received().isEmpty());

    ports().selectPort(1);
    QCOMPARE(m_lines->link.channel().portName(), QStringLiteral("COM1"));
    const auto again = exchange('!');
    QTRY_COMPARE(again->size(), 1);
    QVERIFY(again->first().accepted());
}

void TestPorts::bootRow_threeFramesOnTheWire_data()
{
    QTest::addColumn<quint32>("address");
    QTest::addColumn<bool>("erasePage");
    QTest::addColumn<QByteArray>("announce");
    QTest::addColumn<QByteArray>("finish");
    QTest::newRow("address 0") << quint32(0) << false << QByteArray::fromHex("030041000000")
                               << QByteArray::fromHex("0700");
    QTest::newRow("address 128, page erased") << quint32(128) << true << QByteArray::fromHex("030041000080")
                                              << QByteArray::fromHex("0701");
    QTest::newRow("address 65536, page erased") << quint32(65536) << true << QByteArray::fromHex("030041010000")
                                                << QByteArray::fromHex("0701");
}

void TestPorts::bootRow_threeFramesOnTheWire()
{
    QFETCH(quint32, address);
    QFETCH(bool, erasePage);
    QFETCH(QByteArray, announce);
    QFETCH(QByteArray, finish);
    BootloaderSession session(engine());
    QSignalSpy ended(&session, &BootloaderSession::rowEnded);
    const BootRow row = sampleRow(address, erasePage, 3);
    session.writeRow(row);
    QTRY_COMPARE(m_sim->received().size(), 8);
    QCOMPARE(masked(m_sim->received()), withChecksum(announce));
    QCOMPARE(monitor().traces().Mread.lines().first(), QStringLiteral("Tx 0 = 3"));

    // The row data frame follows the announcement's reply at once, with the row's data.
    m_sim->clearReceived();
    m_sim->sendUnsolicited(bootReply(0x04));
    QTRY_COMPARE(m_sim->received().size(), 198);
    const QByteArray data(reinterpret_cast<const char *>(row.data.data()), Boot::RowDataBytes);
    QCOMPARE(masked(m_sim->received()), withChecksum(QByteArray::fromHex("05000000") + data));
    QVERIFY(monitor().traces().TM.lines().contains(
        QStringLiteral("Tx2: 197 = %1").arg(quint8(masked(m_sim->received())[197]))));

    m_sim->clearReceived();
    m_sim->sendUnsolicited(bootReply(0x06));
    QTRY_COMPARE(m_sim->received().size(), 4);
    QCOMPARE(masked(m_sim->received()), withChecksum(finish));
    QCOMPARE(ended.count(), 0);

    m_sim->sendUnsolicited(bootReply(0x08));
    QTRY_COMPARE(ended.count(), 1);
    QCOMPARE(ended.first().at(0).toBool(), true);
    QCOMPARE(monitor().linkState(), LinkState::ok);
    QCOMPARE(monitor().progressText(), QStringLiteral("gut"));
    QCOMPARE(monitor().traces().M1.lines().first(), QStringLiteral("-writeFlash3-"));
    QCOMPARE(monitor().traces().M1.lastLine(),
             QStringLiteral("Tx2: 2 = %1").arg(quint8(withChecksum(finish)[2])));
}

void TestPorts::bootRow_faultEndsTheRow_data()
{
    QTest::addColumn<bool>("fast");
    QTest::addColumn<int>("step"); // replies that come right before the faulty one
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("progress");

    QByteArray allWrong = bootReply(0x04);
    allWrong[2] = 9;
    allWrong[5] = 0;
    for (const bool fast : {false, true}) {
        const auto row = [fast](const char *name) -> QTestData & {
            return QTest::newRow(qPrintable(QString::fromLatin1(name) + (fast ? " (fast)" : ""))) << fast;
        };
        row("length, end and checksum: the last check counts") << 0 << allWrong
            << "Fehler Checksumme" << "Fehler Checksumme";
        row("and the wrong command as well") << 0 << [&] { QByteArray r = allWrong; r[0] = 0x06; return r; }()
            << "ungültige Antwort bei Schreibbefehl" << "ungültige Antwort bei Schreibbefehl";
        row("row data answered wrongly") << 1 << bootReply(0x04) << "ungültige Antwort bei Schreibbefehl#2"
                                             << "ungültige Antwort bei Schreibbefehl#2";
        row("finish answered wrongly") << 2 << bootReply(0x06) << "ungültige Antwort bei Schreibbefehl#3"
                                           << "ungültige Antwort bei Schreibbefehl#3";
        // The bootloader refuses the frame: the row ends with its code instead of waiting forever.
        row("error reply") << 1 << bootReply(0xEE, QByteArray(1, char(0x07)))
                               << "Fehlermeldung [07] vom Gerät erhalten" << "error-message";
        // Its frame is faulty too: the refusal still names the code.
        row("error reply with a wrong checksum") << 1
            << [] { QByteArray r = bootReply(0xEE, QByteArray(1, char(0x42))); r[4] = char(r[4] ^ 1); return r; }()
            << "Fehlermeldung [42] vom Gerät erhalten" << "error-message";
        row("silence") << 2 << QByteArray() << "timeout" << "timeout";
    }
}

void TestPorts::bootRow_faultEndsTheRow()
{
    QFETCH(bool, fast);
    if (fast)
        engine().setReplyTiming(ReplyTiming::WhenComplete);
    QFETCH(int, step);
    QFETCH(QByteArray, reply);
    BootloaderSession session(engine(), 300);
    QSignalSpy ended(&session, &BootloaderSession::rowEnded);
    QSignalSpy beeps(&monitor(), &LinkMonitor::beepRequested);
    session.writeRow(sampleRow(128, false, 5));
    const int sizes[] = {8, 8 + 198, 8 + 198 + 4};
    const quint8 replies[] = {0x04, 0x06};
    for (int i = 0; i < step; ++i) {
        QTRY_COMPARE(m_sim->received().size(), sizes[i]);
        m_sim->sendUnsolicited(bootReply(replies[i]));
    }
    QTRY_COMPARE(m_sim->received().size(), sizes[step]);
    if (!reply.isEmpty())
        m_sim->sendUnsolicited(reply);

    QTRY_COMPARE(ended.count(), 1);
    QCOMPARE(ended.first().at(0).toBool(), false);
    QTEST(ended.first().at(1).toString(), "error");
    QTEST(monitor().progressText(), "progress");
    QCOMPARE(monitor().linkState(), LinkState::error);
    QVERIFY(beeps.count() >= 1);
    QVERIFY(!ended.wait(250));                       // the row ended once
    QCOMPARE(m_sim->received().size(), sizes[step]); // and nothing more was sent
    if (QByteArray(QTest::currentDataTag()).startsWith("error reply") && !QByteArray(QTest::currentDataTag()).contains("checksum"))
        QCOMPARE(monitor().traces().M1.lines().first(), QStringLiteral("Fehlermeldung [07] erhalten:"));
}

void TestPorts::bootReset_isScrambledUntracedAndAwaitsNothing()
{
    const qsizetype traced = monitor().traces().TM.lineCount();
    BootloaderSession(engine()).leave();
    QTRY_COMPARE(m_sim->received().size(), 4);
    QCOMPARE(masked(m_sim->received()), withChecksum(QByteArray::fromHex("10b0")));
    QCOMPARE(monitor().traces().TM.lineCount(), traced);
    QVERIFY(!engine().isWaiting());
}

void TestPorts::bootCommand_countFollowingTheReplyOpensTheStartWindow()
{
    // The bootloader counts 50 ms after its reply, within the reply's quiet time: the reply
    // is judged on its own, the count is the start window's.
    QSignalSpy beeps(&monitor(), &LinkMonitor::beepRequested);
    BootloaderSession session(engine());
    QSignalSpy answered(&session, &BootloaderSession::bootAnswered);
    QSignalSpy unanswered(&session, &BootloaderSession::bootUnanswered);
    QSignalSpy counts(&session, &BootloaderSession::countdown);
    connect(m_sim.get(), &ModuleSimulator::answered, this, [this](quint8 request) {
        if (request == 'w')
            QTimer::singleShot(50, m_sim.get(), [this] { m_sim->sendUnsolicited(hex("fc13")); });
    });
    session.enterBootloader();
    QTRY_COMPARE(answered.count(), 1);
    QCOMPARE(answered.first().at(0).value<quint8>(), quint8(0x01));
    QCOMPARE(answered.first().at(1).value<quint8>(), quint8(0x28));
    QCOMPARE(unanswered.count(), 0);
    QTRY_COMPARE(counts.count(), 1);
    QCOMPARE(counts.first().at(0).toInt(), 0x13);
    QCOMPARE(beeps.count(), 1); // the boot command's own, no checksum error
}

void TestPorts::portNames_followTheEnvironment_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("variable"); // VELKA_COM2, empty: unset
    QTest::addColumn<QString>("device");
    QTest::newRow("COM2 set") << "COM2" << QByteArray("/dev/pts/42") << "/dev/pts/42";
    QTest::newRow("COM2 unset") << "COM2" << QByteArray() << "/dev/ttyS1";
    QTest::newRow("COM4 unaffected") << "COM4" << QByteArray("/dev/pts/42") << "/dev/ttyS3";
    QTest::newRow("other name kept") << "COM5" << QByteArray("/dev/pts/42") << "COM5";
}

void TestPorts::portNames_followTheEnvironment()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, variable);
    QFETCH(QString, device);
    if (variable.isEmpty())
        qunsetenv("VELKA_COM2");
    else
        qputenv("VELKA_COM2", variable);
    QCOMPARE(systemPortName(name), device);
    qunsetenv("VELKA_COM2");
}

void TestPorts::environment_leadsTheDefaultLinkToTheModule()
{
    qputenv("VELKA_COM1", m_sim->devicePath().toLocal8Bit());
    m_lines->link.channel().setPortNameMapping({}); // back to the default
    const auto outcomes = exchange('a');
    qunsetenv("VELKA_COM1");
    QTRY_COMPARE(outcomes->size(), 1);
    QVERIFY(outcomes->first().accepted());
    QCOMPARE(m_sim->received().size(), 100 + 8);
}

void TestPorts::simulatedAdapter_becomesTheLinkUntilItStops()
{
    QProcess adapter;
    const QString device = startSimulatorProcess(adapter, QStringLiteral(VELKA_SIM_PATH),
                                                 {QStringLiteral("--usb-serial"), QStringLiteral("QVK00042")});
    QVERIFY(!device.isEmpty());
    QSignalSpy usbMode(&ports(), &PortChooser::usbModeChanged);
    qputenv("VELKA_USB_ADAPTERS", "QVK00042=" + device.toLocal8Bit());
    const auto unset = qScopeGuard([] { qunsetenv("VELKA_USB_ADAPTERS"); });
    // The search runs every second.
    QTRY_VERIFY_WITH_TIMEOUT(ports().usbMode(), 3000);
    QCOMPARE(ports().statusText(), QStringLiteral(" USB "));
    QCOMPARE(ports().adapterText(), QStringLiteral("USB-Adapter: QVK00042 gefunden"));

    // The request goes to the adapter's module, not to the one on COM1.
    const auto outcomes = exchange('a');
    QTRY_COMPARE(outcomes->size(), 1);
    QVERIFY(outcomes->first().accepted());
    QVERIFY(m_sim->received().isEmpty());
    // What the watch asks every two seconds: while the adapter's device is there, it stays.
    QVERIFY(m_lines->link.adapters().status());

    adapter.terminate();
    QVERIFY(adapter.waitForFinished(5000));
    QTRY_VERIFY_WITH_TIMEOUT(!ports().usbMode(), 3000);
    QCOMPARE(usbMode.count(), 2);
    QCOMPARE(usbMode.last().first().toBool(), false);
    QCOMPARE(ports().statusText(), QStringLiteral("COM1"));
}

QTEST_GUILESS_MAIN(TestPorts)
#include "tst_ports.moc"
