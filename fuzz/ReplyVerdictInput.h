#pragma once

// How a fuzz input becomes a call of the reply verdict, and what every verdict must satisfy.
// Shared by the libFuzzer harness and the test that replays its corpus.

#include "core/link/Frames.h"

#include <span>

// Byte 0: the pending command; byte 1, bit 0: whether all bytes were kept; the rest: the reply.
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
        const quint16 sum = buildchecksum(input.reply.first(length - 2));
        if (quint16(input.reply[length - 2] << 8 | input.reply[length - 1]) != sum)
            return "valid with a wrong checksum";
        // Only a short reply's first six bytes may pass when bytes were dropped.
        const quint8 command = input.reply[1];
        const bool shortReply = command == Command::WriteAccepted || command == Command::WriteDone
            || command == Command::Reset;
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
    if (verdict.errorReply && (input.reply.empty() || input.reply[0] != Boot::ErrorReply))
        return "an error reply without its command";
    if (verdict.accepted) {
        // Counts of the start window ahead of an announcement's reply are no part of it.
        std::span<const quint8> reply = input.reply;
        while (input.pending == Boot::Announce && reply.size() >= 2 && reply[0] == Boot::Countdown)
            reply = reply.subspan(2);
        const size_t n = reply.size();
        if (n < 6 || reply[n - 1] != Boot::EndByte || size_t(reply[1] << 8 | reply[2]) != n)
            return "accepted without its frame";
    }
    return nullptr;
}
