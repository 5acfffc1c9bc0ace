#pragma once

#include "core/config/ConfigImage.h"

#include <QString>

#include <optional>

// The configuration a file at `path` holds, as the window keeps it after "Laden" (the role and
// consistency rules applied): what a write of the file sends. Empty, with the reason in
// `error`, when the file cannot be read or is no configuration file.
std::optional<ConfigWords> loadConfigurationFile(const QString &path, QString *error);
// The same for bytes already read from `path`.
std::optional<ConfigWords> configurationFromBytes(const QByteArray &bytes, const QString &path, QString *error);
