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
{
    setObjectName(QStringLiteral("FRX"));
}

DeviceLink::~DeviceLink() = default;

Channel &DeviceLink::currentChannel()
{
    return m_ports.usbMode() ? static_cast<Channel &>(m_adapterChannel) : m_channel;
}
