#pragma once

// How a fuzz input becomes a reply that arrives in chunks, and what judging it as soon as it
// is whole (the fast timing) must satisfy against judging it once the line is quiet. Shared by
// the libFuzzer harness fuzz_arrival and the test that replays its corpus.

#include "core/link/Frames.h"

#include <span>
#include <vector>

// Byte 0, bit 0: a bootloader reply (else an application reply); byte 1: the command awaited;
// byte 2: how many cuts follow; each cut byte + 1 is the length of one arrival; the rest is the
// stream, and whatever the cuts leave of it arrives last. The arrivals follow each other within
// the guard, as the bytes of one reply do on the line.
struct ArrivalInput
{
    bool bootloader = false;
    quint8 pending = 0;
    std::vector<size_t> arrivalEnds; // where each arrival ends in the stream; the last at its end
    std::span<const quint8> stream;
};

inline ArrivalInput arrivalInput(std::span<const quint8> data)
{
    ArrivalInput input;
    if (data.size() < 3)
        return input;
    input.bootloader = data[0] & 1;
    input.pending = data[1];
    const size_t cuts = std::min<size_t>(data[2], data.size() - 3);
    input.stream = data.subspan(3 + cuts);
    size_t end = 0;
    for (size_t i = 0; i < cuts && end < input.stream.size(); ++i) {
        end = std::min(input.stream.size(), end + size_t(data[3 + i]) + 1);
        input.arrivalEnds.push_back(end);
    }
    if (input.arrivalEnds.empty() || input.arrivalEnds.back() != input.stream.size())
        input.arrivalEnds.push_back(input.stream.size());
    return input;
}

inline bool isWholeReply(const ArrivalInput &input, std::span<const quint8> received)
{
    return input.bootloader ? isWholeBootloaderReply(received, input.pending) : isWholeApplicationReply(received);
}

// The frame passes its own checks: start byte and checksum, or length field, end byte and
// checksum; what it answers does not matter here.
inline bool frameIntact(const ArrivalInput &input, std::span<const quint8> received)
{
    if (input.bootloader)
        return judgeBootloaderReply(received, input.pending).frameErrors.isEmpty();
    return judgeApplicationReply(received, true, input.pending).valid;
}

// Null when the fast timing judges the stream as the quiet time does, else what is wrong.
inline const char *arrivalFault(const ArrivalInput &input)
{
    // The engine with fast timing asks after each arrival whether the bytes so far are a whole
    // reply; a guard then runs, and the next arrival ends it (the quiet time takes over). So
    // the bytes judged are always all of them, as after the quiet time, and a verdict given
    // when the guard ends must be the one the quiet time gives if nothing more comes: the
    // frame must be intact, with no verdict that more bytes could still mend or spoil.
    for (const size_t end : input.arrivalEnds) {
        const std::span<const quint8> sofar = input.stream.first(end);
        if (isWholeReply(input, sofar) && !frameIntact(input, sofar))
            return "a faulty frame taken as whole";
    }

    // Whatever the cuts: one length of the stream at most is whole, and no shorter part of
    // a reply that passes uncut.
    size_t wholeAt = 0;
    for (size_t n = 1; n <= input.stream.size(); ++n) {
        if (!isWholeReply(input, input.stream.first(n)))
            continue;
        if (wholeAt != 0)
            return "two lengths of one stream taken as whole";
        wholeAt = n;
    }
    const bool uncut = input.bootloader
        || judgeApplicationReply(input.stream, true, input.pending).check.length == int(input.stream.size());
    if (frameIntact(input, input.stream) && uncut && wholeAt != 0 && wholeAt < input.stream.size())
        return "a part of a valid reply taken as whole";
    return nullptr;
}
