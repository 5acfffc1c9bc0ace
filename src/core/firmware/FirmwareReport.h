#pragma once

#include "core/workflow/LogEntry.h"

#include <QString>
#include <QStringList>

// Where reading a firmware update file and dividing it into rows report to: the update
// procedure (and through it its window), or a command-line front end.
class FirmwareReport
{
public:
    virtual ~FirmwareReport() = default;

    // One report for the log.
    virtual void report(const LogEntry &entry) = 0;
    // One line of the diagnostic list, which no user is shown.
    virtual void diagnostic(const QString &line) = 0;
    // The lines of a file that was read, before they are parsed.
    virtual void fileLines(const QStringList &lines) { Q_UNUSED(lines) }
};

// Reports to nobody, where only the outcome of reading a file counts.
class SilentFirmwareReport final : public FirmwareReport
{
public:
    void report(const LogEntry &) override {}
    void diagnostic(const QString &) override {}
};
