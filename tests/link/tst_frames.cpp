// The frames as values: requests built byte for byte, and the verdict on replies, without a
// line or an event loop. Checksums here are worked out independently of the code under test.
#include "ArrivalChecks.h"
#include "ReplyVerdictInput.h"
#include "common/TestSupport.h"
#include "core/link/Frames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <QTest>

namespace {

QByteArray reply(char command, QByteArray body = QByteArray(2, '\0'))
{
    return withChecksum(QByteArray(1, char(0xFF)) + command + body);
}

std::span<const quint8> span(const QByteArray &bytes)
{
    return {reinterpret_cast<const quint8 *>(bytes.constData()), size_t(bytes.size())};
}

const QByteArray ReadPayload = [] {
    QByteArray payload(PayloadBytes, Qt::Uninitialized);
    for (int i = 0; i < PayloadBytes; ++i)
        payload[i] = char(i * 13 + 5);
    return payload;
}();

} // namespace

class TestFrames : public QObject
{
    Q_OBJECT
private slots:
    void request_bytes_data();
    void request_bytes();
    void dataFrame_carriesPayloadAndChecksum();
    void verdict_data();
    void verdict();
    void verdict_readReplyHandsOverItsImage();
    void verdict_droppedBytesNeverPass();
    void threeBytes_mostSignificantFirst_data();
    void threeBytes_mostSignificantFirst();
    void bootFrames_bytes();
    void bootVerdict_data();
    void bootVerdict();
    void wholeReply_data();
    void wholeReply();
    void arrivalCorpus_fastJudgementHolds_data();
    void arrivalCorpus_fastJudgementHolds();
    void appCorpus_verdictsHoldTogether_data();
    void appCorpus_verdictsHoldTogether();
    void bootCorpus_verdictsHoldTogether_data();
    void bootCorpus_verdictsHoldTogether();
};

void TestFrames::request_bytes_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("preamble");
    QTest::newRow("read") << int('!') << QByteArray::fromHex("ff2100000080fe5f") << 50;
    QTest::newRow("write") << int('1') << QByteArray::fromHex("ff3101000180fe4d") << 50;
    QTest::newRow("reset") << int('Q') << QByteArray::fromHex("ff5100000000feaf") << 50;
    QTest::newRow("boot") << int('w') << QByteArray::fromHex("ff77424f4f54fd55") << 50;
    QTest::newRow("carrier") << 0x60 << QByteArray::fromHex("ff6000000100fe9f") << 100;
    QTest::newRow("rssi") << int('a') << QByteArray::fromHex("ff6100000000fe9f") << 100;
}

void TestFrames::request_bytes()
{
    QFETCH(int, command);
    QFETCH(QByteArray, frame);
    QFETCH(int, preamble);
    const RequestInfo *request = requestInfo(quint8(command));
    QVERIFY(request);
    const RequestFrame built = buildRequestFrame(*request);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(built.data()), int(built.size())), frame);
    QCOMPARE(request->preamble, preamble);
    QVERIFY(!requestInfo('3')); // the data frame is no request of its own
}

void TestFrames::dataFrame_carriesPayloadAndChecksum()
{
    std::array<quint8, PayloadBytes> payload;
    std::copy_n(reinterpret_cast<const quint8 *>(ReadPayload.constData()), PayloadBytes, payload.begin());
    const DataFrame frame = buildDataFrame(payload);
    const QByteArray expected = withChecksum(QByteArray("\xff\x33", 2) + ReadPayload);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(frame.data()), int(frame.size())), expected);
}

void TestFrames::verdict_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("pending");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("length");

    const QString checksum = QStringLiteral("fehlerhafte Checksumme in Antwort von Gerät");
    const QByteArray readReply = reply(0x22, QByteArray("\x01\x28", 2) + ReadPayload);
    QTest::newRow("read reply") << readReply << int('!') << true << QString() << 390;
    QTest::newRow("read reply without image") << reply(0x22) << int('!') << false
        << QStringLiteral("fehlerhafte Länge der Antwort von Gerät (6 statt 390 Bytes)") << 6;
    QTest::newRow("read reply one byte long")
        << reply(0x22, QByteArray(2 + PayloadBytes + 1, '\x11')) << int('!') << false
        << QStringLiteral("fehlerhafte Länge der Antwort von Gerät (391 statt 390 Bytes)") << 391;
    QTest::newRow("wrong start, wrong checksum")
        << QByteArray::fromHex("fe22010203") << int('!') << false
        << QStringLiteral("fehlerhafte Antwort von Gerät (SystemInfo:FE@21)") << 5;
    QTest::newRow("nothing after a time-out") << QByteArray() << 0 << false
        << QStringLiteral("fehlerhafte Antwort von Gerät (SystemInfo:00@00)") << 0;
    QTest::newRow("one byte") << QByteArray(1, char(0xFF)) << int('a') << false << checksum << 1;
    QTest::newRow("checksum off by one") << [] {
        QByteArray r = reply('a');
        r[5] = char(r[5] + 1);
        return r;
    }() << int('a') << false << checksum << 6;
    QTest::newRow("write accepted") << reply('2') << int('1') << true << QString() << 6;
    QTest::newRow("write answered otherwise") << reply('a') << int('1') << false
                                              << QStringLiteral("ungültige Antwort bei Schreibbefehl#2") << 6;
    QTest::newRow("data acknowledged") << reply('4') << int('3') << true << QString() << 6;
    QTest::newRow("data answered otherwise") << reply('Q') << int('3') << false
                                             << QStringLiteral("ungültige Antwort bei Schreibbefehl#4") << 6;
    QTest::newRow("reset with chatter") << reply('Q') + "\r\nVelka start\r\n" << int('Q') << true
                                        << QString() << 6;
    QTest::newRow("reset cut short") << reply('Q').left(5) << int('Q') << false << checksum << 5;
    QTest::newRow("rssi answered by carrier") << reply(0x60) << int('a') << false << QString() << 6;
    QTest::newRow("late reply after a time-out") << reply('a') << 0 << false << QString() << 6;
    QTest::newRow("boot") << reply('w', QByteArray("\x01\x28", 2)) << int('w') << true << QString() << 6;
    // The bootloader's first count may follow the boot reply within its quiet time.
    QTest::newRow("boot and a count") << reply('w', QByteArray("\x01\x28", 2)) + QByteArray::fromHex("fc13")
                                      << int('w') << true << QString() << 6;
    QTest::newRow("boot and other bytes") << reply('w', QByteArray("\x01\x28", 2)) + QByteArray::fromHex("fd13")
                                          << int('w') << false << checksum << 8;
    QTest::newRow("read reply and a count") << readReply + QByteArray::fromHex("fc13") << int('!') << false
                                            << checksum << 392;
    QTest::newRow("carrier") << reply(0x60) << 0x60 << true << QString() << 6;
}

void TestFrames::verdict()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, pending);
    QFETCH(bool, accepted);
    QFETCH(QString, error);
    QFETCH(int, length);
    const ReplyVerdict verdict = judgeApplicationReply(span(bytes), true, quint8(pending));
    QCOMPARE(verdict.accepted, accepted);
    QCOMPARE(verdict.error, error);
    QCOMPARE(verdict.check.length, length);
    // A reply is valid when its frame is, whatever it answers.
    const bool frameFault = error.startsWith(u"fehlerhafte Antwort") || error.contains(u"Checksumme");
    QCOMPARE(verdict.valid, !frameFault);
}

void TestFrames::verdict_readReplyHandsOverItsImage()
{
    const QByteArray bytes = reply(0x22, QByteArray("\x01\x28", 2) + ReadPayload);
    const ReplyVerdict verdict = judgeApplicationReply(span(bytes), true, '!');
    QVERIFY(verdict.accepted);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(verdict.payload.data()), int(verdict.payload.size())),
             ReadPayload);
    QCOMPARE(verdict.byte2, quint8(0x01));
    QCOMPARE(verdict.byte3, quint8(0x28));
}

void TestFrames::verdict_droppedBytesNeverPass()
{
    // A full buffer that had to drop bytes lost the real checksum: even a lucky sum fails.
    const QByteArray bytes = reply(0x22, QByteArray("\x01\x28", 2) + ReadPayload);
    QVERIFY(!judgeApplicationReply(span(bytes), false, '!').valid);
    // A short reply whose first six bytes arrived is judged on them alone.
    const QByteArray reset = reply('Q') + QByteArray(100, 'x');
    QVERIFY(judgeApplicationReply(span(reset), false, 'Q').accepted);
}

void TestFrames::threeBytes_mostSignificantFirst_data()
{
    QTest::addColumn<quint32>("address");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("0") << quint32(0) << QByteArray::fromHex("000000");
    QTest::newRow("128") << quint32(128) << QByteArray::fromHex("000080");
    QTest::newRow("65536") << quint32(65536) << QByteArray::fromHex("010000");
    QTest::newRow("largest") << quint32(0xFFFFFF) << QByteArray::fromHex("ffffff");
}

void TestFrames::threeBytes_mostSignificantFirst()
{
    QFETCH(quint32, address);
    QFETCH(QByteArray, bytes);
    const auto split = threeBytes(address);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(split.data()), 3), bytes);
    const AnnounceFrame frame = buildAnnounceFrame(address);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(frame.data()), int(frame.size())),
             withChecksum(QByteArray::fromHex("030041") + bytes));
}

void TestFrames::bootFrames_bytes()
{
    RowData data;
    for (int i = 0; i < Boot::RowDataBytes; ++i)
        data[size_t(i)] = quint8(255 - i);
    const RowDataFrame row = buildRowDataFrame(data);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(row.data()), int(row.size())),
             withChecksum(QByteArray::fromHex("05000000")
                    + QByteArray(reinterpret_cast<const char *>(data.data()), int(data.size()))));
    const auto bytes = [](const auto &frame) {
        return QByteArray(reinterpret_cast<const char *>(frame.data()), int(frame.size()));
    };
    QCOMPARE(bytes(buildFinishFrame(true)), withChecksum(QByteArray::fromHex("0701")));
    QCOMPARE(bytes(buildFinishFrame(false)), withChecksum(QByteArray::fromHex("0700")));
    QCOMPARE(bytes(buildResetFrame()), withChecksum(QByteArray::fromHex("10b0")));
}

namespace {
// A bootloader reply: command, total length, data, checksum, end byte.
QByteArray bootReply(quint8 command, const QByteArray &data = {})
{
    QByteArray body = QByteArray(1, char(command));
    const int length = 1 + 2 + int(data.size()) + 2 + 1;
    body += char(length >> 8);
    body += char(length & 0xFF);
    body += data;
    return withChecksum(body) + char(0xEF);
}
} // namespace

void TestFrames::bootVerdict_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("pending");
    QTest::addColumn<QStringList>("frameErrors");
    QTest::addColumn<QString>("commandError");
    QTest::addColumn<bool>("errorReply");
    QTest::addColumn<bool>("accepted");

    const QString length = QStringLiteral("fehlerhafte Datenanzahl erhalten");
    const QString end = QStringLiteral("fehlerhafter Empfangsabschluss");
    const QString checksum = QStringLiteral("Fehler Checksumme");
    const QByteArray good = bootReply(0x04);
    QByteArray allWrong = good;
    allWrong[2] = 9;             // length field
    allWrong[5] = char(0xEE);    // end byte
    QTest::newRow("announce accepted") << good << 3 << QStringList() << QString() << false << true;
    QTest::newRow("row data accepted") << bootReply(0x06) << 5 << QStringList() << QString() << false << true;
    QTest::newRow("finish accepted") << bootReply(0x08) << 7 << QStringList() << QString() << false << true;
    QTest::newRow("reply with data") << bootReply(0x08, "ab") << 7 << QStringList() << QString() << false << true;
    QTest::newRow("length field wrong") << [&] { QByteArray r = good; r[2] = 7; return r; }() << 3
        << QStringList{length + "6", checksum} << QString() << false << false;
    QTest::newRow("end byte wrong") << [&] { QByteArray r = good; r[5] = 0; return r; }() << 3
        << QStringList{end} << QString() << false << false;
    QTest::newRow("checksum wrong") << [&] { QByteArray r = good; r[4] = char(r[4] ^ 1); return r; }() << 3
        << QStringList{checksum} << QString() << false << false;
    QTest::newRow("all three wrong") << allWrong << 3 << QStringList{length + "6", end, checksum} << QString()
                                     << false << false;
    QTest::newRow("all three and the command") << [&] { QByteArray r = allWrong; r[0] = 0x06; return r; }() << 3
        << QStringList{length + "6", end, checksum} << QStringLiteral("ungültige Antwort bei Schreibbefehl")
        << false << false;
    QTest::newRow("row data answered by 0x08") << bootReply(0x08) << 5 << QStringList()
        << QStringLiteral("ungültige Antwort bei Schreibbefehl#2") << false << false;
    QTest::newRow("finish answered by 0x04") << bootReply(0x04) << 7 << QStringList()
        << QStringLiteral("ungültige Antwort bei Schreibbefehl#3") << false << false;
    QTest::newRow("error reply") << bootReply(0xEE, "") << 5 << QStringList() << QString() << true << false;
    QTest::newRow("nothing") << QByteArray() << 3 << QStringList{end, checksum}
        << QStringLiteral("ungültige Antwort bei Schreibbefehl") << false << false;
    QTest::newRow("late reply") << good << 0 << QStringList() << QString() << false << false;
    // The start window's last count may overtake the reply to the first announcement.
    QTest::newRow("count ahead of the announce reply") << QByteArray::fromHex("fc13") + good << 3 << QStringList()
                                                       << QString() << false << true;
    QTest::newRow("count ahead of a row data reply") << QByteArray::fromHex("fc13") + bootReply(0x06) << 5
        << QStringList{QStringLiteral("fehlerhafte Datenanzahl erhalten8"), QStringLiteral("Fehler Checksumme")}
        << QStringLiteral("ungültige Antwort bei Schreibbefehl#2") << false << false;
}

void TestFrames::bootVerdict()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, pending);
    const BootReplyVerdict verdict = judgeBootloaderReply(span(bytes), quint8(pending));
    QTEST(verdict.frameErrors, "frameErrors");
    QTEST(verdict.commandError, "commandError");
    QTEST(verdict.errorReply, "errorReply");
    QTEST(verdict.accepted, "accepted");
    if (verdict.errorReply)
        QCOMPARE(verdict.errorCode, quint8(0x07));
}

namespace {

void addCorpusRows(const QString &folder)
{
    QTest::addColumn<QString>("path");
    const QDir corpus(folder);
    const QStringList names = corpus.entryList(QDir::Files);
    QVERIFY(names.size() >= 10);
    for (const QString &name : names)
        QTest::newRow(qPrintable(name)) << corpus.filePath(name);
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

void TestFrames::wholeReply_data()
{
    QTest::addColumn<bool>("bootloader");
    QTest::addColumn<int>("pending");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("whole"); // may be judged before the line has been quiet
    // More cases, cut into arrivals, in the seeds of the arrival corpus below.

    const QByteArray read = reply(0x22, QByteArray("\x01\x28", 2) + ReadPayload);
    QTest::newRow("read reply") << false << int('!') << read << true;
    QTest::newRow("read reply but its last byte") << false << int('!') << read.chopped(1) << false;
    QTest::newRow("read reply of six bytes") << false << int('!') << reply(0x22) << false;
    for (const char command : {'2', '4', 'Q', 'w', '\x60', 'a'})
        QTest::newRow(qPrintable(QStringLiteral("short reply %1").arg(hex2(command)))) << false << 0 << reply(command) << true;
    QTest::newRow("a command no reply has") << false << int('!') << reply('3') << false;
    QTest::newRow("wrong start byte") << false << int('a') << withChecksum(QByteArray::fromHex("fe610028")) << false;
    QTest::newRow("start byte alone") << false << int('a') << QByteArray(1, char(0xFF)) << false;

    const QByteArray good = bootReply(0x04);
    QTest::newRow("announce reply") << true << 3 << good << true;
    QTest::newRow("reply with data") << true << 7 << bootReply(0x08, "ab") << true;
    QTest::newRow("count alone") << true << 3 << QByteArray::fromHex("fc13") << false;
    QTest::newRow("length field short") << true << 3 << [&] { QByteArray r = good; r[2] = 5; return r; }() << false;
    QTest::newRow("end byte wrong") << true << 3 << [&] { QByteArray r = good; r[5] = 0; return r; }() << false;
    QTest::newRow("checksum wrong") << true << 3 << [&] { QByteArray r = good; r[4] = char(r[4] ^ 1); return r; }()
                                    << false;
    QTest::newRow("one byte short") << true << 3 << good.chopped(1) << false;
}

void TestFrames::wholeReply()
{
    QFETCH(bool, bootloader);
    QFETCH(int, pending);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, whole);
    QCOMPARE(bootloader ? isWholeBootloaderReply(span(bytes), quint8(pending)) : isWholeApplicationReply(span(bytes)),
             whole);
}

void TestFrames::arrivalCorpus_fastJudgementHolds_data()
{
    addCorpusRows(QStringLiteral(VELKA_ARRIVAL_CORPUS));
}

void TestFrames::arrivalCorpus_fastJudgementHolds()
{
    QFETCH(QString, path);
    const QByteArray bytes = contents(path);
    const ArrivalInput input = arrivalInput(span(bytes));
    const char *fault = arrivalFault(input);
    QVERIFY2(!fault, fault);
    // Seeds name how their last arrival ends: a whole reply, or a wait for the quiet time.
    const QString name = QFileInfo(path).fileName();
    if (name.startsWith(u"whole_") || name.startsWith(u"waits_"))
        QCOMPARE(isWholeReply(input, input.stream), name.startsWith(u"whole_"));
}

void TestFrames::appCorpus_verdictsHoldTogether_data()
{
    addCorpusRows(QStringLiteral(VELKA_APP_VERDICT_CORPUS));
}

void TestFrames::appCorpus_verdictsHoldTogether()
{
    QFETCH(QString, path);
    const QByteArray bytes = contents(path);
    const VerdictInput input = verdictInput(span(bytes));
    const ReplyVerdict verdict = judgeApplicationReply(input.reply, input.complete, input.pending);
    const char *fault = verdictFault(input, verdict);
    QVERIFY2(!fault, fault);
    // Seeds name their outcome; inputs the fuzzer found only have to hold together.
    const QString name = QFileInfo(path).fileName();
    if (name.startsWith(u"accepted_"))
        QVERIFY(verdict.accepted);
    else if (name.startsWith(u"error_"))
        QVERIFY(!verdict.accepted && !verdict.error.isEmpty());
    else if (name.startsWith(u"unanswered_"))
        QVERIFY(!verdict.accepted && verdict.error.isEmpty());
}

void TestFrames::bootCorpus_verdictsHoldTogether_data()
{
    addCorpusRows(QStringLiteral(VELKA_BOOT_VERDICT_CORPUS));
}

void TestFrames::bootCorpus_verdictsHoldTogether()
{
    QFETCH(QString, path);
    const QByteArray bytes = contents(path);
    const VerdictInput input = bootVerdictInput(span(bytes));
    const BootReplyVerdict verdict = judgeBootloaderReply(input.reply, input.pending);
    const char *fault = bootVerdictFault(input, verdict);
    QVERIFY2(!fault, fault);
    const QString name = QFileInfo(path).fileName();
    const bool judgedFaulty = !verdict.frameErrors.isEmpty() || !verdict.commandError.isEmpty();
    if (name.startsWith(u"accepted_"))
        QVERIFY(verdict.accepted);
    else if (name.startsWith(u"refused_"))
        QVERIFY(!verdict.accepted && verdict.errorReply);
    else if (name.startsWith(u"error_"))
        QVERIFY(!verdict.accepted && !verdict.errorReply && judgedFaulty);
    else if (name.startsWith(u"unanswered_"))
        QVERIFY(!verdict.accepted && !verdict.errorReply && !judgedFaulty);
}

QTEST_APPLESS_MAIN(TestFrames)
#include "tst_frames.moc"
