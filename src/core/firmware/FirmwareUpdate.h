#pragma once

#include "core/firmware/FirmwareLoad.h"
#include "core/firmware/FirmwareReport.h"
#include "core/firmware/RowTable.h"
#include "core/workflow/OperationEnd.h"
#include "core/workflow/OperationTurn.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class BootloaderSession;
struct ReplyOutcome;

// How an update ended: the rows handed to the bootloader, and why it stopped (none when every
// row was written and the bootloader reset), with the text the window logs.
struct UpdateResult
{
    int rowsWritten = 0;
    OperationEnd end;
};
Q_DECLARE_METATYPE(UpdateResult)

// One firmware update of the connected module, as a state machine: a file is loaded, the
// module is switched to its bootloader (connectModule), the bootloader's start window is
// watched, and once started the rows go out one by one, each 1 ms after the one before has
// ended. It asks nothing: the window asks its questions before it calls start(). Stage,
// progress and outcome leave as signals with values.
class FirmwareUpdate : public QObject, public ModuleOperation, private FirmwareReport
{
    Q_OBJECT
public:
    enum class Stage {
        Idle,         // no module touched yet, or the update was closed
        Watching,     // boot command sent: the bootloader's start window is watched
        Transferring, // rows under way
        Done,
        Failed,
    };
    Q_ENUM(Stage)

    FirmwareUpdate(BootloaderSession &bootloader, OperationTurn &turn, QObject *parent = nullptr);
    ~FirmwareUpdate() override;

    Stage stage() const { return m_stage; }
    const FirmwareFile &file() const { return *m_file; }
    const RowTable &rows() const { return m_rows; }
    bool isWatching() const;
    bool isStartWindowOpen() const { return m_startWindow.isActive(); }
    bool isNextRowDue() const { return m_nextRow.isActive(); }

    // Reads, parses and judges the file; the log is told. A file that cannot be read leaves
    // the one loaded before as it was.
    FirmwareLoad::Outcome load(const QString &path);
    // A file read and parsed before (velka-cli reads it once for all its modules).
    void useFile(std::shared_ptr<const FirmwareFile> file);
    // Sends the boot command; moduleAnswered() follows, then countdown() as the bootloader
    // counts its start window down.
    void connectModule();
    // The file may be written: the window confirms, then calls start().
    bool canStart() const { return m_file->usable(); }
    // The bootloader is being watched: the transfer may start (a start window that closed
    // while the person confirmed does not stop it).
    bool isStartOffered() const { return m_stage == Stage::Watching; }
    // Sends the rows; a file that cannot be used is refused in the log instead. Refused
    // (false) outside the watch of the bootloader: before it, during or after a transfer.
    bool start();
    // The bootloader is told to end and restarts the module.
    void leave();
    // Everything stops: the watch, the start window, an exchange under way.
    void close();
    void supersede() override { close(); }

signals:
    void logged(const LogEntry &entry);
    // Lines for the hidden diagnostic list (several, separated by line feeds, at a time).
    void diagnosticAdded(const QString &lines);
    void diagnosticCleared();
    void stageChanged(FirmwareUpdate::Stage stage);
    // The module answered the boot command within 500 ms, or not.
    void moduleAnswered(bool answered);
    // The bootloader's start window is open, at this count; or it closed again.
    void countdown(int remaining);
    void startWindowClosed();
    // Rows handed to the bootloader so far, of the rows to write.
    void progressChanged(int rowsDone, int rowsToWrite);
    // Every row written and the bootloader reset, or not, with the reason.
    void finished(const UpdateResult &result);
    // An exchange failed that the main log tells of: a faulty reply to the boot command.
    void exchangeFailed(const OperationEnd &end);

private:
    // FirmwareReport: what reading the file and building its rows report.
    void report(const LogEntry &entry) override { emit logged(entry); }
    void diagnostic(const QString &line) override { emit diagnosticAdded(line); }
    void fileLines(const QStringList &lines) override;

    void setStage(Stage stage);
    void onBootAnswered(quint8 major, quint8 minor);
    void onBootUnanswered();
    void onCountdown(int remaining);
    void closeStartWindow();
    void onRowEnded(bool written, const QString &reason, const ReplyOutcome &outcome);
    void nextRow();
    void fail(const OperationEnd &end);
    void log(LogKind kind, const QString &text, LogLayout layout) { emit logged({kind, text, layout}); }

    BootloaderSession &m_bootloader;
    OperationTurn &m_turn;
    std::shared_ptr<const FirmwareFile> m_file;
    RowTable m_rows;
    Stage m_stage = Stage::Idle;
    int m_rowIndex = 0;
    int m_rowsWritten = 0;
    QTimer m_startWindow; // ends when no count comes for 1100 ms
    QTimer m_nextRow;
};
