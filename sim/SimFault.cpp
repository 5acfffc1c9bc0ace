#include "SimFault.h"

#include "FaultText.h"
#include "ModuleChecksum.h"

#include <QRandomGenerator>

#include <algorithm>
#include <array>

namespace {

struct KindName
{
    SimFault::Kind kind;
    const char *name;
};

constexpr std::array<KindName, 11> Names{{
    {SimFault::Kind::None, "none"},
    {SimFault::Kind::Silent, "silent"},
    {SimFault::Kind::WrongStart, "wrong-start"},
    {SimFault::Kind::BadChecksum, "bad-checksum"},
    {SimFault::Kind::Truncated, "truncated"},
    {SimFault::Kind::Trailing, "trailing"},
    {SimFault::Kind::Flood, "flood"},
    {SimFault::Kind::Delay, "delay"},
    {SimFault::Kind::OtherCommand, "other-command"},
    {SimFault::Kind::Vanish, "vanish"},
    {SimFault::Kind::Shortened, "shortened"},
}};

} // namespace

std::optional<SimFault> SimFault::parse(QStringView text, QString *error)
{
    const auto fail = [error](const QString &why) { return FaultText::refused<SimFault>(error, why); };
    const FaultText parts(text);
    const QStringView name = parts.name;
    const QStringView argument = parts.argument;
    const std::optional<Kind> kind = parts.kindIn<Kind>(Names);
    if (!kind)
        return fail(QStringLiteral("unknown fault mode \"%1\"").arg(name));

    SimFault fault;
    fault.kind = *kind;
    if (argument.isNull())
        return fault.kind == Kind::Delay ? fail(QStringLiteral("delay needs milliseconds, e.g. delay:1500"))
                                         : std::optional<SimFault>(fault);

    bool ok = false;
    switch (fault.kind) {
    case Kind::Truncated:
    case Kind::Trailing:
    case Kind::Flood:
    case Kind::Shortened:
        fault.count = argument.toInt(&ok);
        ok = ok && fault.count >= 0;
        break;
    case Kind::Delay:
        fault.delayMs = argument.toInt(&ok);
        ok = ok && fault.delayMs >= 0;
        break;
    case Kind::OtherCommand: {
        const uint command = argument.toUInt(&ok, 16);
        ok = ok && command <= 0xFF;
        fault.otherCommand = quint8(command);
        break;
    }
    default:
        break;
    }
    if (!ok)
        return fail(QStringLiteral("bad argument in fault mode \"%1\"").arg(text));
    return fault;
}

QString SimFault::helpText()
{
    return QStringLiteral(
        "  none              answer correctly\n"
        "  silent            do not answer\n"
        "  wrong-start       start byte 0xFE instead of 0xFF\n"
        "  bad-checksum      a wrong checksum\n"
        "  truncated[:N]     only the first N bytes (default: half the frame)\n"
        "  trailing[:N]      N extra bytes after the frame (default 8)\n"
        "  flood[:N]         N garbage bytes instead of the answer (default 10000)\n"
        "  delay:MS          the right answer, MS milliseconds late\n"
        "  other-command[:H] a correct frame with the reply command H (hex; default: another)\n"
        "  vanish            half the answer, then the pseudo-terminal is closed\n"
        "  shortened[:N]     a correct frame of N bytes (default 6), its payload cut off\n");
}

QByteArray applyFault(const SimFault &fault, quint8 request, QByteArray reply, int frameLength,
                      QRandomGenerator &random)
{
    frameLength = std::clamp(frameLength, 0, int(reply.size()));
    switch (fault.kind) {
    case SimFault::Kind::None:
    case SimFault::Kind::Delay:
        return reply;
    case SimFault::Kind::Silent:
        return {};
    case SimFault::Kind::WrongStart:
        if (!reply.isEmpty())
            reply[0] = char(0xFE);
        return reply;
    case SimFault::Kind::BadChecksum:
        if (frameLength >= 2)
            reply[frameLength - 1] = char(reply[frameLength - 1] ^ 0x5A);
        return reply;
    case SimFault::Kind::Truncated:
        return reply.left(fault.count > 0 ? fault.count : frameLength / 2);
    case SimFault::Kind::Trailing:
        return reply + QByteArray(fault.count > 0 ? fault.count : 8, char(0xA5));
    case SimFault::Kind::Flood: {
        QByteArray garbage(fault.count > 0 ? fault.count : 10000, Qt::Uninitialized);
        for (char &c : garbage)
            c = char(random.bounded(256));
        return garbage;
    }
    case SimFault::Kind::OtherCommand:
        if (frameLength >= 4) {
            quint8 other = fault.otherCommand;
            if (other == 0)
                other = request == 'a' ? 'Q' : 'a';
            reply[1] = char(other);
            ModuleChecksum::put(reply, frameLength - 2);
        }
        return reply;
    case SimFault::Kind::Vanish:
        return reply.left(reply.size() / 2);
    case SimFault::Kind::Shortened: {
        // Start, command and bytes 2 and 3 stay; the checksum is made right for what is left.
        const int length = std::clamp(fault.count > 0 ? fault.count : 6, 4, std::max(frameLength, 4));
        QByteArray frame = reply.left(length - 2);
        frame.resize(length);
        ModuleChecksum::put(frame, length - 2);
        return frame;
    }
    }
    return reply;
}
