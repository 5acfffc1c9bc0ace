#include "core/workflow/ConfigExchange.h"

#include "core/link/Frames.h"
#include "core/link/PendingReply.h"
#include "core/link/Request.h"
#include "core/link/RequestEngine.h"
#include "core/workflow/ConfigDocument.h"
#include "core/workflow/WorkflowTexts.h"

#include <algorithm>

using Exchange::Action;
using Exchange::Event;

namespace {
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

ConfigExchange::ConfigExchange(RequestEngine &engine, OperationTurn &turn, ConfigDocument &document,
                               const ProgrammingDate &date, QObject *parent)
    : QObject(parent)
    , m_engine(engine)
    , m_turn(turn)
    , m_document(document)
    , m_date(date)
    , m_wakeUp(engine)
{
    m_pause.setSingleShot(true);
    connect(&m_wakeUp, &WakeUp::done, this, [this] { handle(Event::KnockDone, {}); });
    connect(&m_pause, &QTimer::timeout, this, [this] { handle(Event::PauseOver, {}); });
}

ConfigExchange::~ConfigExchange()
{
    m_turn.end(*this);
}

bool ConfigExchange::isAwaitingReply() const
{
    return m_awaited && !m_awaited->isFinished();
}

void ConfigExchange::supersede()
{
    ExchangeEventData data;
    data.end = OperationEnd::cancelled();
    handle(Event::Cancel, data);
}

void ConfigExchange::run(const Exchange::Actions &actions, const ExchangeEventData &data)
{
    for (const Action action : actions)
        act(action, data);
}

int ConfigExchange::followUpMs() const
{
    // The pause is the tool's own, not the module's: with replies judged as soon as they are
    // whole, the next request follows at once. The 200 ms before the verify stay.
    return m_engine.replyTiming() == ReplyTiming::WhenComplete ? 0 : FollowUpMs;
}

void ConfigExchange::act(Action action, const ExchangeEventData &data)
{
    switch (action) {
    case Action::Abandon:
        m_wakeUp.stop();
        m_pause.stop();
        if (PendingReply *reply = m_awaited.data()) {
            m_awaited = nullptr;
            reply->abandon();
        }
        break;
    case Action::StopReceiving:
        if (m_awaited)
            m_awaited->stopReceiving();
        break;
    case Action::LogReadBeforeWrite:
        log(LogKind::Progress, WorkflowTexts::ReadBeforeWrite, LogLayout::Plain);
        break;
    case Action::Knock:
        m_wakeUp.start();
        break;
    case Action::SendRead:
        send(applicationRequest(Command::ReadConfig, ReadTimeoutMs));
        break;
    case Action::ReportRead:
        reportChecksum(data.image, LogLayout::Framed, WorkflowTexts::DataRead);
        break;
    case Action::ReportCompared:
        reportChecksum(data.image, LogLayout::Framed, WorkflowTexts::DataReadToCompare);
        break;
    case Action::KeepModuleWords:
        m_moduleWords = data.image;
        m_readVersion = data.version;
        break;
    case Action::TakeImage:
        // Taken also when its checksum is wrong: the user sees what the module has.
        m_document.takeImage(data.image);
        break;
    case Action::Pause:
        m_pause.start(followUpMs());
        break;
    case Action::PauseAfterData: {
        const int sinceData = int(std::min<qint64>(m_sinceDataFrame.elapsed(), AfterDataFrameMs));
        m_pause.start(std::max(followUpMs(), AfterDataFrameMs - sinceData));
        break;
    }
    case Action::SendWriteRequest:
        // The user's settings as they are now, the module's own words as it sent them.
        m_written = prepareWriteImage(m_document.configImage(), m_moduleWords, m_date);
        packImage(m_written, m_payload);
        send(applicationRequest(Command::WriteRequest, WriteTimeoutMs));
        break;
    case Action::SendData:
        send(writeDataRequest(m_payload, WriteTimeoutMs));
        m_sinceDataFrame.start();
        break;
    case Action::LogDataWritten:
        log(LogKind::Success, WorkflowTexts::DataWritten, LogLayout::Plain);
        log(LogKind::Progress, WorkflowTexts::VerifyNow, LogLayout::TimeLine);
        break;
    case Action::CheckVerify:
        checkVerify(data);
        break;
    case Action::ReportVerified:
        reportChecksum(data.image, LogLayout::Plain, WorkflowTexts::VerifyOk);
        break;
    case Action::ReportDifferences:
        for (const VerifyDifference &difference : data.differences)
            log(LogKind::Failure, verifyDifferenceText(difference), LogLayout::Plain);
        log(LogKind::Failure, WorkflowTexts::VerifyFailed, LogLayout::Plain);
        break;
    case Action::SendRestart:
        send(applicationRequest(Command::Reset, ReadTimeoutMs));
        break;
    case Action::LogRestarted:
        log(LogKind::Progress, WorkflowTexts::Restarted, LogLayout::Framed);
        break;
    case Action::ReportFailure:
        emit diagnosticLine(diagnosticFailure(data.end.text));
        for (const LogEntry &entry : communicationFailure(data.end.text))
            emit logged(entry);
        break;
    case Action::LogFactoryImpossible:
        log(LogKind::Failure, WorkflowTexts::FactoryImpossible, LogLayout::TimeLine);
        break;
    case Action::LogFactoryCancelled:
        log(LogKind::Failure, WorkflowTexts::FactoryCancelled, LogLayout::Framed);
        break;
    case Action::FinishRead:
    case Action::FinishCompare:
    case Action::FinishWrite:
    case Action::FinishRecordRead:
    case Action::FinishRecordWrite:
    case Action::FinishRecord:
        finish(action, data);
        break;
    }
}

void ConfigExchange::checkVerify(const ExchangeEventData &data)
{
    ExchangeEventData checked = data;
    checked.differences = verifyDifferences(m_written, data.image);
    if (checked.differences.isEmpty()) {
        handle(Event::VerifyMatched, checked);
        return;
    }
    checked.end = {Failure::VerifyMismatch, WorkflowTexts::VerifyFailed};
    handle(Event::VerifyDiffered, checked);
}

void ConfigExchange::send(const Request &request)
{
    PendingReply *reply = m_engine.send(request);
    m_awaited = reply;
    connect(reply, &PendingReply::finished, this,
            [this, reply](const ReplyOutcome &outcome) { onOutcome(reply, outcome); });
    connect(reply, &PendingReply::lateReply, this, &ConfigExchange::onLateReply);
}

void ConfigExchange::onOutcome(PendingReply *reply, const ReplyOutcome &outcome)
{
    // Only the request the step awaits: an abandoned one has been dealt with by whoever gave
    // it up.
    if (reply != m_awaited || outcome.kind == ReplyOutcome::Kind::Abandoned)
        return;
    m_awaited = nullptr;
    ExchangeEventData data;
    if (!outcome.accepted()) {
        data.end = OperationEnd::of(outcome);
        handle(Event::Failed, data);
        return;
    }
    if (outcome.command == Command::ReadConfig) {
        data.image = unpacked(outcome.payload);
        data.version = {outcome.byte2, outcome.byte3};
    }
    handle(Event::Accepted, data);
}

void ConfigExchange::onLateReply(const ReplyOutcome &outcome)
{
    // It answers an operation that has ended; it is told only while nothing else runs.
    if (!m_turn.isIdle())
        return;
    emit diagnosticLine(diagnosticFailure(outcome.text));
    for (const LogEntry &entry : communicationFailure(outcome.text))
        emit logged(entry);
}

void ConfigExchange::reportChecksum(const ConfigWords &image, LogLayout successLayout, const QString &success)
{
    if (imageChecksum(image) == image[Word::Checksum]) {
        log(LogKind::Success, success, successLayout);
        return;
    }
    emit beepRequested();
    log(LogKind::Failure, WorkflowTexts::ChecksumError, LogLayout::TimeLine);
    log(LogKind::Failure, WorkflowTexts::Inconsistent, LogLayout::EmptyLine);
}
