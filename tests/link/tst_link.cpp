// The link end to end: the protocol and the port chooser on a serial channel over a real
// pseudo-terminal, with the simulated module on the other side, both in this process's
// event loop.
#include "ModuleSimulator.h"
#include "SimProcess.h"
#include "core/link/DeviceLink.h"
#include "core/link/PortNames.h"

#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <memory>

using Operation = std::function<void(ModuleProtocol &)>;
Q_DECLARE_METATYPE(Operation)

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

QByteArray bytesOf(std::span<const quint8> bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
}

Reply replyAt(const QSignalSpy &spy, int index)
{
    return spy.at(index).at(0).value<Reply>();
}

const QString ChecksumText = QStringLiteral("fehlerhafte Checksumme in Antwort von Gerät");
const QString Unspecified = QStringLiteral("Fehler nicht spezifiziert");

// What left the tool, with the link mask taken off again.
QByteArray unscrambled(QByteArray bytes)
{
    for (char &byte : bytes)
        byte = char(quint8(byte) ^ 0xC5);
    return bytes;
}

// Ones' complement of the 16-bit byte sum, high byte first, worked out here.
QByteArray withChecksum(QByteArray bytes)
{
    int sum = 0;
    for (const char c : bytes)
        sum += quint8(c);
    const int check = 0xFFFF - (sum & 0xFFFF);
    return bytes.append(char(check >> 8)).append(char(check & 0xFF));
}

// A bootloader reply: command, total length, data, checksum, end byte 0xEF.
QByteArray bootReply(quint8 command, const QByteArray &data = {})
{
    const int length = 6 + int(data.size());
    return withChecksum(QByteArray(1, char(command)) + char(length >> 8) + char(length & 0xFF) + data)
        + char(0xEF);
}

BootRow sampleRow(quint32 address, bool clearPage, int seed)
{
    BootRow row;
    row.address = address;
    row.clearPage = clearPage;
    for (int i = 0; i < Boot::RowDataBytes; ++i)
        row.data[size_t(i)] = quint8(i * seed + 1);
    return row;
}

void writeRequest(ModuleProtocol &link)
{
    std::array<quint8, PayloadBytes> payload{};
    link.BTxConfigClick(payload);
}

} // namespace

class TestLink : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void request_wireBytesAndOutcome_data();
    void request_wireBytesAndOutcome();
    void write_sendsDataFrameOnAcceptanceAndModuleKeepsIt();
    void scrambledSend_masksTheWireAndLeavesNoTrace();
    void readReply_carriesTheWholeImage();
    void resetReplyWithChatter_isJudgedOnItsFirstSixBytes();
    void faultyReply_isRejectedWithOneError_data();
    void faultyReply_isRejectedWithOneError();
    void dataFrameAcknowledgementMissing_failsTheWrite();
    void replyForAnotherCommand_endsTheWaitWithoutSuccess();
    void lateReply_isEvaluatedButCannotSucceed();
    void newRequest_discardsThePreviousWaitsPendingEvaluation();
    void hold_storesBytesAndReportsNoOutcome();
    void timeoutInterval_persistsAcrossWaits();
    void rssi_rawValueToDbm_data();
    void rssi_rawValueToDbm();
    void selectingSelectedPort_keepsPortOpenAndRefreshes();
    void probe_withOnlyCom1_disablesOthersUntilTheRefreshRestores();
    void selectingMissingPort_requestFailsWithPortError();
    void send_discardsOrKeepsUncollectedBytes_data();
    void send_discardsOrKeepsUncollectedBytes();
    void flood_staysInTheBufferAndNextRequestWorks();
    void killedModule_closesPortOnceAndReportsOnce();
    void bootRow_threeFramesOnTheWire_data();
    void bootRow_threeFramesOnTheWire();
    void bootRow_faultEndsTheRow_data();
    void bootRow_faultEndsTheRow();
    void bootReset_sendsItsFrameAndStartsNoWait();
    void portNames_followTheEnvironment_data();
    void portNames_followTheEnvironment();
    void environment_leadsTheDefaultLinkToTheModule();
    void simulatedAdapter_becomesTheLinkUntilItStops();

private:
    ModuleProtocol &protocol() { return m_link->protocol(); }
    PortChooser &ports() { return m_link->ports(); }
    bool startSimProcess(QProcess &process, const QStringList &arguments);

    std::unique_ptr<ModuleSimulator> m_sim;
    std::unique_ptr<DeviceLink> m_link;
    QString m_com1;
};

void TestLink::init()
{
    m_sim = std::make_unique<ModuleSimulator>();
    QVERIFY(m_sim->open());
    m_com1 = m_sim->devicePath();
    m_link = std::make_unique<DeviceLink>([this](const QString &name) {
        return name == QLatin1String("COM1") ? m_com1 : QStringLiteral("/nonexistent/velka-") + name;
    });
    ports().start(); // start-up now rather than 100 ms later in the middle of a test
}

void TestLink::cleanup()
{
    m_link.reset();
    m_sim.reset();
}

bool TestLink::startSimProcess(QProcess &process, const QStringList &arguments)
{
    m_com1 = startSimulatorProcess(process, QStringLiteral(VELKA_SIM_PATH), arguments);
    return !m_com1.isEmpty();
}

void TestLink::request_wireBytesAndOutcome_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<int>("preamble");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("recognised"); // MC line

    QTest::newRow("read") << Operation(&ModuleProtocol::BRXconfigClick) << 50 << hex("ff21000000 80fe5f") << QString();
    QTest::newRow("reset") << Operation(&ModuleProtocol::BresetDeviceClick) << 50 << hex("ff51000000 00feaf")
                           << QStringLiteral("RESET-Befehl erkannt");
    QTest::newRow("boot") << Operation(&ModuleProtocol::BBootClick) << 50 << hex("ff77424f4f54fd55")
                          << QStringLiteral("Boot-Befehl erkannt");
    QTest::newRow("carrier") << Operation(&ModuleProtocol::BtestClick) << 100 << hex("ff60000001 00fe9f")
                             << QStringLiteral("Dauerträger-Befehl erkannt");
    QTest::newRow("rssi") << Operation(&ModuleProtocol::BtestRSSIClick) << 100 << hex("ff61000000 00fe9f")
                          << QStringLiteral("RSSI-Befehl erkannt");
}

void TestLink::request_wireBytesAndOutcome()
{
    QFETCH(Operation, operation);
    QFETCH(int, preamble);
    QFETCH(QByteArray, frame);
    QFETCH(QString, recognised);
    QSignalSpy replied(&protocol(), &ModuleProtocol::replied);
    QSignalSpy beeps(&protocol(), &ModuleProtocol::beepRequested);

    operation(protocol());
    QCOMPARE(protocol().pendingCommand(), quint8(frame[1]));
    QCOMPARE(protocol().progressText(), QStringLiteral("Übertragung läuft"));
    QCOMPARE(protocol().linkState(), LinkState::aktiv);
    QTRY_COMPARE(replied.count(), 1);

    QCOMPARE(m_sim->received(), QByteArray(preamble, '\0') + frame);
    const LinkTraces &traces = protocol().traces();
    QStringList frameLines;
    for (int i = 0; i < frame.size(); ++i)
        frameLines << QStringLiteral("%1 = %2").arg(i).arg(quint8(frame[i]));
    QCOMPARE(traces.M1.lines().mid(traces.M1.lineCount() - 8), frameLines);
    QVERIFY(traces.TM.lines().contains(QStringLiteral("TX[%1] = 0").arg(preamble - 1)));
    QVERIFY(traces.TM.lines().contains(QStringLiteral("TX[7] = %1").arg(quint8(frame[7]))));
    QVERIFY(traces.Mread.lines().isEmpty());

    const Reply reply = replyAt(replied, 0);
    QCOMPARE(reply.command, quint8(frame[1]));
    QCOMPARE(protocol().errorText(), Unspecified);
    QCOMPARE(protocol().progressText(), QStringLiteral("...fertig"));
    QCOMPARE(traces.MC.lastLine(), recognised.isEmpty() ? QStringLiteral("MC") : recognised);
    QCOMPARE(protocol().carrierOn(), frame[1] == 0x60);
    QCOMPARE(protocol().bootAcknowledged(), frame[1] == 'w');
    QCOMPARE(beeps.count(), frame[1] == 'w' ? 1 : 0); // the boot command is announced
}

void TestLink::write_sendsDataFrameOnAcceptanceAndModuleKeepsIt()
{
    std::array<quint8, PayloadBytes> payload;
    for (int i = 0; i < PayloadBytes; ++i)
        payload[size_t(i)] = quint8(i * 7 + 3);
    QSignalSpy replied(&protocol(), &ModuleProtocol::replied);

    protocol().BTxConfigClick(payload);
    QTRY_COMPARE(replied.count(), 2);

    QCOMPARE(m_sim->received(),
             QByteArray(50, '\0') + hex("ff31010001 80fe4d") + hex("ff33") + bytesOf(payload) + hex("438d"));
    QCOMPARE(replyAt(replied, 0).command, quint8('1'));
    QCOMPARE(replyAt(replied, 0).replyCommand, quint8('2'));
    QCOMPARE(replyAt(replied, 1).command, quint8('3'));
    QCOMPARE(replyAt(replied, 1).replyCommand, quint8('4'));
    QCOMPARE(protocol().pendingCommand(), quint8('3'));
    QCOMPARE(protocol().received().size(), size_t(6));
    QVERIFY(protocol().traces().TM.lines().contains(QStringLiteral("jetzt Daten übertragen...")));
    // Group 0 carried 3, 10, 17: word 0 = 3, word 1 = 10 * 256 + 17.
    QCOMPARE(m_sim->module().image()[0], quint16(3));
    QCOMPARE(m_sim->module().image()[1], quint16(10 * 256 + 17));
}

void TestLink::scrambledSend_masksTheWireAndLeavesNoTrace()
{
    QVERIFY(protocol().setupport());
    const QByteArray frame = hex("030041000080ff3b");
    const qsizetype traced = protocol().traces().TM.lineCount();

    QVERIFY(protocol().TxOut(frame));
    QTRY_COMPARE(m_sim->received(), hex("c6c584c5c5453afe"));
    QCOMPARE(protocol().traces().TM.lineCount(), traced);
}

void TestLink::readReply_carriesTheWholeImage()
{
    QSignalSpy replied(&protocol(), &ModuleProtocol::replied);
    protocol().BRXconfigClick();
    QTRY_COMPARE(replied.count(), 1);

    const Reply reply = replyAt(replied, 0);
    std::array<quint8, PayloadBytes> expected;
    packImage(m_sim->module().image(), expected);
    QCOMPARE(reply.payload, bytesOf(expected));
    // Counter 7 (word 1), then day 5 and month/year 0x030D (words 2 and 3).
    QCOMPARE(reply.payload.left(6), hex("000007 05030d"));
    QCOMPARE(reply.byte2, quint8(0x01));
    QCOMPARE(reply.byte3, quint8(0x28));
    QCOMPARE(protocol().replyBytes(), (std::array<quint8, 2>{0x01, 0x28}));
    QCOMPARE(protocol().received().size(), size_t(390));
    QCOMPARE(protocol().traces().TM.lines().filter(QStringLiteral("RX: [")).size(), 390);
    QVERIFY(protocol().traces().TM.lines().contains(QStringLiteral("RX: [1] : 0x22")));
}

void TestLink::resetReplyWithChatter_isJudgedOnItsFirstSixBytes()
{
    QSignalSpy replied(&protocol(), &ModuleProtocol::replied);
    protocol().BtestClick();
    QTRY_VERIFY(protocol().carrierOn());

    m_sim->module().resetChatter = QByteArrayLiteral("\r\nVelka start\r\n");
    protocol().BresetDeviceClick();
    QTRY_COMPARE(replied.count(), 2);

    QVERIFY(protocol().traces().TM.lines().contains(QStringLiteral("RX: [20] : 0x0A"))); // all 21 traced
    QCOMPARE(protocol().received().size(), size_t(6));
    QCOMPARE(replyAt(replied, 1).command, quint8('Q'));
    QVERIFY(!protocol().carrierOn());
    QCOMPARE(protocol().traces().MC.lastLine(), QStringLiteral("RESET-Befehl erkannt"));
}

void TestLink::faultyReply_isRejectedWithOneError_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<quint8>("command");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("error");

    QTest::newRow("wrong start and checksum") << Operation(&ModuleProtocol::BRXconfigClick) << quint8('!')
        << "wrong-start" << QStringLiteral("fehlerhafte Antwort von Gerät (SystemInfo:FE@21)");
    QTest::newRow("bad checksum") << Operation(&ModuleProtocol::BRXconfigClick) << quint8('!') << "bad-checksum"
                                  << ChecksumText;
    QTest::newRow("one byte") << Operation(&ModuleProtocol::BtestRSSIClick) << quint8('a') << "truncated:1"
                              << ChecksumText;
    QTest::newRow("bytes after a read reply") << Operation(&ModuleProtocol::BRXconfigClick) << quint8('!')
                                              << "trailing:4" << ChecksumText;
    // A well-formed read reply without the image must not pass for one.
    QTest::newRow("read reply without its image") << Operation(&ModuleProtocol::BRXconfigClick) << quint8('!')
        << "shortened:6" << QStringLiteral("fehlerhafte Länge der Antwort von Gerät (6 statt 390 Bytes)");
    QTest::newRow("read reply cut short") << Operation(&ModuleProtocol::BRXconfigClick) << quint8('!')
        << "shortened:200" << QStringLiteral("fehlerhafte Länge der Antwort von Gerät (200 statt 390 Bytes)");
    // The first, good reset reply leaves its bytes in the buffer: the short one must not borrow them.
    QTest::newRow("reset reply cut short") << Operation(&ModuleProtocol::BresetDeviceClick) << quint8('Q')
                                           << "truncated:4" << ChecksumText;
    QTest::newRow("write not accepted") << Operation(&writeRequest) << quint8('1') << "other-command:34"
                                        << QStringLiteral("ungültige Antwort bei Schreibbefehl#2");
    QTest::newRow("data acknowledged wrongly") << Operation(&writeRequest) << quint8('3') << "other-command:35"
                                               << QStringLiteral("ungültige Antwort bei Schreibbefehl#4");
    QTest::newRow("data acknowledgement corrupt") << Operation(&writeRequest) << quint8('3') << "bad-checksum"
                                                  << ChecksumText;
}

void TestLink::faultyReply_isRejectedWithOneError()
{
    QFETCH(Operation, operation);
    QFETCH(quint8, command);
    QFETCH(QString, fault);
    QFETCH(QString, error);
    QSignalSpy replied(&protocol(), &ModuleProtocol::replied);
    QSignalSpy rejected(&protocol(), &ModuleProtocol::rejected);
    QSignalSpy beeps(&protocol(), &ModuleProtocol::beepRequested);

    operation(protocol()); // a good exchange first (a write is two)
    QTRY_VERIFY(replied.count() >= 1 && !protocol().isWaiting());
    QCOMPARE(rejected.count(), 0);
    QCOMPARE(beeps.count(), 0);

    m_sim->setFault(command, *SimFault::parse(fault), 1);
    operation(protocol());
    QTRY_COMPARE(rejected.count(), 1);

    QCOMPARE(rejected.first().at(0).value<quint8>(), command);
    QCOMPARE(rejected.first().at(1).toString(), error);
    QCOMPARE(protocol().errorText(), error);
    QCOMPARE(beeps.count(), 1); // the first error found is the one reported
    QCOMPARE(protocol().linkState(), LinkState::error);
    QCOMPARE(protocol().pendingCommand(), command);
}

void TestLink::dataFrameAcknowledgementMissing_failsTheWrite()
{
    m_sim->setFault('3', *SimFault::parse(u"silent"), 1);
    protocol().setReplyTimeout(300);
    QSignalSpy replied(&protocol(), &ModuleProtocol::replied);
    QSignalSpy failed(&protocol(), &ModuleProtocol::failed);
    writeRequest(protocol());
    QTRY_COMPARE(failed.count(), 1);
    QCOMPARE(replied.count(), 1); // the request was accepted, its data never acknowledged
    QCOMPARE(failed.first().at(0).value<quint8>(), quint8('3'));
    QCOMPARE(failed.first().at(1).toString(), QStringLiteral("timeout"));
}

void TestLink::replyForAnotherCommand_endsTheWaitWithoutSuccess()
{
    m_sim->setFault('!', *SimFault::parse(u"other-command:61"));
    QSignalSpy replied(&protocol(), &ModuleProtocol::replied);
    QSignalSpy rejected(&protocol(), &ModuleProtocol::rejected);
    QSignalSpy beeps(&protocol(), &ModuleProtocol::beepRequested);

    protocol().BRXconfigClick();
    QTRY_COMPARE(rejected.count(), 1);
    QCOMPARE(rejected.first().at(1).toString(), Unspecified);
    QCOMPARE(replied.count(), 0);
    QCOMPARE(beeps.count(), 0); // no error: the module answered something else
    QCOMPARE(protocol().progressText(), QStringLiteral("...fertig"));
    QCOMPARE(protocol().linkState(), LinkState::aktiv);
    QCOMPARE(protocol().traces().MC.lastLine(), QStringLiteral("MC"));
}

void TestLink::lateReply_isEvaluatedButCannotSucceed()
{
    protocol().setReplyTimeout(200);
    m_sim->setFault('a', *SimFault::parse(u"delay:400"));
    QSignalSpy failed(&protocol(), &ModuleProtocol::failed);
    QSignalSpy rejected(&protocol(), &ModuleProtocol::rejected);
    QSignalSpy rssi(&protocol(), &ModuleProtocol::rssiMeasured);

    protocol().BtestRSSIClick();
    QTRY_COMPARE(failed.count(), 1);
    QCOMPARE(failed.first().at(1).toString(), QStringLiteral("timeout"));
    QCOMPARE(protocol().progressText(), QStringLiteral("timeout"));
    QCOMPARE(protocol().pendingCommand(), quint8(0));
    QVERIFY(protocol().isCollecting()); // still collecting

    QTRY_COMPARE(rejected.count(), 1); // the late reply is evaluated
    QCOMPARE(rejected.first().at(0).value<quint8>(), quint8(0));
    QCOMPARE(protocol().received().size(), size_t(6));
    QCOMPARE(protocol().traces().TM.lastLine(), QStringLiteral("errechnete Checksumme: FE 77 "));
    QCOMPARE(protocol().progressText(), QStringLiteral("...fertig"));
    QCOMPARE(rssi.count(), 0);
    QCOMPARE(protocol().traces().MC.lastLine(), QStringLiteral("MC"));
}

void TestLink::newRequest_discardsThePreviousWaitsPendingEvaluation()
{
    QSignalSpy replied(&protocol(), &ModuleProtocol::replied);
    protocol().BresetDeviceClick();
    QTRY_VERIFY(!protocol().received().empty()); // the reply is in, its quiet time runs
    m_sim->setFault('!', *SimFault::parse(u"delay:250"), 1); // nothing new within that quiet time
    protocol().BRXconfigClick();
    QTRY_COMPARE(replied.count(), 1);
    QCOMPARE(replyAt(replied, 0).command, quint8('!'));
    QCOMPARE(protocol().received().size(), size_t(390));
    QCOMPARE(protocol().errorText(), Unspecified);
    QVERIFY(!replied.wait(300)); // and the reset reply is never judged
}

void TestLink::hold_storesBytesAndReportsNoOutcome()
{
    QSignalSpy replied(&protocol(), &ModuleProtocol::replied);
    QSignalSpy rejected(&protocol(), &ModuleProtocol::rejected);

    // Held from the start: the bytes are stored, nothing is evaluated.
    protocol().setHold(true);
    protocol().BRXconfigClick();
    QTRY_COMPARE(protocol().received().size(), size_t(390));
    QCOMPARE(protocol().received()[1], quint8(0x22));
    QVERIFY(!replied.wait(250)); // more than the quiet time
    QVERIFY(!protocol().traces().TM.lines().contains(QStringLiteral("Daten erhalten:")));

    // Held after the evaluation was armed: it runs, but reports nothing.
    protocol().setHold(false);
    protocol().BresetDeviceClick();
    QTRY_VERIFY(!protocol().received().empty());
    protocol().setHold(true);
    QTRY_VERIFY(protocol().traces().MC.lastLine() == QStringLiteral("RESET-Befehl erkannt"));
    QCOMPARE(replied.count(), 0);
    QCOMPARE(rejected.count(), 0);
}

void TestLink::timeoutInterval_persistsAcrossWaits()
{
    m_sim->setFaultForAll(*SimFault::parse(u"silent"));
    protocol().setReplyTimeout(250);
    QSignalSpy failed(&protocol(), &ModuleProtocol::failed);
    for (int wait = 1; wait <= 2; ++wait) {
        QElapsedTimer clock;
        clock.start();
        protocol().BtestRSSIClick();
        QTRY_COMPARE(failed.count(), wait);
        QVERIFY2(clock.elapsed() >= 240 && clock.elapsed() < 900, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(protocol().errorText(), QStringLiteral("timeout"));
        QCOMPARE(protocol().replyTimeout(), 250);
    }
}

void TestLink::rssi_rawValueToDbm_data()
{
    QTest::addColumn<int>("raw");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << QStringLiteral("-137[dBm]");
    QTest::newRow("91") << 91 << QStringLiteral("0[dBm]");
    QTest::newRow("255") << 255 << QStringLiteral("245[dBm]");
}

void TestLink::rssi_rawValueToDbm()
{
    QFETCH(int, raw);
    QFETCH(QString, text);
    m_sim->module().rssi = quint8(raw);
    QSignalSpy rssi(&protocol(), &ModuleProtocol::rssiMeasured);
    protocol().BtestRSSIClick();
    QTRY_COMPARE(rssi.count(), 1);
    QCOMPARE(rssi.first().at(0).toInt(), raw);
    QCOMPARE(rssi.first().at(1).toString(), text);
    QCOMPARE(protocol().replyBytes()[1], quint8(raw));
}

void TestLink::selectingSelectedPort_keepsPortOpenAndRefreshes()
{
    QVERIFY(protocol().setupport());
    QSignalSpy openChanges(&m_link->channel(), &Channel::openChanged);
    QSignalSpy mirror(&ports(), &PortChooser::connectionChanged);

    ports().selectPort(1);
    QCOMPARE(openChanges.count(), 0);
    QVERIFY(m_link->channel().isOpen());
    QCOMPARE(ports().statusText(), QStringLiteral("COM1"));
    QCOMPARE(mirror.count(), 1);
    QVERIFY(ports().portItems()[0].checked);
}

void TestLink::probe_withOnlyCom1_disablesOthersUntilTheRefreshRestores()
{
    QSignalSpy mirror(&ports(), &PortChooser::connectionChanged);
    ports().probePorts();
    QCOMPARE(mirror.count(), 1);
    const auto &items = ports().portItems();
    QVERIFY(items[0].enabled);
    QVERIFY(!items[1].enabled);
    QVERIFY(!items[2].enabled);
    QVERIFY(!items[3].enabled);
    QCOMPARE(m_link->channel().portName(), QStringLiteral("COM4"));
    QVERIFY(!m_link->channel().isOpen());

    ports().refreshStatus();
    QCOMPARE(m_link->channel().portName(), QStringLiteral("COM1"));
    QCOMPARE(ports().statusText(), QStringLiteral("COM1"));
    QVERIFY(items[0].checked && ports().menu().enabled);
}

void TestLink::selectingMissingPort_requestFailsWithPortError()
{
    QSignalSpy sendFailures(&protocol(), &ModuleProtocol::sendFailed);
    ports().selectPort(2);
    const auto &items = ports().portItems();
    QVERIFY(items[1].checked && !items[0].checked);
    QVERIFY(!items[1].enabled);
    QCOMPARE(ports().chosenPort(), QStringLiteral("COM2"));
    QCOMPARE(ports().statusText(), QStringLiteral("COM2"));

    QSignalSpy failed(&protocol(), &ModuleProtocol::failed);
    protocol().BRXconfigClick();
    QCOMPARE(protocol().errorText(), QStringLiteral("Fehler Kommunikationsport"));
    QCOMPARE(sendFailures.count(), 1);
    QCOMPARE(failed.count(), 1); // the waiting window reports it
    QCOMPARE(failed.first().at(1).toString(), QStringLiteral("Fehler Kommunikationsport"));
    QVERIFY(!protocol().isWaiting());
    QVERIFY(m_sim->received().isEmpty());

    ports().selectPort(1);
    QCOMPARE(m_link->channel().portName(), QStringLiteral("COM1"));
    QSignalSpy replied(&protocol(), &ModuleProtocol::replied);
    protocol().BRXconfigClick();
    QTRY_COMPARE(replied.count(), 1);
}

void TestLink::send_discardsOrKeepsUncollectedBytes_data()
{
    QTest::addColumn<bool>("plain");
    QTest::addColumn<QByteArray>("collected");
    QTest::newRow("plain send discards") << true << QByteArray("Z");
    QTest::newRow("scrambled send keeps") << false << QByteArray("abcZ");
}

void TestLink::send_discardsOrKeepsUncollectedBytes()
{
    QFETCH(bool, plain);
    QFETCH(QByteArray, collected);
    SerialChannel &channel = m_link->channel();
    QVERIFY(protocol().setupport());
    m_sim->sendUnsolicited("abc");
    QTRY_COMPARE(channel.bytesWaiting(), qint64(3)); // arrived, not collected
    if (plain)
        protocol().TxConfigOut(QByteArray(1, '\0'));
    else
        QVERIFY(protocol().TxOut(QByteArray(1, '\0')));

    QByteArray got;
    connect(&channel, &Channel::received, this, [&got](const QByteArray &bytes) { got += bytes; });
    channel.setReceiving(true);
    m_sim->sendUnsolicited("Z");
    QTRY_COMPARE(got, collected);
}

void TestLink::flood_staysInTheBufferAndNextRequestWorks()
{
    m_sim->setFault('!', *SimFault::parse(u"flood:10000"), 1);
    QSignalSpy rejected(&protocol(), &ModuleProtocol::rejected);
    QSignalSpy replied(&protocol(), &ModuleProtocol::replied);

    protocol().BRXconfigClick();
    QTRY_COMPARE_WITH_TIMEOUT(rejected.count(), 1, 10000);
    QCOMPARE(m_sim->sentCount(), qint64(10000));
    QCOMPARE(protocol().received().size(), size_t(ModuleProtocol::ReceiveCapacity));
    const QString error = protocol().errorText();
    QVERIFY2(error == ChecksumText || error.startsWith(u"fehlerhafte Antwort"), qPrintable(error));

    protocol().BRXconfigClick();
    QTRY_COMPARE(replied.count(), 1);
    QCOMPARE(protocol().received().size(), size_t(390));
}

void TestLink::killedModule_closesPortOnceAndReportsOnce()
{
    QProcess module;
    QVERIFY(startSimProcess(module, {QStringLiteral("--pace")}));
    SerialChannel &channel = m_link->channel();
    QSignalSpy failed(&protocol(), &ModuleProtocol::failed);
    QSignalSpy beeps(&protocol(), &ModuleProtocol::beepRequested);
    QSignalSpy vanished(&channel, &Channel::vanished);

    protocol().BRXconfigClick();
    QSignalSpy openChanges(&channel, &Channel::openChanged); // after the request's own reopening
    QTRY_VERIFY(protocol().received().size() >= 40); // the paced reply is under way
    module.kill();
    QVERIFY(module.waitForFinished(5000));

    QTRY_VERIFY(!channel.isOpen());
    QTRY_COMPARE(failed.count(), 1);
    QVERIFY(!beeps.wait(300)); // and nothing after it: no error storm
    QCOMPARE(vanished.count(), 1);
    QCOMPARE(openChanges.count(), 1);
    QCOMPARE(beeps.count(), 1);
    const QString error = failed.first().at(1).toString();
    QVERIFY(!error.isEmpty() && error != Unspecified);
    QCOMPARE(protocol().errorText(), error);
    QCOMPARE(protocol().progressText(), error);
    QVERIFY(!protocol().isWaiting());

    QProcess again;
    QVERIFY(startSimProcess(again, {}));
    QSignalSpy replied(&protocol(), &ModuleProtocol::replied);
    protocol().BRXconfigClick();
    QTRY_COMPARE(replied.count(), 1);
    again.terminate();
    QVERIFY(again.waitForFinished(5000));
}

void TestLink::bootRow_threeFramesOnTheWire_data()
{
    QTest::addColumn<quint32>("address");
    QTest::addColumn<bool>("clearPage");
    QTest::addColumn<QByteArray>("announce");
    QTest::addColumn<QByteArray>("finish");
    QTest::newRow("address 0") << quint32(0) << false << QByteArray::fromHex("030041000000")
                               << QByteArray::fromHex("0700");
    QTest::newRow("address 128, page erased") << quint32(128) << true << QByteArray::fromHex("030041000080")
                                              << QByteArray::fromHex("0701");
    QTest::newRow("address 65536, page erased") << quint32(65536) << true << QByteArray::fromHex("030041010000")
                                                << QByteArray::fromHex("0701");
}

void TestLink::bootRow_threeFramesOnTheWire()
{
    QFETCH(quint32, address);
    QFETCH(bool, clearPage);
    QFETCH(QByteArray, announce);
    QFETCH(QByteArray, finish);
    QSignalSpy ended(&protocol(), &ModuleProtocol::rowEnded);
    protocol().setRow(sampleRow(address, clearPage, 3));
    protocol().ButTestTxClick();
    QCOMPARE(protocol().pendingCommand(), quint8(0x03));
    QTRY_COMPARE(m_sim->received().size(), 8);
    QCOMPARE(unscrambled(m_sim->received()), withChecksum(announce));
    QCOMPARE(protocol().traces().Mread.lines().first(), QStringLiteral("Tx 0 = 3"));

    // The row data frame carries the row as it is when the bootloader accepts the announcement.
    const BootRow later = sampleRow(address, clearPage, 7);
    protocol().setRow(later);
    m_sim->clearReceived();
    m_sim->sendUnsolicited(bootReply(0x04));
    QTRY_COMPARE(m_sim->received().size(), 198);
    const QByteArray data(reinterpret_cast<const char *>(later.data.data()), Boot::RowDataBytes);
    QCOMPARE(unscrambled(m_sim->received()), withChecksum(QByteArray::fromHex("05000000") + data));
    QVERIFY(protocol().traces().TM.lines().contains(QStringLiteral("Tx2: 197 = %1").arg(quint8(unscrambled(m_sim->received())[197]))));

    m_sim->clearReceived();
    m_sim->sendUnsolicited(bootReply(0x06));
    QTRY_COMPARE(m_sim->received().size(), 4);
    QCOMPARE(unscrambled(m_sim->received()), withChecksum(finish));
    QCOMPARE(ended.count(), 0);

    m_sim->sendUnsolicited(bootReply(0x08));
    QTRY_COMPARE(ended.count(), 1);
    QCOMPARE(ended.first().at(0).toBool(), true);
    QCOMPARE(protocol().linkState(), LinkState::ok);
    QCOMPARE(protocol().pendingCommand(), quint8(0));
    QCOMPARE(protocol().traces().M1.lines().first(), QStringLiteral("-writeFlash3-"));
    QCOMPARE(protocol().traces().M1.lastLine(), QStringLiteral("Tx2: 2 = %1").arg(quint8(withChecksum(finish)[2])));
}

void TestLink::bootRow_faultEndsTheRow_data()
{
    QTest::addColumn<int>("step"); // replies that come right before the faulty one
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("progress");

    QByteArray allWrong = bootReply(0x04);
    allWrong[2] = 9;
    allWrong[5] = 0;
    QTest::newRow("length, end and checksum: the last check counts") << 0 << allWrong
        << "Fehler Checksumme" << "Fehler Checksumme";
    QTest::newRow("and the wrong command as well") << 0 << [&] { QByteArray r = allWrong; r[0] = 0x06; return r; }()
        << "ungültige Antwort bei Schreibbefehl" << "ungültige Antwort bei Schreibbefehl";
    QTest::newRow("row data answered wrongly") << 1 << bootReply(0x04) << "ungültige Antwort bei Schreibbefehl#2"
                                               << "ungültige Antwort bei Schreibbefehl#2";
    QTest::newRow("finish answered wrongly") << 2 << bootReply(0x06) << "ungültige Antwort bei Schreibbefehl#3"
                                             << "ungültige Antwort bei Schreibbefehl#3";
    // The bootloader refuses the frame: the row ends with its code instead of waiting forever.
    QTest::newRow("error reply") << 1 << bootReply(0xEE, QByteArray(1, char(0x07)))
                                 << "Fehlermeldung [07] vom Gerät erhalten" << "error-message";
    QTest::newRow("silence") << 2 << QByteArray() << "timeout" << "timeout";
}

void TestLink::bootRow_faultEndsTheRow()
{
    QFETCH(int, step);
    QFETCH(QByteArray, reply);
    protocol().setReplyTimeout(300);
    QSignalSpy ended(&protocol(), &ModuleProtocol::rowEnded);
    QSignalSpy beeps(&protocol(), &ModuleProtocol::beepRequested);
    protocol().setRow(sampleRow(128, false, 5));
    protocol().ButTestTxClick();
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
    QTEST(protocol().progressText(), "progress");
    QCOMPARE(protocol().linkState(), LinkState::error);
    QVERIFY(beeps.count() >= 1);
    QVERIFY(!ended.wait(250));                     // the row ended once
    QCOMPARE(m_sim->received().size(), sizes[step]); // and nothing more was sent
    if (QTest::currentDataTag() == QByteArrayLiteral("error reply"))
        QCOMPARE(protocol().traces().M1.lines().first(), QStringLiteral("Fehlermeldung [07] erhalten:"));
}

void TestLink::bootReset_sendsItsFrameAndStartsNoWait()
{
    protocol().BResetClick();
    QTRY_COMPARE(m_sim->received().size(), 4);
    QCOMPARE(unscrambled(m_sim->received()), withChecksum(QByteArray::fromHex("10b0")));
    QVERIFY(!protocol().isWaiting());
}

void TestLink::portNames_followTheEnvironment_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("variable"); // VELKA_COM2, empty: unset
    QTest::addColumn<QString>("device");
    QTest::newRow("COM2 set") << "COM2" << QByteArray("/dev/pts/42") << "/dev/pts/42";
    QTest::newRow("COM2 unset") << "COM2" << QByteArray() << "/dev/ttyS1";
    QTest::newRow("COM4 unaffected") << "COM4" << QByteArray("/dev/pts/42") << "/dev/ttyS3";
    QTest::newRow("other name kept") << "COM5" << QByteArray("/dev/pts/42") << "COM5";
}

void TestLink::portNames_followTheEnvironment()
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

void TestLink::environment_leadsTheDefaultLinkToTheModule()
{
    qputenv("VELKA_COM1", m_sim->devicePath().toLocal8Bit());
    m_link->channel().setPortNameMapping({}); // back to the default
    QSignalSpy replied(&protocol(), &ModuleProtocol::replied);
    protocol().BtestRSSIClick();
    qunsetenv("VELKA_COM1");
    QTRY_COMPARE(replied.count(), 1);
    QCOMPARE(m_sim->received().size(), 100 + 8);
}

void TestLink::simulatedAdapter_becomesTheLinkUntilItStops()
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
    QSignalSpy replied(&protocol(), &ModuleProtocol::replied);
    protocol().BtestRSSIClick();
    QTRY_COMPARE(replied.count(), 1);
    QVERIFY(m_sim->received().isEmpty());

    adapter.terminate();
    QVERIFY(adapter.waitForFinished(5000));
    QTRY_VERIFY_WITH_TIMEOUT(!ports().usbMode(), 3000);
    QCOMPARE(usbMode.count(), 2);
    QCOMPARE(usbMode.last().first().toBool(), false);
    QCOMPARE(ports().statusText(), QStringLiteral("COM1"));
}

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
