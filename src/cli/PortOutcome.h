#pragma once

#include <QJsonObject>
#include <QString>

// The exit codes of velka-cli. With several ports the process ends with the code of the first
// port (in the order given) that did not succeed.
namespace ExitCode {
inline constexpr int Ok = 0;
inline constexpr int CommunicationFailed = 1; // no module, time-out, faulty reply, port missing
inline constexpr int Usage = 2;               // the command line is wrong, or not confirmed
inline constexpr int FileRefused = 3;         // the file cannot be read, is refused or saved
inline constexpr int VerifyMismatch = 4;      // the module holds other words than were written
inline constexpr int Differs = 5;             // diff: the file and the module differ
} // namespace ExitCode

// How the work on one port ended.
struct PortOutcome
{
    QString port;
    int exitCode = ExitCode::Ok;
    QString message;     // one line: what was done, or why not
    qint64 elapsedMs = 0;
    QJsonObject values;  // what was read or found, for --json

    bool ok() const { return exitCode == ExitCode::Ok; }
};

// "ok", "communication-failed", ... as --json names the outcomes.
QString outcomeName(int exitCode);

// Why `path` could not be saved, as velka-cli reports it.
QString saveRefusedText(const QString &path, const QString &reason);
