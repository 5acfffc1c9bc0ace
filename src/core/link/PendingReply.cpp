#include "core/link/PendingReply.h"

#include "core/link/RequestEngine.h"

PendingReply::PendingReply(RequestEngine &engine)
    : QObject(&engine)
    , m_engine(engine)
{
}

void PendingReply::abandon()
{
    m_engine.abandon(this);
}

void PendingReply::stopReceiving()
{
    m_engine.stopReceiving(this);
}

void PendingReply::finish(const ReplyOutcome &outcome)
{
    if (m_finished)
        return;
    m_finished = true;
    emit finished(outcome);
}
