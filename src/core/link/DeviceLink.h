#pragma once

#include "core/link/AdapterBackend.h"
#include "core/link/AdapterChannel.h"
#include "core/link/LinkMonitor.h"
#include "core/link/PortChooser.h"
#include "core/link/RequestEngine.h"
#include "core/link/SerialChannel.h"

#include <QObject>

#include <memory>


// The link to the module as the program holds it: the serial line and the maker's USB adapter,
// the choice between them, the request engine on top (switched to the adapter while it is the
// link) and the monitor that keeps its traces and state. It is what the never-shown service
// window held; nothing of it is a window.
class DeviceLink : public QObject
{
    Q_OBJECT
public:
    // Without `adapters`, the adapters are those the operating system reports.
    explicit DeviceLink(PortNameMapping portNames = systemPortName,
                        std::unique_ptr<AdapterBackend> adapters = {}, QObject *parent = nullptr);
    ~DeviceLink() override;

    RequestEngine &engine() { return m_engine; }
    const LinkMonitor &monitor() const { return m_monitor; }
    LinkMonitor &monitor() { return m_monitor; }
    PortChooser &ports() { return m_ports; }
    const PortChooser &ports() const { return m_ports; }
    SerialChannel &channel() { return m_channel; }
    AdapterChannel &adapterChannel() { return m_adapterChannel; }
    AdapterBackend &adapters() { return *m_adapters; }

private:
    SerialChannel m_channel;
    std::unique_ptr<AdapterBackend> m_adapters;
    AdapterChannel m_adapterChannel;
    PortChooser m_ports;
    RequestEngine m_engine;
    LinkMonitor m_monitor;
};
