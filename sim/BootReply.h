#pragma once

#include "ModuleChecksum.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

// Replies of the module's bootloader, unscrambled on the wire: reply command, total length
// (high byte first), data, checksum over everything before it (high byte first), end byte.
namespace BootReply {

inline constexpr quint8 ErrorCommand = 0xEE;
inline constexpr quint8 EndByte = 0xEF;
inline constexpr int Overhead = 6; // command, length, checksum, end byte

// Puts the module's checksum (0xFFFF minus the 16-bit byte sum) over bytes 0..n-4 into bytes
// n-3 and n-2, whatever the length field says.
inline void seal(QByteArray &reply)
{
    if (reply.size() >= 4)
        ModuleChecksum::put(reply, reply.size() - 3);
}

inline QByteArray build(quint8 command, QByteArrayView data = {})
{
    const int n = Overhead + int(data.size());
    QByteArray reply;
    reply.reserve(n);
    reply.append(char(command)).append(char(n >> 8)).append(char(n & 0xFF)).append(data);
    reply.append(2, '\0').append(char(EndByte));
    seal(reply);
    return reply;
}

} // namespace BootReply
