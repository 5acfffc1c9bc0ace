#pragma once

#include "config/ConfigImage.h"

#include <QString>
#include <QStringList>

#include <optional>

// A configuration file to start the simulated module from: the 256 words follow the last
// line ">>DATA", or start at the first line if there is none; one integer per line.
std::optional<ConfigWords> parseImageLines(const QStringList &lines, QString *error = nullptr);
std::optional<ConfigWords> readImageFile(const QString &path, QString *error = nullptr);
