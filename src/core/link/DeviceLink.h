#pragma once

#include "core/link/ModuleProtocol.h"
#include "core/link/PortChooser.h"
#include "core/link/SerialChannel.h"

#include <QObject>

// The link to the module as the program holds it: the serial line, the choice of port and the
// command protocol on top. It is what the never-shown service window held; nothing of it is
// a window.
class DeviceLink : public QObject
{
    Q_OBJECT
public:
    explicit DeviceLink(PortNameMapping portNames = systemPortName, QObject *parent = nullptr);

    ModuleProtocol &protocol() { return m_protocol; }
    const ModuleProtocol &protocol() const { return m_protocol; }
    PortChooser &ports() { return m_ports; }
    const PortChooser &ports() const { return m_ports; }
    SerialChannel &channel() { return m_channel; }

private:
    SerialChannel m_channel;
    PortChooser m_ports;
    ModuleProtocol m_protocol;
};
