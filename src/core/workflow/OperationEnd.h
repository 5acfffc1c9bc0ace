#pragma once

#include "core/workflow/LogEntry.h"

#include <QList>
#include <QMetaType>
#include <QString>

struct ReplyOutcome;

// Why an operation did not succeed.
enum class Failure {
    None,
    NoAnswer,        // no reply within the time-out
    FaultyReply,     // a reply came but is no good; the text is the link's verdict
    PortUnavailable, // the port could not be opened: nothing was sent
    PortLost,        // the device went away during the operation
    VerifyMismatch,  // the module holds other words than were written
    Refused,         // a file the operation cannot use
    Cancelled,       // given up: by its window, or because another operation took the module
};

// How an operation ended: the failure and its text, as the logs tell it.
struct OperationEnd
{
    Failure failure = Failure::None;
    QString text;

    bool succeeded() const { return failure == Failure::None; }
    bool operator==(const OperationEnd &) const = default;
    static OperationEnd cancelled() { return {Failure::Cancelled, {}}; }
    // The end an exchange that did not succeed brings its operation to.
    static OperationEnd of(const ReplyOutcome &outcome);
};
Q_DECLARE_METATYPE(Failure)
Q_DECLARE_METATYPE(OperationEnd)

// How a failed exchange is told in the main log: "Fehler bei Kommunikation" with the link's
// text below it, framed by a time line and an empty line.
QList<LogEntry> communicationFailure(const QString &text);
// Its line in the hidden diagnostic list.
QString diagnosticFailure(const QString &text);
