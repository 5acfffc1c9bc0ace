#include "cli/PortTarget.h"

#include "core/link/AdapterChannel.h"
#include "core/link/PortNames.h"
#include "core/link/SerialChannel.h"
#include "core/link/SystemAdapterBackend.h"
#include "core/link/LinkTexts.h"

#include <QRegularExpression>

namespace {

const QString UsbPrefix = QStringLiteral("usb:");

} // namespace

PortTarget PortTarget::parse(const QString &text, QString *error)
{
    PortTarget target;
    target.name = text;
    static const QRegularExpression comPort(QStringLiteral("^COM([1-4])$"),
                                            QRegularExpression::CaseInsensitiveOption);
    if (const QRegularExpressionMatch match = comPort.match(text); match.hasMatch()) {
        target.kind = Kind::ComPort;
        target.name = QStringLiteral("COM") + match.captured(1);
        target.device = systemPortName(target.name);
    } else if (text.startsWith(UsbPrefix, Qt::CaseInsensitive)) {
        target.kind = Kind::Adapter;
        target.serial = text.mid(UsbPrefix.size());
        if (target.serial.isEmpty()) {
            *error = QStringLiteral("usb: needs the adapter's serial number, e.g. usb:QVK00042");
            return {};
        }
        SystemAdapterBackend adapters;
        target.device = adapters.devicePath(target.serial);
    } else if (text.contains(QLatin1Char('/'))) {
        target.kind = Kind::Device;
        target.device = text;
    } else {
        *error = QStringLiteral("not a port: %1 (COM1..COM4, a device path or usb:SERIAL)").arg(text);
        return {};
    }
    return target;
}

PortLine openableChannel(const PortTarget &target)
{
    PortLine line;
    if (target.kind == PortTarget::Kind::Adapter) {
        line.adapters = std::make_unique<SystemAdapterBackend>();
        auto channel = std::make_unique<AdapterChannel>(*line.adapters);
        channel->setSerialNumber(target.serial);
        line.channel = std::move(channel);
        return line;
    }
    // The device is named already: no further mapping.
    auto channel = std::make_unique<SerialChannel>([](const QString &name) { return name; });
    channel->setPortName(target.device);
    line.channel = std::move(channel);
    return line;
}

QString openFailure(const PortTarget &target, const Channel &channel)
{
    if (target.kind == PortTarget::Kind::Adapter && target.device.isEmpty())
        return LinkTexts::PortError + QStringLiteral(": USB-Adapter %1 nicht gefunden").arg(target.serial);
    const QString reason = channel.errorString();
    return LinkTexts::PortError + QStringLiteral(": ") + target.device
        + (reason.isEmpty() ? QString() : QStringLiteral(" (") + reason + QLatin1Char(')'));
}
