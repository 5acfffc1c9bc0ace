#include "cli/PortOutcome.h"

QString outcomeName(int exitCode)
{
    switch (exitCode) {
    case ExitCode::Ok: return QStringLiteral("ok");
    case ExitCode::CommunicationFailed: return QStringLiteral("communication-failed");
    case ExitCode::Usage: return QStringLiteral("usage");
    case ExitCode::FileRefused: return QStringLiteral("file-refused");
    case ExitCode::VerifyMismatch: return QStringLiteral("verify-mismatch");
    case ExitCode::Differs: return QStringLiteral("differs");
    }
    return QStringLiteral("failed");
}
