#pragma once

#include "core/config/ConfigImage.h"

#include <QString>
#include <QtGlobal>

#include <array>
#include <span>

// Application frames of the module: 8-byte requests, the 388-byte data frame, the replies
// and the verdict on a reply. Pure values and functions; the exchange lives in
// ModuleProtocol.

// Command bytes of the requests and of the replies the module answers them with.
namespace Command {
inline constexpr quint8 ReadConfig = '!';
inline constexpr quint8 ReadReply = 0x22;
inline constexpr quint8 WriteRequest = '1';
inline constexpr quint8 WriteAccepted = '2';
inline constexpr quint8 WriteData = '3';
inline constexpr quint8 WriteDone = '4';
inline constexpr quint8 Reset = 'Q';
inline constexpr quint8 Boot = 'w';
inline constexpr quint8 Carrier = 0x60;
inline constexpr quint8 Rssi = 'a';
} // namespace Command

namespace Frame {
inline constexpr quint8 StartByte = 0xFF;
inline constexpr int RequestLength = 8;
inline constexpr int DataLength = 4 + PayloadBytes;      // 0xFF, '3', payload, checksum
inline constexpr int ShortReplyLength = 6;                // the acknowledgements and the reset reply
inline constexpr int ReadReplyLength = 6 + PayloadBytes;  // 0xFF, 0x22, version, payload, checksum
} // namespace Frame

using RequestFrame = std::array<quint8, Frame::RequestLength>;
using DataFrame = std::array<quint8, Frame::DataLength>;

// Ones' complement of the 16-bit byte sum; frames carry it high byte first.
quint16 buildchecksum(std::span<const quint8> bytes);

// One of the six requests: its command, its fixed parameter bytes and the number of zero
// bytes that wake the module before it.
struct RequestSpec
{
    quint8 command;
    std::array<quint8, 4> parameters;
    int preamble;
};

// The request with this command byte, or nullptr if there is none.
const RequestSpec *requestSpec(quint8 command);

// 0xFF, command, the four parameters, checksum over bytes 0..5.
RequestFrame buildRequestFrame(const RequestSpec &request);

// 0xFF, '3', the 384 payload bytes, checksum over bytes 0..385.
DataFrame buildDataFrame(ConstPayloadSpan payload);

// The bytes of an application reply as the evaluation sees them.
struct ReplyCheck
{
    int length = 0;        // bytes that belong to the reply (the short replies are cut to 6)
    quint8 startByte = 0;  // byte 0, or 0 if nothing arrived
    quint8 command = 0;    // byte 1, or 0
    quint16 received = 0;  // the last two bytes of the reply, high byte first
    quint16 computed = 0;  // checksum over the bytes before them
    bool startOk = false;
    bool checksumOk = false;
};

// What an application reply means for the request `pending` waits for.
struct ReplyVerdict
{
    ReplyCheck check;
    // Start byte and checksum are right: bytes 2 and 3 are the module's.
    bool valid = false;
    // It answers `pending`.
    bool accepted = false;
    // Why the reply is an error; empty for an accepted reply and for a valid reply to
    // another command, which is no error (the wait simply ends without success).
    QString error;
    quint8 byte2 = 0;
    quint8 byte3 = 0;
    // The 384 configuration bytes of an accepted read reply, else empty.
    std::span<const quint8> payload;
};

// Judges the bytes received for `pending` (0 after a time-out: then nothing is accepted).
// `complete` is false when bytes of the reply had to be dropped: its real checksum bytes are
// then lost, so it cannot pass (unless it is a short reply whose first six bytes arrived).
ReplyVerdict judgeApplicationReply(std::span<const quint8> reply, bool complete, quint8 pending);

// Received signal strength in dBm from the module's raw value: raw * 1.5 - 137, truncated
// toward zero; and the text the radio test window shows for it.
int rssiDbm(int raw);
QString rssiText(int raw);

// Two upper-case hexadecimal digits, as every trace and message shows a byte.
QString hex2(int value);
