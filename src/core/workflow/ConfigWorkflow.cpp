#include "core/workflow/ConfigWorkflow.h"

#include "core/link/Frames.h"
#include "core/link/PendingReply.h"
#include "core/link/Request.h"
#include "core/link/RequestEngine.h"
#include "core/workflow/ConfigDocument.h"
#include "core/workflow/WorkflowTexts.h"

#include <QStringList>

#include <algorithm>

namespace {
constexpr int ReadTimeoutMs = 1000;
constexpr int WriteTimeoutMs = 2000;
constexpr int FirstFollowUpMs = 10;
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

ConfigWorkflow::ConfigWorkflow(RequestEngine &engine, ConfigDocument &document, QObject *parent)
    : QObject(parent)
    , m_engine(engine)
    , m_document(document)
    , m_wakeUp(engine)
{
    m_followUp.setInterval(FirstFollowUpMs);
    // The read follows the last burst of the knock at once.
    connect(&m_wakeUp, &WakeUp::done, this,
            [this] { send(applicationRequest(Command::ReadConfig, ReadTimeoutMs)); });
    connect(&m_followUp, &QTimer::timeout, this, &ConfigWorkflow::followUp);
}

void ConfigWorkflow::setStep(Step step)
{
    if (m_step == step)
        return;
    m_step = step;
    emit stepChanged(step);
}

// ---- Starting ----

void ConfigWorkflow::readConfiguration()
{
    setStep(Step::Reading);
    knockAndRead();
}

void ConfigWorkflow::readForFactoryRecord()
{
    setStep(Step::FactoryReading);
    knockAndRead();
}

void ConfigWorkflow::readToCompare()
{
    setStep(Step::ReadingToCompare);
    knockAndRead();
}

void ConfigWorkflow::dropFactoryRead()
{
    if (m_step == Step::FactoryReading)
        setStep(Step::Reading);
}

void ConfigWorkflow::writeConfiguration()
{
    // The module's own words come first; the user's settings are what gets written.
    setStep(Step::ReadingBeforeWrite);
    log(LogKind::Progress, WorkflowTexts::ReadBeforeWrite, LogLayout::Plain);
    knockAndRead();
}

void ConfigWorkflow::knockAndRead()
{
    m_wakeUp.start();
}

void ConfigWorkflow::write()
{
    if (m_step != Step::FactoryWriting)
        setStep(Step::Writing);
    const ConfigWords image = prepareWriteImage(m_document.configImage(), m_document.readBackImage(),
                                                m_document.programmingDate());
    m_document.setWriteImage(image);
    packImage(image, m_payload);
    send(applicationRequest(Command::WriteRequest, WriteTimeoutMs));
}

void ConfigWorkflow::writeFactoryRecord()
{
    // No question and no read first: the image was read when the factory window opened.
    setStep(Step::FactoryWriting);
    write();
}

void ConfigWorkflow::endFactoryRecord()
{
    m_followUp.stop();
    if (m_reply)
        m_reply->stopReceiving();
    setStep(Step::Idle);
}

void ConfigWorkflow::abandon()
{
    m_wakeUp.stop();
    m_followUp.stop();
    if (m_reply)
        m_reply->abandon();
    setStep(Step::Idle);
}

void ConfigWorkflow::send(const Request &request)
{
    m_reply = m_engine.send(request);
    connect(m_reply, &PendingReply::finished, this, &ConfigWorkflow::onOutcome);
    // A reply after the time-out answers nothing, but it is judged and told like any other.
    connect(m_reply, &PendingReply::lateReply, this, &ConfigWorkflow::followUpExchange);
}

// ---- Outcomes ----

void ConfigWorkflow::followUpExchange(const ReplyOutcome &outcome)
{
    if (outcome.accepted() && outcome.command != Command::Reset)
        return; // a carrier or a measurement needs nothing here
    if (outcome.kind == ReplyOutcome::Kind::Accepted || outcome.kind == ReplyOutcome::Kind::Failed)
        onOutcome(outcome);
    else if (outcome.kind == ReplyOutcome::Kind::Rejected)
        scheduleFollowUp(outcome, FollowUpMs);
}

int ConfigWorkflow::acceptedFollowUpMs() const
{
    // The pause is the tool's own, not the module's: with replies judged as soon as they are
    // whole, the next step follows at once. The 200 ms before the verify stay.
    return m_engine.replyTiming() == ReplyTiming::WhenComplete ? 0 : FollowUpMs;
}

void ConfigWorkflow::scheduleFollowUp(const ReplyOutcome &outcome, int intervalMs)
{
    m_outcome = outcome;
    // Setting the interval restarts a follow-up that is already due: the latest outcome counts.
    m_followUp.setInterval(intervalMs);
    m_followUp.start();
}

void ConfigWorkflow::onOutcome(const ReplyOutcome &outcome)
{
    switch (outcome.kind) {
    case ReplyOutcome::Kind::Abandoned:
        return;
    case ReplyOutcome::Kind::Failed:
        m_outcome = outcome;
        // No judgement set the interval: the follow-up comes after the last one, unless it
        // is due already.
        if (!m_followUp.isActive())
            m_followUp.start();
        return;
    case ReplyOutcome::Kind::Rejected:
        scheduleFollowUp(outcome, FollowUpMs);
        return;
    case ReplyOutcome::Kind::Accepted:
        break;
    }
    switch (outcome.command) {
    case Command::WriteRequest:
        // The module takes the data now: the data frame goes out at once.
        send(writeDataRequest(m_payload, WriteTimeoutMs));
        m_sinceDataFrame.start();
        break;
    case Command::WriteData: {
        const int sinceData = int(std::min<qint64>(m_sinceDataFrame.elapsed(), AfterDataFrameMs));
        scheduleFollowUp(outcome, std::max(acceptedFollowUpMs(), AfterDataFrameMs - sinceData));
        break;
    }
    case Command::ReadConfig:
        m_moduleVersion = {outcome.byte2, outcome.byte3};
        scheduleFollowUp(outcome, acceptedFollowUpMs());
        break;
    case Command::Reset:
        scheduleFollowUp(outcome, acceptedFollowUpMs());
        break;
    default:
        break;
    }
}

void ConfigWorkflow::followUp()
{
    m_followUp.stop();
    if (!m_outcome.accepted()) {
        communicationError(m_outcome.text);
        return;
    }
    switch (m_outcome.command) {
    case Command::ReadConfig: {
        const ConfigWords readBack = unpacked(m_outcome.payload);
        if (m_step == Step::ReadingToCompare) {
            readToCompareDone(readBack);
            break;
        }
        m_document.setReadBackImage(readBack);
        if (m_step == Step::Verifying || m_step == Step::FactoryVerifying)
            verifyDone(readBack);
        else if (m_step == Step::ReadingBeforeWrite)
            write();
        else
            readDone(readBack);
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
    reportChecksum(readBack, LogLayout::Framed, WorkflowTexts::DataRead);
    // The image is taken also when its checksum is wrong: the user sees what the module has.
    m_document.takeImage(readBack);
    const bool factory = m_step == Step::FactoryReading;
    setStep(Step::Idle);
    emit finished(factory ? Result::FactoryRead : Result::Read, {});
}

void ConfigWorkflow::readToCompareDone(const ConfigWords &readBack)
{
    reportChecksum(readBack, LogLayout::Framed, WorkflowTexts::DataRead);
    m_moduleImage = readBack;
    setStep(Step::Idle);
    emit finished(Result::ReadToCompare, {});
}

void ConfigWorkflow::dataWritten()
{
    log(LogKind::Success, WorkflowTexts::DataWritten, LogLayout::Plain);
    log(LogKind::Progress, WorkflowTexts::VerifyNow, LogLayout::TimeLine);
    setStep(m_step == Step::FactoryWriting ? Step::FactoryVerifying : Step::Verifying);
    send(applicationRequest(Command::ReadConfig, ReadTimeoutMs));
}

void ConfigWorkflow::verifyDone(const ConfigWords &readBack)
{
    const ConfigWords &written = m_document.writeImage();
    QStringList differences;
    for (int i = 0; i < ImageWords; ++i) {
        if (readBack[size_t(i)] == written[size_t(i)])
            continue;
        differences << WorkflowTexts::VerifyDifference.arg(i).arg(written[size_t(i)]).arg(readBack[size_t(i)]);
        log(LogKind::Failure, differences.last(), LogLayout::Plain);
    }
    if (!differences.isEmpty()) {
        // The module keeps running with what it has; the user may write again.
        log(LogKind::Failure, WorkflowTexts::VerifyFailed, LogLayout::Plain);
        setStep(Step::Idle);
        emit finished(Result::VerifyMismatch, differences.join(QStringLiteral("; ")));
        return;
    }
    reportChecksum(readBack, LogLayout::Plain, WorkflowTexts::VerifyOk);
    m_document.takeImage(readBack);
    if (m_step == Step::FactoryVerifying) {
        // The module keeps running; the factory window holds the buttons until it closes.
        setStep(Step::FactoryWritten);
        emit finished(Result::FactoryWritten, {});
        return;
    }
    setStep(Step::Restarting);
    send(applicationRequest(Command::Reset, ReadTimeoutMs));
}

void ConfigWorkflow::restarted()
{
    log(LogKind::Progress, WorkflowTexts::Restarted, LogLayout::Framed);
    if (m_step != Step::Restarting)
        return; // a restart the radio test caused
    setStep(Step::Idle);
    emit finished(Result::Written, {});
}

void ConfigWorkflow::reportChecksum(const ConfigWords &image, LogLayout successLayout, const QString &success)
{
    if (imageChecksum(image) == image[Word::Checksum]) {
        log(LogKind::Success, success, successLayout);
        return;
    }
    emit beepRequested();
    log(LogKind::Failure, WorkflowTexts::ChecksumError, LogLayout::TimeLine);
    log(LogKind::Failure, WorkflowTexts::Inconsistent, LogLayout::EmptyLine);
}

void ConfigWorkflow::communicationError(const QString &errorText)
{
    emit diagnosticLine(WorkflowTexts::DiagnosticError + errorText);
    log(LogKind::Failure, WorkflowTexts::CommunicationError, LogLayout::TimeLine);
    log(LogKind::Failure, errorText, LogLayout::EmptyLine);
    if (m_step == Step::FactoryReading)
        log(LogKind::Failure, WorkflowTexts::FactoryImpossible, LogLayout::TimeLine);
    setStep(Step::Idle);
    emit finished(Result::CommunicationFailed, errorText);
}
