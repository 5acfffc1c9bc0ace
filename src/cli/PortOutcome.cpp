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

QString saveRefusedText(const QString &path, const QString &reason)
{
    return QStringLiteral("Datei kann nicht gespeichert werden: %1 (%2)").arg(path, reason);
}
