#pragma once

#include "core/link/ReplyOutcome.h"

#include <QObject>

class RequestEngine;

// The reply to one request, as its sender holds it. It reports finished() exactly once. A
// reply judged after the request timed out (nothing awaited it any more, so it cannot
// succeed) is reported once more, by lateReply(). The engine deletes it later, once the line
// has moved on to the next request.
class PendingReply : public QObject
{
    Q_OBJECT
public:
    bool isFinished() const { return m_finished; }
    // Gives the exchange up: nothing more is sent or judged for it, it ends as abandoned.
    void abandon();
    // Takes no more bytes for it: the exchange can only end by its time-out.
    void stopReceiving();

signals:
    void finished(const ReplyOutcome &outcome);
    void lateReply(const ReplyOutcome &outcome);

private:
    friend class RequestEngine;
    explicit PendingReply(RequestEngine &engine);
    void finish(const ReplyOutcome &outcome);

    RequestEngine &m_engine;
    bool m_finished = false;
};
