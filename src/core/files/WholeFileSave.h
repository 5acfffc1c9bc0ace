#pragma once

#include <QByteArray>
#include <QString>

// Writes `bytes` as the whole new content of `path`: to a temporary file first, put in place
// only when every byte reached the disk, so a failed save never damages an existing file.
// False with the system's reason in `error` when it failed.
bool saveWholeFile(const QString &path, const QByteArray &bytes, QString *error = nullptr);
