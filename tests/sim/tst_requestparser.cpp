// How the simulated module cuts the tool's bytes into frames, step by step, and that the
// module answers the same however the line happens to deliver them. Checksums and scrambling
// here are worked out independently of the code under test. Also replays the parser's fuzz
// corpus through the fuzzer's own checks.
#include "ModuleFirmware.h"
#include "RequestParserChecks.h"
#include "common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

using AppKind = RequestParser::ApplicationStep::Kind;
using BootKind = RequestParser::BootloaderStep::Kind;

const QByteArray ReadRequest = withChecksum(QByteArray::fromHex("ff2100000080"));
const QByteArray WriteRequest = withChecksum(QByteArray::fromHex("ff3101000180"));
const QByteArray RssiRequest = withChecksum(QByteArray::fromHex("ff6100000000"));
const QByteArray BootRequest = withChecksum(QByteArray::fromHex("ff77424f4f54"));
const QByteArray DataFrameBytes = [] {
    QByteArray payload(384, Qt::Uninitialized);
    for (int i = 0; i < payload.size(); ++i)
        payload[i] = char(i * 13 + 5);
    return withChecksum(QByteArray::fromHex("ff33") + payload);
}();
const QByteArray AnnounceBytes = withChecksum(QByteArray::fromHex("030041000100"));
const QByteArray RowDataBytes = [] {
    QByteArray row(192, Qt::Uninitialized);
    for (int i = 0; i < row.size(); ++i)
        row[i] = char(i * 7);
    return withChecksum(QByteArray::fromHex("05000000") + row);
}();
const QByteArray FinishBytes = withChecksum(QByteArray::fromHex("0701"));
const QByteArray ResetBytes = withChecksum(QByteArray::fromHex("10b0"));

QByteArray spoiled(QByteArray frame)
{
    frame[frame.size() - 1] = char(frame[frame.size() - 1] ^ 1);
    return frame;
}

} // namespace

class TestRequestParser : public QObject
{
    Q_OBJECT
private slots:
    void applicationStep_data();
    void applicationStep();
    void bootloaderStep_data();
    void bootloaderStep();
    void module_answersAlikeHoweverTheLineCutsTheBytes_data();
    void module_answersAlikeHoweverTheLineCutsTheBytes();
    void fuzzCorpus_stepsHoldTogether_data();
    void fuzzCorpus_stepsHoldTogether();
};

void TestRequestParser::applicationStep_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<bool>("expectData");
    QTest::addColumn<AppKind>("kind");
    QTest::addColumn<int>("consumed");
    QTest::addColumn<int>("frameStart"); // -1: no frame

    QTest::newRow("nothing") << QByteArray() << false << AppKind::NeedMore << 0 << -1;
    QTest::newRow("stray bytes dropped") << QByteArray::fromHex("000012") << false << AppKind::NeedMore << 3 << -1;
    QTest::newRow("start byte kept") << QByteArray::fromHex("0000ff21") << false << AppKind::NeedMore << 2 << -1;
    QTest::newRow("request after preamble") << QByteArray(50, '\0') + ReadRequest << false << AppKind::Frame << 58 << 50;
    QTest::newRow("request, next one waits") << RssiRequest + ReadRequest.left(3) << false << AppKind::Frame << 8 << 0;
    QTest::newRow("bad request gives up its start byte") << spoiled(ReadRequest) << false << AppKind::Rejected << 1 << -1;
    QTest::newRow("data frame expected") << DataFrameBytes << true << AppKind::Frame << 388 << 0;
    QTest::newRow("data frame cut short") << DataFrameBytes.left(387) << true << AppKind::NeedMore << 0 << -1;
    QTest::newRow("bad data frame dropped whole") << spoiled(DataFrameBytes) + ReadRequest << true << AppKind::Rejected << 388 << -1;
    QTest::newRow("'3' unexpected is a request") << DataFrameBytes << false << AppKind::Rejected << 1 << -1;
}

void TestRequestParser::applicationStep()
{
    QFETCH(QByteArray, input);
    QFETCH(bool, expectData);
    QFETCH(int, frameStart);
    const RequestParser::ApplicationStep step = RequestParser::parseApplicationStep(input, expectData);
    QTEST(step.kind, "kind");
    QTEST(int(step.consumed), "consumed");
    if (frameStart >= 0) {
        QCOMPARE(step.frame.data(), input.constData() + frameStart);
        QCOMPARE(int(frameStart + step.frame.size()), int(step.consumed));
    }
}

void TestRequestParser::bootloaderStep_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<BootKind>("kind");
    QTest::addColumn<int>("consumed");
    QTest::addColumn<QByteArray>("frame");

    QTest::newRow("nothing") << QByteArray() << BootKind::NeedMore << 0 << QByteArray();
    QTest::newRow("preamble zero") << QByteArray::fromHex("0000") << BootKind::Idle << 1 << QByteArray();
    QTest::newRow("application request passed over") << ReadRequest + masked(FinishBytes) << BootKind::ApplicationFrame << 8
                                                     << QByteArray();
    QTest::newRow("application request cut short") << ReadRequest.left(7) << BootKind::NeedMore << 0 << QByteArray();
    QTest::newRow("noise") << QByteArray::fromHex("12") + masked(FinishBytes) << BootKind::Noise << 1 << QByteArray();
    QTest::newRow("announce") << masked(AnnounceBytes) << BootKind::Frame << 8 << AnnounceBytes;
    QTest::newRow("row data") << masked(RowDataBytes) + masked(FinishBytes) << BootKind::Frame << 198 << RowDataBytes;
    QTest::newRow("row data cut short") << masked(RowDataBytes).left(197) << BootKind::NeedMore << 0 << QByteArray();
    QTest::newRow("finish") << masked(FinishBytes) << BootKind::Frame << 4 << FinishBytes;
    QTest::newRow("reset") << masked(ResetBytes) << BootKind::Frame << 4 << ResetBytes;
    // The checksum is the bootloader's to judge: it answers such a frame with an error.
    QTest::newRow("bad checksum still a frame") << masked(spoiled(FinishBytes)) << BootKind::Frame << 4 << spoiled(FinishBytes);
}

void TestRequestParser::bootloaderStep()
{
    QFETCH(QByteArray, input);
    const RequestParser::BootloaderStep step = RequestParser::parseBootloaderStep(input);
    QTEST(step.kind, "kind");
    QTEST(int(step.consumed), "consumed");
    QTEST(step.frame, "frame");
}

void TestRequestParser::module_answersAlikeHoweverTheLineCutsTheBytes_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<int>("answers");

    QTest::newRow("read, write, data, rssi")
        << QByteArray(50, '\0') + ReadRequest + WriteRequest + DataFrameBytes + RssiRequest << 4;
    QTest::newRow("stray bytes and a bad request between")
        << QByteArray::fromHex("1234") + spoiled(ReadRequest) + RssiRequest + QByteArray::fromHex("ff") << 1;
    QTest::newRow("boot, then a row and the reset, then the application again")
        << BootRequest + QByteArray(3, '\0') + masked(AnnounceBytes) + masked(RowDataBytes) + masked(FinishBytes)
               + QByteArray::fromHex("123456") + masked(ResetBytes) + RssiRequest
        << 7; // boot, announce, row data, finish, one for the noise, the reset (silent), rssi
}

void TestRequestParser::module_answersAlikeHoweverTheLineCutsTheBytes()
{
    QFETCH(QByteArray, stream);
    const auto replies = [](const QList<ModuleAnswer> &answers) {
        QList<QByteArray> list;
        for (const ModuleAnswer &answer : answers)
            list << QByteArray(1, char(answer.request)) + answer.reply;
        return list;
    };
    ModuleFirmware whole;
    const QList<QByteArray> expected = replies(whole.receive(stream));
    QTEST(int(expected.size()), "answers");
    for (const int piece : {1, 3, 7, 200}) {
        ModuleFirmware cut;
        QList<ModuleAnswer> answers;
        for (qsizetype at = 0; at < stream.size(); at += piece)
            answers += cut.receive(QByteArrayView(stream).sliced(at, std::min<qsizetype>(piece, stream.size() - at)));
        QCOMPARE(replies(answers), expected);
        QCOMPARE(cut.image(), whole.image());
        QCOMPARE(cut.bootloader().memory(), whole.bootloader().memory());
        QCOMPARE(cut.bootloader().isRunning(), whole.bootloader().isRunning());
    }
}

void TestRequestParser::fuzzCorpus_stepsHoldTogether_data()
{
    QTest::addColumn<QString>("path");
    const QDir corpus(QStringLiteral(VELKA_SIM_REQUEST_CORPUS));
    const QStringList names = corpus.entryList(QDir::Files);
    QVERIFY(names.size() >= 10);
    for (const QString &name : names)
        QTest::newRow(qPrintable(name)) << corpus.filePath(name);
}

void TestRequestParser::fuzzCorpus_stepsHoldTogether()
{
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const char *fault = RequestParserChecks::requestStreamFault(
        std::span(reinterpret_cast<const quint8 *>(bytes.constData()), size_t(bytes.size())));
    QVERIFY2(!fault, fault);
}

QTEST_APPLESS_MAIN(TestRequestParser)
#include "tst_requestparser.moc"
