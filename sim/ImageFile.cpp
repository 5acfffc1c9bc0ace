#include "ImageFile.h"

#include "config/NumberText.h"

#include <QFile>
#include <QRegularExpression>

#include <limits>

std::optional<ConfigWords> parseImageLines(const QStringList &lines, QString *error)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i] == QLatin1String(">>DATA"))
            start = i + 1;
    }
    if (lines.size() - start < ImageWords) {
        if (error)
            *error = QStringLiteral("fewer than %1 values after line %2").arg(ImageWords).arg(start);
        return std::nullopt;
    }
    ConfigWords image{};
    for (int word = 0; word < ImageWords; ++word) {
        const QString &line = lines[start + word];
        const std::optional<qint64> value = parseIntegerText(line);
        if (!value || *value < std::numeric_limits<qint32>::min() || *value > std::numeric_limits<qint32>::max()) {
            if (error)
                *error = QStringLiteral("line %1: \"%2\" is not a word value").arg(start + word + 1).arg(line);
            return std::nullopt;
        }
        image[word] = quint16(*value & 0xFFFF);
    }
    return image;
}

std::optional<ConfigWords> readImageFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = QString::fromLatin1(file.readAll()).split(lineEnd);
    // The last line ends with a line end too; that gives no line of its own.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return parseImageLines(lines, error);
}
