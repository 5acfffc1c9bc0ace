#include "core/files/TextLines.h"

#include <QRegularExpression>
#include <QStringDecoder>

QStringList decodeTextLines(const QByteArray &bytes)
{
    QString text;
    if (const auto encoding = QStringConverter::encodingForData(bytes)) {
        QStringDecoder decoder(*encoding); // skips the byte-order mark
        text = decoder(bytes);
    } else {
        text = QString::fromLatin1(bytes);
    }
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = text.split(lineEnd);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}
