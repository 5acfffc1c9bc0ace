#pragma once

#include "core/link/AdapterBackend.h"
#include "core/link/AdapterChannel.h"
#include "core/link/PortChooser.h"
#include "core/link/SerialChannel.h"

#include <QObject>

#include <memory>

// The lines to the module as the program holds them: the serial line and the maker's USB
// adapter, and the choice between them. Which of the two is the link now is currentChannel();
// the module session on top follows it.
class DeviceLink : public QObject
{
    Q_OBJECT
public:
    // Without `adapters`, the adapters are those the operating system reports.
    explicit DeviceLink(PortNameMapping portNames = systemPortName,
                        std::unique_ptr<AdapterBackend> adapters = {}, QObject *parent = nullptr);
    ~DeviceLink() override;

    PortChooser &ports() { return m_ports; }
    const PortChooser &ports() const { return m_ports; }
    SerialChannel &channel() { return m_channel; }
    AdapterChannel &adapterChannel() { return m_adapterChannel; }
    AdapterBackend &adapters() { return *m_adapters; }
    // The adapter while it is the link, else the serial line.
    Channel &currentChannel();

private:
    SerialChannel m_channel;
    std::unique_ptr<AdapterBackend> m_adapters;
    AdapterChannel m_adapterChannel;
    PortChooser m_ports;
};
