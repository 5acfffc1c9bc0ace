#include "core/files/ConfigFile.h"

#include "core/config/NumberText.h"
#include "core/config/ProgramInfo.h"
#include "core/files/TextLines.h"

#include <limits>

namespace ConfigFile {

QStringList build(const ConfigWords &image)
{
    QStringList lines;
    lines.reserve(LineCount);
    lines << DataStart;
    for (quint16 word : image)
        lines << QString::number(word);
    lines << QStringLiteral("<<DATA") << QStringLiteral(">>SOFTWARE") << ProgramInfo::versionText()
          << QStringLiteral("<<SOFTWARE") << QStringLiteral(">>COMMENT")
          << QStringLiteral("Velka Konfigurationssoftware, %1, %2")
                 .arg(QLatin1String(ProgramInfo::MakerHost), QLatin1String(ProgramInfo::ReleaseMonth))
          << QStringLiteral("<<COMMENT");
    return lines;
}

QByteArray encode(const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += line.toLatin1() + "\r\n";
    return bytes;
}

QStringList decode(const QByteArray &bytes)
{
    return decodeTextLines(bytes);
}

std::optional<ConfigWords> read(const QStringList &lines)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i] == DataStart)
            start = i + 1;
    }
    if (lines.size() - start < ImageWords)
        return std::nullopt;

    ConfigWords image{};
    for (int j = 0; j < ImageWords; ++j) {
        const std::optional<qint64> value = parseIntegerText(lines[start + j]);
        if (!value || *value < std::numeric_limits<qint32>::min()
            || *value > std::numeric_limits<qint32>::max())
            return std::nullopt;
        image[j] = quint16(quint64(*value) & 0xFFFF);
    }
    return image;
}

} // namespace ConfigFile
