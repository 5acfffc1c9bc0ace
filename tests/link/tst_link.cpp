// The link end to end: the request engine, its monitor, the bootloader session and the port
// chooser on a serial channel over a real pseudo-terminal, with the simulated module on the
// other side, all in this process's event loop.
#include "ModuleSimulator.h"
#include "SimProcess.h"
#include "common/LinkedSession.h"
#include "common/TestSupport.h"
#include "core/link/BootloaderSession.h"
#include "core/link/DeviceLink.h"
#include "core/link/PendingReply.h"
#include "core/link/Request.h"
#include "core/link/PortNames.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

QByteArray bytesOf(std::span<const quint8> bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
}

ReplyOutcome outcomeAt(const QSignalSpy &spy, int index = 0)
{
    return spy.at(index).at(0).value<ReplyOutcome>();
}

// What an exchange's sender heard, in order.
using Outcomes = std::shared_ptr<QList<ReplyOutcome>>;

const QString ChecksumText = QStringLiteral("fehlerhafte Checksumme in Antwort von Gerät");
const QString Unspecified = QStringLiteral("Fehler nicht spezifiziert");

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

class TestLink : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void request_wireBytesTracesAndOutcome_data();
    void request_wireBytesTracesAndOutcome();
    void write_dataFrameAfterAcceptanceAndModuleKeepsIt();
    void readReply_carriesTheWholeImage();
    void resetReplyWithChatter_isJudgedOnItsFirstSixBytes();
    void faultyReply_isRejectedWithOneError_data();
    void faultyReply_isRejectedWithOneError();
    void wholeReply_isJudgedBeforeBytesThatComeLater_data();
    void wholeReply_isJudgedBeforeBytesThatComeLater();
    void dataFrameAcknowledgementMissing_failsTheWrite();
    void replyForAnotherCommand_isRejectedWithoutError();
    void lateReply_isJudgedAndReportedOnceMore();
    void newRequest_abandonsThePreviousReplyAndItsPendingJudgement();
    void repeatedRequest_keepsTheRunningTimeoutAndNothingCarriesOver_data();
    void repeatedRequest_keepsTheRunningTimeoutAndNothingCarriesOver();
    void abandonedReply_endsTheWaitSilently();
    void listening_handsBytesOverUntilTheNextRequest();
    void selectingSelectedPort_keepsPortOpenAndRefreshes();
    void probe_withOnlyCom1_disablesOthersUntilTheRefreshRestores();
    void selectingMissingPort_requestFailsWithPortError();
    void send_discardsOrKeepsUncollectedBytes();
    void flood_staysInTheBufferAndNextRequestWorks();
    void killedModule_closesPortOnceAndReportsOnce();
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

private:
    RequestEngine &engine() { return m_lines->session.engine(); }
    const LinkMonitor &monitor() { return m_lines->session.monitor(); }
    PortChooser &ports() { return m_lines->link.ports(); }
    bool startSimProcess(QProcess &process, const QStringList &arguments);
    // Sends the request for `command` as the windows do: a write request is followed by its
    // data frame once the module accepts it. The spy records the last exchange's outcome.
    // `repetition`: the request keeps a time-out that still runs.
    Outcomes exchange(quint8 command, int timeoutMs = 1000, bool repetition = false);

    std::unique_ptr<ModuleSimulator> m_sim;
    std::unique_ptr<LinkedSession> m_lines;
    QString m_com1;
    std::array<quint8, PayloadBytes> m_payload{};
};

void TestLink::init()
{
    m_sim = std::make_unique<ModuleSimulator>();
    QVERIFY(m_sim->open());
    m_com1 = m_sim->devicePath();
    m_lines = std::make_unique<LinkedSession>([this](const QString &name) {
        return name == QLatin1String("COM1") ? m_com1 : QStringLiteral("/nonexistent/velka-") + name;
    });
    ports().start(); // start-up now rather than 100 ms later in the middle of a test
}

void TestLink::cleanup()
{
    m_lines.reset();
    m_sim.reset();
}

bool TestLink::startSimProcess(QProcess &process, const QStringList &arguments)
{
    m_com1 = startSimulatorProcess(process, QStringLiteral(VELKA_SIM_PATH), arguments);
    return !m_com1.isEmpty();
}

Outcomes TestLink::exchange(quint8 command, int timeoutMs, bool repetition)
{
    auto outcomes = std::make_shared<QList<ReplyOutcome>>();
    const auto record = [outcomes](const ReplyOutcome &outcome) { outcomes->append(outcome); };
    Request request = applicationRequest(command, timeoutMs);
    request.keepsRunningTimeout = repetition;
    PendingReply *reply = engine().send(request);
    if (command != Command::WriteRequest) {
        connect(reply, &PendingReply::finished, this, record);
        return outcomes;
    }
    connect(reply, &PendingReply::finished, this, [this, timeoutMs, record](const ReplyOutcome &outcome) {
        if (!outcome.accepted()) {
            record(outcome);
            return;
        }
        connect(engine().send(writeDataRequest(m_payload, timeoutMs)), &PendingReply::finished, this, record);
    });
    return outcomes;
}

void TestLink::request_wireBytesTracesAndOutcome_data()
{
    QTest::addColumn<quint8>("command");
    QTest::addColumn<int>("preamble");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("recognised"); // MC line

    QTest::newRow("read") << quint8('!') << 50 << hex("ff21000000 80fe5f") << QString();
    QTest::newRow("reset") << quint8('Q') << 50 << hex("ff51000000 00feaf") << QStringLiteral("RESET-Befehl erkannt");
    QTest::newRow("boot") << quint8('w') << 50 << hex("ff77424f4f54fd55") << QStringLiteral("Boot-Befehl erkannt");
    QTest::newRow("carrier") << quint8(0x60) << 100 << hex("ff60000001 00fe9f")
                             << QStringLiteral("Dauerträger-Befehl erkannt");
    QTest::newRow("rssi") << quint8('a') << 100 << hex("ff61000000 00fe9f") << QStringLiteral("RSSI-Befehl erkannt");
}

void TestLink::request_wireBytesTracesAndOutcome()
{
    QFETCH(quint8, command);
    QFETCH(int, preamble);
    QFETCH(QByteArray, frame);
    QFETCH(QString, recognised);
    QSignalSpy beeps(&monitor(), &LinkMonitor::beepRequested);

    const auto outcomes = exchange(command);
    QCOMPARE(monitor().progressText(), QStringLiteral("Übertragung läuft"));
    QCOMPARE(monitor().linkState(), LinkState::active);
    QTRY_COMPARE(outcomes->size(), 1);

    QCOMPARE(m_sim->received(), QByteArray(preamble, '\0') + frame);
    const LinkTraces &traces = monitor().traces();
    QStringList frameLines;
    for (int i = 0; i < frame.size(); ++i)
        frameLines << QStringLiteral("%1 = %2").arg(i).arg(quint8(frame[i]));
    QCOMPARE(traces.M1.lines().mid(traces.M1.lineCount() - 8), frameLines);
    QVERIFY(traces.TM.lines().contains(QStringLiteral("TX[%1] = 0").arg(preamble - 1)));
    QVERIFY(traces.TM.lines().contains(QStringLiteral("TX[7] = %1").arg(quint8(frame[7]))));
    QVERIFY(traces.Mread.lines().isEmpty());

    const ReplyOutcome outcome = outcomes->first();
    QVERIFY(outcome.accepted());
    QCOMPARE(outcome.command, command);
    QCOMPARE(monitor().progressText(), QStringLiteral("...fertig"));
    QCOMPARE(traces.MC.lastLine(), recognised.isEmpty() ? QStringLiteral("MC") : recognised);
    QCOMPARE(beeps.count(), command == 'w' ? 1 : 0); // the boot command is announced
}

void TestLink::write_dataFrameAfterAcceptanceAndModuleKeepsIt()
{
    for (int i = 0; i < PayloadBytes; ++i)
        m_payload[size_t(i)] = quint8(i * 7 + 3);
    const auto outcomes = exchange('1');
    QTRY_COMPARE(outcomes->size(), 1);

    QCOMPARE(m_sim->received(),
             QByteArray(50, '\0') + hex("ff31010001 80fe4d") + hex("ff33") + bytesOf(m_payload) + hex("438d"));
    QCOMPARE(outcomes->first().command, quint8('3'));
    QCOMPARE(outcomes->first().replyCommand, quint8('4'));
    const QStringList trace = monitor().traces().TM.lines();
    // The data frame is announced in the trace right before its bytes.
    QCOMPARE(trace.at(trace.indexOf(QStringLiteral("jetzt Daten übertragen...")) + 1), QStringLiteral("TX[0] = 255"));
    // Group 0 carried 3, 10, 17: word 0 = 3, word 1 = 10 * 256 + 17.
    QCOMPARE(m_sim->module().image()[0], quint16(3));
    QCOMPARE(m_sim->module().image()[1], quint16(10 * 256 + 17));
}

void TestLink::readReply_carriesTheWholeImage()
{
    const auto outcomes = exchange('!');
    QTRY_COMPARE(outcomes->size(), 1);

    const ReplyOutcome reply = outcomes->first();
    std::array<quint8, PayloadBytes> expected;
    packImage(m_sim->module().image(), expected);
    QCOMPARE(reply.payload, bytesOf(expected));
    // Counter 7 (word 1), then day 5 and month/year 0x030D (words 2 and 3).
    QCOMPARE(reply.payload.left(6), hex("000007 05030d"));
    QCOMPARE(reply.byte2, quint8(0x01));
    QCOMPARE(reply.byte3, quint8(0x28));
    QCOMPARE(m_lines->session.moduleVersion(), (FirmwareVersion{0x01, 0x28})); // the read reply carries it
    QCOMPARE(monitor().traces().TM.lines().filter(QStringLiteral("RX: [")).size(), 390);
    QVERIFY(monitor().traces().TM.lines().contains(QStringLiteral("RX: [1] : 0x22")));
}

void TestLink::resetReplyWithChatter_isJudgedOnItsFirstSixBytes()
{
    m_sim->module().resetChatter = QByteArrayLiteral("\r\nVelka start\r\n");
    const auto outcomes = exchange('Q');
    QTRY_COMPARE(outcomes->size(), 1);

    QVERIFY(monitor().traces().TM.lines().contains(QStringLiteral("RX: [20] : 0x0A"))); // all 21 traced
    QVERIFY(outcomes->first().accepted());
    QCOMPARE(outcomes->first().following, m_sim->module().resetChatter);
    QCOMPARE(monitor().traces().MC.lastLine(), QStringLiteral("RESET-Befehl erkannt"));
}

void TestLink::faultyReply_isRejectedWithOneError_data()
{
    QTest::addColumn<bool>("fast"); // judged as soon as whole: the same verdicts
    QTest::addColumn<quint8>("request");
    QTest::addColumn<quint8>("command"); // the one the fault hits
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("error");

    for (const bool fast : {false, true}) {
        const auto row = [fast](const char *name) -> QTestData & {
            return QTest::newRow(qPrintable(QString::fromLatin1(name) + (fast ? " (fast)" : ""))) << fast;
        };
        row("wrong start and checksum") << quint8('!') << quint8('!') << "wrong-start"
                                            << QStringLiteral("fehlerhafte Antwort von Gerät (SystemInfo:FE@21)");
        row("bad checksum") << quint8('!') << quint8('!') << "bad-checksum" << ChecksumText;
        row("one byte") << quint8('a') << quint8('a') << "truncated:1" << ChecksumText;
        row("bytes after a read reply") << quint8('!') << quint8('!') << "trailing:4" << ChecksumText;
        // A well-formed read reply without the image must not pass for one.
        row("read reply without its image") << quint8('!') << quint8('!') << "shortened:6"
            << QStringLiteral("fehlerhafte Länge der Antwort von Gerät (6 statt 390 Bytes)");
        row("read reply cut short") << quint8('!') << quint8('!') << "shortened:200"
            << QStringLiteral("fehlerhafte Länge der Antwort von Gerät (200 statt 390 Bytes)");
        row("reset reply cut short") << quint8('Q') << quint8('Q') << "truncated:4" << ChecksumText;
        row("write not accepted") << quint8('1') << quint8('1') << "other-command:34"
                                      << QStringLiteral("ungültige Antwort bei Schreibbefehl#2");
        row("data acknowledged wrongly") << quint8('1') << quint8('3') << "other-command:35"
                                             << QStringLiteral("ungültige Antwort bei Schreibbefehl#4");
        row("data acknowledgement corrupt") << quint8('1') << quint8('3') << "bad-checksum" << ChecksumText;
    }
}

void TestLink::faultyReply_isRejectedWithOneError()
{
    QFETCH(bool, fast);
    if (fast)
        engine().setReplyTiming(ReplyTiming::WhenComplete);
    QFETCH(quint8, request);
    QFETCH(quint8, command);
    QFETCH(QString, fault);
    QFETCH(QString, error);
    QSignalSpy beeps(&monitor(), &LinkMonitor::beepRequested);

    const auto good = exchange(request); // a good exchange first
    QTRY_VERIFY(good->size() == 1 && !engine().isWaiting());
    QVERIFY(good->first().accepted());
    QCOMPARE(beeps.count(), 0);

    m_sim->setFault(command, *SimFault::parse(fault), 1);
    const auto bad = exchange(request);
    QTRY_COMPARE(bad->size(), 1);

    const ReplyOutcome outcome = bad->first();
    QCOMPARE(outcome.kind, ReplyOutcome::Kind::Rejected);
    QCOMPARE(outcome.command, command);
    QCOMPARE(outcome.text, error);
    QCOMPARE(monitor().errorText(), error);
    QCOMPARE(beeps.count(), 1); // the first error found is the one reported
    QCOMPARE(monitor().linkState(), LinkState::error);
}

void TestLink::wholeReply_isJudgedBeforeBytesThatComeLater_data()
{
    QTest::addColumn<bool>("fast");
    // After the quiet time, bytes that follow within it belong to the reply; judged as soon as
    // it is whole, the reply has ended before they come.
    QTest::newRow("quiet time") << false;
    QTest::newRow("fast") << true;
}

void TestLink::wholeReply_isJudgedBeforeBytesThatComeLater()
{
    QFETCH(bool, fast);
    if (fast)
        engine().setReplyTiming(ReplyTiming::WhenComplete);
    m_sim->setFault('a', *SimFault::parse(u"silent"), 1);
    Request request = applicationRequest('a', 3000);
    request.quietMs = 800; // so wide that a slow machine cannot blur the two cases
    auto outcomes = std::make_shared<QList<ReplyOutcome>>();
    connect(engine().send(request), &PendingReply::finished, this,
            [outcomes](const ReplyOutcome &outcome) { outcomes->append(outcome); });
    QTRY_COMPARE(m_sim->received().size(), 100 + 8);
    m_sim->sendUnsolicited(withChecksum(hex("ff610028")));
    QTimer::singleShot(300, m_sim.get(), [this] { m_sim->sendUnsolicited("\r\n"); });
    QTRY_COMPARE_WITH_TIMEOUT(outcomes->size(), 1, 5000);
    const ReplyOutcome outcome = outcomes->first();
    QCOMPARE(outcome.accepted(), fast);
    QCOMPARE(outcome.text, fast ? QString() : ChecksumText);
    if (fast)
        QCOMPARE(outcome.byte3, quint8(0x28));
}

void TestLink::dataFrameAcknowledgementMissing_failsTheWrite()
{
    m_sim->setFault('3', *SimFault::parse(u"silent"), 1);
    const auto outcomes = exchange('1', 300);
    QTRY_COMPARE(outcomes->size(), 1);
    const ReplyOutcome outcome = outcomes->first();
    QCOMPARE(outcome.kind, ReplyOutcome::Kind::Failed);
    QCOMPARE(outcome.failure, ReplyOutcome::Failure::Timeout);
    QCOMPARE(outcome.command, quint8('3')); // the request was accepted, its data never acknowledged
    QCOMPARE(outcome.text, QStringLiteral("timeout"));
}

void TestLink::replyForAnotherCommand_isRejectedWithoutError()
{
    m_sim->setFault('!', *SimFault::parse(u"other-command:61"));
    QSignalSpy beeps(&monitor(), &LinkMonitor::beepRequested);

    const auto outcomes = exchange('!');
    QTRY_COMPARE(outcomes->size(), 1);
    QCOMPARE(outcomes->first().kind, ReplyOutcome::Kind::Rejected);
    QCOMPARE(outcomes->first().text, Unspecified);
    QCOMPARE(beeps.count(), 0); // no error: the module answered something else
    QCOMPARE(monitor().progressText(), QStringLiteral("...fertig"));
    QCOMPARE(monitor().linkState(), LinkState::active);
    QCOMPARE(monitor().traces().MC.lastLine(), QStringLiteral("MC"));
}

void TestLink::lateReply_isJudgedAndReportedOnceMore()
{
    m_sim->setFault('a', *SimFault::parse(u"delay:400"));
    PendingReply *reply = engine().send(applicationRequest(Command::Rssi, 200));
    QSignalSpy finished(reply, &PendingReply::finished);
    QSignalSpy late(reply, &PendingReply::lateReply);

    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(outcomeAt(finished).kind, ReplyOutcome::Kind::Failed);
    QCOMPARE(outcomeAt(finished).text, QStringLiteral("timeout"));
    QCOMPARE(monitor().progressText(), QStringLiteral("timeout"));

    QTRY_COMPARE(late.count(), 1); // the late reply is judged, and cannot succeed
    QCOMPARE(outcomeAt(late).kind, ReplyOutcome::Kind::Rejected);
    QCOMPARE(outcomeAt(late).text, QStringLiteral("timeout"));
    QCOMPARE(monitor().traces().TM.lastLine(), QStringLiteral("errechnete Checksumme: FE 77 "));
    QCOMPARE(monitor().progressText(), QStringLiteral("...fertig"));
    QCOMPARE(monitor().traces().MC.lastLine(), QStringLiteral("MC"));
    QCOMPARE(finished.count(), 1);
}

void TestLink::newRequest_abandonsThePreviousReplyAndItsPendingJudgement()
{
    QSignalSpy judged(&engine(), &RequestEngine::replyJudged);
    const auto reset = exchange('Q');
    QTRY_VERIFY(m_sim->sentCount() == 6); // the reply is in, its quiet time runs
    m_sim->setFault('!', *SimFault::parse(u"delay:250"), 1); // nothing new within that quiet time
    const auto read = exchange('!');
    QCOMPARE(reset->size(), 1);
    QCOMPARE(reset->first().kind, ReplyOutcome::Kind::Abandoned);
    QTRY_COMPARE(read->size(), 1);
    QVERIFY(read->first().accepted());
    QVERIFY(!judged.wait(300)); // and the reset reply is never judged
    QCOMPARE(judged.count(), 1);
    QCOMPARE(reset->size(), 1);
}

void TestLink::repeatedRequest_keepsTheRunningTimeoutAndNothingCarriesOver_data()
{
    QTest::addColumn<bool>("repetition");
    QTest::addColumn<int>("endsAfterMs"); // from the first request
    // Repeated until the module answers: silence is heard of once per time-out.
    QTest::newRow("repetition keeps the running time-out") << true << 600;
    // Any other request (the next operation's) counts from its own send.
    QTest::newRow("next request counts from its send") << false << 900;
}

void TestLink::repeatedRequest_keepsTheRunningTimeoutAndNothingCarriesOver()
{
    QFETCH(bool, repetition);
    QFETCH(int, endsAfterMs);
    m_sim->setFaultForAll(*SimFault::parse(u"silent"));
    QElapsedTimer clock;
    clock.start();
    const auto earlier = exchange('a', 600, repetition);
    Outcomes second;
    // Sent while the earlier one's time-out runs.
    QTimer::singleShot(300, this, [&] { second = exchange('a', 600, repetition); });
    QTRY_VERIFY_WITH_TIMEOUT(second && second->size() == 1, 3000);
    QCOMPARE(earlier->size(), 1);
    QCOMPARE(earlier->first().kind, ReplyOutcome::Kind::Abandoned);
    QCOMPARE(second->first().failure, ReplyOutcome::Failure::Timeout);
    QVERIFY2(clock.elapsed() >= endsAfterMs - 10 && clock.elapsed() < endsAfterMs + 250,
             qPrintable(QString::number(clock.elapsed())));

    // A time-out that ran out carries nothing over: the next request brings its own.
    clock.restart();
    const auto next = exchange('a', 250, repetition);
    QTRY_COMPARE(next->size(), 1);
    QVERIFY2(clock.elapsed() >= 240 && clock.elapsed() < 550, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(next->first().failure, ReplyOutcome::Failure::Timeout);
}

void TestLink::abandonedReply_endsTheWaitSilently()
{
    m_sim->setFault('!', *SimFault::parse(u"delay:300"), 1);
    QSignalSpy beeps(&monitor(), &LinkMonitor::beepRequested);
    PendingReply *reply = engine().send(applicationRequest(Command::ReadConfig, 200));
    QSignalSpy finished(reply, &PendingReply::finished);
    QSignalSpy late(reply, &PendingReply::lateReply);
    reply->abandon();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(outcomeAt(finished).kind, ReplyOutcome::Kind::Abandoned);
    QVERIFY(!engine().isWaiting());
    QTRY_COMPARE(m_sim->sentCount(), 390); // the module answers, nobody listens
    QVERIFY(!late.wait(250));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(beeps.count(), 0);
}

void TestLink::listening_handsBytesOverUntilTheNextRequest()
{
    QSignalSpy judged(&engine(), &RequestEngine::replyJudged);
    QByteArray heard;
    QVERIFY(m_lines->link.channel().reopen());
    engine().listen(this, [&heard](const QByteArray &bytes) { heard += bytes; });
    m_sim->sendUnsolicited(hex("fc05"));
    QTRY_COMPARE(heard, hex("fc05"));

    const auto read = exchange('!'); // a request ends the listening
    QTRY_COMPARE(read->size(), 1);
    QVERIFY(read->first().accepted());
    QCOMPARE(heard, hex("fc05"));
    QCOMPARE(judged.count(), 1);
}

void TestLink::selectingSelectedPort_keepsPortOpenAndRefreshes()
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
    QCOMPARE(m_lines->link.channel().portName(), QStringLiteral("COM4"));
    QVERIFY(!m_lines->link.channel().isOpen());

    ports().refreshStatus();
    QCOMPARE(m_lines->link.channel().portName(), QStringLiteral("COM1"));
    QCOMPARE(ports().statusText(), QStringLiteral("COM1"));
    QVERIFY(items[0].checked && ports().menu().enabled);
}

void TestLink::selectingMissingPort_requestFailsWithPortError()
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

void TestLink::send_discardsOrKeepsUncollectedBytes()
{
    // A plain send (the knock) drops what arrived and was not collected.
    SerialChannel &channel = m_lines->link.channel();
    QVERIFY(channel.reopen());
    m_sim->sendUnsolicited("abc");
    QTRY_COMPARE(channel.bytesWaiting(), qint64(3));
    engine().sendWakeUp(1);
    QCOMPARE(channel.bytesWaiting(), qint64(0));

    // The bootloader's follow-up frames are sent as they are: what came is collected.
    QSignalSpy judged(&engine(), &RequestEngine::replyJudged);
    QByteArray received;
    connect(&engine(), &RequestEngine::replyJudged, this,
            [&received](const JudgedReply &reply) { received = bytesOf(reply.received); });
    m_sim->sendUnsolicited("abc");
    QTRY_COMPARE(channel.bytesWaiting(), qint64(3));
    engine().send(rowDataRequest(RowData{}, 1000));
    m_sim->sendUnsolicited("Z");
    QTRY_COMPARE(judged.count(), 1);
    QCOMPARE(received, QByteArray("abcZ"));
}

void TestLink::flood_staysInTheBufferAndNextRequestWorks()
{
    m_sim->setFault('!', *SimFault::parse(u"flood:10000"), 1);
    qsizetype judgedBytes = 0;
    connect(&engine(), &RequestEngine::replyJudged, this,
            [&judgedBytes](const JudgedReply &reply) { judgedBytes = qsizetype(reply.received.size()); });

    const auto flooded = exchange('!');
    QTRY_COMPARE_WITH_TIMEOUT(flooded->size(), 1, 10000);
    QCOMPARE(m_sim->sentCount(), qint64(10000));
    QCOMPARE(judgedBytes, qsizetype(RequestEngine::ReceiveCapacity));
    const QString error = flooded->first().text;
    QVERIFY2(error == ChecksumText || error.startsWith(u"fehlerhafte Antwort"), qPrintable(error));

    const auto read = exchange('!');
    QTRY_COMPARE(read->size(), 1);
    QVERIFY(read->first().accepted());
    QCOMPARE(judgedBytes, qsizetype(390));
}

void TestLink::killedModule_closesPortOnceAndReportsOnce()
{
    QProcess module;
    QVERIFY(startSimProcess(module, {QStringLiteral("--pace")}));
    SerialChannel &channel = m_lines->link.channel();
    QSignalSpy beeps(&monitor(), &LinkMonitor::beepRequested);
    QSignalSpy vanished(&channel, &Channel::vanished);
    QSignalSpy arrived(&channel, &Channel::received);

    const auto outcomes = exchange('!');
    QSignalSpy openChanges(&channel, &Channel::openChanged); // after the request's own reopening
    QTRY_VERIFY(arrived.count() >= 2); // the paced reply is under way
    module.kill();
    QVERIFY(module.waitForFinished(5000));

    QTRY_VERIFY(!channel.isOpen());
    QTRY_COMPARE(outcomes->size(), 1);
    QVERIFY(!beeps.wait(300)); // and nothing after it: no error storm
    QCOMPARE(vanished.count(), 1);
    QCOMPARE(openChanges.count(), 1);
    QCOMPARE(beeps.count(), 1);
    const ReplyOutcome outcome = outcomes->first();
    QCOMPARE(outcome.failure, ReplyOutcome::Failure::PortLost);
    QVERIFY(!outcome.text.isEmpty() && outcome.text != Unspecified);
    QCOMPARE(monitor().errorText(), outcome.text);
    QCOMPARE(monitor().progressText(), outcome.text);
    QVERIFY(!engine().isWaiting());

    QProcess again;
    QVERIFY(startSimProcess(again, {}));
    const auto read = exchange('!');
    QTRY_COMPARE(read->size(), 1);
    QVERIFY(read->first().accepted());
    again.terminate();
    QVERIFY(again.waitForFinished(5000));
}

void TestLink::bootRow_threeFramesOnTheWire_data()
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

void TestLink::bootRow_threeFramesOnTheWire()
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

void TestLink::bootRow_faultEndsTheRow_data()
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

void TestLink::bootRow_faultEndsTheRow()
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

void TestLink::bootReset_isScrambledUntracedAndAwaitsNothing()
{
    const qsizetype traced = monitor().traces().TM.lineCount();
    BootloaderSession(engine()).leave();
    QTRY_COMPARE(m_sim->received().size(), 4);
    QCOMPARE(masked(m_sim->received()), withChecksum(QByteArray::fromHex("10b0")));
    QCOMPARE(monitor().traces().TM.lineCount(), traced);
    QVERIFY(!engine().isWaiting());
}

void TestLink::bootCommand_countFollowingTheReplyOpensTheStartWindow()
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
    m_lines->link.channel().setPortNameMapping({}); // back to the default
    const auto outcomes = exchange('a');
    qunsetenv("VELKA_COM1");
    QTRY_COMPARE(outcomes->size(), 1);
    QVERIFY(outcomes->first().accepted());
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
    const auto outcomes = exchange('a');
    QTRY_COMPARE(outcomes->size(), 1);
    QVERIFY(outcomes->first().accepted());
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
