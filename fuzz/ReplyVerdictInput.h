#pragma once

// How a fuzz input becomes a call of a reply verdict, and what every verdict must satisfy.
// Shared by the two libFuzzer harnesses (application and bootloader replies) and the tests
// that replay their corpora.

#include "core/link/Frames.h"

#include <span>

// Byte 0: the pending command; byte 1, bit 0: whether all bytes were kept; the rest: the reply.
// A bootloader reply has no byte 1 (nothing is dropped there): its reply follows byte 0.
struct VerdictInput
{
    quint8 pending = 0;
    bool complete = true;
    std::span<const quint8> reply;
};

inline VerdictInput verdictInput(std::span<const quint8> data)
{
    VerdictInput input;
    if (!data.empty())
        input.pending = data[0];
    if (data.size() > 1)
        input.complete = data[1] & 1;
    if (data.size() > 2)
        input.reply = data.subspan(2);
    return input;
}

inline VerdictInput bootVerdictInput(std::span<const quint8> data)
{
    VerdictInput input;
    if (!data.empty()) {
        input.pending = data[0];
        input.reply = data.subspan(1);
    }
    return input;
}

// Null when the verdict is sound, else what is wrong with it.
inline const char *verdictFault(const VerdictInput &input, const ReplyVerdict &verdict)
{
    const ReplyCheck &check = verdict.check;
    const size_t length = size_t(check.length);
    if (length > input.reply.size())
        return "the reply is longer than what arrived";
    if (verdict.accepted && (!verdict.valid || !verdict.error.isEmpty()))
        return "accepted with an error";
    if (!verdict.valid && verdict.error.isEmpty())
        return "an invalid frame without an error";
    if (verdict.valid) {
        if (length < 2 || input.reply[0] != Frame::StartByte)
            return "valid without start byte";
        const quint16 sum = frameChecksum(input.reply.first(length - 2));
        if (quint16(input.reply[length - 2] << 8 | input.reply[length - 1]) != sum)
            return "valid with a wrong checksum";
        // Only a short reply's first six bytes may pass when bytes were dropped.
        const quint8 command = input.reply[1];
        const bool shortReply = command == Command::WriteAccepted || command == Command::WriteDone
            || command == Command::Reset
            || (command == Command::Boot && input.reply.size() > size_t(Frame::ShortReplyLength)
                && input.reply[size_t(Frame::ShortReplyLength)] == Boot::Countdown);
        if (length < input.reply.size() && !(shortReply && length == size_t(Frame::ShortReplyLength)))
            return "valid on part of a reply that is never cut";
        if (!input.complete && length == input.reply.size()
            && !(shortReply && length == size_t(Frame::ShortReplyLength)))
            return "valid although bytes were dropped";
    }
    if (verdict.accepted && input.pending == 0)
        return "accepted with nothing pending";
    if (!verdict.payload.empty()) {
        if (!verdict.accepted || input.pending != Command::ReadConfig)
            return "a payload outside an accepted read";
        if (verdict.payload.size() != size_t(PayloadBytes) || verdict.payload.data() != input.reply.data() + 4)
            return "the payload is not the reply's image";
    }
    if (verdict.accepted && input.pending == Command::ReadConfig
        && (verdict.payload.empty() || length != size_t(Frame::ReadReplyLength)))
        return "a read accepted without its image";
    return nullptr;
}

// The same for the verdict on a bootloader reply.
inline const char *bootVerdictFault(const VerdictInput &input, const BootReplyVerdict &verdict)
{
    if (verdict.frameErrors.size() > 3)
        return "more frame errors than checks";
    if (verdict.accepted && (!verdict.frameErrors.isEmpty() || !verdict.commandError.isEmpty() || verdict.errorReply))
        return "accepted with an error";
    if (verdict.errorReply && !verdict.commandError.isEmpty())
        return "an error reply judged for its command as well";
    // Counts of the start window ahead of an announcement's reply are no part of it.
    std::span<const quint8> reply = input.reply;
    while (input.pending == Boot::Announce && reply.size() >= 2 && reply[0] == Boot::Countdown)
        reply = reply.subspan(2);
    const size_t n = reply.size();
    if (verdict.errorReply && (n == 0 || reply[0] != Boot::ErrorReply || verdict.errorCode != (n > 3 ? reply[3] : 0)))
        return "an error reply without its command and code";
    if (!verdict.errorReply && n > 0 && reply[0] == Boot::ErrorReply)
        return "an error reply not seen";
    const bool frameOk = n >= 6 && reply[n - 1] == Boot::EndByte && size_t(reply[1] << 8 | reply[2]) == n
        && frameChecksum(reply.first(n - 3)) == quint16(reply[n - 3] << 8 | reply[n - 2]);
    if (frameOk != verdict.frameErrors.isEmpty())
        return "frame errors that do not match the frame";
    if (verdict.accepted && (!frameOk || reply[0] != input.pending + 1))
        return "accepted without its frame";
    const bool awaited = input.pending == Boot::Announce || input.pending == Boot::RowData
        || input.pending == Boot::Finish;
    if (!verdict.accepted && awaited && frameOk && reply[0] == input.pending + 1)
        return "the right reply not accepted";
    return nullptr;
}
