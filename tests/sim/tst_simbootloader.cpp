// The simulated module's bootloader: driven through a plain QSerialPort on its pseudo-terminal,
// without the tool's link or bootloader session, so the two do not vouch for each other.
#include "ModuleSimulator.h"
#include "SimProcess.h"
#include "SimTestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace SimTest;

class TestSimBootloader : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void countdown_runsOutAndApplicationAnswersAgain();
    void firstBootloaderCommand_stopsCountdown();
    void row_writtenFromScrambledFrames_data();
    void row_writtenFromScrambledFrames();
    void resetFrame_leavesBootloaderWithoutReply();
    void bootFaults_hitTheirRowAndCommandOnly_data();
    void bootFaults_hitTheirRowAndCommandOnly();
    void nonsense_getsErrorRepliesAndChangesNothing_data();
    void nonsense_getsErrorRepliesAndChangesNothing();
    void pacing_appliesToBootloaderFrames();
    void flashTime_holdsBackTheFinishReply_data();
    void flashTime_holdsBackTheFinishReply();
    void program_bootloaderOptionsShapeTheUpdate();
    void cutOffUpdate_keepsTheModuleInItsBootloader_data();
    void cutOffUpdate_keepsTheModuleInItsBootloader();
    void incompleteModule_resetWithNothingWrittenCountsAgain();
    void heldBootloaderWithNothingWritten_givesUpToTheApplication();
    void program_incomplete_countsDownWithoutTheBootCommand();

private:
    void enterBootloader(int countdownMs = 5000);
    QByteArray bootExchange(const QByteArray &wire);
    // One row at `address`: announce, data, finish with the page erased.
    void writeRow(quint32 address);

    std::unique_ptr<ModuleSimulator> m_sim;
    std::unique_ptr<Line> m_line;
};

void TestSimBootloader::init()
{
    m_sim = std::make_unique<ModuleSimulator>();
    QVERIFY(m_sim->open());
    m_line = std::make_unique<Line>();
    QVERIFY(m_line->open(m_sim->devicePath()));
}

void TestSimBootloader::cleanup()
{
    m_line.reset();
    m_sim.reset();
}

void TestSimBootloader::enterBootloader(int countdownMs)
{
    m_sim->setCountdownInterval(countdownMs);
    QCOMPARE(m_line->exchange(request('w', "BOOT"), 6).toHex(), QByteArray("ff770128fe60"));
    QVERIFY(m_sim->bootloaderRunning());
}

// Sends one bootloader frame and gives back its whole reply: the module says how long it is.
QByteArray TestSimBootloader::bootExchange(const QByteArray &wire)
{
    QSignalSpy answered(m_sim.get(), &ModuleSimulator::answered);
    m_line->received.clear();
    m_line->port.write(wire);
    if (!answered.wait(3000))
        return "no answer";
    const int length = answered.first().at(1).toInt();
    (void)QTest::qWaitFor([&] { return m_line->collect().size() >= length; }, 3000);
    return m_line->received;
}

void TestSimBootloader::writeRow(quint32 address)
{
    // The announce may cross a countdown frame.
    m_line->received.clear();
    m_line->port.write(announce(address));
    QTRY_VERIFY(m_line->collect().toHex().endsWith(AnnounceOk));
    QCOMPARE(bootExchange(rowData()).toHex(), DataOk);
    QCOMPARE(bootExchange(finish(1)).toHex(), FinishOk);
}

void TestSimBootloader::countdown_runsOutAndApplicationAnswersAgain()
{
    constexpr int intervalMs = 30;
    QSignalSpy left(m_sim.get(), &ModuleSimulator::bootloaderLeft);
    QElapsedTimer clock;
    clock.start();
    enterBootloader(intervalMs);
    QTRY_VERIFY(m_line->collect().size() >= 6 + 2);
    m_line->port.write(request('a')); // not the bootloader's business: no answer

    QVERIFY(left.wait(5000));
    // 21 frames, the first one interval after the boot reply, and one more interval to give up.
    QVERIFY2(clock.elapsed() >= 22 * intervalMs, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!m_sim->bootloaderRunning());
    QCOMPARE(m_line->collect().mid(6).toHex(), countdownFrames().toHex());
    QVERIFY(m_sim->received().endsWith(request('a')));
    QCOMPARE(m_line->exchange(request('a'), 6).toHex(), QByteArray("ff610028fe77"));
}

void TestSimBootloader::firstBootloaderCommand_stopsCountdown()
{
    constexpr int intervalMs = 30;
    QSignalSpy left(m_sim.get(), &ModuleSimulator::bootloaderLeft);
    enterBootloader(intervalMs);
    QTRY_COMPARE(m_line->collect().mid(6, 2).toHex(), QByteArray("fc14"));
    m_line->port.write(announce(0x8000));
    QTRY_VERIFY(m_line->collect().toHex().endsWith(AnnounceOk));

    QVERIFY(!left.wait(23 * intervalMs));
    QVERIFY(m_sim->bootloaderRunning());
    // Countdown frames up to the reply (one may have crossed the announce), none after it.
    const QByteArray countdown = m_line->collect().mid(6).chopped(6);
    QVERIFY(countdown.size() >= 2);
    QCOMPARE(countdown, countdownFrames().left(countdown.size()));
}

void TestSimBootloader::row_writtenFromScrambledFrames_data()
{
    QTest::addColumn<quint32>("address");
    QTest::addColumn<bool>("erase");
    QTest::newRow("erased area") << 0x8000u << false;
    QTest::newRow("page erased from its second row") << 0x8080u << true;
    QTest::newRow("old code, page erased") << 0x0480u << true;
    QTest::newRow("old code, no erase: only bits cleared") << 0x0080u << false;
}

void TestSimBootloader::row_writtenFromScrambledFrames()
{
    QFETCH(quint32, address);
    QFETCH(bool, erase);
    std::vector<quint32> expected = m_sim->programMemory();
    QCOMPARE(expected.size(), size_t(32768));
    QVERIFY(expected[0x0400 / 2] != 0xFFFFFF); // the module comes with old code down there
    QSignalSpy written(m_sim.get(), &ModuleSimulator::rowWritten);
    enterBootloader();

    QCOMPARE(bootExchange(announce(address)).toHex(), AnnounceOk);
    QCOMPARE(bootExchange(rowData()).toHex(), DataOk);
    QVERIFY(written.isEmpty());
    QCOMPARE(bootExchange(finish(erase ? 1 : 0)).toHex(), FinishOk);
    QCOMPARE(written.count(), 1);
    QCOMPARE(written.first().first().value<quint32>(), address);

    if (erase)
        std::fill_n(expected.begin() + (address / 1024) * 512, 512, 0xFFFFFF);
    for (int i = 0; i < 64; ++i)
        expected[address / 2 + i] &= instruction(i); // flash bits are only ever cleared
    QCOMPARE(firstDifference(m_sim->programMemory(), expected), -1);
    if (erase || address >= 0x8000)
        QCOMPARE(m_sim->programMemory()[address / 2 + 63], instruction(63));
}

void TestSimBootloader::resetFrame_leavesBootloaderWithoutReply()
{
    QSignalSpy left(m_sim.get(), &ModuleSimulator::bootloaderLeft);
    enterBootloader();
    QCOMPARE(bootExchange(announce(0x8000)).toHex(), AnnounceOk);
    // In one go: the request behind the reset frame is for the application, and its answer
    // is the first thing on the line.
    QCOMPARE(m_line->exchange(resetFrame + request('a'), 6).toHex(), QByteArray("ff610028fe77"));
    QCOMPARE(left.count(), 1);
    QVERIFY(!m_sim->bootloaderRunning());
}

void TestSimBootloader::bootFaults_hitTheirRowAndCommandOnly_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArrayList>("replies"); // announce, data, finish of rows 0 and 1
    QTest::addColumn<int>("rowsWritten");        // bit 0: row 0, bit 1: row 1
    const QByteArray A = AnnounceOk, D = DataOk, F = FinishOk;
    const QByteArray noAnnounce = errorReply("06ff04"), noData = errorReply("07ff03");
    QTest::newRow("error reply, row 0 data") << 0 << 5 << "error-reply:33"
                                             << QByteArrayList{A, errorReply("33fed7"), noData, A, D, F} << 2;
    QTest::newRow("error reply, row 1 announce") << 1 << 3 << "error-reply"
                                                 << QByteArrayList{A, D, F, errorReply("80fe8a"), noAnnounce, noData} << 1;
    QTest::newRow("no reply, every announce") << -1 << 3 << "silent"
                                              << QByteArrayList{"", noAnnounce, noData, "", noAnnounce, noData} << 0;
    QTest::newRow("bad checksum, row 1 finish") << 1 << 7 << "bad-checksum"
                                                << QByteArrayList{A, D, F, A, D, "080006ffabef"} << 3;
    QTest::newRow("wrong length, every announce") << -1 << 3 << "wrong-length"
                                                  << QByteArrayList{"040007fff4ef", D, F, "040007fff4ef", D, F} << 3;
    QTest::newRow("missing end, row 0 announce") << 0 << 3 << "missing-end"
                                                 << QByteArrayList{"040006fff500", D, F, A, D, F} << 3;
    QTest::newRow("other command, row 1 data") << 1 << 5 << "other-command"
                                               << QByteArrayList{A, D, F, A, "080006fff1ef", F} << 3;
}

void TestSimBootloader::bootFaults_hitTheirRowAndCommandOnly()
{
    QFETCH(int, row);
    QFETCH(int, command);
    QFETCH(QString, fault);
    QFETCH(QByteArrayList, replies);
    QFETCH(int, rowsWritten);
    m_sim->setBootFault(row, quint8(command), *BootFault::parse(fault));
    enterBootloader();

    const quint32 addresses[] = {0x8000, 0x8080};
    for (int r = 0; r < 2; ++r) {
        const QByteArrayList frames{announce(addresses[r]), rowData(), finish(r == 0 ? 1 : 0)};
        for (int f = 0; f < 3; ++f)
            QCOMPARE(bootExchange(frames[f]).toHex(), replies[3 * r + f]);
    }
    for (int r = 0; r < 2; ++r) {
        const bool written = rowsWritten & (1 << r);
        QCOMPARE(m_sim->programMemory()[addresses[r] / 2 + 5], written ? instruction(5) : 0xFFFFFFu);
    }
}

void TestSimBootloader::nonsense_getsErrorRepliesAndChangesNothing_data()
{
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QByteArray>("replies");
    QByteArray badChecksum = announce(0x8000);
    badChecksum[7] = char(badChecksum[7] ^ 1);
    QTest::newRow("bad checksum") << badChecksum << errorReply("01ff09");
    QTest::newRow("unknown command, one reply for the run") << bootFrame("\x42") << errorReply("02ff08");
    QTest::newRow("application request") << request('a') << QByteArray();
    QTest::newRow("row of 63 instructions") << announce(0x8000, 0x40) << errorReply("03ff07");
    QTest::newRow("address beyond memory") << announce(0x10000) << errorReply("04ff06");
    QTest::newRow("address inside a row") << announce(0x8040) << errorReply("05ff05");
    QTest::newRow("data before announce") << rowData() << errorReply("06ff04");
    QTest::newRow("data after a refused announce") << announce(0x8000) + announce(0x10000) + rowData()
                                                   << AnnounceOk + errorReply("04ff06") + errorReply("06ff04");
    QTest::newRow("finish before data") << announce(0x8000) + finish(1) << AnnounceOk + errorReply("07ff03");
    QTest::newRow("leading group not zero") << announce(0x8000) + rowData(1) << AnnounceOk + errorReply("08ff02");
    QTest::newRow("finish flag 2") << announce(0x8000) + rowData() + finish(2) << AnnounceOk + DataOk + errorReply("08ff02");
    QTest::newRow("reset without its key") << bootFrame("\x10\xB1") << errorReply("08ff02");
}

void TestSimBootloader::nonsense_getsErrorRepliesAndChangesNothing()
{
    QFETCH(QByteArray, wire);
    QFETCH(QByteArray, replies);
    const std::vector<quint32> before = m_sim->programMemory();
    enterBootloader();
    // A good announce after it: its reply must come right after the ones expected.
    m_line->received.clear();
    m_line->port.write(wire + announce(0x8000));
    QTRY_VERIFY(m_line->collect().toHex().endsWith(AnnounceOk));
    QCOMPARE(m_line->received.toHex(), replies + AnnounceOk);
    QVERIFY(m_sim->bootloaderRunning());
    QCOMPARE(firstDifference(m_sim->programMemory(), before), -1);
}

void TestSimBootloader::pacing_appliesToBootloaderFrames()
{
    m_sim->setPaced(true);
    enterBootloader();
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(bootExchange(announce(0x8000)).toHex(), AnnounceOk);
    QCOMPARE(bootExchange(rowData()).toHex(), DataOk);
    // 8 + 198 bytes in and 12 out at 3840 bytes/s.
    QVERIFY2(clock.elapsed() >= 56, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(clock.elapsed() < 1056);
}

void TestSimBootloader::flashTime_holdsBackTheFinishReply_data()
{
    QTest::addColumn<int>("flashMs");
    QTest::addColumn<bool>("erase");
    QTest::addColumn<int>("minimumMs");
    QTest::newRow("row written over an erased page") << 200 << true << 250;
    QTest::newRow("row written") << 200 << false << 50;
}

void TestSimBootloader::flashTime_holdsBackTheFinishReply()
{
    QFETCH(int, flashMs);
    QFETCH(bool, erase);
    QFETCH(int, minimumMs);
    m_sim->setFlashTime(flashMs);
    enterBootloader();
    m_line->received.clear();
    m_line->port.write(announce(0x8000));
    QTRY_VERIFY(m_line->collect().toHex().endsWith(AnnounceOk));
    QCOMPARE(bootExchange(rowData()).toHex(), DataOk);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(bootExchange(finish(erase ? 1 : 0)).toHex(), FinishOk);
    QVERIFY2(clock.elapsed() >= minimumMs, qPrintable(QString::number(clock.elapsed())));
}

void TestSimBootloader::program_bootloaderOptionsShapeTheUpdate()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString memoryFile = dir.filePath(QStringLiteral("memory.txt"));
    QProcess program;
    const QString device = startSimulatorProcess(program, QStringLiteral(VELKA_SIM_PATH),
                                                 {QStringLiteral("--countdown-ms"), QStringLiteral("100"),
                                                  QStringLiteral("--boot-fault"), QStringLiteral("0:5=error-reply:33"),
                                                  QStringLiteral("--memory-out"), memoryFile});
    QVERIFY(!device.isEmpty());
    Line line;
    QVERIFY(line.open(device));
    QCOMPARE(line.exchange(request('w', "BOOT"), 6).size(), 6);
    // The announce may cross the first countdown frame.
    line.received.clear();
    line.port.write(announce(0x8000));
    QTRY_VERIFY(line.collect().toHex().endsWith(AnnounceOk));
    QCOMPARE(line.exchange(rowData(), 7).toHex(), errorReply("33fed7"));
    QCOMPARE(line.exchange(announce(0x8080), 6).toHex(), AnnounceOk);
    QCOMPARE(line.exchange(rowData(), 6).toHex(), DataOk);
    QCOMPARE(line.exchange(finish(1), 6).toHex(), FinishOk);
    line.port.write(resetFrame);
    QCOMPARE(line.exchange(request('a'), 6).toHex(), QByteArray("ff610028fe77"));

    QFile file(memoryFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArrayList lines = file.readAll().split('\n');
    QCOMPARE(lines.first(), QByteArray("0000: 040200"));
    QVERIFY(lines.contains("80FE: 7F9FBD")); // instruction 63 of the row at 0x8080
    QVERIFY(!lines.contains("8000: 40A000"));

    // Without a command the bootloader counts down and hands back to the application.
    QCOMPARE(line.exchange(request('w', "BOOT"), 6 + 42, 10000).mid(6).toHex(), countdownFrames().toHex());
    QTRY_COMPARE_WITH_TIMEOUT(line.exchange(request('a'), 6, 200).toHex(), QByteArray("ff610028fe77"), 5000);

    program.terminate();
    QVERIFY(program.waitForFinished(5000));
    QCOMPARE(program.exitCode(), 0);
}

namespace {
// Whether `bytes` are countdown frames only, each count one below the one before, the count
// after 0 beginning again at 20; at least two complete rounds when `rounds` is 2.
bool onlyCountdowns(const QByteArray &bytes, int rounds)
{
    if (bytes.size() % 2 != 0)
        return false;
    int zeros = 0;
    for (qsizetype i = 0; i < bytes.size(); i += 2) {
        if (quint8(bytes[i]) != 0xFC)
            return false;
        const int count = quint8(bytes[i + 1]);
        if (i > 0) {
            const int before = quint8(bytes[i - 1]);
            if (count != (before == 0 ? 20 : before - 1))
                return false;
        }
        zeros += count == 0;
    }
    return zeros >= rounds;
}
} // namespace

void TestSimBootloader::cutOffUpdate_keepsTheModuleInItsBootloader_data()
{
    QTest::addColumn<QString>("stop");
    QTest::newRow("power lost") << "power lost";
    QTest::newRow("bootloader gave up") << "gave up";
}

void TestSimBootloader::cutOffUpdate_keepsTheModuleInItsBootloader()
{
    QFETCH(QString, stop);
    constexpr int intervalMs = 10;
    QSignalSpy restarted(m_sim.get(), &ModuleSimulator::bootloaderRestarted);
    QSignalSpy left(m_sim.get(), &ModuleSimulator::bootloaderLeft);
    QVERIFY(m_sim->applicationComplete());
    enterBootloader(intervalMs);
    writeRow(0x0400); // over the old code: page 1 erased, one row of the new
    if (QTest::currentTestFailed())
        return;
    const std::vector<quint32> cutOff = m_sim->programMemory();

    if (stop == QLatin1String("power lost")) {
        m_sim->vanish();
        QVERIFY(!m_sim->bootloaderRunning());
        QVERIFY(m_sim->open());
        m_line = std::make_unique<Line>();
        QVERIFY(m_line->open(m_sim->devicePath()));
    } else {
        // Nothing more comes: the bootloader gives up and the module starts again.
        QVERIFY(restarted.wait(ModuleSimulator::GiveUpIntervals * intervalMs + 5000));
        restarted.clear();
    }
    QVERIFY(!m_sim->applicationComplete());
    QVERIFY(m_sim->bootloaderRunning());

    // It counts down again and again, and passes the boot command and every other
    // application request over: the application never runs.
    const QByteArray lastCount("\xFC\x00", 2);
    m_line->collect();
    m_line->received.clear();
    m_line->port.write(request('w', "BOOT") + request('a'));
    QTRY_VERIFY_WITH_TIMEOUT(m_line->collect().count(lastCount) >= 1, 5000);
    m_line->port.write(request('w', "BOOT") + request('a'));
    QTRY_VERIFY_WITH_TIMEOUT(m_line->collect().count(lastCount) >= 2, 5000);
    QTRY_VERIFY(restarted.count() >= 2);
    QVERIFY(left.isEmpty());
    // Frames of a count that was under way when collecting began may be cut: begin at one.
    const QByteArray counts = m_line->received.mid(m_line->received.indexOf(char(0xFC)));
    QVERIFY2(onlyCountdowns(counts.left(counts.size() & ~1), 2), counts.toHex().constData());
    QCOMPARE(m_sim->module().bootRequests(), 1);
    QCOMPARE(firstDifference(m_sim->programMemory(), cutOff), -1);

    // An update that is completed, ended by the reset frame, makes it complete again.
    writeRow(0x0400);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(m_line->exchange(resetFrame + request('a'), 6).right(6).toHex(), QByteArray("ff610028fe77"));
    QCOMPARE(left.count(), 1);
    QVERIFY(m_sim->applicationComplete());
    QVERIFY(!m_sim->bootloaderRunning());
}

void TestSimBootloader::incompleteModule_resetWithNothingWrittenCountsAgain()
{
    constexpr int intervalMs = 50;
    QSignalSpy restarted(m_sim.get(), &ModuleSimulator::bootloaderRestarted);
    QSignalSpy left(m_sim.get(), &ModuleSimulator::bootloaderLeft);
    m_sim->setCountdownInterval(intervalMs);
    m_sim->setApplicationComplete(false);
    QVERIFY(!m_sim->bootloaderRunning()); // it takes effect when the module next starts
    m_sim->vanish();
    QVERIFY(m_sim->open());
    m_line = std::make_unique<Line>();
    QVERIFY(m_line->open(m_sim->devicePath()));
    QVERIFY(m_sim->bootloaderRunning());

    // The reset frame ends the bootloader, but with nothing written the application is still
    // incomplete: the module comes back into it, and the count begins anew before it ran out.
    QTRY_VERIFY(m_line->collect().size() >= 4);
    m_line->received.clear();
    m_line->port.write(resetFrame);
    QVERIFY(restarted.wait(2000));
    QVERIFY(left.isEmpty());
    QVERIFY(m_sim->bootloaderRunning());
    QTRY_VERIFY(m_line->collect().contains(QByteArray("\xFC\x14", 2)));
    QVERIFY2(!m_line->received.contains(QByteArray("\xFC\x00", 2)), m_line->received.toHex().constData());
    QCOMPARE(m_sim->module().bootRequests(), 0);
}

void TestSimBootloader::heldBootloaderWithNothingWritten_givesUpToTheApplication()
{
    constexpr int intervalMs = 10;
    QSignalSpy left(m_sim.get(), &ModuleSimulator::bootloaderLeft);
    QSignalSpy restarted(m_sim.get(), &ModuleSimulator::bootloaderRestarted);
    enterBootloader(intervalMs);
    m_line->received.clear();
    // Counted from before the announce: its wait for the next frame begins when it arrives.
    QElapsedTimer clock;
    clock.start();
    m_line->port.write(announce(0x8000));
    QTRY_VERIFY(m_line->collect().toHex().endsWith(AnnounceOk));
    // Held, it does not leave when its count would have run out, only when it gives up.
    QVERIFY(left.wait(ModuleSimulator::GiveUpIntervals * intervalMs + 5000));
    QVERIFY2(clock.elapsed() >= (ModuleSimulator::GiveUpIntervals - 5) * intervalMs,
             qPrintable(QString::number(clock.elapsed())));
    QVERIFY(restarted.isEmpty());
    QVERIFY(m_sim->applicationComplete());
    QCOMPARE(m_line->exchange(request('a'), 6).right(6).toHex(), QByteArray("ff610028fe77"));
}

void TestSimBootloader::program_incomplete_countsDownWithoutTheBootCommand()
{
    QProcess program;
    const QString device = startSimulatorProcess(program, QStringLiteral(VELKA_SIM_PATH),
                                                 {QStringLiteral("--incomplete"), QStringLiteral("--countdown-ms"),
                                                  QStringLiteral("10")});
    QVERIFY(!device.isEmpty());
    Line line;
    QVERIFY(line.open(device));
    // Within two rounds of the count: no reply to the boot command or the read, counts only.
    line.port.write(request('w', "BOOT") + request('!', "\0\0\0\x80"));
    QTRY_VERIFY_WITH_TIMEOUT(line.collect().count(char(0)) >= 3, 5000); // three rounds have ended
    const QByteArray counts = line.received.mid(line.received.indexOf(char(0xFC)));
    QVERIFY2(onlyCountdowns(counts.left(counts.size() & ~1), 2), counts.toHex().constData());

    program.terminate();
    QVERIFY(program.waitForFinished(5000));
    QCOMPARE(program.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestSimBootloader)
#include "tst_simbootloader.moc"
