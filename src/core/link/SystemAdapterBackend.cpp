#include "core/link/SystemAdapterBackend.h"

#include <QDir>
#include <QFile>
#include <QSerialPortInfo>
#include <QtGlobal>

namespace {

// Devices of the environment's adapters, present while their device exists.
std::map<QString, QString> environmentAdapters()
{
    std::map<QString, QString> adapters;
    const QStringList entries = qEnvironmentVariable("VELKA_USB_ADAPTERS").split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &entry : entries) {
        const qsizetype equals = entry.indexOf(QLatin1Char('='));
        if (equals <= 0)
            continue;
        const QString device = entry.mid(equals + 1).trimmed();
        if (QFile::exists(device))
            adapters.emplace(entry.left(equals).trimmed(), device);
    }
    return adapters;
}

// The serial ports the system lists with a serial number, and their devices.
std::map<QString, QString> systemAdapters()
{
    std::map<QString, QString> adapters;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        if (!info.serialNumber().isEmpty())
            adapters.emplace(info.serialNumber(), info.systemLocation());
    }
    return adapters;
}

#ifdef Q_OS_LINUX
// What can be a USB serial adapter now: cheap to ask, unlike the system's listing.
QStringList candidateDevices()
{
    return QDir(QStringLiteral("/dev")).entryList({QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")},
                                                 QDir::System | QDir::Files | QDir::NoDotAndDotDot);
}
#endif

} // namespace

SystemAdapterBackend::SystemAdapterBackend(QObject *parent)
    : AdapterBackend(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &AdapterBackend::readyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SystemAdapterBackend::onError);
}

SystemAdapterBackend::~SystemAdapterBackend()
{
    m_port.disconnect(this);
    close();
}

std::map<QString, QString> SystemAdapterBackend::listing()
{
#ifdef Q_OS_LINUX
    const QStringList candidates = candidateDevices();
    if (!m_listed || candidates != m_candidates) {
        m_systemListing = candidates.isEmpty() ? std::map<QString, QString>() : systemAdapters();
        m_candidates = candidates;
        m_listed = true;
    }
#else
    m_systemListing = systemAdapters();
#endif
    std::map<QString, QString> adapters = m_systemListing;
    adapters.merge(environmentAdapters());
    return adapters;
}

QStringList SystemAdapterBackend::serialNumbers()
{
    QStringList serials;
    for (const auto &[serial, device] : listing())
        serials << serial;
    return serials;
}

QString SystemAdapterBackend::devicePath(const QString &serialNumber)
{
    const std::map<QString, QString> adapters = listing();
    const auto it = adapters.find(serialNumber);
    return it == adapters.end() ? QString() : it->second;
}

bool SystemAdapterBackend::open(const QString &serialNumber)
{
    close();
    const std::map<QString, QString> adapters = listing();
    const auto it = adapters.find(serialNumber);
    if (it == adapters.end())
        return false;
    m_port.setPortName(it->second);
    if (!m_port.open(QIODevice::ReadWrite))
        return false;
    m_serial = serialNumber;
    m_device = it->second;
    return true;
}

bool SystemAdapterBackend::applySettings()
{
    // The driver's own read and write time-outs do not apply here: nothing waits on a read or
    // a write.
    bool ok = m_port.setBaudRate(QSerialPort::Baud38400);
    ok = m_port.setDataBits(QSerialPort::Data8) && ok;
    ok = m_port.setParity(QSerialPort::NoParity) && ok;
    ok = m_port.setStopBits(QSerialPort::OneStop) && ok;
    ok = m_port.setFlowControl(QSerialPort::NoFlowControl) && ok;
    return ok;
}

bool SystemAdapterBackend::status()
{
    if (!m_port.isOpen())
        return false;
    const std::map<QString, QString> adapters = listing();
    const auto it = adapters.find(m_serial);
    return it != adapters.end() && it->second == m_device;
}

void SystemAdapterBackend::purgeReceive()
{
    if (m_port.isOpen())
        m_port.clear(QSerialPort::Input);
}

void SystemAdapterBackend::purgeTransmit()
{
    // What waits to be sent is whole frames of our own, each queued to go out: dropping one
    // would cut it, as it would on the serial port.
}

qint64 SystemAdapterBackend::bytesWaiting()
{
    return m_port.isOpen() ? m_port.bytesAvailable() : 0;
}

QByteArray SystemAdapterBackend::read(qint64 maxBytes)
{
    return m_port.isOpen() ? m_port.read(maxBytes) : QByteArray();
}

bool SystemAdapterBackend::write(QByteArrayView bytes)
{
    return m_port.isOpen() && m_port.write(bytes.data(), bytes.size()) == bytes.size();
}

void SystemAdapterBackend::close()
{
    if (!m_port.isOpen())
        return;
    if (m_port.bytesToWrite() > 0)
        m_port.flush();
    m_port.close();
    m_serial.clear();
    m_device.clear();
}

void SystemAdapterBackend::onError(QSerialPort::SerialPortError error)
{
    if (!m_port.isOpen() || (error != QSerialPort::ResourceError && error != QSerialPort::ReadError))
        return;
    // Unplugged: nothing more will come; the watch finds it gone at once.
    m_port.close();
    m_serial.clear();
    m_device.clear();
    emit lost();
}
