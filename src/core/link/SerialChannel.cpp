#include "core/link/SerialChannel.h"

SerialChannel::SerialChannel(PortNameMapping mapping, QObject *parent)
    : Channel(parent)
{
    setObjectName(QStringLiteral("RS232"));
    setPortNameMapping(std::move(mapping));
    connect(&m_port, &QSerialPort::readyRead, this, &SerialChannel::reportWaiting);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialChannel::onError);
}

SerialChannel::~SerialChannel()
{
    // The port's own signals must not reach a half-destroyed channel.
    m_port.disconnect(this);
    close();
}

void SerialChannel::setPortNameMapping(PortNameMapping mapping)
{
    m_mapping = mapping ? std::move(mapping) : PortNameMapping(systemPortName);
}

bool SerialChannel::open()
{
    m_port.setPortName(m_mapping(m_portName));
    m_port.setBaudRate(QSerialPort::Baud38400);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite))
        return false;
    // The module wants DTR and RTS inactive. Lines that do not exist (a pseudo-terminal, some
    // adapters) refuse this, which is harmless: the port is usable all the same.
    m_port.setDataTerminalReady(false);
    m_port.setRequestToSend(false);
    m_port.clearError();
    emit openChanged(true);
    return true;
}

void SerialChannel::close()
{
    if (!m_port.isOpen())
        return;
    // Queued bytes leave without waiting for the line: the system takes them in one call.
    if (m_port.bytesToWrite() > 0)
        m_port.flush();
    m_port.close();
    emit openChanged(false);
}

bool SerialChannel::write(QByteArrayView bytes)
{
    if (!m_port.isOpen())
        return false;
    return m_port.write(bytes.data(), bytes.size()) == bytes.size();
}

qint64 SerialChannel::bytesWaiting() const
{
    return m_port.isOpen() ? m_port.bytesAvailable() : 0;
}

void SerialChannel::discardInput()
{
    // Only the input: emptying the output queue would cut off a frame that is still leaving
    // (at 38400 baud the preamble alone takes 13 ms).
    if (m_port.isOpen())
        m_port.clear(QSerialPort::Input);
}

void SerialChannel::onError(QSerialPort::SerialPortError error)
{
    if (!m_port.isOpen())
        return;
    const QString text = m_port.errorString();
    if (error == QSerialPort::WriteError) {
        emit writeFailed(text);
        return;
    }
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
        return;
    // A vanished device keeps reporting errors for as long as the port stays open; what is
    // still queued cannot reach it any more and goes with the port.
    m_port.close();
    emit openChanged(false);
    emit vanished(text);
}
