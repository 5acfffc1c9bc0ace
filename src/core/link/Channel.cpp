#include "core/link/Channel.h"

Channel::Channel(QObject *parent)
    : QObject(parent)
{
    m_firstPoll.setSingleShot(true);
    m_firstPoll.setInterval(2);
    connect(&m_firstPoll, &QTimer::timeout, this, &Channel::reportWaiting);
}

void Channel::setReceiving(bool on)
{
    m_receiving = on;
    // Bytes that came while nobody listened are reported a poll later, as a device would.
    if (on)
        m_firstPoll.start();
    else
        m_firstPoll.stop();
}

void Channel::reportWaiting()
{
    if (!m_receiving || !isOpen())
        return;
    const QByteArray bytes = takeWaiting();
    if (!bytes.isEmpty())
        emit received(bytes);
}
