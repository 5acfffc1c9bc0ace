#pragma once

#include <QString>

// What a report in a log means; the windows choose its colour.
enum class LogKind {
    Progress, // a step under way or done
    Success,  // an operation ended well
    Warning,  // the person must take note, nothing failed
    Failure,  // an operation failed or was cancelled
};

// How a report is set in its log.
enum class LogLayout {
    Plain = 0,
    TimeLine = 1,  // a line " -hh:mm:ss-" comes first
    EmptyLine = 2, // an empty line follows
    Framed = 3,    // both
};

inline bool hasTimeLine(LogLayout layout) { return int(layout) & int(LogLayout::TimeLine); }
inline bool hasEmptyLine(LogLayout layout) { return int(layout) & int(LogLayout::EmptyLine); }

// One report for a log.
struct LogEntry
{
    LogKind kind = LogKind::Progress;
    QString text;
    LogLayout layout = LogLayout::Plain;

    bool operator==(const LogEntry &) const = default;
};
