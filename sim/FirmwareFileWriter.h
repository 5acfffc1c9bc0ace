#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// Makes firmware update files (*.qvx) from a list of instructions, the way the maker's tools
// write them: four header lines, the start-address line, one line per 24-bit instruction and
// the checksum line; every number line scrambled with the file mask and its top nibble.
// Tests and fuzz seeds make their files with it, so they need no binary fixtures.
class FirmwareFileWriter
{
public:
    enum class LineEnd { CrLf, Lf, Cr };
    enum class Encoding { Latin1, Utf8Bom, Utf16LeBom };

    QString device = QStringLiteral("Velka Funkmodul");
    QString version = QStringLiteral("1.28");
    QString releaseDate = QStringLiteral("03/2013");
    quint16 startAddress = 0;
    QList<quint32> instructions; // 24 bits each; higher bits are dropped

    // Top nibble of every number line, 0..15; -1 varies it from line to line.
    int nibble = -1;
    // Low nibble of the top byte, which carries nothing; -1 varies it.
    int lowNibble = -1;
    // Numbers as ten digits with leading zeros, or as short as they come.
    bool padNumbers = true;
    // Appended to every number line after its number (what a reader ignores).
    QString tail;
    // Added to the checksum the last line states: anything but 0 spoils it.
    int checksumError = 0;
    // Lines of the file (counted from 0) written as given instead of what belongs there.
    QMap<int, QString> rawLines;

    QStringList lines() const;
    QByteArray bytes(LineEnd end = LineEnd::CrLf, Encoding encoding = Encoding::Latin1) const;
    static QByteArray encode(const QStringList &lines, LineEnd end = LineEnd::CrLf,
                             Encoding encoding = Encoding::Latin1);

private:
    // The text after the colon of number line `index` (0: the start address), and its bytes'
    // sum added to `sum`.
    QString numberText(int index, quint8 upper, quint16 lower, quint16 &sum) const;
};
