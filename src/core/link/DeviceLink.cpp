#include "core/link/DeviceLink.h"

#include "core/link/SystemAdapterBackend.h"

namespace {
std::unique_ptr<AdapterBackend> orSystem(std::unique_ptr<AdapterBackend> adapters)
{
    return adapters ? std::move(adapters) : std::make_unique<SystemAdapterBackend>();
}
} // namespace

DeviceLink::DeviceLink(PortNameMapping portNames, std::unique_ptr<AdapterBackend> adapters, QObject *parent)
    : QObject(parent)
    , m_channel(std::move(portNames))
    , m_adapters(orSystem(std::move(adapters)))
    , m_adapterChannel(*m_adapters)
    , m_ports(m_channel, *m_adapters, m_adapterChannel)
    , m_engine(m_channel)
    , m_monitor(m_engine)
{
    setObjectName(QStringLiteral("FRX"));
    // A port that cannot be reopened under its new name is recorded like any link error.
    connect(&m_ports, &PortChooser::portFailed, &m_monitor, &LinkMonitor::noteError);
    // While the adapter is the link, every command goes on it and none needs the serial port.
    connect(&m_ports, &PortChooser::usbModeChanged, this, [this](bool usbMode) {
        m_engine.setChannel(usbMode ? static_cast<Channel &>(m_adapterChannel) : m_channel);
    });
}

DeviceLink::~DeviceLink() = default;
