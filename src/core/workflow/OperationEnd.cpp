#include "core/workflow/OperationEnd.h"

#include "core/link/ReplyOutcome.h"
#include "core/workflow/WorkflowTexts.h"

OperationEnd OperationEnd::of(const ReplyOutcome &outcome)
{
    switch (outcome.kind) {
    case ReplyOutcome::Kind::Accepted:
        return {};
    case ReplyOutcome::Kind::Rejected:
        return {Failure::FaultyReply, outcome.text};
    case ReplyOutcome::Kind::Abandoned:
        return cancelled();
    case ReplyOutcome::Kind::Failed:
        break;
    }
    switch (outcome.failure) {
    case ReplyOutcome::Failure::PortUnavailable:
        return {Failure::PortUnavailable, outcome.text};
    case ReplyOutcome::Failure::PortLost:
        return {Failure::PortLost, outcome.text};
    case ReplyOutcome::Failure::Timeout:
    case ReplyOutcome::Failure::None:
        break;
    }
    return {Failure::NoAnswer, outcome.text};
}

QList<LogEntry> communicationFailure(const QString &text)
{
    return {{LogKind::Failure, WorkflowTexts::CommunicationError, LogLayout::TimeLine},
            {LogKind::Failure, text, LogLayout::EmptyLine}};
}

QString diagnosticFailure(const QString &text)
{
    return WorkflowTexts::DiagnosticError + text;
}
