// The request engine and its monitor end to end on a serial channel over a real
// pseudo-terminal, with the simulated module on the other side: requests and their wire bytes,
// replies, traces, faulty, late and abandoned replies, time-outs, listening, a flood and a
// module that is killed mid-reply.
#include "LinkTestSupport.h"
#include "SimProcess.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

namespace {

ReplyOutcome outcomeAt(const QSignalSpy &spy, int index = 0)
{
    return spy.at(index).at(0).value<ReplyOutcome>();
}

const QString ChecksumText = QStringLiteral("fehlerhafte Checksumme in Antwort von Gerät");
const QString Unspecified = QStringLiteral("Fehler nicht spezifiziert");

} // namespace

class TestLink : public LinkFixture
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
    void send_discardsOrKeepsUncollectedBytes();
    void flood_staysInTheBufferAndNextRequestWorks();
    void killedModule_closesPortOnceAndReportsOnce();

private:
    bool startSimProcess(QProcess &process, const QStringList &arguments);
};

void TestLink::init()
{
    openLines();
}

void TestLink::cleanup()
{
    closeLines();
}

bool TestLink::startSimProcess(QProcess &process, const QStringList &arguments)
{
    m_com1 = startSimulatorProcess(process, QStringLiteral(VELKA_SIM_PATH), arguments);
    return !m_com1.isEmpty();
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

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
