#include "BootFault.h"

#include "BootReply.h"
#include "FaultText.h"

#include <algorithm>
#include <array>

namespace {

struct KindName
{
    BootFault::Kind kind;
    const char *name;
};

constexpr std::array<KindName, 7> Names{{
    {BootFault::Kind::None, "none"},
    {BootFault::Kind::ErrorReply, "error-reply"},
    {BootFault::Kind::Silent, "silent"},
    {BootFault::Kind::BadChecksum, "bad-checksum"},
    {BootFault::Kind::WrongLength, "wrong-length"},
    {BootFault::Kind::MissingEnd, "missing-end"},
    {BootFault::Kind::OtherCommand, "other-command"},
}};

// The reply that belongs to the next command of a row, so a wrong one is still plausible.
quint8 nextReplyCommand(quint8 command)
{
    switch (command) {
    case 0x04:
        return 0x06;
    case 0x06:
        return 0x08;
    default:
        return 0x04;
    }
}

} // namespace

std::optional<BootFault> BootFault::parse(QStringView text, QString *error)
{
    const auto fail = [error](const QString &why) { return FaultText::refused<BootFault>(error, why); };
    const FaultText parts(text);
    const QStringView name = parts.name;
    const QStringView argument = parts.argument;
    const std::optional<Kind> kind = parts.kindIn<Kind>(Names);
    if (!kind)
        return fail(QStringLiteral("unknown bootloader fault mode \"%1\"").arg(name));

    BootFault fault;
    fault.kind = *kind;
    if (argument.isNull())
        return fault;
    if (fault.kind != Kind::ErrorReply && fault.kind != Kind::OtherCommand)
        return fail(QStringLiteral("bootloader fault mode \"%1\" takes no argument").arg(name));
    bool ok = false;
    const uint value = argument.toUInt(&ok, 16);
    if (!ok || value > 0xFF)
        return fail(QStringLiteral("bad argument in bootloader fault mode \"%1\"").arg(text));
    (fault.kind == Kind::ErrorReply ? fault.code : fault.otherCommand) = quint8(value);
    return fault;
}

QString BootFault::helpText()
{
    return QStringLiteral(
        "  none              answer correctly\n"
        "  error-reply[:H]   the error reply 0xEE with code H (hex, default 80); not carried out\n"
        "  silent            no reply; not carried out\n"
        "  bad-checksum      a wrong checksum\n"
        "  wrong-length      a length field one more than the reply's length\n"
        "  missing-end       0x00 instead of the end byte 0xEF\n"
        "  other-command[:H] a well-formed reply with the reply command H (hex; default: the next one)\n");
}

QByteArray applyBootFault(const BootFault &fault, QByteArray reply)
{
    if (reply.size() < BootReply::Overhead)
        return reply;
    const qsizetype n = reply.size();
    switch (fault.kind) {
    case BootFault::Kind::None:
        return reply;
    case BootFault::Kind::ErrorReply:
        return BootReply::build(BootReply::ErrorCommand, QByteArray(1, char(fault.code)));
    case BootFault::Kind::Silent:
        return {};
    case BootFault::Kind::BadChecksum:
        reply[n - 2] = char(reply[n - 2] ^ 0x5A);
        return reply;
    case BootFault::Kind::WrongLength:
        // Only the length is wrong: the checksum is made right for it.
        reply[1] = char((n + 1) >> 8);
        reply[2] = char((n + 1) & 0xFF);
        BootReply::seal(reply);
        return reply;
    case BootFault::Kind::MissingEnd:
        reply[n - 1] = '\0';
        return reply;
    case BootFault::Kind::OtherCommand:
        reply[0] = char(fault.otherCommand != 0 ? fault.otherCommand : nextReplyCommand(quint8(reply[0])));
        BootReply::seal(reply);
        return reply;
    }
    return reply;
}
