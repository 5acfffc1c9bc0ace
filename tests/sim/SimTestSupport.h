#pragma once
// What the simulator's tests share: frames built here as the tool would build them, with
// their checksums worked out independently of the simulator, and the tool's side of the line.
#include <QByteArray>
#include <QSerialPort>
#include <QTest>

#include <algorithm>
#include <vector>

namespace SimTest {

// A frame as the tool would build it, with the checksum worked out here.
inline QByteArray frame(QByteArray bytes)
{
    quint16 sum = 0;
    for (const char c : bytes)
        sum = quint16(sum + quint8(c));
    sum = quint16(~sum);
    return bytes.append(char(sum >> 8)).append(char(sum & 0xFF));
}

inline QByteArray request(char command, const char *parameters = "\0\0\0\0")
{
    return QByteArray(50, '\0') + frame(QByteArray(1, char(0xFF)) + command + QByteArray(parameters, 4));
}

// A bootloader frame as the tool sends it: the checksum over the plain bytes, then every
// byte combined with the link mask 0xC5.
inline QByteArray bootFrame(const QByteArray &bytes)
{
    QByteArray wire = frame(bytes);
    for (char &c : wire)
        c = char(c ^ 0xC5);
    return wire;
}

inline QByteArray announce(quint32 address, char groups = 0x41)
{
    return bootFrame(QByteArray("\x03\x00", 2) + groups + char(address >> 16) + char(address >> 8) + char(address));
}

// 64 instructions that differ in each of their three bytes.
inline quint32 instruction(int i)
{
    return quint32(0x40 + i) << 16 | quint32(0xA0 ^ i) << 8 | quint32(3 * i);
}

inline QByteArray rowData(char leading = 0)
{
    QByteArray bytes("\x05\x00\x00", 3);
    bytes += leading;
    for (int i = 0; i < 64; ++i)
        bytes.append(char(instruction(i) >> 16)).append(char(instruction(i) >> 8)).append(char(instruction(i)));
    return bootFrame(bytes);
}

inline QByteArray finish(char flag)
{
    return bootFrame(QByteArray("\x07", 1) + flag);
}

inline const QByteArray resetFrame = bootFrame("\x10\xB0");

// The bootloader's good replies, and its error reply with a code.
inline const QByteArray AnnounceOk("040006fff5ef");
inline const QByteArray DataOk("060006fff3ef");
inline const QByteArray FinishOk("080006fff1ef");
inline QByteArray errorReply(const char *codeAndChecksum)
{
    return "ee0007" + QByteArray(codeAndChecksum) + "ef";
}

inline QByteArray countdownFrames()
{
    QByteArray frames;
    for (int n = 20; n >= 0; --n)
        frames.append(char(0xFC)).append(char(n));
    return frames;
}

// The address of the first instruction that differs, or -1.
inline int firstDifference(const std::vector<quint32> &a, const std::vector<quint32> &b)
{
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        if (a[i] != b[i])
            return int(2 * i);
    }
    return a.size() == b.size() ? -1 : int(2 * std::min(a.size(), b.size()));
}

// The tool's side of the line.
class Line
{
public:
    bool open(const QString &device)
    {
        port.setPortName(device);
        port.setBaudRate(38400);
        return port.open(QIODevice::ReadWrite);
    }
    // Sends `bytes` and collects until `expected` bytes are in (or `ms` passed).
    QByteArray exchange(const QByteArray &bytes, int expected, int ms = 3000)
    {
        received.clear();
        port.write(bytes);
        (void)QTest::qWaitFor([&] {
            received += port.readAll();
            return received.size() >= expected;
        }, ms);
        return received;
    }
    QByteArray collect()
    {
        received += port.readAll();
        return received;
    }

    QSerialPort port;
    QByteArray received;
};

} // namespace SimTest
