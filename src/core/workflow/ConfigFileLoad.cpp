#include "core/workflow/ConfigFileLoad.h"

#include "core/files/BoundedFile.h"
#include "core/files/ConfigFile.h"
#include "core/workflow/ConfigDocument.h"

std::optional<ConfigWords> loadConfigurationFile(const QString &path, QString *error)
{
    const BoundedFile bytes = readBoundedFile(path, ConfigFileMaxBytes);
    if (!bytes.ok()) {
        *error = bytes.errorText(path, ConfigFileMaxBytes);
        return std::nullopt;
    }
    return configurationFromBytes(bytes.bytes, path, error);
}

std::optional<ConfigWords> configurationFromBytes(const QByteArray &bytes, const QString &path, QString *error)
{
    std::optional<ConfigWords> image = ConfigFile::read(ConfigFile::decode(bytes));
    if (!image) {
        *error = QStringLiteral("keine gültige Konfigurationsdatei: %1").arg(path);
        return std::nullopt;
    }
    ConfigDocument document;
    document.takeImage(*image);
    return document.configImage();
}
