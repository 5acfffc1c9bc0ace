#pragma once

#include "core/firmware/FirmwareFile.h"
#include "core/firmware/FirmwareReport.h"
#include "core/firmware/RowTable.h"

#include <QObject>
#include <QString>
#include <QTimer>

class ModuleProtocol;
class UserInteraction;
struct Reply;

// One firmware update of the connected module: the file, the boot command, the watch for the
// bootloader's start window, the confirmation and the rows one by one, each started 1 ms after
// the one before has ended. It needs no window: it asks through UserInteraction, and tells its
// window (or a terminal) what happened by signals.
class FirmwareUpdate : public QObject, private FirmwareReport
{
    Q_OBJECT
public:
    enum class Stage {
        Idle,         // nothing chosen yet, or the file could not be read
        Watching,     // boot command sent: waiting for the bootloader's start window
        Transferring, // rows under way
        Done,
        Failed,
    };
    Q_ENUM(Stage)

    FirmwareUpdate(ModuleProtocol &link, UserInteraction &ui, QObject *parent = nullptr);

    Stage stage() const { return m_stage; }
    const FirmwareFile &file() const { return m_file; }
    const RowTable &rows() const { return m_rows; }
    // Its timers: the watch for the start window, the start window itself, the next row.
    bool isWatching() const { return m_checkreceivetimer.isActive(); }
    bool isStartWindowOpen() const { return m_flashtimer.isActive(); }
    bool isNextRowDue() const { return m_progresstimer.isActive(); }

    // The window is shown: a fresh start, the file dialog, the file, the boot command.
    void FormShow();
    // "start update": confirmed, the rows go out.
    void ButProgClick();
    // "ENDE": the bootloader is told to end, and the window closes.
    void ButCloseClick();
    // The window closed, by "ENDE" or by its close box.
    void FormClose();

signals:
    void logged(const QString &text, int colour, int option);
    void logCleared();
    // Lines for the hidden diagnostic list (several, separated by line feeds, at a time).
    void diagnosticAdded(const QString &lines);
    void diagnosticCleared();
    // "start update" usable, and shown at all (a file with a wrong checksum hides it).
    void startEnabled(bool enabled);
    void startVisible(bool visible);
    // The bootloader's start window: the count it has reached, or over.
    void countdownShown(int remaining);
    void countdownHidden();
    // The module did not answer the boot command: the large red sign, until the window closes.
    void warningShown(bool shown);
    // The progress bar: shown green at 0, at a share of the rows, red after a failure, hidden.
    void progressStarted();
    void progressChanged(int percent);
    void progressFailed();
    void progressHidden();
    void beep();
    // "ENDE": the window is to close.
    void closeRequested();
    // The transfer ended: every row written and the module restarted, or not, with the reason.
    void finished(bool ok, const QString &detail);

private:
    // FirmwareReport: what reading the file and building its rows report.
    void showinfo(const QString &inhalt, int farbe, int option) override;
    void diagnostic(const QString &line) override;

    // False when the file could not be used; `refusal` then says why, if it was refused
    // before it was read.
    bool loadFile(const QString &path, QString *refusal);
    void checkreceivetimerTimer();
    void FlashtimerTimer();
    void progresstimerTimer();
    void showVersions();
    void onRowEnded(bool written, const QString &errorText);
    void onReplied(const Reply &reply);
    void fail();
    void log(const QString &text, int colour, int option) { emit logged(text, colour, option); }

    ModuleProtocol &m_link;
    UserInteraction &m_ui;
    FirmwareFile m_file;
    RowTable m_rows;
    Stage m_stage = Stage::Idle;
    bool m_bootAck = false;     // the boot reply came, or its absence was told (told once)
    bool m_bootReplied = false; // the module answered the boot command
    bool m_rowFailed = false;   // the last row ended without being written
    QString m_rowError;         // and why
    int m_refusedCode = -1;     // the bootloader's error code for the last row, if it gave one
    int m_rowIndex = 0;
    int m_rowsWritten = 0;
    QTimer m_checkreceivetimer; // the watch for the start window
    QTimer m_flashtimer;        // the start window ends when no count comes for 1100 ms
    QTimer m_progresstimer;     // the next row
};

// Why no update may be started from a file with this refusal, as "Kein Update möglich: %1"
// completes it.
QString refusalReason(FirmwareFile::Refusal refusal);
