#include "core/link/ReceivePoll.h"

ReceivePoll::ReceivePoll(QObject *parent)
    : QObject(parent)
{
    m_firstPoll.setSingleShot(true);
    m_firstPoll.setInterval(2);
    connect(&m_firstPoll, &QTimer::timeout, this, [this] {
        if (m_active)
            emit timeout();
    });
}

void ReceivePoll::start()
{
    m_active = true;
    m_firstPoll.start();
}

void ReceivePoll::stop()
{
    m_active = false;
    m_firstPoll.stop();
}
