#pragma once

#include <QByteArray>
#include <QString>

// Writes `bytes` as the whole new content of `path`: to a temporary file first, put in place
// only when every byte reached the disk, so a failed save never damages an existing file.
// False with the system's reason in `error` when it failed.
bool saveWholeFile(const QString &path, const QByteArray &bytes, QString *error = nullptr);

// Why saveWholeFile() could not put a file at `path` now (its folder missing or closed to new
// files, `path` a folder, or a file there that may not be replaced); empty when it could. It
// tries as the save would, leaving nothing behind, so a long job can be refused before it begins.
QString wholeFileSaveProblem(const QString &path);
