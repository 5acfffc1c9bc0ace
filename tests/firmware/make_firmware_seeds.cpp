// Writes the seed corpus of the firmware-file fuzz harness: one file per case, named after
// the outcome the reader must give (ok_: an update may start from it, bad_: refused or not
// readable). The test suite replays the corpus.
//   cmake --build build --target make_firmware_seeds
//   build/tests/make_firmware_seeds fuzz/corpus/firmware_file

#include "FirmwareFileWriter.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <cstdio>

namespace {

using LineEnd = FirmwareFileWriter::LineEnd;
using Encoding = FirmwareFileWriter::Encoding;

FirmwareFileWriter withCode(int count, quint16 start = 0)
{
    FirmwareFileWriter w;
    w.startAddress = start;
    for (int k = 0; k < count; ++k)
        w.instructions << (quint32(k) * 0x030507u + 0x0A0B0Cu) % 0xFFFFFFu;
    return w;
}

// Every instruction line a bare ":0", so that a file of many rows stays small.
FirmwareFileWriter compact(int count)
{
    FirmwareFileWriter w;
    w.nibble = 0;
    w.lowNibble = 0;
    w.padNumbers = false;
    w.instructions = QList<quint32>(count, 0x6B6B6B);
    return w;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    QMap<QString, QByteArray> seeds;

    const FirmwareFileWriter plain = withCode(100);
    seeds[QStringLiteral("ok_crlf_varied_nibbles")] = plain.bytes();
    seeds[QStringLiteral("ok_lf_line_ends")] = plain.bytes(LineEnd::Lf);
    seeds[QStringLiteral("ok_cr_line_ends")] = plain.bytes(LineEnd::Cr);
    seeds[QStringLiteral("ok_utf8_bom")] = plain.bytes(LineEnd::CrLf, Encoding::Utf8Bom);
    seeds[QStringLiteral("ok_utf16le_bom")] = plain.bytes(LineEnd::CrLf, Encoding::Utf16LeBom);
    seeds[QStringLiteral("ok_start_on_later_page")] = withCode(300, 0x0800).bytes();

    FirmwareFileWriter erased = withCode(3 * 64);
    for (int k = 0; k < 64; ++k) {
        erased.instructions[k] = 0xFFFFFF;
        erased.instructions[128 + k] = 0xFFFFFF;
    }
    seeds[QStringLiteral("ok_erased_rows")] = erased.bytes();

    QStringList between = withCode(20).lines();
    between.insert(10, QStringLiteral("Kommentar"));
    between.insert(5, QString());
    seeds[QStringLiteral("ok_other_lines_between")] = FirmwareFileWriter::encode(between, LineEnd::Lf);

    FirmwareFileWriter overlong = withCode(20);
    overlong.tail = QStringLiteral("123;Rest");
    seeds[QStringLiteral("ok_overlong_data_lines")] = overlong.bytes();

    FirmwareFileWriter oddVersion = withCode(20);
    oddVersion.version = QStringLiteral("a.b");
    seeds[QStringLiteral("ok_version_parts_not_numbers")] = oddVersion.bytes();

    seeds[QStringLiteral("ok_161_rows")] = compact(161 * 64).bytes(LineEnd::Lf);
    seeds[QStringLiteral("bad_162_rows")] = compact(161 * 64 + 1).bytes(LineEnd::Lf);

    FirmwareFileWriter spoilt = withCode(100);
    spoilt.checksumError = 1;
    seeds[QStringLiteral("bad_wrong_checksum")] = spoilt.bytes();

    QStringList changed = plain.lines();
    changed[20].back() = changed[20].back() == QLatin1Char('0') ? QLatin1Char('1') : QLatin1Char('0');
    seeds[QStringLiteral("bad_changed_digit")] = FirmwareFileWriter::encode(changed);

    FirmwareFileWriter unversioned = withCode(20);
    unversioned.version = QStringLiteral("128");
    seeds[QStringLiteral("bad_no_version_point")] = unversioned.bytes();
    seeds[QStringLiteral("bad_start_not_on_page")] = withCode(100, 0x0200).bytes();

    FirmwareFileWriter malformed = withCode(20);
    malformed.rawLines[10] = QStringLiteral(":12a4");
    seeds[QStringLiteral("bad_malformed_instruction")] = malformed.bytes();
    FirmwareFileWriter badField = withCode(20);
    badField.rawLines[25] = QStringLiteral(":00000x12z");
    seeds[QStringLiteral("bad_malformed_checksum_field")] = badField.bytes();
    seeds[QStringLiteral("bad_no_data_lines")] = FirmwareFileWriter::encode(plain.lines().mid(0, 4));
    seeds[QStringLiteral("bad_empty_file")] = QByteArray();

    QRandomGenerator random(20260311);
    QByteArray noise(600, '\0');
    for (char &c : noise)
        c = char(random.bounded(256));
    seeds[QStringLiteral("bad_binary")] = noise;

    for (auto it = seeds.cbegin(); it != seeds.cend(); ++it) {
        QFile file(folder.filePath(it.key() + QStringLiteral(".qvx")));
        if (!file.open(QIODevice::WriteOnly) || file.write(it.value()) != it.value().size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
            return 1;
        }
    }
    std::printf("%d seeds written\n", int(seeds.size()));
    return 0;
}
