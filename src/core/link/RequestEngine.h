#pragma once

#include "core/link/Frames.h"
#include "core/link/ReplyOutcome.h"
#include "core/link/Request.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <array>
#include <functional>
#include <span>

class Channel;
class PendingReply;

// A reply as the engine judged it, for those who watch the line.
struct JudgedReply
{
    const Request &request;
    std::span<const quint8> received; // every byte that arrived, also those after the reply
    quint8 pending;                   // the awaited command; 0 after a time-out
    const ReplyVerdict *application;  // the verdict of the request's family, the other null
    const BootReplyVerdict *bootloader;
};

// When a reply is judged. QuietTime: once the line has been quiet for the request's quiet
// time, whatever came. WhenComplete (the production line's fast transfer): as soon as a whole,
// intact reply has arrived and a short guard passed without another byte; anything else (no
// reply yet, a faulty or unknown frame, more bytes within the guard) waits the quiet time.
enum class ReplyTiming { QuietTime, WhenComplete };

// One request on the line at a time: its preamble and frame go out, the reply is collected
// until it is judged (see ReplyTiming), or the time-out ends the wait. The outcome goes to the sender through the request's PendingReply; the
// signals below let observers (the traces, the link's state) watch, and carry no outcome.
class RequestEngine : public QObject
{
    Q_OBJECT
public:
    static constexpr int ReceiveCapacity = 4001;

    explicit RequestEngine(Channel &channel, QObject *parent = nullptr);
    ~RequestEngine() override;

    // The serial port, or the USB adapter while it is the link; a wait goes on across a switch.
    void setChannel(Channel &channel);
    // For the life of the line, before its first request; QuietTime unless set.
    void setReplyTiming(ReplyTiming timing) { m_timing = timing; }
    ReplyTiming replyTiming() const { return m_timing; }
    // Sends `request` and waits for its reply; null for a request that awaits none. A new
    // request takes over the line (the older reply ends as abandoned); its time-out runs from
    // its own send, unless it is a repetition that keeps the one still running.
    PendingReply *send(const Request &request);
    // Zero bytes that wake the module, sent plainly; nothing is awaited.
    void sendWakeUp(int count);
    // Hands bytes that arrive while nothing is awaited to `listener` (as long as `context`
    // lives), until the next request or stopListening().
    void listen(QObject *context, std::function<void(const QByteArray &)> listener);
    void stopListening();
    // A reply is awaited: its time-out or its quiet time runs.
    bool isWaiting() const { return m_timeout.isActive() || m_quiet.isActive(); }

signals:
    void plainSent(const QByteArray &bytes);   // unscrambled bytes as they go on the line
    void requestStarted(const Request &request); // after its preamble, before its frame
    void replyJudged(const JudgedReply &reply);
    void errorRecorded(const QString &text);   // each error, as it is found
    void waitFailed(const QString &text);      // the time-out or a lost device ended a wait
    void sendFailed();                         // the port could not be opened or took no bytes

private:
    friend class PendingReply;
    enum class State { Idle, Waiting, Late, Listening };

    PendingReply *startWait(const Request &request);
    PendingReply *failedAtOnce(const Request &request, const QString &text);
    void sendPlain(const QByteArray &bytes);
    bool sendScrambled(const QByteArray &bytes);
    void recordError(const QString &text);
    void onReceived(const QByteArray &bytes);
    void onVanished(const QString &text);
    bool isWholeReply() const;
    void onQuietTime();
    void onTimeout();
    void judgeApplicationReply();
    void judgeBootloaderReply();
    void deliver(const ReplyOutcome &outcome, bool late);
    void endWait(ReplyOutcome::Failure failure);
    void abandon(PendingReply *reply);
    void stopReceiving(PendingReply *reply);
    std::span<const quint8> received() const { return {m_rx.data(), size_t(m_rxCount)}; }

    Channel *m_channel;
    ReplyTiming m_timing = ReplyTiming::QuietTime;
    State m_state = State::Idle;
    QTimer m_quiet;   // quiet time (or guard) after the last byte: the reply is judged
    QTimer m_timeout; // counted from the request
    Request m_request;
    quint8 m_pending = 0;
    QPointer<PendingReply> m_reply;
    QString m_errorText;    // the last error of this wait
    bool m_waitFailed = false;
    std::array<quint8, ReceiveCapacity> m_rx{};
    int m_rxCount = 0;
    qint64 m_rxDropped = 0; // bytes that found the buffer full during this wait
    QPointer<QObject> m_listenerContext;
    std::function<void(const QByteArray &)> m_listener;
};
