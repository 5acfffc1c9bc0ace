#include "core/workflow/ConfigWorkflow.h"

#include "core/link/Frames.h"
#include "core/workflow/ConfigDocument.h"
#include "core/workflow/LogStyle.h"
#include "core/workflow/UserInteraction.h"
#include "core/workflow/WorkflowTexts.h"

#include <QStringList>

#include <algorithm>

namespace {
constexpr int KnockBursts = 8;
constexpr int KnockBytes = 11;
constexpr int ReadTimeoutMs = 1000;
constexpr int WriteTimeoutMs = 2000;
constexpr int FollowUpMs = 20;
// The module stores the data before it can be read back: the verify read starts no sooner
// than this after the data frame went out, and only once the module acknowledged it.
constexpr int AfterDataFrameMs = 200;

ConfigWords unpacked(const QByteArray &payload)
{
    std::array<quint8, PayloadBytes> bytes{};
    std::copy_n(payload.constData(), std::min<qsizetype>(payload.size(), PayloadBytes),
                reinterpret_cast<char *>(bytes.data()));
    return unpackImage(bytes);
}
} // namespace

ConfigWorkflow::ConfigWorkflow(ModuleProtocol &link, ConfigDocument &document, UserInteraction &ui,
                               QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_document(document)
    , m_ui(ui)
{
    m_praetimer.setInterval(40);
    m_getbacktimer.setInterval(10);
    connect(&m_praetimer, &QTimer::timeout, this, &ConfigWorkflow::praetimerTimer);
    connect(&m_getbacktimer, &QTimer::timeout, this, &ConfigWorkflow::getbacktimerTimer);
    connect(&link, &ModuleProtocol::replied, this, &ConfigWorkflow::onReplied);
    connect(&link, &ModuleProtocol::rejected, this, &ConfigWorkflow::onRejected);
    connect(&link, &ModuleProtocol::failed, this, &ConfigWorkflow::onFailed);
    connect(&link, &ModuleProtocol::sendFailed, this, [this] { emit readWriteEnabled(true); });
}

// ---- Starting ----

void ConfigWorkflow::ButReadClick()
{
    // A read started while the factory read runs is still the factory read.
    startRead(m_step == Step::FactoryReading);
}

void ConfigWorkflow::ButCalClick()
{
    emit factoryButtonEnabled(false);
    startRead(true);
}

void ConfigWorkflow::startRead(bool factory)
{
    if (!m_ui.confirm(factory ? WorkflowTexts::AskFactoryRead : WorkflowTexts::AskRead)) {
        if (factory) {
            log(WorkflowTexts::FactoryCancelled, LogColour::Red, LogOption::Framed);
            if (m_step == Step::FactoryReading)
                setStep(Step::Reading);
            emit factoryButtonEnabled(true);
        } else {
            log(WorkflowTexts::ReadCancelled, LogColour::Red, LogOption::Framed);
        }
        return;
    }
    setStep(factory ? Step::FactoryReading : Step::Reading);
    emit readWriteEnabled(false);
    m_link.setReplyTimeout(ReadTimeoutMs);
    BklopfClick();
}

void ConfigWorkflow::ButWriteClick()
{
    m_document.foldOutputs();
    if (!m_ui.confirm(WorkflowTexts::AskWrite)) {
        log(WorkflowTexts::WriteCancelled, LogColour::Red, LogOption::Framed);
        return;
    }
    // A factory read this write replaces will open no window: its button is free again.
    if (m_step == Step::FactoryReading)
        emit factoryButtonEnabled(true);
    // The buttons stay usable, and the read keeps the time-out the last operation left.
    setStep(Step::ReadingBeforeWrite);
    log(WorkflowTexts::ReadBeforeWrite, LogColour::Black, LogOption::Plain);
    BklopfClick();
}

void ConfigWorkflow::BklopfClick()
{
    m_knockCount = KnockBursts;
    if (!m_praetimer.isActive())
        m_praetimer.start();
}

void ConfigWorkflow::setStep(Step step)
{
    if (m_step == step)
        return;
    m_step = step;
    emit stepChanged(step);
}

void ConfigWorkflow::praetimerTimer()
{
    m_praetimer.stop();
    m_link.sendWakeUp(KnockBytes);
    if (m_knockCount > 0)
        --m_knockCount;
    if (m_knockCount > 0)
        m_praetimer.start();
    else
        m_link.BRXconfigClick();
}

void ConfigWorkflow::NowWrite()
{
    if (m_step != Step::FactoryWriting)
        setStep(Step::Writing);
    const ConfigWords image = prepareWriteImage(m_document.configImage(), m_document.readBackImage(),
                                                m_document.programmingDate());
    m_document.setWriteImage(image);
    std::array<quint8, PayloadBytes> payload{};
    packImage(image, payload);
    emit readWriteEnabled(false);
    m_link.setReplyTimeout(WriteTimeoutMs);
    m_link.BTxConfigClick(payload);
}

void ConfigWorkflow::factoryWindowShown()
{
    // Whatever the module sends while the window is open and idle starts no evaluation.
    m_link.setHold(true);
    m_link.setQuietTime(1000);
}

void ConfigWorkflow::factoryWrite()
{
    m_link.discardQueues();
    m_link.setHold(false);
    m_link.setQuietTime(100);
    setStep(Step::FactoryWriting);
    NowWrite();
}

void ConfigWorkflow::factoryWindowClosed()
{
    m_getbacktimer.stop();
    m_link.stopCollecting();
    m_link.setQuietTime(100);
    m_link.setHold(false);
    setStep(Step::Idle);
    emit factoryButtonEnabled(true);
    emit readWriteEnabled(true);
}

// ---- Outcomes ----

void ConfigWorkflow::followUp(const Outcome &outcome, int intervalMs)
{
    m_outcome = outcome;
    // Setting the interval restarts a follow-up that is already due: the latest outcome counts.
    m_getbacktimer.setInterval(intervalMs);
    m_getbacktimer.start();
}

void ConfigWorkflow::onReplied(const Reply &reply)
{
    switch (reply.command) {
    case Command::WriteRequest:
        // The data frame has just gone out; its acknowledgement is awaited.
        m_sinceDataFrame.start();
        break;
    case Command::WriteData: {
        const int sinceData = int(std::min<qint64>(m_sinceDataFrame.elapsed(), AfterDataFrameMs));
        followUp({true, reply, {}}, std::max(FollowUpMs, AfterDataFrameMs - sinceData));
        break;
    }
    case Command::ReadConfig:
    case Command::Reset:
        followUp({true, reply, {}}, FollowUpMs);
        break;
    default:
        break; // the radio test's replies are its own business
    }
}

void ConfigWorkflow::onRejected(quint8 command, const QString &errorText)
{
    Q_UNUSED(command) // every rejected reply is reported here, the radio test's too
    followUp({false, {}, errorText}, FollowUpMs);
}

void ConfigWorkflow::onFailed(quint8 command, const QString &errorText)
{
    Q_UNUSED(command)
    m_outcome = {false, {}, errorText};
    // No evaluation set the interval: the follow-up comes after the last one, unless it is
    // due already.
    if (!m_getbacktimer.isActive())
        m_getbacktimer.start();
}

void ConfigWorkflow::getbacktimerTimer()
{
    m_getbacktimer.stop();
    if (!m_outcome.ok) {
        communicationError(m_outcome.error);
        return;
    }
    const Reply &reply = m_outcome.reply;
    switch (reply.command) {
    case Command::ReadConfig: {
        const ConfigWords readBack = unpacked(reply.payload);
        m_document.setReadBackImage(readBack);
        if (m_step == Step::Verifying || m_step == Step::FactoryVerifying) {
            verifyDone(readBack);
        } else if (m_step == Step::ReadingBeforeWrite) {
            // The module's own words are now known; the user's settings are what gets written.
            NowWrite();
        } else {
            readDone(readBack);
        }
        break;
    }
    case Command::WriteData:
        dataWritten();
        break;
    case Command::Reset:
        restarted();
        break;
    default:
        break;
    }
}

void ConfigWorkflow::readDone(const ConfigWords &readBack)
{
    reportChecksum(readBack, LogOption::Framed, WorkflowTexts::DataRead);
    // The image is taken also when its checksum is wrong: the user sees what the module has.
    m_document.takeImage(readBack);
    emit moduleDataKnown();
    emit readWriteEnabled(true);
    const bool factory = m_step == Step::FactoryReading;
    setStep(Step::Idle);
    emit finished(Result::Read, {});
    if (factory)
        emit factoryWindowRequested();
}

void ConfigWorkflow::dataWritten()
{
    log(WorkflowTexts::DataWritten, LogColour::Green, LogOption::Plain);
    log(WorkflowTexts::VerifyNow, LogColour::Black, LogOption::TimeLine);
    setStep(m_step == Step::FactoryWriting ? Step::FactoryVerifying : Step::Verifying);
    m_link.setReplyTimeout(ReadTimeoutMs);
    m_link.BRXconfigClick();
}

void ConfigWorkflow::verifyDone(const ConfigWords &readBack)
{
    const ConfigWords &written = m_document.writeImage();
    QStringList differences;
    for (int i = 0; i < ImageWords; ++i) {
        if (readBack[size_t(i)] == written[size_t(i)])
            continue;
        differences << WorkflowTexts::VerifyDifference.arg(i).arg(written[size_t(i)]).arg(readBack[size_t(i)]);
        log(differences.last(), LogColour::Red, LogOption::Plain);
    }
    const bool factory = m_step == Step::FactoryVerifying;
    if (!differences.isEmpty()) {
        // The module keeps running with what it has; the user may write again.
        log(WorkflowTexts::VerifyFailed, LogColour::Red, LogOption::Plain);
        setStep(Step::Idle);
        emit readWriteEnabled(true);
        emit finished(Result::VerifyMismatch, differences.join(QStringLiteral("; ")));
        return;
    }
    reportChecksum(readBack, LogOption::Plain, WorkflowTexts::VerifyOk);
    m_document.takeImage(readBack);
    if (factory) {
        // The factory window holds the buttons until it closes; the module keeps running.
        setStep(Step::Idle);
        emit factoryDataStored();
        emit finished(Result::Written, {});
        return;
    }
    setStep(Step::Restarting);
    m_link.BresetDeviceClick();
}

void ConfigWorkflow::restarted()
{
    log(WorkflowTexts::Restarted, LogColour::Black, LogOption::Framed);
    const bool written = m_step == Step::Restarting;
    if (written)
        setStep(Step::Idle);
    emit readWriteEnabled(true);
    if (written)
        emit finished(Result::Written, {});
}

void ConfigWorkflow::reportChecksum(const ConfigWords &image, int greenOption, const QString &success)
{
    if (imageChecksum(image) == image[Word::Checksum]) {
        log(success, LogColour::Green, greenOption);
        return;
    }
    emit beep();
    log(WorkflowTexts::ChecksumError, LogColour::Red, LogOption::TimeLine);
    log(WorkflowTexts::Inconsistent, LogColour::Red, LogOption::EmptyLine);
}

void ConfigWorkflow::communicationError(const QString &errorText)
{
    emit diagnosticLine(WorkflowTexts::DiagnosticError + errorText);
    log(WorkflowTexts::CommunicationError, LogColour::Red, LogOption::TimeLine);
    log(errorText, LogColour::Red, LogOption::EmptyLine);
    const bool factory = m_step == Step::FactoryReading;
    setStep(Step::Idle);
    emit readWriteEnabled(true);
    if (factory) {
        log(WorkflowTexts::FactoryImpossible, LogColour::Red, LogOption::TimeLine);
        emit factoryButtonEnabled(true);
    }
    emit finished(Result::CommunicationFailed, errorText);
}
