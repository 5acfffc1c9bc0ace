#pragma once

#include "core/firmware/FirmwareFile.h"

#include <QString>

#include <memory>

class FirmwareReport;

// A firmware update file as a person chose it: read (only a regular file within its limit),
// parsed once, and judged.
struct FirmwareLoad
{
    enum class Outcome {
        Usable,     // the update may be started from it
        Refused,    // read, but unfit for an update: file->refusal() and refusalText() say why
        Unreadable, // not read at all, or not a firmware file: `reason` says why
    };

    Outcome outcome = Outcome::Unreadable;
    std::shared_ptr<const FirmwareFile> file; // null when the file was not read
    QString reason;

    bool read() const { return outcome != Outcome::Unreadable; }
};

// Reads and parses the file at `path`. The report hears the file's lines, "Lade Datei: ...",
// and what parsing tells (the header, or the refusal).
FirmwareLoad loadFirmwareFile(const QString &path, FirmwareReport &report);
// The same for bytes already read from `path` (never Unreadable for want of a file).
FirmwareLoad firmwareFromBytes(const QByteArray &bytes, const QString &path, FirmwareReport &report);

// Why no update may be started from a file with this refusal, as "Kein Update möglich: %1"
// completes it.
QString refusalReason(FirmwareFile::Refusal refusal);

// Why `load` (of the file at `path`) cannot be used for an update, as the tools tell it; empty
// when it can.
QString loadProblem(const FirmwareLoad &load, const QString &path);
