#pragma once

#include <QByteArray>
#include <QString>

// A file read whole, but only when it can be: a regular file no larger than the limit. A FIFO
// or a device would block or never end, and a huge file of the wrong kind would swell the
// program, so both are refused before a byte is read.
struct BoundedFile
{
    enum class Status {
        Read,
        NotRegular, // missing, a folder, a FIFO, a device
        TooLarge,
        OpenFailed,
        ReadFailed,
    };

    Status status = Status::Read;
    QByteArray bytes;
    qint64 size = 0;    // the size found (TooLarge)
    QString reason;     // the system's reason (OpenFailed, ReadFailed)

    bool ok() const { return status == Status::Read; }
    // One line that says why the file was not read, naming it; empty when it was.
    QString errorText(const QString &path, qint64 maxBytes) const;
};

inline constexpr qint64 ConfigFileMaxBytes = 1024 * 1024;
inline constexpr qint64 FirmwareFileMaxBytes = 16 * 1024 * 1024;

BoundedFile readBoundedFile(const QString &path, qint64 maxBytes);
