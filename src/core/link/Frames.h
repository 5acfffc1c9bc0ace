#pragma once

#include "core/config/ConfigImage.h"

#include <QString>
#include <QtGlobal>

#include <array>
#include <span>

// Application frames of the module: 8-byte requests, the 388-byte data frame and the replies.
// Pure values; the exchange itself lives in TFRX.

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
inline constexpr int DataLength = 4 + PayloadBytes; // 0xFF, '3', payload, checksum
inline constexpr int ShortReplyLength = 6;           // the acknowledgements and the reset reply
} // namespace Frame

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
void buildRequestFrame(const RequestSpec &request, std::span<quint8, Frame::RequestLength> frame);

// 0xFF, '3', the 384 payload bytes, checksum over bytes 0..385.
void buildDataFrame(ConstPayloadSpan payload, std::span<quint8, Frame::DataLength> frame);

// What the evaluation needs to know about the bytes of an application reply.
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

// Checks an application reply. `complete` is false when bytes of it had to be dropped: its
// real checksum bytes are then lost, so it cannot pass (unless it is a short reply whose
// first six bytes arrived).
ReplyCheck checkApplicationReply(std::span<const quint8> reply, bool complete);

// Received signal strength in dBm from the module's raw value: raw * 1.5 - 137, truncated
// toward zero; and the text the radio test window shows for it.
int rssiDbm(int raw);
QString rssiText(int raw);
