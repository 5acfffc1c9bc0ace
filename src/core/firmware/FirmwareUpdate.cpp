#include "core/firmware/FirmwareUpdate.h"

#include "core/config/NumberText.h"
#include "core/firmware/FirmwareTexts.h"
#include "core/firmware/UpdateTexts.h"
#include "core/link/BootloaderSession.h"

namespace {

constexpr int StartWindowMs = 1100;
constexpr int NextRowMs = 1; // with replies judged when whole, the next row follows at once
constexpr int AfterFailureMs = 10;

// The module sends its version in BCD, one decimal digit per nibble: 0x28 is 28. A byte with
// a digit above 9 is no such number; it is shown as it came.
struct VersionPart
{
    QString text;
    int value = -1; // -1: not a decimal number
};

VersionPart versionPart(quint8 byte, int digits)
{
    const QString hex = hexText(byte, 2);
    if ((byte >> 4) > 9 || (byte & 0x0F) > 9)
        return {hex, -1};
    const int value = hex.toInt();
    return {paddedNumber(digits, QLatin1Char('0'), value), value};
}

} // namespace

FirmwareUpdate::FirmwareUpdate(BootloaderSession &bootloader, OperationTurn &turn, QObject *parent)
    : QObject(parent)
    , m_bootloader(bootloader)
    , m_turn(turn)
    , m_file(std::make_shared<FirmwareFile>())
{
    m_startWindow.setSingleShot(true);
    m_startWindow.setInterval(StartWindowMs);
    m_nextRow.setSingleShot(true);
    connect(&m_startWindow, &QTimer::timeout, this, &FirmwareUpdate::closeStartWindow);
    connect(&m_nextRow, &QTimer::timeout, this, &FirmwareUpdate::nextRow);
    connect(&bootloader, &BootloaderSession::bootAnswered, this, &FirmwareUpdate::onBootAnswered);
    connect(&bootloader, &BootloaderSession::bootUnanswered, this, &FirmwareUpdate::onBootUnanswered);
    connect(&bootloader, &BootloaderSession::countdown, this, &FirmwareUpdate::onCountdown);
    connect(&bootloader, &BootloaderSession::rowEnded, this, &FirmwareUpdate::onRowEnded);
    // A faulty reply to the boot command is told in the main log as every faulty reply is.
    connect(&bootloader, &BootloaderSession::bootRejected, this, [this](const QString &text) {
        if (m_stage == Stage::Watching)
            emit exchangeFailed({Failure::FaultyReply, text});
    });
}

FirmwareUpdate::~FirmwareUpdate()
{
    m_turn.end(*this);
}

bool FirmwareUpdate::isWatching() const
{
    return m_stage == Stage::Watching && m_bootloader.isWatching();
}

void FirmwareUpdate::setStage(Stage stage)
{
    if (m_stage == stage)
        return;
    m_stage = stage;
    emit stageChanged(stage);
}

// ---- The file ----

void FirmwareUpdate::fileLines(const QStringList &lines)
{
    emit diagnosticCleared();
    emit diagnosticAdded(lines.join(QLatin1Char('\n')));
}

FirmwareLoad::Outcome FirmwareUpdate::load(const QString &path)
{
    setStage(Stage::Idle);
    const FirmwareLoad loaded = loadFirmwareFile(path, *this);
    if (loaded.file)
        m_file = loaded.file;
    if (loaded.outcome == FirmwareLoad::Outcome::Unreadable) {
        if (loaded.file) {
            log(LogKind::Failure, FirmwareTexts::LoadFailed, LogLayout::Framed);
        } else {
            // Refused before it was read: the log says why.
            log(LogKind::Failure, FirmwareTexts::LoadFailed, LogLayout::TimeLine);
            log(LogKind::Failure, loaded.reason, LogLayout::EmptyLine);
        }
    }
    return loaded.outcome;
}

void FirmwareUpdate::useFile(std::shared_ptr<const FirmwareFile> file)
{
    setStage(Stage::Idle);
    m_file = std::move(file);
}

// ---- The bootloader's start window ----

void FirmwareUpdate::connectModule()
{
    m_turn.begin(*this);
    m_bootloader.enterBootloader();
    setStage(Stage::Watching);
}

void FirmwareUpdate::onBootAnswered(quint8 major, quint8 minor)
{
    const VersionPart current[2] = {versionPart(major, 1), versionPart(minor, 2)};
    log(LogKind::Progress, UpdateTexts::CurrentVersion + current[0].text + QLatin1Char('.') + current[1].text,
        LogLayout::Plain);
    log(LogKind::Progress, UpdateTexts::FutureVersion + m_file->versionText(), LogLayout::EmptyLine);
    // A version that is no number is never the same as the file's.
    if (current[0].value >= 0 && current[1].value >= 0 && current[0].value == m_file->fileVersionMajor()
        && current[1].value == m_file->fileVersionMinor())
        log(LogKind::Warning, UpdateTexts::SameVersion, LogLayout::EmptyLine);
    emit moduleAnswered(true);
}

void FirmwareUpdate::onBootUnanswered()
{
    log(LogKind::Failure, UpdateTexts::NoConnection, LogLayout::Framed);
    log(LogKind::Failure, UpdateTexts::NoConnectionStep1, LogLayout::Plain);
    log(LogKind::Failure, UpdateTexts::NoConnectionStep2, LogLayout::Plain);
    log(LogKind::Failure, UpdateTexts::NoConnectionStep3, LogLayout::EmptyLine);
    emit moduleAnswered(false);
}

void FirmwareUpdate::onCountdown(int remaining)
{
    // A count still on its way when the transfer started offers nothing any more.
    if (m_stage != Stage::Watching)
        return;
    m_startWindow.start();
    emit countdown(remaining);
}

void FirmwareUpdate::closeStartWindow()
{
    m_startWindow.stop();
    emit startWindowClosed();
}

// ---- The transfer ----

bool FirmwareUpdate::start()
{
    if (!isStartOffered())
        return false;
    // Only an image this file filled may go to the module.
    if (!canStart()) {
        log(LogKind::Failure, UpdateTexts::Refused.arg(refusalReason(m_file->refusal())), LogLayout::Framed);
        return false;
    }
    m_rows.build(*m_file, *this);
    m_rowIndex = 0;
    m_rowsWritten = 0;
    setStage(Stage::Transferring);
    log(LogKind::Progress, UpdateTexts::Transferring, LogLayout::TimeLine);
    log(LogKind::Warning, UpdateTexts::DoNotDisconnect, LogLayout::Plain);
    m_nextRow.start(NextRowMs);
    return true;
}

void FirmwareUpdate::onRowEnded(bool written, const QString &reason, const ReplyOutcome &outcome)
{
    if (m_stage != Stage::Transferring)
        return;
    if (written) {
        m_nextRow.start(m_bootloader.judgesWhenComplete() ? 0 : NextRowMs);
        return;
    }
    // The failure is told a moment later, as the next row would have come; it travels with
    // the timer, and a closed update hears nothing of it.
    OperationEnd end = OperationEnd::of(outcome);
    end.text = reason;
    QTimer::singleShot(AfterFailureMs, this, [this, end] {
        if (m_stage == Stage::Transferring)
            fail(end);
    });
}

void FirmwareUpdate::nextRow()
{
    if (m_stage != Stage::Transferring)
        return;
    const std::span<const FirmwareRow> rows = m_rows.rows();
    const int rowCount = int(rows.size());
    while (m_rowIndex < rowCount && !rows[size_t(m_rowIndex)].toWrite) {
        emit diagnosticAdded(UpdateTexts::SkipRow + QString::number(m_rowIndex));
        ++m_rowIndex;
    }
    if (m_rowIndex < rowCount) {
        const FirmwareRow &row = rows[size_t(m_rowIndex)];
        emit diagnosticAdded(UpdateTexts::WriteRow + QString::number(m_rowIndex));
        ++m_rowIndex;
        ++m_rowsWritten;
        emit progressChanged(m_rowsWritten, m_rows.rowsToWrite());
        m_bootloader.writeRow({row.address, row.erasesPage, row.data});
        return;
    }
    emit diagnosticAdded(UpdateTexts::DiagnosticDone);
    m_bootloader.leave();
    setStage(Stage::Done);
    log(LogKind::Success, UpdateTexts::Completed, LogLayout::Framed);
    emit finished({m_rowsWritten, {Failure::None, UpdateTexts::Completed}});
}

void FirmwareUpdate::fail(const OperationEnd &end)
{
    setStage(Stage::Failed);
    emit diagnosticAdded(UpdateTexts::DiagnosticFailed);
    log(LogKind::Failure, UpdateTexts::Failed, LogLayout::Framed);
    // Why, as the link says it: the bootloader's refusal with its code, the time-out, the
    // faulty reply or the port that went.
    if (!end.text.isEmpty())
        log(LogKind::Failure, end.text, LogLayout::EmptyLine);
    OperationEnd told = end;
    if (told.text.isEmpty())
        told.text = UpdateTexts::Failed.trimmed();
    // The row that failed was handed over but not written.
    emit finished({m_rowsWritten - 1, told});
}

// ---- Ending ----

void FirmwareUpdate::leave()
{
    m_bootloader.leave();
}

void FirmwareUpdate::close()
{
    m_turn.end(*this);
    m_bootloader.stop();
    closeStartWindow();
    m_nextRow.stop();
    if (m_stage == Stage::Watching || m_stage == Stage::Transferring)
        setStage(Stage::Idle);
}
