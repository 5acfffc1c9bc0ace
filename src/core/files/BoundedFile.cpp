#include "core/files/BoundedFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
const QString NotRegularText = QStringLiteral("keine gewöhnliche Datei: %1");
const QString MissingText = QStringLiteral("Datei nicht gefunden: %1");
const QString TooLargeText = QStringLiteral("Datei zu groß (%2 Bytes, höchstens %3 Bytes): %1");
const QString OpenFailedText = QStringLiteral("Datei kann nicht geöffnet werden: %1 (%2)");
const QString ReadFailedText = QStringLiteral("Datei kann nicht gelesen werden: %1 (%2)");

constexpr qint64 ChunkBytes = 64 * 1024;

// Opens the file that was looked at, and only if it still is a regular file: a FIFO put in
// its place meanwhile would block the open itself until a writer came.
bool openRegular(QFile &file, const QString &path, BoundedFile &result)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        result.status = BoundedFile::Status::OpenFailed;
        result.reason = qt_error_string(errno);
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        result.status = BoundedFile::Status::NotRegular;
        return false;
    }
    result.size = qint64(info.st_size);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        result.status = BoundedFile::Status::OpenFailed;
        result.reason = file.errorString();
        return false;
    }
    return true;
#else
    Q_UNUSED(path)
    if (file.open(QIODevice::ReadOnly))
        return true;
    result.status = BoundedFile::Status::OpenFailed;
    result.reason = file.errorString();
    return false;
#endif
}
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
    if (!openRegular(file, path, result))
        return result;
    if (result.size > maxBytes) {
        result.status = BoundedFile::Status::TooLarge;
        return result;
    }
    // The file may have grown since it was looked at: never take more than the limit, and
    // one byte beyond it tells. The first read asks for no more than the size found, so a
    // small file does not hold a buffer as large as the limit.
    const qint64 limit = maxBytes + 1;
    qint64 want = std::min(result.size, maxBytes) + 1;
    while (result.bytes.size() < limit) {
        const QByteArray chunk = file.read(std::min(want, limit - result.bytes.size()));
        if (chunk.isEmpty())
            break; // the end, or a failure (below)
        result.bytes += chunk;
        want = ChunkBytes;
    }
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
