#pragma once

// How a fuzz input becomes a run of the simulated module's request parser over a byte
// stream, and what every step must satisfy. Shared by the libFuzzer harness and the test
// that replays its corpus.
//
// Byte 0, bit 0: the bootloader's parser (else the application's); bit 1: the application
// waits for the data frame at the start. Byte 1 picks where the stream is cut short to check
// that more bytes never change a step already decided. The rest is the stream.

#include "RequestParser.h"

#include "core/link/DeviceConstants.h"
#include "core/link/Frames.h"

#include <algorithm>
#include <array>
#include <memory>
#include <span>

namespace RequestParserChecks {

using AppStep = RequestParser::ApplicationStep;
using BootStep = RequestParser::BootloaderStep;

inline QByteArrayView view(std::span<const quint8> bytes)
{
    return QByteArrayView(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
}

// Whether the last two bytes are the checksum of the others, by the tool's own reckoning.
inline bool checksumOk(std::span<const quint8> frame)
{
    const size_t n = frame.size();
    return n >= 2 && frameChecksum(frame.first(n - 2)) == quint16(frame[n - 2] << 8 | frame[n - 1]);
}

template<size_t N>
bool sameBytes(const std::array<quint8, N> &built, std::span<const quint8> frame)
{
    return frame.size() == N && std::equal(built.begin(), built.end(), frame.begin());
}

// The first `k` bytes of `input` where nothing follows them: at the very end of an
// allocation, so that reading past them shows under the address sanitizer. One block serves
// all the copies (a new one each time would cost more than the parse).
class Prefix
{
public:
    Prefix(std::span<const quint8> input, size_t k)
    {
        static const std::unique_ptr<quint8[]> block(new quint8[BlockSize]);
        quint8 *at;
        if (k <= BlockSize) {
            at = block.get() + (BlockSize - k);
        } else {
            m_own.reset(new quint8[k]);
            at = m_own.get();
        }
        std::copy_n(input.begin(), k, at);
        m_bytes = std::span<const quint8>(at, k);
    }
    QByteArrayView view() const { return RequestParserChecks::view(m_bytes); }

private:
    static constexpr size_t BlockSize = 1 << 16;
    std::unique_ptr<quint8[]> m_own;
    std::span<const quint8> m_bytes;
};

// A step decided on fewer bytes must be the one decided on all of them, and waiting for more
// may never drop more than the whole stream lets go.
inline const char *appPrefixFault(std::span<const quint8> input, size_t k, bool expectData, const AppStep &full)
{
    const Prefix prefix(input, k);
    const AppStep part = RequestParser::parseApplicationStep(prefix.view(), expectData);
    if (part.consumed > qsizetype(k))
        return "the application parser consumed more than it got";
    if (part.kind == AppStep::Kind::NeedMore)
        return part.consumed <= full.consumed ? nullptr : "waiting for more dropped bytes the stream keeps";
    if (part.kind != full.kind || part.consumed != full.consumed || part.dataFrame != full.dataFrame
        || part.frame != full.frame)
        return "more bytes changed an application step already decided";
    return nullptr;
}

inline const char *bootPrefixFault(std::span<const quint8> input, size_t k, const BootStep &full)
{
    const Prefix prefix(input, k);
    const BootStep part = RequestParser::parseBootloaderStep(prefix.view());
    if (part.consumed > qsizetype(k))
        return "the bootloader parser consumed more than it got";
    if (part.kind == BootStep::Kind::NeedMore)
        return part.consumed == 0 ? nullptr : "the bootloader dropped bytes while waiting";
    if (part.kind != full.kind || part.consumed != full.consumed || part.command != full.command
        || part.frame != full.frame)
        return "more bytes changed a bootloader step already decided";
    return nullptr;
}

// One step of the application's parser on `input`.
inline const char *appStepFault(std::span<const quint8> input, bool expectData, const AppStep &step)
{
    const size_t n = input.size();
    if (step.consumed < 0 || size_t(step.consumed) > n)
        return "the application parser consumed more than it got";
    const auto start = std::find(input.begin(), input.end(), Frame::StartByte);
    const size_t skipped = size_t(start - input.begin());
    if (step.kind == AppStep::Kind::NeedMore) {
        if (start == input.end())
            return size_t(step.consumed) == n ? nullptr : "stray bytes without a start byte kept";
        if (size_t(step.consumed) != skipped)
            return "waiting for more, yet not at the start byte";
        const size_t needed = (n - skipped >= 2 && expectData && input[skipped + 1] == Command::WriteData)
            ? size_t(Frame::DataLength) : size_t(Frame::RequestLength);
        return n - skipped < needed ? nullptr : "waiting for more with a whole frame there";
    }
    if (start == input.end())
        return "a frame without a start byte";
    const bool dataFrame = expectData && n - skipped >= 2 && input[skipped + 1] == Command::WriteData;
    if (step.dataFrame != dataFrame)
        return "the data frame mistaken";
    const size_t length = dataFrame ? size_t(Frame::DataLength) : size_t(Frame::RequestLength);
    if (n - skipped < length)
        return "a step decided on a frame cut short";
    const std::span<const quint8> window = input.subspan(skipped, length);
    if (step.kind == AppStep::Kind::Rejected) {
        if (checksumOk(window))
            return "a frame with a right checksum rejected";
        return size_t(step.consumed) == skipped + (dataFrame ? length : 1)
            ? nullptr : "a rejected frame dropped the wrong number of bytes";
    }
    if (size_t(step.consumed) != skipped + length
        || step.frame.data() != reinterpret_cast<const char *>(window.data())
        || size_t(step.frame.size()) != length)
        return "the frame is not the bytes from its start byte on";
    if (!checksumOk(window))
        return "a frame with a wrong checksum taken";
    // Built anew from its contents by the tool's own frame functions, it is the same frame.
    if (dataFrame) {
        std::array<quint8, PayloadBytes> payload;
        std::copy_n(window.begin() + 2, PayloadBytes, payload.begin());
        if (!sameBytes(buildDataFrame(payload), window))
            return "a data frame that the tool would build otherwise";
    } else if (const RequestInfo *info = requestInfo(window[1])) {
        const bool sameParameters = std::equal(info->parameters.begin(), info->parameters.end(), window.begin() + 2);
        if (sameParameters && !sameBytes(buildRequestFrame(*info), window))
            return "a request that the tool would build otherwise";
    }
    return nullptr;
}

// One step of the bootloader's parser on `input`.
inline const char *bootStepFault(std::span<const quint8> input, const BootStep &step)
{
    const size_t n = input.size();
    if (step.consumed < 0 || size_t(step.consumed) > n)
        return "the bootloader parser consumed more than it got";
    const quint8 wire = n > 0 ? input[0] : 0;
    const quint8 command = wire ^ Device::LinkMask;
    size_t length = 0;
    switch (command) {
    case Boot::Announce: length = Boot::AnnounceLength; break;
    case Boot::RowData: length = Boot::RowDataLength; break;
    case Boot::Finish: length = Boot::FinishLength; break;
    case Boot::Reset: length = Boot::ResetLength; break;
    default: break;
    }
    switch (step.kind) {
    case BootStep::Kind::NeedMore:
        if (step.consumed != 0)
            return "the bootloader dropped bytes while waiting";
        if (n == 0 || (wire == Frame::StartByte && n < size_t(Frame::RequestLength)) || (length > 0 && n < length))
            return nullptr;
        return "the bootloader waits with a whole frame there";
    case BootStep::Kind::Idle:
        return n > 0 && wire == 0 && step.consumed == 1 ? nullptr : "idle, but not a zero byte";
    case BootStep::Kind::ApplicationFrame:
        return wire == Frame::StartByte && step.consumed == Frame::RequestLength
            ? nullptr : "an application frame that is none";
    case BootStep::Kind::Noise:
        return n > 0 && wire != 0 && wire != Frame::StartByte && length == 0 && step.consumed == 1
                && step.command == command
            ? nullptr : "noise that is none";
    case BootStep::Kind::Frame:
        break;
    }
    if (length == 0 || wire == 0 || wire == Frame::StartByte)
        return "a bootloader frame with no command";
    if (size_t(step.consumed) != length || size_t(step.frame.size()) != length || step.command != command)
        return "a bootloader frame of the wrong length";
    const std::span<const quint8> frame(reinterpret_cast<const quint8 *>(step.frame.constData()), length);
    for (size_t i = 0; i < length; ++i) {
        if ((frame[i] ^ Device::LinkMask) != input[i])
            return "a bootloader frame not unscrambled from the wire";
    }
    // A frame the bootloader would take is one the tool builds the same way.
    if (!checksumOk(frame))
        return nullptr;
    switch (command) {
    case Boot::Announce:
        if (frame[1] == 0 && frame[2] == Boot::AnnouncedGroups
            && !sameBytes(buildAnnounceFrame(quint32(frame[3]) << 16 | quint32(frame[4]) << 8 | frame[5]), frame))
            return "an announce frame that the tool would build otherwise";
        break;
    case Boot::RowData:
        if (frame[1] == 0 && frame[2] == 0 && frame[3] == 0) {
            RowData data;
            std::copy_n(frame.begin() + 4, Boot::RowDataBytes, data.begin());
            if (!sameBytes(buildRowDataFrame(data), frame))
                return "a row data frame that the tool would build otherwise";
        }
        break;
    case Boot::Finish:
        if (frame[1] <= 1 && !sameBytes(buildFinishFrame(frame[1] == 1), frame))
            return "a finish frame that the tool would build otherwise";
        break;
    case Boot::Reset:
        if (frame[1] == Boot::ResetParameter && !sameBytes(buildResetFrame(), frame))
            return "a reset frame that the tool would build otherwise";
        break;
    }
    return nullptr;
}

// Runs the parser chosen by byte 0 over the stream, step by step, as the module does, and
// checks each step; null when all hold, else what is wrong.
inline const char *requestStreamFault(std::span<const quint8> data)
{
    const quint8 mode = data.size() > 0 ? data[0] : 0;
    const quint8 cut = data.size() > 1 ? data[1] : 0;
    const std::span<const quint8> stream = data.size() > 2 ? data.subspan(2) : std::span<const quint8>();
    const bool bootloader = mode & 1;
    bool expectData = mode & 2;
    size_t at = 0;
    for (size_t steps = 0; at <= stream.size(); ++steps) {
        if (steps > stream.size())
            return "the parser goes on without consuming";
        const std::span<const quint8> rest = stream.subspan(at);
        // Cut one byte short of what the step took, and at a point byte 1 chooses up to 255
        // bytes past it (not further: the copies would cost more than the parse).
        const auto cutsFor = [&rest, cut](qsizetype consumed) {
            const size_t taken = size_t(consumed);
            return std::array<size_t, 2>{taken > 0 ? taken - 1 : 0, std::min(rest.size(), taken + cut)};
        };
        if (bootloader) {
            const BootStep step = RequestParser::parseBootloaderStep(view(rest));
            if (const char *fault = bootStepFault(rest, step))
                return fault;
            for (const size_t k : cutsFor(step.consumed)) {
                if (const char *fault = bootPrefixFault(rest, k, step))
                    return fault;
            }
            if (step.kind == BootStep::Kind::NeedMore)
                break;
            at += size_t(step.consumed);
        } else {
            const AppStep step = RequestParser::parseApplicationStep(view(rest), expectData);
            if (const char *fault = appStepFault(rest, expectData, step))
                return fault;
            for (const size_t k : cutsFor(step.consumed)) {
                if (const char *fault = appPrefixFault(rest, k, expectData, step))
                    return fault;
            }
            if (step.kind == AppStep::Kind::NeedMore)
                break;
            if (step.consumed == 0)
                return "the application parser decided on nothing";
            at += size_t(step.consumed);
            // As the module does: a taken write request makes it wait for the data frame.
            if (step.kind == AppStep::Kind::Frame)
                expectData = !step.dataFrame && quint8(step.frame[1]) == Command::WriteRequest;
            else if (step.dataFrame)
                expectData = false;
        }
    }
    return nullptr;
}

} // namespace RequestParserChecks
