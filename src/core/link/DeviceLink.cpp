#include "core/link/DeviceLink.h"

DeviceLink::DeviceLink(PortNameMapping portNames, QObject *parent)
    : QObject(parent)
    , m_channel(std::move(portNames))
    , m_ports(m_channel)
    , m_protocol(m_channel)
{
    setObjectName(QStringLiteral("FRX"));
    // A port that cannot be reopened under its new name is recorded like any link error.
    connect(&m_ports, &PortChooser::portFailed, &m_protocol, &ModuleProtocol::raiseerror);
}
