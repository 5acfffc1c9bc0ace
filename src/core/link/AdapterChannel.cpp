#include "core/link/AdapterChannel.h"

#include "core/link/AdapterBackend.h"
#include "core/link/LinkTexts.h"

AdapterChannel::AdapterChannel(AdapterBackend &backend, QObject *parent)
    : Channel(parent)
    , m_backend(backend)
{
    setObjectName(QStringLiteral("D2XX"));
    connect(&backend, &AdapterBackend::readyRead, this, &AdapterChannel::reportWaiting);
    connect(&backend, &AdapterBackend::lost, this, [this] {
        emit openChanged(false);
        emit vanished(errorString());
    });
}

bool AdapterChannel::open()
{
    if (m_serialNumber.isEmpty() || !m_backend.open(m_serialNumber))
        return false;
    m_backend.applySettings(); // a setting the adapter refuses leaves it usable all the same
    emit openChanged(true);
    return true;
}

void AdapterChannel::close()
{
    if (!m_backend.isOpen())
        return;
    m_backend.close();
    emit openChanged(false);
}

bool AdapterChannel::reopen()
{
    // The adapter stays open between commands; only one that was closed is opened again.
    return isOpen() || open();
}

bool AdapterChannel::isOpen() const
{
    return m_backend.isOpen();
}

QString AdapterChannel::errorString() const
{
    return LinkTexts::AdapterUnavailable.arg(m_serialNumber);
}

bool AdapterChannel::write(QByteArrayView bytes)
{
    return m_backend.write(bytes);
}

qint64 AdapterChannel::bytesWaiting() const
{
    return m_backend.bytesWaiting();
}

void AdapterChannel::discardInput()
{
    m_backend.purgeReceive();
}

void AdapterChannel::discardOutput()
{
    m_backend.purgeTransmit();
}

QByteArray AdapterChannel::takeWaiting()
{
    const qint64 waiting = m_backend.bytesWaiting();
    return waiting > 0 ? m_backend.read(waiting) : QByteArray();
}
