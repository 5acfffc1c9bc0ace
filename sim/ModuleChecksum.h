#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

// The checksum of every frame the module takes or sends: 0xFFFF minus the 16-bit sum of the
// bytes, high byte first. The simulator works it out itself, so it checks the tool's frames
// rather than agreeing with them.
namespace ModuleChecksum {

inline quint16 of(QByteArrayView bytes)
{
    quint16 sum = 0;
    for (const char c : bytes)
        sum = quint16(sum + quint8(c));
    return quint16(0xFFFF - sum);
}

// A frame whose last two bytes are the checksum of the bytes before them.
inline bool frameOk(QByteArrayView frame)
{
    const qsizetype n = frame.size();
    if (n < 2)
        return false;
    return quint16(quint8(frame[n - 2]) << 8 | quint8(frame[n - 1])) == of(frame.first(n - 2));
}

// Writes the checksum of bytes[0..at) into bytes[at] and bytes[at + 1].
inline void put(QByteArray &bytes, qsizetype at)
{
    const quint16 sum = of(QByteArrayView(bytes).first(at));
    bytes[at] = char(sum >> 8);
    bytes[at + 1] = char(sum & 0xFF);
}

} // namespace ModuleChecksum
