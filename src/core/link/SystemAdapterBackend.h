#pragma once

#include "core/link/AdapterBackend.h"

#include <QSerialPort>
#include <QStringList>

#include <map>

// The maker's USB adapters through the operating system's own serial driver: they appear as
// serial ports whose serial number the system reports (on Linux /dev/ttyUSB* from udev, on
// Windows the virtual COM port). No vendor library is needed.
//
// VELKA_USB_ADAPTERS ("SERIAL=DEVICE,SERIAL=DEVICE") adds adapters to the listing, each present
// while its device exists: a simulated module on a pseudo-terminal can so play an adapter.
class SystemAdapterBackend final : public AdapterBackend
{
    Q_OBJECT
public:
    explicit SystemAdapterBackend(QObject *parent = nullptr);
    ~SystemAdapterBackend() override;

    QStringList serialNumbers() override;
    // The device an adapter is reached through; empty when it is not attached.
    QString devicePath(const QString &serialNumber);
    bool open(const QString &serialNumber) override;
    bool isOpen() const override { return m_port.isOpen(); }
    bool applySettings() override;
    bool status() override;
    void purgeReceive() override;
    void purgeTransmit() override;
    qint64 bytesWaiting() override;
    QByteArray read(qint64 maxBytes) override;
    bool write(QByteArrayView bytes) override;
    void close() override;

private:
    // Serial number to device, from the system and the environment.
    std::map<QString, QString> listing();
    void onError(QSerialPort::SerialPortError error);

    QSerialPort m_port;
    QString m_serial;
    // The device it was opened on, as the listing names it: QSerialPort::portName() drops
    // the "/dev/" and so never equals a listed device.
    QString m_device;
    // The system's listing is slow to make (milliseconds, every second while searching); on
    // Linux it is made again only when the devices that can be adapters change.
    QStringList m_candidates;
    bool m_listed = false;
    std::map<QString, QString> m_systemListing;
};
