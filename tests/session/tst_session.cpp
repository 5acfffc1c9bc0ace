// One module session against the simulated module on a real pseudo-terminal, without any
// window: what its operations send, the results they end in, and what happens when operations
// meet (a window closed in the middle of a write, a reply that comes after its time-out, a new
// operation while an older one still waits).
#include "ModuleSimulator.h"
#include "common/LinkedSession.h"
#include "core/link/Frames.h"
#include "core/link/PendingReply.h"
#include "core/link/Request.h"
#include "core/workflow/WorkflowTexts.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {
const QString Checksum = QStringLiteral("fehlerhafte Checksumme in Antwort von Gerät");
const QString Timeout = QStringLiteral("timeout");

template <class Result>
Result resultAt(const QSignalSpy &spy, int index = 0)
{
    return spy.at(index).at(0).value<Result>();
}

// The reply to a read, as the module sends it.
QByteArray readReply(const ConfigWords &image)
{
    std::array<quint8, PayloadBytes> payload{};
    packImage(image, payload);
    return withChecksum(QByteArray("\xFF\x22\x01\x28", 4)
                        + QByteArray(reinterpret_cast<const char *>(payload.data()), PayloadBytes));
}
} // namespace

class TestSession : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void read_wakesTheModuleThenEndsWithItsImage();
    void write_sendsTheSequenceAndEndsWithTheImageWritten();
    void write_verifyStartsOnTheAcknowledgementAndNotBefore200ms();
    void write_lateAcknowledgementAtLineSpeedStillVerifies();
    void write_failureEndsWhereItIs_data();
    void write_failureEndsWhereItIs();
    void verifyMismatch_listsEveryDifferenceAndKeepsTheModuleRunning();
    void compare_takesTheModulesImageAsItCame();
    void portUnavailable_isToldAndEndsTheRead();
    void moduleVersion_comesFromReadAndBootRepliesOnly();
    void newOperation_endsTheOneUnderWayOnce();
    void closedFactoryWrite_endsWhenTheNextReadBegins_data();
    void closedFactoryWrite_endsWhenTheNextReadBegins();
    void closedFactoryWrite_acknowledgementAlreadyIn_neverRestarts();
    void lateReply_neverFeedsTheNextOperation();
    void radioTest_failuresAndRestartsAreToldInTheMainLog();
    void firmwareUpdate_faultyBootReplyIsToldAndStartOnlyWhileWatching();

private:
    ModuleSession &session() { return m_lines->session; }
    ConfigWorkflow &flow() { return session().configuration(); }
    FactoryRecord &record() { return session().factoryRecord(); }
    int answered(quint8 command) const { return int(m_answered.count(command)); }
    int logged(const QString &text) const;
    // Reads the factory record and waits until it is open.
    bool openRecord();

    std::unique_ptr<ModuleSimulator> m_sim;
    std::unique_ptr<LinkedSession> m_lines;
    QString m_com1;
    QList<quint8> m_answered;
    QList<LogEntry> m_log;
};

void TestSession::init()
{
    m_sim = std::make_unique<ModuleSimulator>();
    QVERIFY(m_sim->open());
    m_com1 = m_sim->devicePath();
    m_lines = std::make_unique<LinkedSession>([this](const QString &name) {
        return name == QLatin1String("COM1") ? m_com1 : QStringLiteral("/nonexistent/velka-") + name;
    });
    m_lines->link.ports().start();
    m_answered.clear();
    m_log.clear();
    connect(m_sim.get(), &ModuleSimulator::answered, this, [this](quint8 request) { m_answered << request; });
    connect(&session(), &ModuleSession::logged, this, [this](const LogEntry &entry) { m_log << entry; });
    session().setProgrammingDate({7, 3, 26});
}

void TestSession::cleanup()
{
    m_lines.reset();
    m_sim.reset();
}

int TestSession::logged(const QString &text) const
{
    return int(std::count_if(m_log.begin(), m_log.end(), [&text](const LogEntry &entry) { return entry.text == text; }));
}

bool TestSession::openRecord()
{
    record().read();
    return QTest::qWaitFor([this] { return record().step() == FactoryRecord::Step::Open; }, 5000);
}

void TestSession::read_wakesTheModuleThenEndsWithItsImage()
{
    QList<QPair<qint64, qsizetype>> arrivals; // time, bytes so far
    QElapsedTimer clock;
    connect(m_sim.get(), &ModuleSimulator::bytesArrived, this,
            [&] { arrivals << qMakePair(clock.elapsed(), m_sim->received().size()); });
    QSignalSpy results(&flow(), &ConfigWorkflow::readFinished);
    clock.start();
    flow().readConfiguration();
    QTRY_COMPARE(results.count(), 1);

    const ReadResult result = resultAt<ReadResult>(results);
    QVERIFY(result.end.succeeded());
    QCOMPARE(result.image, m_sim->module().image());
    QCOMPARE(result.version, (FirmwareVersion{0x01, 0x28}));
    QCOMPARE(result.system.serial + '|' + result.system.customer, QStringLiteral("12.00345|D000012"));
    QVERIFY(result.checksumGood);
    QCOMPARE(session().document().configImage(), m_sim->module().image());
    QCOMPARE(m_log, (QList<LogEntry>{{LogKind::Success, WorkflowTexts::DataRead, LogLayout::Framed}}));

    const QByteArray wire = m_sim->received();
    QCOMPARE(wire.size(), 8 * 11 + 50 + 8);
    QCOMPARE(wire.left(138), QByteArray(138, '\0'));
    QCOMPARE(wire.mid(138).toHex(), QByteArray("ff2100000080fe5f")); // 0xFFFF - 0x1A0
    // Eleven bytes per burst: every arrival of the knock ends on a burst boundary (a busy
    // machine may deliver two bursts at once), and the eight bursts span seven 40 ms steps.
    QVERIFY(!arrivals.isEmpty());
    qint64 lastKnock = -1;
    for (const auto &[time, size] : arrivals) {
        if (size <= 88) {
            QCOMPARE(size % 11, 0);
            lastKnock = size == 88 ? time : lastKnock;
        } else if (lastKnock < 0) {
            lastKnock = time; // the last burst came together with the request
        }
    }
    QVERIFY2(lastKnock - arrivals.first().first >= 7 * 35, "bursts about 40 ms apart");
}

void TestSession::write_sendsTheSequenceAndEndsWithTheImageWritten()
{
    ConfigDocument &document = session().document();
    document.setWord(Word::Channel, 5);
    document.setOutput(4, DigEntry{StatusSource, 2, 0x03}); // in the image at once
    document.setWord(Word::Serial, 999);                   // the PC's copy is never written
    QSignalSpy results(&flow(), &ConfigWorkflow::writeFinished);
    flow().writeConfiguration();
    QTRY_COMPARE_WITH_TIMEOUT(results.count(), 1, 10000);

    const WriteResult result = resultAt<WriteResult>(results);
    QVERIFY(result.end.succeeded());
    QVERIFY(result.differences.isEmpty());
    QCOMPARE(m_answered, (QList<quint8>{'!', '1', '3', '!', 'Q'}));
    const ConfigWords &module = m_sim->module().image();
    QCOMPARE(module, result.written);
    QCOMPARE(int(module[Word::Channel]), 5);
    QCOMPARE(int(module[109]), 0x0203);                        // out4: status 2, bits 3
    QCOMPARE(int(module[Word::Counter]), 8);                   // counter 7 + 1
    QCOMPARE(int(module[Word::Day]), 7);                       // the session's date
    QCOMPARE(int(module[Word::MonthYear]), 3 * 256 + 26);
    QCOMPARE(int(module[Word::Serial]), 345);
    QCOMPARE(module[21], ModuleFirmware::factoryImage()[21]);  // calibration kept
    QCOMPARE(int(module[Word::Checksum]), int(imageChecksum(module)));
    QCOMPARE(result.version, (FirmwareVersion{0x01, 0x28}));   // from the read before the write
    QCOMPARE(document.configImage(), result.written);          // the verified image is taken
    const QStringList texts = [this] {
        QStringList list;
        for (const LogEntry &entry : std::as_const(m_log))
            list << entry.text;
        return list;
    }();
    QCOMPARE(texts, (QStringList{WorkflowTexts::ReadBeforeWrite, WorkflowTexts::DataWritten, WorkflowTexts::VerifyNow,
                                 WorkflowTexts::VerifyOk, WorkflowTexts::Restarted}));
}

void TestSession::write_verifyStartsOnTheAcknowledgementAndNotBefore200ms()
{
    QElapsedTimer clock;
    qint64 dataSent = -1, dataAcknowledged = -1, verifyArrived = -1;
    connect(&session().engine(), &RequestEngine::requestStarted, this, [&](const Request &request) {
        if (request.command == '3')
            dataSent = clock.elapsed();
    });
    connect(m_sim.get(), &ModuleSimulator::answered, this, [&](quint8 request) {
        if (request == '3')
            dataAcknowledged = clock.elapsed();
        else if (request == '!' && dataAcknowledged >= 0 && verifyArrived < 0)
            verifyArrived = clock.elapsed();
    });
    QSignalSpy results(&flow(), &ConfigWorkflow::writeFinished);
    clock.start();
    flow().writeConfiguration();
    QTRY_COMPARE_WITH_TIMEOUT(results.count(), 1, 10000);
    QVERIFY(dataSent >= 0 && dataAcknowledged >= dataSent);
    // The module answers the data frame at once here; the verify still waits its 200 ms from
    // the data frame (less the timer's tolerance).
    QVERIFY2(verifyArrived - dataSent >= 190, qPrintable(QString::number(verifyArrived - dataSent)));
}

void TestSession::write_lateAcknowledgementAtLineSpeedStillVerifies()
{
    // At the real line speed the data frame takes 100 ms to arrive; an acknowledgement 150 ms
    // later comes after the 200 ms a fixed step would have waited before the verify read.
    m_sim->setPaced(true);
    m_sim->setFault('3', *SimFault::parse(u"delay:150"), 1);
    QSignalSpy results(&flow(), &ConfigWorkflow::writeFinished);
    flow().writeConfiguration();
    QTRY_COMPARE_WITH_TIMEOUT(results.count(), 1, 15000);
    QVERIFY(resultAt<WriteResult>(results).end.succeeded());
    QCOMPARE(answered('Q'), 1);
}

void TestSession::write_failureEndsWhereItIs_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("paced");
    QTest::addColumn<Failure>("failure");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<quint8>>("reached"); // the requests that reached the module
    const QList<quint8> toData{'!', '1', '3'};
    QTest::newRow("bad checksum on the read") << int('!') << "bad-checksum" << false << Failure::FaultyReply
                                              << Checksum << QList<quint8>{'!'};
    QTest::newRow("wrong start byte") << int('!') << "wrong-start" << false << Failure::FaultyReply
                                      << "fehlerhafte Antwort von Gerät (SystemInfo:FE@21)" << QList<quint8>{'!'};
    // A well-formed reply without the image: nothing is written from stale words.
    QTest::newRow("read reply without the image") << int('!') << "shortened" << false << Failure::FaultyReply
                                                  << "fehlerhafte Länge der Antwort von Gerät (6 statt 390 Bytes)"
                                                  << QList<quint8>{'!'};
    QTest::newRow("silence after the write request") << int('1') << "silent" << false << Failure::NoAnswer
                                                     << Timeout << QList<quint8>{'!', '1'};
    QTest::newRow("another reply to the write request") << int('1') << "other-command:51" << false
                                                        << Failure::FaultyReply
                                                        << "ungültige Antwort bei Schreibbefehl#2" << QList<quint8>{'!', '1'};
    // Only the data frame's acknowledgement goes wrong: the module stores the data and would
    // answer the verify read, but none is sent.
    QTest::newRow("data acknowledgement corrupt") << int('3') << "bad-checksum" << false << Failure::FaultyReply
                                                  << Checksum << toData;
    QTest::newRow("data acknowledgement corrupt at line speed") << int('3') << "bad-checksum" << true
                                                                << Failure::FaultyReply << Checksum << toData;
    QTest::newRow("data acknowledged with another command") << int('3') << "other-command:61" << false
                                                            << Failure::FaultyReply
                                                            << "ungültige Antwort bei Schreibbefehl#4" << toData;
    QTest::newRow("data acknowledgement missing") << int('3') << "silent" << false << Failure::NoAnswer << Timeout
                                                  << toData;
}

void TestSession::write_failureEndsWhereItIs()
{
    QFETCH(int, command);
    QFETCH(QString, fault);
    QFETCH(bool, paced);
    m_sim->setPaced(paced);
    m_sim->setFault(quint8(command), *SimFault::parse(fault), 1);
    session().document().setWord(Word::Channel, 5);
    const ConfigWords before = session().document().configImage();
    const ConfigWords module = m_sim->module().image();
    QSignalSpy results(&flow(), &ConfigWorkflow::writeFinished);
    flow().writeConfiguration();
    QTRY_COMPARE_WITH_TIMEOUT(results.count(), 1, 15000);

    const WriteResult result = resultAt<WriteResult>(results);
    QTEST(result.end.failure, "failure");
    QTEST(result.end.text, "text");
    QTEST(m_answered, "reached");
    QCOMPARE(m_log.mid(m_log.size() - 2), communicationFailure(result.end.text));
    QCOMPARE(flow().step(), ConfigWorkflow::Step::Idle);
    QCOMPARE(session().document().configImage(), before);
    if (command != '3')
        QCOMPARE(m_sim->module().image(), module);
}

void TestSession::verifyMismatch_listsEveryDifferenceAndKeepsTheModuleRunning()
{
    session().document().setWord(70, 300); // an even word no rule touches, as a file may bring it
    QSignalSpy results(&flow(), &ConfigWorkflow::writeFinished);
    flow().writeConfiguration();
    QTRY_COMPARE_WITH_TIMEOUT(results.count(), 1, 10000);

    const WriteResult result = resultAt<WriteResult>(results);
    QCOMPARE(result.end.failure, Failure::VerifyMismatch);
    QCOMPARE(result.differences, (QList<VerifyDifference>{{70, 300, 44}}));
    QCOMPARE(m_log.mid(m_log.size() - 2),
             (QList<LogEntry>{{LogKind::Failure, QStringLiteral("Adresse [70]: soll:300  ist:44"), LogLayout::Plain},
                              {LogKind::Failure, WorkflowTexts::VerifyFailed, LogLayout::Plain}}));
    QCOMPARE(answered('Q'), 0);
    QCOMPARE(int(session().document().word(70)), 300);

    // Corrected and written again: the whole sequence runs, with the knock first.
    session().document().setWord(70, 44);
    m_sim->clearReceived();
    flow().writeConfiguration();
    QTRY_COMPARE_WITH_TIMEOUT(results.count(), 2, 10000);
    QVERIFY(resultAt<WriteResult>(results, 1).end.succeeded());
    QCOMPARE(m_sim->received().left(88), QByteArray(88, '\0'));
    QCOMPARE(answered('Q'), 1);
}

void TestSession::compare_takesTheModulesImageAsItCame()
{
    // A radio cycle of 6 s with a 12 s time-out breaks a rule: the document would never hold
    // it, the module does. The comparison shows the module's words as they are.
    ConfigWords module = m_sim->module().image();
    module[Word::RadioCycle] = 600;
    module[Word::RadioTimeout] = 1200;
    module[Word::Checksum] = imageChecksum(module);
    m_sim->module().setImage(module);
    ConfigDocument &document = session().document();
    document.takeImage(ModuleFirmware::factoryImage());
    const ConfigWords ours = document.configImage();
    QSignalSpy results(&flow(), &ConfigWorkflow::compareFinished);
    flow().compareWithModule();
    QTRY_COMPARE(results.count(), 1);

    const CompareResult result = resultAt<CompareResult>(results);
    QVERIFY(result.end.succeeded());
    QCOMPARE(result.module, module);
    QCOMPARE(result.differences, compareImages(ours, module));
    QVERIFY(!result.differences.isEmpty());
    QCOMPARE(result.differences.first().address, int(Word::RadioCycle));
    QCOMPARE(document.configImage(), ours);
    QCOMPARE(m_log, (QList<LogEntry>{{LogKind::Success, WorkflowTexts::DataReadToCompare, LogLayout::Framed}}));
}

void TestSession::portUnavailable_isToldAndEndsTheRead()
{
    m_lines->link.ports().selectPort(2); // leads nowhere
    QSignalSpy results(&flow(), &ConfigWorkflow::readFinished);
    QSignalSpy steps(&flow(), &ConfigWorkflow::stepChanged);
    flow().readConfiguration();
    QTRY_COMPARE(results.count(), 1);
    const ReadResult result = resultAt<ReadResult>(results);
    QCOMPARE(result.end.failure, Failure::PortUnavailable);
    // Told in the log, though the port's failure alone would leave it silent: a failure that
    // nobody hears of looks like nothing happened.
    QCOMPARE(m_log, communicationFailure(QStringLiteral("Fehler Kommunikationsport")));
    QCOMPARE(flow().step(), ConfigWorkflow::Step::Idle);
    QCOMPARE(steps.count(), 2); // reading, idle: nothing else set the buttons meanwhile
}

void TestSession::moduleVersion_comesFromReadAndBootRepliesOnly()
{
    QSignalSpy reads(&flow(), &ConfigWorkflow::readFinished);
    flow().readConfiguration();
    QTRY_COMPARE(reads.count(), 1);
    QCOMPARE(session().moduleVersion(), (FirmwareVersion{0x01, 0x28}));

    // A measurement's and a restart's bytes 2 and 3 are no version.
    RadioTest &test = session().radioTest();
    test.begin();
    test.toggleMeasurement();
    QTRY_VERIFY(answered('a') >= 1);
    QTRY_VERIFY(test.state().lastRaw == 40);
    test.toggleMeasurement();
    test.end();
    QTRY_COMPARE(answered('Q'), 1);
    QTRY_VERIFY(session().isIdle());
    QCOMPARE(session().moduleVersion(), (FirmwareVersion{0x01, 0x28}));
}

void TestSession::newOperation_endsTheOneUnderWayOnce()
{
    m_sim->setFault('!', *SimFault::parse(u"silent"), 1);
    QSignalSpy writes(&flow(), &ConfigWorkflow::writeFinished);
    QSignalSpy reads(&flow(), &ConfigWorkflow::readFinished);
    flow().writeConfiguration();
    QTRY_VERIFY(flow().isAwaitingReply()); // the read before the write goes unanswered
    flow().readConfiguration();
    QCOMPARE(writes.count(), 1);
    QCOMPARE(resultAt<WriteResult>(writes).end.failure, Failure::Cancelled);
    QTRY_COMPARE(reads.count(), 1);
    QVERIFY(resultAt<ReadResult>(reads).end.succeeded());
    QCOMPARE(writes.count(), 1);
    QCOMPARE(logged(WorkflowTexts::CommunicationError), 0); // the write's time-out is not told
}

void TestSession::closedFactoryWrite_endsWhenTheNextReadBegins_data()
{
    QTest::addColumn<int>("readAfterMs"); // after the write request, while its 2 s run
    QTest::addColumn<bool>("readAnswered");
    // The write's time-out would fall into the read's knock.
    QTest::newRow("read answered") << 1700 << true;
    // The read's request would inherit the rest of the write's time-out.
    QTest::newRow("read unanswered") << 1000 << false;
}

void TestSession::closedFactoryWrite_endsWhenTheNextReadBegins()
{
    QFETCH(int, readAfterMs);
    QFETCH(bool, readAnswered);
    QVERIFY(openRecord());
    m_sim->setFault('1', *SimFault::parse(u"silent"));
    if (!readAnswered)
        m_sim->setFault('!', *SimFault::parse(u"silent"));
    QSignalSpy writes(&record(), &FactoryRecord::writeFinished);
    QSignalSpy closed(&record(), &FactoryRecord::closed);
    QSignalSpy reads(&flow(), &ConfigWorkflow::readFinished);
    QElapsedTimer clock;
    qint64 readSent = -1;
    connect(&session().engine(), &RequestEngine::requestStarted, this, [&](const Request &request) {
        if (request.command == Command::ReadConfig)
            readSent = clock.elapsed();
    });
    clock.start();
    record().write();
    record().close(); // "fertig" while the write request is awaited
    QCOMPARE(record().step(), FactoryRecord::Step::Closing);
    QTimer::singleShot(readAfterMs, this, [this] { flow().readConfiguration(); });
    QTRY_COMPARE_WITH_TIMEOUT(reads.count(), 1, 5000);

    // The write ended when the read began, and told nothing of its time-out.
    QCOMPARE(writes.count(), 1);
    QCOMPARE(resultAt<FactoryResult>(writes).end.failure, Failure::Cancelled);
    QCOMPARE(closed.count(), 1);
    const ReadResult read = resultAt<ReadResult>(reads);
    if (readAnswered) {
        QVERIFY(read.end.succeeded());
        QCOMPARE(logged(WorkflowTexts::CommunicationError), 0);
    } else {
        QCOMPARE(read.end.failure, Failure::NoAnswer);
        // Its own time-out, counted from its own request (a timer may end 5 % early); the
        // rest of the write's would have ended it after about 700 ms.
        QVERIFY2(clock.elapsed() - readSent >= 940, qPrintable(QString::number(clock.elapsed() - readSent)));
        QCOMPARE(logged(WorkflowTexts::CommunicationError), 1);
    }
    QCOMPARE(answered('Q'), 0);
}

void TestSession::closedFactoryWrite_acknowledgementAlreadyIn_neverRestarts()
{
    QVERIFY(openRecord());
    const quint16 counter = m_sim->module().image()[Word::Counter];
    QSignalSpy writes(&record(), &FactoryRecord::writeFinished);
    QSignalSpy closed(&record(), &FactoryRecord::closed);
    // "fertig" the moment the acknowledgement of the write request is in, before it is judged.
    bool closedWithAcknowledgementIn = false;
    connect(&m_lines->link.channel(), &Channel::received, this, [&] {
        if (!closedWithAcknowledgementIn && record().step() == FactoryRecord::Step::RequestingWrite) {
            closedWithAcknowledgementIn = true;
            record().close();
        }
    });
    record().write();
    QTRY_COMPARE_WITH_TIMEOUT(closed.count(), 1, 5000);
    QVERIFY(closedWithAcknowledgementIn);

    // The write stopped where it was: no data frame, no verify, no restart, and its time-out
    // is told as the end of the write.
    QCOMPARE(writes.count(), 1);
    QCOMPARE(resultAt<FactoryResult>(writes).end, (OperationEnd{Failure::NoAnswer, Timeout}));
    QCOMPARE(m_answered, (QList<quint8>{'!', '1'}));
    QCOMPARE(m_sim->module().image()[Word::Counter], counter);
    QCOMPARE(logged(Timeout), 1);
    QVERIFY(session().isIdle());
}

void TestSession::lateReply_neverFeedsTheNextOperation()
{
    // The window's edits, not yet written.
    ConfigDocument &document = session().document();
    document.setWord(Word::Channel, 5);
    const ConfigWords edited = document.configImage();
    m_sim->setFault('!', *SimFault::parse(u"silent"), 1);
    int lateJudged = 0;
    connect(&session().engine(), &RequestEngine::replyJudged, this,
            [&lateJudged](const JudgedReply &reply) { lateJudged += reply.pending == 0 ? 1 : 0; });
    QSignalSpy writes(&flow(), &ConfigWorkflow::writeFinished);
    // The read times out; the write is asked for at once, and the read's reply arrives during
    // the write's knock.
    connect(&flow(), &ConfigWorkflow::readFinished, this, [this](const ReadResult &result) {
        QCOMPARE(result.end.failure, Failure::NoAnswer);
        flow().writeConfiguration();
        m_sim->sendUnsolicited(readReply(m_sim->module().image()));
    });
    flow().readConfiguration();
    QTRY_COMPARE_WITH_TIMEOUT(writes.count(), 1, 10000);

    QCOMPARE(lateJudged, 1);
    const WriteResult result = resultAt<WriteResult>(writes);
    QVERIFY(result.end.succeeded());
    QCOMPARE(int(m_sim->module().image()[Word::Channel]), 5); // the edit was written
    QCOMPARE(result.written[Word::Channel], edited[Word::Channel]);
    // The read's failure is told once; the late reply came while the write ran.
    QCOMPARE(logged(WorkflowTexts::CommunicationError), 1);
    QCOMPARE(answered('Q'), 1);
}

void TestSession::radioTest_failuresAndRestartsAreToldInTheMainLog()
{
    RadioTest &test = session().radioTest();
    m_sim->setFault(Command::Carrier, *SimFault::parse(u"bad-checksum"), 1);
    test.begin();
    test.toggleCarrier();
    QTRY_COMPARE(logged(WorkflowTexts::CommunicationError), 1);
    QCOMPARE(m_log.mid(0, 2), communicationFailure(Checksum));

    // The next attempt brings the carrier; the restart that stops it is told too.
    QTRY_VERIFY(test.carrierOn() && !test.isStartPending());
    test.toggleCarrier();
    QTRY_COMPARE(logged(WorkflowTexts::Restarted), 1);
    QCOMPARE(flow().step(), ConfigWorkflow::Step::Idle);
    test.end();
}

void TestSession::firmwareUpdate_faultyBootReplyIsToldAndStartOnlyWhileWatching()
{
    FirmwareUpdate &update = session().firmwareUpdate();
    QVERIFY(!update.start()); // nothing watched: no transfer
    m_sim->setFault(Command::Boot, *SimFault::parse(u"bad-checksum"), 1);
    update.connectModule();
    QTRY_COMPARE(logged(WorkflowTexts::CommunicationError), 1);
    QCOMPARE(m_log, communicationFailure(Checksum));
    QVERIFY(update.isStartOffered());
    update.leave();
    update.close();
    QVERIFY(!update.isStartOffered());
    QVERIFY(session().isIdle());
}

QTEST_MAIN(TestSession)
#include "tst_session.moc"
