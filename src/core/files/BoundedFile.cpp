#include "core/files/BoundedFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
const QString NotRegularText = QStringLiteral("keine gewöhnliche Datei: %1");
const QString MissingText = QStringLiteral("Datei nicht gefunden: %1");
const QString TooLargeText = QStringLiteral("Datei zu groß (%2 Bytes, höchstens %3 Bytes): %1");
const QString OpenFailedText = QStringLiteral("Datei kann nicht geöffnet werden: %1 (%2)");
const QString ReadFailedText = QStringLiteral("Datei kann nicht gelesen werden: %1 (%2)");
} // namespace

QString BoundedFile::errorText(const QString &path, qint64 maxBytes) const
{
    const QString name = QDir::toNativeSeparators(path);
    switch (status) {
    case Status::Read:
        return {};
    case Status::NotRegular:
        return QFileInfo::exists(path) ? NotRegularText.arg(name) : MissingText.arg(name);
    case Status::TooLarge:
        return TooLargeText.arg(name).arg(size).arg(maxBytes);
    case Status::OpenFailed:
        return OpenFailedText.arg(name, reason);
    case Status::ReadFailed:
        return ReadFailedText.arg(name, reason);
    }
    return {};
}

BoundedFile readBoundedFile(const QString &path, qint64 maxBytes)
{
    BoundedFile result;
    const QFileInfo info(path);
    // isFile() follows links and is false for FIFOs, sockets and devices.
    if (!info.isFile()) {
        result.status = BoundedFile::Status::NotRegular;
        return result;
    }
    result.size = info.size();
    if (result.size > maxBytes) {
        result.status = BoundedFile::Status::TooLarge;
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.status = BoundedFile::Status::OpenFailed;
        result.reason = file.errorString();
        return result;
    }
    // The file may have grown since it was looked at: never take more than the limit.
    result.bytes = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        result.status = BoundedFile::Status::ReadFailed;
        result.reason = file.errorString();
        result.bytes.clear();
    } else if (result.bytes.size() > maxBytes) {
        result.status = BoundedFile::Status::TooLarge;
        result.size = result.bytes.size();
        result.bytes.clear();
    }
    return result;
}
