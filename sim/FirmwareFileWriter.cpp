#include "FirmwareFileWriter.h"

#include "core/link/DeviceConstants.h"

#include <QStringEncoder>

QString FirmwareFileWriter::numberText(int index, quint8 upper, quint16 lower, quint16 &sum) const
{
    // Varied so that a file's lines run through every nibble within sixteen lines.
    const int top = nibble >= 0 ? nibble & 0xF : (index * 7 + 5) & 0xF;
    const int low = lowNibble >= 0 ? lowNibble & 0xF : (index * 3 + 1) & 0xF;
    const quint8 mask = quint8(top << 4 | top) ^ Device::FileMask;

    const quint8 bytes[4] = {
        quint8(top << 4 | low),
        quint8(upper ^ mask),
        quint8((lower >> 8) ^ mask),
        quint8((lower & 0xFF) ^ mask),
    };
    quint32 number = 0;
    for (quint8 b : bytes) {
        number = number << 8 | b;
        sum = quint16(sum + b);
    }
    const QString digits = QString::number(number);
    return (padNumbers ? digits.rightJustified(10, QLatin1Char('0')) : digits) + tail;
}

QStringList FirmwareFileWriter::lines() const
{
    QStringList out{
        QStringLiteral("Gerät:") + device,
        QStringLiteral("Vers.:") + version,
        QStringLiteral("Typ:  ") + QStringLiteral("qvx"),
        QStringLiteral("Datum:") + releaseDate,
    };
    quint16 sum = 0;
    // The start line's upper byte carries nothing; a reader must not take it.
    out << QLatin1Char(':') + numberText(0, 0xA5, startAddress, sum);
    for (int k = 0; k < instructions.size(); ++k) {
        const quint32 instruction = instructions[k];
        out << QLatin1Char(':') + numberText(k + 1, quint8(instruction >> 16), quint16(instruction), sum);
    }
    const auto stated = quint16(sum + checksumError);
    out << QStringLiteral(":00000") + QString::number(stated).rightJustified(5, QLatin1Char('0'));

    for (auto it = rawLines.cbegin(); it != rawLines.cend(); ++it) {
        if (it.key() >= 0 && it.key() < out.size())
            out[it.key()] = it.value();
    }
    return out;
}

QByteArray FirmwareFileWriter::bytes(LineEnd end, Encoding encoding) const
{
    return encode(lines(), end, encoding);
}

QByteArray FirmwareFileWriter::encode(const QStringList &lines, LineEnd end, Encoding encoding)
{
    const QString separator = end == LineEnd::CrLf ? QStringLiteral("\r\n")
        : end == LineEnd::Lf                       ? QStringLiteral("\n")
                                                   : QStringLiteral("\r");
    QString text;
    for (const QString &line : lines)
        text += line + separator;

    switch (encoding) {
    case Encoding::Latin1:
        return text.toLatin1();
    case Encoding::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case Encoding::Utf16LeBom: {
        QStringEncoder encoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
        return encoder(text);
    }
    }
    return {};
}
