#include "core/firmware/FirmwareUpdate.h"

#include "core/config/NumberText.h"
#include "core/files/BoundedFile.h"
#include "core/firmware/FirmwareTexts.h"
#include "core/firmware/UpdateTexts.h"
#include "core/link/LinkTexts.h"
#include "core/link/ModuleProtocol.h"
#include "core/workflow/LogStyle.h"
#include "core/workflow/UserInteraction.h"

#include <QDir>
#include <QFileInfo>

namespace {

constexpr int FirstCheckMs = 500;
constexpr int CheckMs = 20;
constexpr int StartWindowMs = 1100;
constexpr int RowTimeoutMs = 5000;
constexpr int NextRowMs = 1;
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

FirmwareUpdate::FirmwareUpdate(ModuleProtocol &link, UserInteraction &ui, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_ui(ui)
{
    m_flashtimer.setSingleShot(true);
    m_flashtimer.setInterval(StartWindowMs);
    m_progresstimer.setSingleShot(true);
    connect(&m_checkreceivetimer, &QTimer::timeout, this, &FirmwareUpdate::checkreceivetimerTimer);
    connect(&m_flashtimer, &QTimer::timeout, this, &FirmwareUpdate::FlashtimerTimer);
    connect(&m_progresstimer, &QTimer::timeout, this, &FirmwareUpdate::progresstimerTimer);
    connect(&link, &ModuleProtocol::replied, this, &FirmwareUpdate::onReplied);
    connect(&link, &ModuleProtocol::rowEnded, this, &FirmwareUpdate::onRowEnded);
    connect(&link, &ModuleProtocol::bootloaderRefused, this, [this](quint8 code) { m_refusedCode = code; });
}

void FirmwareUpdate::showinfo(const QString &inhalt, int farbe, int option)
{
    log(inhalt, farbe, option);
}

void FirmwareUpdate::diagnostic(const QString &line)
{
    emit diagnosticAdded(line);
}

QString refusalReason(FirmwareFile::Refusal refusal)
{
    switch (refusal) {
    case FirmwareFile::Refusal::WrongChecksum: return UpdateTexts::ReasonChecksum;
    case FirmwareFile::Refusal::NoVersionPoint: return UpdateTexts::ReasonVersion;
    case FirmwareFile::Refusal::StartNotOnPage: return UpdateTexts::ReasonStart;
    case FirmwareFile::Refusal::TooManyRows:
    case FirmwareFile::Refusal::BeyondMemory: return UpdateTexts::ReasonSize;
    default: return UpdateTexts::ReasonNoFile;
    }
}

// ---- Showing the window: the file and the boot command ----

void FirmwareUpdate::FormShow()
{
    m_stage = Stage::Idle;
    emit startEnabled(false);
    m_link.clearReceived();
    m_bootAck = false;
    m_bootReplied = false;
    emit logCleared();
    log(UpdateTexts::Title, LogColour::Black, LogOption::Framed);

    const QString path = m_ui.askOpenFileName(
        {UpdateTexts::DialogTitle, UpdateTexts::DialogFilter, UpdateTexts::DialogExtension, QString()});
    if (path.isEmpty()) {
        log(UpdateTexts::LoadCancelled, LogColour::Red, LogOption::Framed);
        return;
    }
    QString refusal;
    if (!loadFile(path, &refusal)) {
        // The module is not touched: the boot command goes out only for a file that was read.
        emit beep();
        if (refusal.isEmpty()) {
            log(FirmwareTexts::LoadFailed, LogColour::Red, LogOption::Framed);
        } else {
            log(FirmwareTexts::LoadFailed, LogColour::Red, LogOption::TimeLine);
            log(refusal, LogColour::Red, LogOption::EmptyLine);
        }
        return;
    }
    m_link.BBootClick();
    m_stage = Stage::Watching;
    m_checkreceivetimer.start(FirstCheckMs);
}

bool FirmwareUpdate::loadFile(const QString &path, QString *refusal)
{
    // Refused before a byte is read, and before anything of the previous file is dropped.
    const BoundedFile source = readBoundedFile(path, FirmwareFileMaxBytes);
    if (!source.ok()) {
        *refusal = source.errorText(path, FirmwareFileMaxBytes);
        return false;
    }
    const QStringList lines = FirmwareFile::decode(source.bytes);
    emit diagnosticCleared();
    emit diagnosticAdded(lines.join(QLatin1Char('\n')));
    log(UpdateTexts::Loading + QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()),
        LogColour::Black, LogOption::Framed);
    const FirmwareFile::Outcome outcome = m_file.parse(lines, *this);
    if (outcome == FirmwareFile::Outcome::Failed)
        return false;
    // A file with a wrong checksum offers no start at all until the window opens again.
    if (m_file.refusal() == FirmwareFile::Refusal::WrongChecksum)
        emit startVisible(false);
    return true;
}

void FirmwareUpdate::onReplied(const Reply &reply)
{
    if (reply.command == 'w') {
        m_bootAck = true;
        m_bootReplied = true;
    }
}

// ---- The bootloader's start window ----

void FirmwareUpdate::checkreceivetimerTimer()
{
    // From now on the module's bytes are only collected: they are read here.
    m_link.setHold(true);
    m_checkreceivetimer.setInterval(CheckMs);

    if (!m_bootAck) {
        m_bootAck = true; // told once
        log(UpdateTexts::NoConnection, LogColour::Red, LogOption::Framed);
        log(UpdateTexts::NoConnectionStep1, LogColour::Red, LogOption::Plain);
        log(UpdateTexts::NoConnectionStep2, LogColour::Red, LogOption::Plain);
        log(UpdateTexts::NoConnectionStep3, LogColour::Red, LogOption::EmptyLine);
        m_link.stopTimeout();
        emit warningShown(true);
        return;
    }
    int count = -1; // the start window's count, when one came
    if (!m_link.isCollecting()) {
        // A reply has just been judged: the boot reply, or, from a module that does not
        // answer the boot command, a countdown frame that came before the first look. Only
        // the boot reply carries the module's version.
        m_link.clearReceived();
        if (m_bootReplied)
            showVersions();
    } else if (m_link.received().size() >= 2) {
        if (m_link.received()[0] == Boot::Countdown)
            count = m_link.received()[1];
        m_link.clearReceived();
    }
    m_link.startCollecting();
    // Told last: whoever starts the update on this news finds the watch done with.
    if (count >= 0) {
        m_flashtimer.start();
        emit startEnabled(true);
        emit countdownShown(count);
    }
}

void FirmwareUpdate::showVersions()
{
    const std::array<quint8, 2> bytes = m_link.replyBytes();
    const VersionPart major = versionPart(bytes[0], 1);
    const VersionPart minor = versionPart(bytes[1], 2);
    log(UpdateTexts::CurrentVersion + major.text + QLatin1Char('.') + minor.text, LogColour::Black,
        LogOption::Plain);
    log(UpdateTexts::FutureVersion + m_file.versionText(), LogColour::Black, LogOption::EmptyLine);
    // A version that is no number is never the same as the file's.
    if (major.value >= 0 && minor.value >= 0 && major.value == m_file.fileVersionMajor()
        && minor.value == m_file.fileVersionMinor())
        log(UpdateTexts::SameVersion, LogColour::Red, LogOption::EmptyLine);
}

void FirmwareUpdate::FlashtimerTimer()
{
    m_flashtimer.stop();
    emit countdownHidden();
    emit startEnabled(false);
}

// ---- The transfer ----

void FirmwareUpdate::ButProgClick()
{
    // Only an image this file filled may go to the module.
    if (!m_file.usable()) {
        log(UpdateTexts::Refused.arg(refusalReason(m_file.refusal())), LogColour::Red, LogOption::Framed);
        return;
    }
    if (!m_ui.confirm(UpdateTexts::Confirm, UserInteraction::DefaultButton::Cancel))
        return;
    emit startEnabled(false);
    m_link.setHold(false);
    m_checkreceivetimer.stop();
    m_link.setReplyTimeout(RowTimeoutMs);
    m_rows.build(m_file, *this);
    m_rowIndex = 0;
    m_rowsWritten = 0;
    m_rowFailed = false;
    m_rowError.clear();
    m_refusedCode = -1;
    m_stage = Stage::Transferring;
    emit progressStarted();
    log(UpdateTexts::Transferring, LogColour::Black, LogOption::TimeLine);
    log(UpdateTexts::DoNotDisconnect, LogColour::Red, LogOption::Plain);
    m_progresstimer.start(NextRowMs);
}

void FirmwareUpdate::onRowEnded(bool written, const QString &errorText)
{
    if (m_stage != Stage::Transferring)
        return;
    m_rowFailed = !written;
    m_rowError = written ? QString() : errorText;
    m_progresstimer.start(written ? NextRowMs : AfterFailureMs);
}

void FirmwareUpdate::progresstimerTimer()
{
    m_progresstimer.stop();
    if (m_stage != Stage::Transferring)
        return;
    if (m_rowFailed) {
        fail();
        return;
    }
    const std::span<const FirmwareRow> rows = m_rows.rows();
    const int rowcount = int(rows.size());
    while (m_rowIndex < rowcount && !rows[size_t(m_rowIndex)].toWrite) {
        emit diagnosticAdded(UpdateTexts::SkipRow + QString::number(m_rowIndex));
        ++m_rowIndex;
    }
    if (m_rowIndex < rowcount) {
        const FirmwareRow &row = rows[size_t(m_rowIndex)];
        emit diagnosticAdded(UpdateTexts::WriteRow + QString::number(m_rowIndex));
        BootRow bootRow;
        bootRow.address = row.address;
        bootRow.clearPage = row.erasesPage;
        bootRow.data = row.data;
        m_link.setRow(bootRow);
        ++m_rowIndex;
        ++m_rowsWritten;
        emit progressChanged(m_rowsWritten * 100 / m_rows.rowsToWrite());
        m_link.ButTestTxClick();
        return;
    }
    emit diagnosticAdded(UpdateTexts::DiagnosticDone);
    m_link.BResetClick();
    m_stage = Stage::Done;
    log(UpdateTexts::Completed, LogColour::Green, LogOption::Framed);
    emit beep();
    emit finished(true, UpdateTexts::Completed);
}

void FirmwareUpdate::fail()
{
    m_stage = Stage::Failed;
    emit diagnosticAdded(UpdateTexts::DiagnosticFailed);
    emit progressFailed();
    log(UpdateTexts::Failed, LogColour::Red, LogOption::Framed);
    // Why, as the link says it: a refusal by the bootloader names its code, else the time-out,
    // the faulty reply or the port that went.
    const QString reason = m_refusedCode >= 0 ? LinkTexts::BootErrorReply.arg(hexText(m_refusedCode, 2)) : m_rowError;
    if (!reason.isEmpty())
        log(reason, LogColour::Red, LogOption::EmptyLine);
    emit finished(false, reason.isEmpty() ? UpdateTexts::Failed.trimmed() : reason);
}

// ---- Ending ----

void FirmwareUpdate::ButCloseClick()
{
    m_link.BResetClick();
    emit progressHidden();
    emit closeRequested();
}

void FirmwareUpdate::FormClose()
{
    emit warningShown(false);
    m_bootAck = false;
    FlashtimerTimer();
    emit startVisible(true);
    m_link.setHold(false);
    // An exchange under way is abandoned with them.
    m_link.stopCollecting();
    m_link.stopTimeout();
    m_checkreceivetimer.stop();
    if (m_stage == Stage::Watching || m_stage == Stage::Transferring)
        m_stage = Stage::Idle;
}
