#include "core/link/RequestEngine.h"

#include "core/link/Channel.h"
#include "core/link/DeviceConstants.h"
#include "core/link/LinkTexts.h"
#include "core/link/PendingReply.h"

#include <algorithm>

namespace {

// After a whole reply: four character times at 38400 baud, for a byte that would show it was
// not whole after all.
constexpr int CompletionGuardMs = 1;

bool awaitedInRow(quint8 pending)
{
    return pending == Boot::Announce || pending == Boot::RowData || pending == Boot::Finish;
}

} // namespace

RequestEngine::RequestEngine(Channel &channel, QObject *parent)
    : QObject(parent)
    , m_channel(&channel)
{
    m_quiet.setSingleShot(true);
    // The quiet time is a minimum: a coarse timer may fire up to 5 % early and cut a reply.
    m_quiet.setTimerType(Qt::PreciseTimer);
    m_timeout.setSingleShot(true);
    connect(&m_quiet, &QTimer::timeout, this, &RequestEngine::onQuietTime);
    connect(&m_timeout, &QTimer::timeout, this, &RequestEngine::onTimeout);
    setChannel(channel);
}

RequestEngine::~RequestEngine()
{
    m_channel->disconnect(this);
}

void RequestEngine::setChannel(Channel &channel)
{
    const bool receiving = m_channel->isReceiving();
    if (&channel != m_channel) {
        m_channel->setReceiving(false);
        m_channel->disconnect(this);
        m_channel = &channel;
    }
    connect(m_channel, &Channel::received, this, &RequestEngine::onReceived, Qt::UniqueConnection);
    connect(m_channel, &Channel::vanished, this, &RequestEngine::onVanished, Qt::UniqueConnection);
    connect(m_channel, &Channel::writeFailed, this, &RequestEngine::sendFailed, Qt::UniqueConnection);
    // A wait under way goes on collecting on the new line.
    m_channel->setReceiving(receiving);
}

// ---- Sending ----

PendingReply *RequestEngine::send(const Request &request)
{
    stopListening();
    if (request.reopensPort) {
        // Every request starts on a freshly opened port.
        if (!m_channel->reopen()) {
            emit sendFailed();
            recordError(LinkTexts::PortError);
            return failedAtOnce(request, LinkTexts::PortError);
        }
        m_channel->discardInput();
    }
    if (request.preamble > 0)
        sendPlain(QByteArray(request.preamble, '\0'));
    emit requestStarted(request);
    if (request.scrambled) {
        if (!sendScrambled(request.frame))
            return failedAtOnce(request, m_errorText);
    } else {
        sendPlain(request.frame);
    }
    return request.awaitsReply ? startWait(request) : nullptr;
}

PendingReply *RequestEngine::failedAtOnce(const Request &request, const QString &text)
{
    if (!request.awaitsReply)
        return nullptr;
    // Told once the sender holds the reply, not from within send().
    auto *reply = new PendingReply(*this);
    ReplyOutcome outcome = ReplyOutcome::of(ReplyOutcome::Kind::Failed, request.command, text);
    outcome.failure = ReplyOutcome::Failure::PortUnavailable;
    QMetaObject::invokeMethod(reply, [reply, outcome] {
        reply->finish(outcome);
        reply->deleteLater();
    }, Qt::QueuedConnection);
    return reply;
}

void RequestEngine::sendWakeUp(int count)
{
    // A port the start-up probe left closed is opened first, or the bytes would be lost.
    if (!m_channel->isOpen() && !m_channel->reopen())
        emit sendFailed();
    sendPlain(QByteArray(std::max(count, 0), '\0'));
}

void RequestEngine::sendPlain(const QByteArray &bytes)
{
    if (!m_channel->isOpen()) {
        emit sendFailed();
        return;
    }
    // Whatever the line still holds belongs to no request.
    m_channel->discardOutput();
    m_channel->discardInput();
    emit plainSent(bytes);
    if (!m_channel->write(bytes))
        emit sendFailed();
}

bool RequestEngine::sendScrambled(const QByteArray &bytes)
{
    QByteArray masked = bytes;
    for (char &byte : masked)
        byte = char(quint8(byte) ^ Device::LinkMask);
    if (m_channel->isOpen() && m_channel->write(masked))
        return true;
    // The port's own text says why.
    recordError(m_channel->isOpen() ? m_channel->errorString() : LinkTexts::PortError);
    return false;
}

void RequestEngine::recordError(const QString &text)
{
    m_waitFailed = true;
    m_errorText = text;
    emit errorRecorded(text);
}

// ---- The wait ----

PendingReply *RequestEngine::startWait(const Request &request)
{
    // A new wait discards the previous one, including a judgement still due for it: that
    // would otherwise judge the new wait by the bytes received so far.
    m_quiet.stop();
    if (m_reply) {
        m_reply->finish(ReplyOutcome::of(ReplyOutcome::Kind::Abandoned, m_request.command));
        m_reply->deleteLater();
    }
    m_request = request;
    m_pending = request.command;
    m_state = State::Waiting;
    m_channel->setReceiving(true);
    if (!request.keepsRunningTimeout || !m_timeout.isActive())
        m_timeout.start(request.timeoutMs);
    m_rxCount = 0;
    m_rxDropped = 0;
    m_waitFailed = false;
    m_errorText = LinkTexts::Unspecified;
    m_reply = new PendingReply(*this);
    return m_reply;
}

void RequestEngine::onReceived(const QByteArray &bytes)
{
    if (m_state == State::Listening) {
        if (m_listenerContext)
            m_listener(bytes);
        return;
    }
    if (m_state == State::Idle)
        return;
    // Nothing goes past the buffer; what does not fit is counted, so the reply cannot pass.
    const int taken = std::min<int>(ReceiveCapacity - m_rxCount, int(bytes.size()));
    std::copy_n(bytes.constData(), taken, reinterpret_cast<char *>(m_rx.data()) + m_rxCount);
    m_rxCount += taken;
    m_rxDropped += bytes.size() - taken;
    // All bytes of one read arrived together: one restart stands for one per byte.
    m_quiet.start(isWholeReply() ? CompletionGuardMs : m_request.quietMs);
}

bool RequestEngine::isWholeReply() const
{
    if (m_timing != ReplyTiming::WhenComplete || m_rxDropped > 0)
        return false;
    return m_request.family == ReplyFamily::Bootloader ? isWholeBootloaderReply(received(), m_pending)
                                                       : isWholeApplicationReply(received());
}

void RequestEngine::onQuietTime()
{
    m_timeout.stop();
    m_channel->setReceiving(false);
    m_state = State::Idle;
    if (m_request.family == ReplyFamily::Bootloader)
        judgeBootloaderReply();
    else
        judgeApplicationReply();
}

void RequestEngine::judgeApplicationReply()
{
    const quint8 pending = m_pending;
    const bool complete = !(m_rxDropped > 0 && m_rxCount == ReceiveCapacity);
    const ReplyVerdict verdict = ::judgeApplicationReply(received(), complete, pending);
    if (!verdict.valid || (!verdict.accepted && !verdict.error.isEmpty()))
        recordError(verdict.error);
    emit replyJudged({m_request, received(), pending, &verdict, nullptr});
    // A reply judged after the time-out answers a wait that has already failed.
    deliver(ReplyOutcome::ofApplicationReply(m_request.command, verdict, received(), m_errorText), pending == 0);
}

void RequestEngine::judgeBootloaderReply()
{
    const quint8 pending = m_pending;
    const BootReplyVerdict verdict = ::judgeBootloaderReply(received(), pending);
    for (const QString &error : verdict.frameErrors)
        recordError(error);
    const bool inRow = awaitedInRow(pending);
    if (verdict.errorReply && verdict.frameErrors.isEmpty())
        recordError(LinkTexts::BootErrorReply.arg(hex2(verdict.errorCode)));
    else if (!verdict.errorReply && inRow && !verdict.commandError.isEmpty())
        recordError(verdict.commandError);
    emit replyJudged({m_request, received(), pending, nullptr, &verdict});
    if (!inRow)
        return; // a late reply: the row has ended already
    m_pending = 0;
    deliver(ReplyOutcome::ofBootloaderReply(m_request.command, verdict, m_waitFailed, m_errorText), false);
}

void RequestEngine::deliver(const ReplyOutcome &outcome, bool late)
{
    // The sender may send its next request from here: nothing of this wait is touched after.
    PendingReply *reply = m_reply;
    if (!reply)
        return;
    if (late)
        emit reply->lateReply(outcome);
    else
        reply->finish(outcome);
}

void RequestEngine::onTimeout()
{
    m_timeout.stop();
    recordError(LinkTexts::Timeout);
    // Collecting goes on: a late reply is still judged, but it can no longer succeed.
    m_state = State::Late;
    endWait(ReplyOutcome::Failure::Timeout);
}

void RequestEngine::onVanished(const QString &text)
{
    const bool waiting = isWaiting();
    m_quiet.stop();
    m_timeout.stop();
    m_channel->setReceiving(false);
    if (m_state == State::Listening)
        m_listener = {};
    m_state = State::Idle;
    recordError(text);
    // The wait ends as it would by its time-out, but with the port's own text.
    if (waiting)
        endWait(ReplyOutcome::Failure::PortLost);
}

void RequestEngine::endWait(ReplyOutcome::Failure failure)
{
    m_pending = 0;
    emit waitFailed(m_errorText);
    ReplyOutcome outcome = ReplyOutcome::of(ReplyOutcome::Kind::Failed, m_request.command, m_errorText);
    outcome.failure = failure;
    deliver(outcome, false);
}

void RequestEngine::abandon(PendingReply *reply)
{
    if (reply == m_reply && (m_state == State::Waiting || m_state == State::Late)) {
        m_quiet.stop();
        m_timeout.stop();
        m_channel->setReceiving(false);
        m_state = State::Idle;
        m_pending = 0;
    }
    reply->finish(ReplyOutcome::of(ReplyOutcome::Kind::Abandoned, reply == m_reply ? m_request.command : 0));
}

void RequestEngine::stopReceiving(PendingReply *reply)
{
    if (reply != m_reply || m_state == State::Listening)
        return;
    // A reply already in but not yet judged is dropped with the rest: the exchange ends by
    // its time-out, whatever had arrived.
    m_quiet.stop();
    m_rxCount = 0;
    m_channel->setReceiving(false);
}

// ---- Listening ----

void RequestEngine::listen(QObject *context, std::function<void(const QByteArray &)> listener)
{
    // A wait still under way is dropped, with what it collected.
    m_quiet.stop();
    m_timeout.stop();
    if (m_reply)
        m_reply->finish(ReplyOutcome::of(ReplyOutcome::Kind::Abandoned, m_request.command));
    m_state = State::Listening;
    m_listenerContext = context;
    m_listener = std::move(listener);
    m_channel->setReceiving(true);
}

void RequestEngine::stopListening()
{
    if (m_state != State::Listening)
        return;
    m_state = State::Idle;
    m_listener = {};
    m_listenerContext = nullptr;
    m_channel->setReceiving(false);
}
