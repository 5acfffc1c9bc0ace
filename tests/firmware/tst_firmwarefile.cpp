#include "FirmwareFileChecks.h"
#include "FirmwareFileWriter.h"
#include "core/firmware/DataLine.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <memory>

using Outcome = FirmwareFile::Outcome;
using Refusal = FirmwareFile::Refusal;
using LineEnd = FirmwareFileWriter::LineEnd;
using Encoding = FirmwareFileWriter::Encoding;

class TestFirmwareFile : public QObject
{
    Q_OBJECT
private slots:
    void split32_unscramblesWithFileMaskAndTopNibble_data();
    void split32_unscramblesWithFileMaskAndTopNibble();
    void wellFormedFile_logsHeaderInGreenAndFillsImage_data();
    void wellFormedFile_logsHeaderInGreenAndFillsImage();
    void checkedFile_isUsableOrRefusedInRedOrFails_data();
    void checkedFile_isUsableOrRefusedInRedOrFails();
    void versionText_givesMajorAndMinor_data();
    void versionText_givesMajorAndMinor();
    void rows_coverTheFileAndSkipErasedRows_data();
    void rows_coverTheFileAndSkipErasedRows();
    void rowTable_listsEveryRowOnTheDiagnosticList();
    void readingAgain_leavesNothingOfTheEarlierFile();
    void fuzzCorpus_holdsTogetherAndSeedsAsNamed_data();
    void fuzzCorpus_holdsTogetherAndSeedsAsNamed();
};

namespace {

struct Reading
{
    FirmwareFile file;
    CollectedReport report;
    Outcome outcome = Outcome::Failed;

    Outcome read(const QByteArray &bytes)
    {
        report = CollectedReport();
        outcome = file.parse(FirmwareFile::decode(bytes), report);
        return outcome;
    }
};

// Varied instructions, none of them the erased 0xFFFFFF.
QList<quint32> instructions(int count)
{
    QList<quint32> list;
    for (int k = 0; k < count; ++k)
        list << (quint32(k) * 0x010203u + 0x123456u) % 0xFFFFFFu;
    return list;
}

FirmwareFileWriter writer(int count, quint16 start = 0)
{
    FirmwareFileWriter w;
    w.startAddress = start;
    w.instructions = instructions(count);
    return w;
}

// The lines of `w` with a digit of line `index` changed by one.
QByteArray withDigitChanged(const FirmwareFileWriter &w, int index)
{
    QStringList lines = w.lines();
    QString &line = lines[index];
    const QChar last = line.back();
    line.back() = last == QLatin1Char('9') ? QLatin1Char('8') : QChar(last.unicode() + 1);
    return FirmwareFileWriter::encode(lines);
}

// The first number line from `from` on made to hold 255 more: one byte up, the next one
// down, so the bytes' sum stays as it was.
QByteArray withSumKept(const FirmwareFileWriter &w, int from)
{
    QStringList lines = w.lines();
    for (int i = from; i + 1 < lines.size(); ++i) {
        const quint32 v = lines[i].mid(1).toUInt();
        if ((v & 0xFF) > 0 && ((v >> 8) & 0xFF) < 0xFF) {
            lines[i] = QLatin1Char(':') + QString::number(v + 255).rightJustified(10, QLatin1Char('0'));
            break;
        }
    }
    return FirmwareFileWriter::encode(lines);
}

const QString CountedFor100 = QStringLiteral("gezählte adresszeilen: : 00C8");

} // namespace

void TestFirmwareFile::split32_unscramblesWithFileMaskAndTopNibble_data()
{
    QTest::addColumn<QString>("eingabe");
    QTest::addColumn<bool>("number");
    QTest::addColumn<int>("U");
    QTest::addColumn<int>("H");
    QTest::addColumn<int>("L");
    QTest::addColumn<int>("byteSum");

    // Worked by hand: mask = 0x11 * top nibble ^ 0x6B.
    QTest::newRow("zero, nibble 0") << "0000000000" << true << 0x6B << 0x6B << 0x6B << 0;
    QTest::newRow("all ones, nibble 15") << "4294967295" << true << 0x6B << 0x6B << 0x6B << 1020;
    QTest::newRow("minus one is all ones") << "-1" << true << 0x6B << 0x6B << 0x6B << 1020;
    QTest::newRow("dollar hex, nibble 1") << "$1A2B3C4D" << true << 0x51 << 0x46 << 0x37 << 206;
    QTest::newRow("0x hex, nibble 7") << "0x7F000000" << true << 0x1C << 0x1C << 0x1C << 127;
    QTest::newRow("leading blanks") << "  12" << true << 0x6B << 0x6B << 0x67 << 12;
    QTest::newRow("eleventh digit ignored, low 32 bits") << "99999999999" << true << 0x35 << 0xDD << 0xC1 << 577;
    QTest::newRow("trailing blank") << "12 " << false << 0 << 0 << 0 << 0;
    QTest::newRow("empty") << "" << false << 0 << 0 << 0 << 0;
    QTest::newRow("decimal point") << "1.5" << false << 0 << 0 << 0 << 0;
    QTest::newRow("sign only") << "-" << false << 0 << 0 << 0 << 0;
}

void TestFirmwareFile::split32_unscramblesWithFileMaskAndTopNibble()
{
    QFETCH(QString, eingabe);
    QFETCH(bool, number);
    const std::optional<DataLineValue> value = split32(eingabe);
    QCOMPARE(bool(value), number);
    if (value) {
        QTEST(int(value->U), "U");
        QTEST(int(value->H), "H");
        QTEST(int(value->L), "L");
        QTEST(int(value->byteSum), "byteSum");
    }
}

void TestFirmwareFile::wellFormedFile_logsHeaderInGreenAndFillsImage_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("releaseDate");

    const FirmwareFileWriter plain = writer(100);
    QTest::newRow("CR LF, nibbles varied") << plain.bytes() << 0 << plain.device << plain.releaseDate;
    QTest::newRow("LF") << plain.bytes(LineEnd::Lf) << 0 << plain.device << plain.releaseDate;
    QTest::newRow("CR") << plain.bytes(LineEnd::Cr) << 0 << plain.device << plain.releaseDate;
    QTest::newRow("UTF-8 byte-order mark") << plain.bytes(LineEnd::CrLf, Encoding::Utf8Bom) << 0
                                           << plain.device << plain.releaseDate;
    QTest::newRow("UTF-16 LE byte-order mark") << plain.bytes(LineEnd::Lf, Encoding::Utf16LeBom) << 0
                                               << plain.device << plain.releaseDate;
    QTest::newRow("no line end after the last line") << plain.bytes().chopped(2) << 0 << plain.device
                                                     << plain.releaseDate;
    for (int nibble : {0, 6, 15}) {
        FirmwareFileWriter w = plain;
        w.nibble = nibble;
        w.lowNibble = 15 - nibble;
        QTest::addRow("every line nibble %d", nibble) << w.bytes() << 0 << w.device << w.releaseDate;
    }
    const FirmwareFileWriter high = writer(100, 0xC000);
    QTest::newRow("start above 0") << high.bytes() << 0xC000 << high.device << high.releaseDate;

    QStringList lines = plain.lines();
    for (int i : {104, 60, 5})
        lines.insert(i, i == 60 ? QStringLiteral(" :12") : i == 5 ? QString() : QStringLiteral("Kommentar"));
    QTest::newRow("other lines between the data lines")
        << FirmwareFileWriter::encode(lines) << 0 << plain.device << plain.releaseDate;

    FirmwareFileWriter overlong = plain;
    overlong.tail = QStringLiteral("77;Rest der Zeile");
    QTest::newRow("overlong data lines") << overlong.bytes() << 0 << plain.device << plain.releaseDate;
    FirmwareFileWriter bare = plain;
    bare.padNumbers = false;
    QTest::newRow("numbers without leading zeros") << bare.bytes() << 0 << plain.device << plain.releaseDate;

    FirmwareFileWriter header = plain;
    header.rawLines[0] = QStringLiteral("Gerät");
    header.rawLines[3] = QStringLiteral("Datum:");
    QTest::newRow("header lines of six characters or fewer") << header.bytes() << 0 << QString() << QString();
    FirmwareFileWriter marked = plain;
    marked.rawLines[105] = QStringLiteral(":abc/-") + plain.lines().last().mid(6);
    QTest::newRow("checksum line's first characters not numbers")
        << marked.bytes() << 0 << plain.device << plain.releaseDate;
}

void TestFirmwareFile::wellFormedFile_logsHeaderInGreenAndFillsImage()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, start);
    QFETCH(QString, device);
    QFETCH(QString, releaseDate);

    Reading r;
    QCOMPARE(r.read(bytes), Outcome::Usable);
    QVERIFY(r.file.usable());
    const QList<LogEntry> expected{
        {LogKind::Success, QStringLiteral("Firmware-Update-Datei geöffnet:")},
        {LogKind::Success, QStringLiteral("Firmware für:    ") + device},
        {LogKind::Success, QStringLiteral("Firmwareversion: 1.28")},
        {LogKind::Success, QStringLiteral("Ausgabedatum:    ") + releaseDate, LogLayout::EmptyLine},
    };
    QCOMPARE(r.report.infos, expected);
    QCOMPARE(r.report.diagnostics, QStringList{CountedFor100});

    QCOMPARE(int(r.file.startAddress()), start);
    QCOMPARE(int(r.file.addressCount()), 200);
    const QList<quint32> written = instructions(100);
    const ProgramImage &image = r.file.progImage();
    for (int k = 0; k < written.size(); ++k) {
        QCOMPARE(int(image[size_t(start + 2 * k)]), int(written[k] >> 16));
        QCOMPARE(int(image[size_t(start + 2 * k + 1)]), int(written[k] & 0xFFFF));
    }
    QCOMPARE(int(image[size_t(start + 200)]), 0);
}

void TestFirmwareFile::checkedFile_isUsableOrRefusedInRedOrFails_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<Refusal>("refusal");
    QTest::addColumn<QString>("redLine"); // empty: nothing logged

    const QString badFile = QStringLiteral("Fehlerhafte Datei - \"Datei Laden\" abgebrochen!");
    const FirmwareFileWriter plain = writer(100);

    FirmwareFileWriter spoilt = plain;
    spoilt.checksumError = 1;
    QTest::newRow("checksum off by one") << spoilt.bytes() << Outcome::Refused << Refusal::WrongChecksum << badFile;
    QTest::newRow("a digit of an instruction changed")
        << withDigitChanged(plain, 40) << Outcome::Refused << Refusal::WrongChecksum << badFile;
    QTest::newRow("a digit of the start address changed")
        << withDigitChanged(plain, 4) << Outcome::Refused << Refusal::WrongChecksum << badFile;
    // The checksum adds bytes: a change that keeps their sum goes unnoticed.
    QTest::newRow("a change that keeps the bytes' sum") << withSumKept(plain, 40) << Outcome::Usable
                                                        << Refusal::None << QString();

    auto withRaw = [&](int index, const QString &line) {
        FirmwareFileWriter w = plain;
        w.rawLines[index] = line;
        return w.bytes();
    };
    QTest::newRow("instruction not a number") << withRaw(30, QStringLiteral(":12a4")) << Outcome::Failed
                                              << Refusal::ReadFailed << QString();
    QTest::newRow("empty data line") << withRaw(30, QStringLiteral(":")) << Outcome::Failed
                                     << Refusal::ReadFailed << QString();
    QTest::newRow("start address not a number") << withRaw(4, QStringLiteral(":x")) << Outcome::Failed
                                                << Refusal::ReadFailed << QString();
    QTest::newRow("checksum field not a number") << withRaw(105, QStringLiteral(":000001234z"))
                                                 << Outcome::Failed << Refusal::ReadFailed << QString();
    QTest::newRow("no data line") << FirmwareFileWriter::encode(plain.lines().mid(0, 4)) << Outcome::Failed
                                  << Refusal::ReadFailed << QString();

    const QString noPoint = QStringLiteral(
        "Fehlerhafte Datei - Firmwareversion ohne Punkt, \"Datei Laden\" abgebrochen!");
    FirmwareFileWriter unversioned = plain;
    unversioned.version = QStringLiteral("128");
    QTest::newRow("version without a point") << unversioned.bytes() << Outcome::Refused
                                             << Refusal::NoVersionPoint << noPoint;
    QTest::newRow("empty file") << QByteArray() << Outcome::Refused << Refusal::NoVersionPoint << noPoint;

    for (const char *start : {"0200", "0080", "FFFE"}) {
        QTest::addRow("start %s not on a page", start)
            << writer(100, quint16(QByteArray(start).toUInt(nullptr, 16))).bytes() << Outcome::Refused
            << Refusal::StartNotOnPage
            << QStringLiteral("Fehlerhafte Datei - Startadresse $%1 liegt nicht am Anfang einer Seite, "
                              "\"Datei Laden\" abgebrochen!").arg(QLatin1String(start));
    }
    FirmwareFileWriter both = writer(100, 0x0200);
    both.checksumError = -3;
    QTest::newRow("wrong checksum told before the start") << both.bytes() << Outcome::Refused
                                                          << Refusal::WrongChecksum << badFile;

    QTest::newRow("10304 instructions fill the table") << writer(10304).bytes() << Outcome::Usable
                                                       << Refusal::None << QString();
    QTest::newRow("data past the last address") << writer(513, 0xFC00).bytes() << Outcome::Refused
        << Refusal::BeyondMemory
        << QStringLiteral("Fehlerhafte Datei - Daten reichen über das Ende des Programmspeichers, "
                          "\"Datei Laden\" abgebrochen!");
    for (int count : {10305, 32769}) { // 32769: the 16-bit address count wraps to 2
        QTest::addRow("%d instructions", count)
            << writer(count).bytes() << Outcome::Refused << Refusal::TooManyRows
            << QStringLiteral("Fehlerhafte Datei - zu viele Daten (%1 Befehle, höchstens 10304), "
                              "\"Datei Laden\" abgebrochen!").arg(count);
    }
}

void TestFirmwareFile::checkedFile_isUsableOrRefusedInRedOrFails()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Outcome, outcome);
    QFETCH(Refusal, refusal);
    QFETCH(QString, redLine);

    Reading r;
    QCOMPARE(r.read(bytes), outcome);
    QCOMPARE(r.file.refusal(), refusal);
    QCOMPARE(r.file.usable(), refusal == Refusal::None);
    if (outcome != Outcome::Usable) {
        if (redLine.isEmpty()) {
            QCOMPARE(r.report.infos.size(), 0);
        } else {
            QCOMPARE(r.report.infos, (QList<LogEntry>{{LogKind::Failure, redLine, LogLayout::EmptyLine}}));
        }
    }

    // Only a usable file gives rows.
    CollectedReport rowReport;
    auto rows = std::make_unique<RowTable>();
    QCOMPARE(rows->build(r.file, rowReport), r.file.usable());
    if (!r.file.usable()) {
        QCOMPARE(rows->rowCount(), 0);
        QVERIFY(rowReport.diagnostics.isEmpty());
    }
}

void TestFirmwareFile::versionText_givesMajorAndMinor_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");

    QTest::newRow("1.28") << "1.28" << 1 << 28;
    QTest::newRow("2.5") << "2.5" << 2 << 5;
    QTest::newRow("1.2.3: minor not a number") << "1.2.3" << 1 << 0;
    QTest::newRow("major not a number: both 0") << "x.5" << 0 << 0;
    QTest::newRow("nothing after the point") << "3." << 3 << 0;
    QTest::newRow("leading blank, leading zero") << " 4.07" << 4 << 7;
    QTest::newRow("hexadecimal") << "$A.$B" << 10 << 11;
    QTest::newRow("beyond 32 bits") << "1.4294967296" << 1 << 0;
}

void TestFirmwareFile::versionText_givesMajorAndMinor()
{
    QFETCH(QString, version);
    FirmwareFileWriter w = writer(4);
    w.version = version;
    Reading r;
    QCOMPARE(r.read(w.bytes()), Outcome::Usable);
    QCOMPARE(r.file.versionText(), version);
    QTEST(r.file.fileVersionMajor(), "major");
    QTEST(r.file.fileVersionMinor(), "minor");
    QCOMPARE(r.report.infos[2].text, QStringLiteral("Firmwareversion: ") + version);
}

void TestFirmwareFile::rows_coverTheFileAndSkipErasedRows_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<QList<quint32>>("code");
    QTest::addColumn<QList<int>>("startadressen");
    QTest::addColumn<QList<bool>>("written");

    const auto erased = [](QList<quint32> list, int from, int count) {
        for (int k = from; k < from + count; ++k)
            list[k] = 0xFFFFFF;
        return list;
    };
    const auto addresses = [](int start, int rows) {
        QList<int> list;
        for (int i = 0; i < rows; ++i)
            list << (start + 128 * i) % 65536;
        return list;
    };

    QTest::newRow("100 instructions from 0: two rows in page 0")
        << 0 << instructions(100) << QList<int>{0, 128} << QList<bool>{true, true};
    QTest::newRow("200 instructions from a later page: all of them")
        << 0x0400 << instructions(200) << addresses(0x0400, 4) << QList<bool>{true, true, true, true};
    QTest::newRow("erased row inside a page is skipped")
        << 0 << erased(instructions(192), 64, 64) << addresses(0, 3) << QList<bool>{true, false, true};
    QTest::newRow("erased first row of a page with data is written")
        << 0 << erased(instructions(192), 0, 64) << addresses(0, 3) << QList<bool>{true, true, true};
    QList<bool> firstPageErased(8, false);
    firstPageErased << true;
    QTest::newRow("erased page is skipped whole")
        << 0x0800 << erased(instructions(9 * 64), 0, 8 * 64) << addresses(0x0800, 9) << firstPageErased;
    QTest::newRow("erased tail of the last row is filled with 0")
        << 0 << erased(instructions(65), 64, 1) << QList<int>{0, 128} << QList<bool>{true, true};
    QTest::newRow("no instructions: no rows") << 0x0400 << QList<quint32>{} << QList<int>{} << QList<bool>{};
    QTest::newRow("161 rows") << 0 << instructions(10304) << addresses(0, 161) << QList<bool>(161, true);
    QTest::newRow("the last page up to the last address")
        << 0xFC00 << instructions(512) << addresses(0xFC00, 8) << QList<bool>(8, true);
}

void TestFirmwareFile::rows_coverTheFileAndSkipErasedRows()
{
    QFETCH(int, start);
    QFETCH(QList<quint32>, code);
    QFETCH(QList<int>, startadressen);
    QFETCH(QList<bool>, written);

    FirmwareFileWriter w;
    w.startAddress = quint16(start);
    w.instructions = code;
    Reading r;
    QCOMPARE(r.read(w.bytes()), Outcome::Usable);
    auto table = std::make_unique<RowTable>();
    QVERIFY(table->build(r.file, r.report));

    QCOMPARE(table->rowCount(), startadressen.size());
    QCOMPARE(table->rowsToWrite(), int(written.count(true)));
    for (int i = 0; i < table->rowCount(); ++i) {
        const FirmwareRow &row = table->rows()[size_t(i)];
        QCOMPARE(int(row.address), startadressen[i]);
        QCOMPARE(row.page, i / 8);
        QCOMPARE(row.rowInPage, i % 8);
        QCOMPARE(row.erasesPage, i % 8 == 0);
        QCOMPARE(row.toWrite, written[i]);
        for (int j = 0; j < 64; ++j) {
            const int k = 64 * i + j;
            const quint32 instruction = k < code.size() ? code[k] : 0;
            QCOMPARE(row.data[size_t(3 * j)], quint8(instruction >> 16));
            QCOMPARE(row.data[size_t(3 * j + 1)], quint8(instruction >> 8));
            QCOMPARE(row.data[size_t(3 * j + 2)], quint8(instruction));
        }
    }
}

void TestFirmwareFile::rowTable_listsEveryRowOnTheDiagnosticList()
{
    QList<quint32> code = instructions(130);
    for (int k = 0; k < 64; ++k)
        code[k] = 0xFFFFFF;
    FirmwareFileWriter w;
    w.instructions = code;
    Reading r;
    QCOMPARE(r.read(w.bytes()), Outcome::Usable);
    QCOMPARE(r.report.diagnostics, QStringList{QStringLiteral("gezählte adresszeilen: : 0104")});

    CollectedReport report;
    auto table = std::make_unique<RowTable>();
    QVERIFY(table->build(r.file, report));
    const QStringList expected{
        " ---------- ",
        "Adresszeilen: 0104",
        " rowcount: 3",
        " pagecount: 0",
        "",
        "row: 0  startadresse: 000000  page: 0",
        "    rowinpage: 0 userow: NO    clearpage: YES ",
        "",
        "row: 1  startadresse: 000080  page: 0",
        "    rowinpage: 1 userow: YES   clearpage: NO  ",
        "",
        "row: 2  startadresse: 000100  page: 0",
        "    rowinpage: 2 userow: YES   clearpage: NO  ",
        "",
        "Datensätze insgesamt vorhanden: 3",
        " davon werden rows geschrieben: 3",
    };
    QCOMPARE(report.diagnostics, expected);
    QVERIFY(report.infos.isEmpty());
    // Listed as it was before its page's later rows were seen, written all the same.
    QVERIFY(table->rows()[0].toWrite);
}

void TestFirmwareFile::readingAgain_leavesNothingOfTheEarlierFile()
{
    FirmwareFileWriter earlier = writer(300);
    earlier.instructions.fill(0x123456);
    Reading r;
    QCOMPARE(r.read(earlier.bytes()), Outcome::Usable);

    QCOMPARE(r.read(writer(100).bytes()), Outcome::Usable);
    auto table = std::make_unique<RowTable>();
    QVERIFY(table->build(r.file, r.report));
    QCOMPARE(table->rowCount(), 2);
    // Entries 200 to 255 of the second row were not set by this file.
    const FirmwareRow &second = table->rows()[1];
    for (int j = 36; j < 64; ++j)
        QCOMPARE(second.data[size_t(3 * j + 2)], quint8(0));
    QCOMPARE(int(r.file.progImage()[400]), 0);

    // Also a file refused before its data were read leaves no image behind.
    FirmwareFileWriter unversioned = earlier;
    unversioned.version = QStringLiteral("1");
    QCOMPARE(r.read(earlier.bytes()), Outcome::Usable);
    QCOMPARE(r.read(unversioned.bytes()), Outcome::Refused);
    QCOMPARE(int(r.file.progImage()[0]), 0);
    QCOMPARE(int(r.file.addressCount()), 0);
}

void TestFirmwareFile::fuzzCorpus_holdsTogetherAndSeedsAsNamed_data()
{
    QTest::addColumn<QString>("path");
    const QDir corpus(QStringLiteral(VELKA_FIRMWARE_CORPUS));
    const QStringList names = corpus.entryList(QDir::Files);
    QVERIFY(names.size() >= 10);
    for (const QString &name : names)
        QTest::newRow(qPrintable(name)) << corpus.filePath(name);
}

void TestFirmwareFile::fuzzCorpus_holdsTogetherAndSeedsAsNamed()
{
    QFETCH(QString, path);
    QFile input(path);
    QVERIFY(input.open(QIODevice::ReadOnly));
    Reading r;
    r.read(input.readAll());
    auto table = std::make_unique<RowTable>();
    const bool built = table->build(r.file, r.report);
    const char *fault = firmwareFault(r.outcome, r.file, r.report, *table, built);
    QVERIFY2(!fault, fault);
    // Seeds name their outcome; inputs the fuzzer found only have to hold together.
    const QString name = QFileInfo(path).fileName();
    if (name.startsWith(u"ok_") || name.startsWith(u"bad_"))
        QCOMPARE(r.file.usable(), name.startsWith(u"ok_"));
}

QTEST_APPLESS_MAIN(TestFirmwareFile)
#include "tst_firmwarefile.moc"
