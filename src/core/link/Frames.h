#pragma once

#include "core/config/ConfigImage.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <array>
#include <span>

// The module's frames: the application's 8-byte requests, 388-byte data frame and replies,
// the bootloader's row frames and length-framed replies, and the verdict on each kind of
// reply. Pure values and functions; the exchange lives in RequestEngine.

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
quint16 frameChecksum(std::span<const quint8> bytes);

// One of the six requests: its command, its fixed parameter bytes and the number of zero
// bytes that wake the module before it.
struct RequestInfo
{
    quint8 command;
    std::array<quint8, 4> parameters;
    int preamble;
};

// The request with this command byte, or nullptr if there is none.
const RequestInfo *requestInfo(quint8 command);

// 0xFF, command, the four parameters, checksum over bytes 0..5.
RequestFrame buildRequestFrame(const RequestInfo &request);

// 0xFF, '3', the 384 payload bytes, checksum over bytes 0..385.
DataFrame buildDataFrame(ConstPayloadSpan payload);

// The bytes of an application reply as the evaluation sees them.
struct ReplyCheck
{
    int length = 0;        // bytes that belong to the reply: the short replies, and a boot reply
                           // that a start-window count follows, are cut to 6
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

// The length the protocol fixes for an application reply with this command byte (byte 1);
// 0 for a byte that starts no reply the module sends.
int applicationReplyLength(quint8 command);
// `received` is one whole reply and nothing more: start byte, a command whose length is known,
// exactly that many bytes and a right checksum. Only then may a reply be judged before the
// line has been quiet; a prefix of a reply, or any faulty frame, is never whole.
bool isWholeApplicationReply(std::span<const quint8> received);

// Received signal strength in dBm from the module's raw value: raw * 1.5 - 137, truncated
// toward zero; and the text the radio test window shows for it.
int rssiDbm(int raw);
QString rssiText(int raw);

// Two upper-case hexadecimal digits, as every trace and message shows a byte.
QString hex2(int value);

// ---- Bootloader frames ----
// They carry no start byte and travel scrambled with the link mask; the replies come plain,
// with their own length and an end byte.

namespace Boot {
inline constexpr quint8 Announce = 0x03;
inline constexpr quint8 RowData = 0x05;
inline constexpr quint8 Finish = 0x07;
inline constexpr quint8 Reset = 0x10;
inline constexpr quint8 ResetParameter = 0xB0;
inline constexpr quint8 ErrorReply = 0xEE;
inline constexpr quint8 EndByte = 0xEF;
inline constexpr quint8 Countdown = 0xFC;      // the bootloader's start window counting down
inline constexpr quint8 AnnouncedGroups = 0x41; // three-byte groups in the row data frame
inline constexpr int RowDataBytes = 192;        // 64 instructions of three bytes
inline constexpr int AnnounceLength = 8;
inline constexpr int RowDataLength = 198;       // command, three zero bytes, row data, checksum
inline constexpr int FinishLength = 4;
inline constexpr int ResetLength = 4;
} // namespace Boot

using AnnounceFrame = std::array<quint8, Boot::AnnounceLength>;
using RowDataFrame = std::array<quint8, Boot::RowDataLength>;
using FinishFrame = std::array<quint8, Boot::FinishLength>;
using ResetFrame = std::array<quint8, Boot::ResetLength>;
using RowData = std::array<quint8, Boot::RowDataBytes>;

// A value below 2^24 as three bytes, most significant first.
std::array<quint8, 3> threeBytes(quint32 a);

// 0x03, 0x00, 0x41, the row address in three bytes, checksum.
AnnounceFrame buildAnnounceFrame(quint32 address);
// 0x05, three zero bytes, the row's 192 bytes, checksum over bytes 0..195.
RowDataFrame buildRowDataFrame(const RowData &data);
// 0x07, 1 to erase the row's page first (else 0), checksum.
FinishFrame buildFinishFrame(bool clearPage);
// 0x10, 0xB0, checksum.
ResetFrame buildResetFrame();

// What a bootloader reply means for the frame `pending` (0x03, 0x05 or 0x07) waits for.
struct BootReplyVerdict
{
    // Every failing check of the frame, in the order they are made: length field, end
    // byte, checksum. All of them run; the last one found is the one that counts.
    QStringList frameErrors;
    // Byte 0 is 0xEE: the bootloader refused the frame; byte 3 is its error code.
    bool errorReply = false;
    quint8 errorCode = 0;
    // The reply command is not the one `pending` is answered with (not judged for an error
    // reply, nor when nothing is pending).
    QString commandError;
    // A correct reply with the right command: the row goes on.
    bool accepted = false;
};

// A countdown frame (0xFC n) ahead of the reply to an announcement is passed over.
BootReplyVerdict judgeBootloaderReply(std::span<const quint8> reply, quint8 pending);
// `received` is one whole bootloader reply for `pending` and nothing more (counts ahead of an
// announcement's reply passed over as above): exactly as many bytes as its length field says,
// its checksum and its end byte right.
bool isWholeBootloaderReply(std::span<const quint8> received, quint8 pending);
