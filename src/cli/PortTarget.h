#pragma once

#include "core/link/AdapterBackend.h"
#include "core/link/Channel.h"

#include <QString>

#include <memory>

// Where one module is reached: "COM1".."COM4" (mapped as the window maps them), a device
// path, or "usb:SERIAL" for the maker's USB adapter with that serial number.
struct PortTarget
{
    enum class Kind { ComPort, Device, Adapter };

    Kind kind = Kind::Device;
    QString name;   // the port as the command line names it (COM ports in capitals)
    QString device; // the device opened; for an adapter the one the system lists for it
    QString serial; // adapters only

    // Empty with `error` set when `text` names no port.
    static PortTarget parse(const QString &text, QString *error);
};

// The line to the target's module, not opened yet; for an adapter with the backend that drives
// it, which outlives the channel.
struct PortLine
{
    std::unique_ptr<AdapterBackend> adapters;
    std::unique_ptr<Channel> channel;
};
PortLine openableChannel(const PortTarget &target);

// Why the target's channel could not be opened, in one line.
QString openFailure(const PortTarget &target, const Channel &channel);
