#pragma once

#include "core/link/Channel.h"
#include "core/link/PortNames.h"

#include <QSerialPort>

// The channel over an operating-system serial port. "COM1".."COM4" are mapped to a device
// each time the port opens, so a changed mapping takes effect at the next command.
class SerialChannel final : public Channel
{
    Q_OBJECT
public:
    explicit SerialChannel(PortNameMapping mapping = systemPortName, QObject *parent = nullptr);
    ~SerialChannel() override;

    void setPortName(const QString &name) override { m_portName = name; }
    QString portName() const override { return m_portName; }
    void setPortNameMapping(PortNameMapping mapping);

    bool open() override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    QString errorString() const override { return m_port.errorString(); }

    bool write(QByteArrayView bytes) override;

    qint64 bytesWaiting() const override;
    void discardInput() override;

protected:
    QByteArray takeWaiting() override { return m_port.readAll(); }

private:
    void onError(QSerialPort::SerialPortError error);

    QSerialPort m_port;
    QString m_portName;
    PortNameMapping m_mapping;
};
