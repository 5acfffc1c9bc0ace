#include "core/link/Frames.h"

#include "core/config/NumberText.h"
#include "core/link/DeviceConstants.h"
#include "core/link/LinkTexts.h"

#include <algorithm>

namespace {

constexpr std::array<RequestInfo, 6> Requests{{
    {Command::ReadConfig, {0x00, 0x00, 0x00, 0x80}, 50},
    {Command::WriteRequest, {0x01, 0x00, 0x01, 0x80}, 50},
    {Command::Reset, {0x00, 0x00, 0x00, 0x00}, 50},
    {Command::Boot, Device::BootGuard, 50},
    {Command::Carrier, {0x00, 0x00, 0x01, 0x00}, 100},
    {Command::Rssi, {0x00, 0x00, 0x00, 0x00}, 100},
}};

void putChecksum(std::span<quint8> frame, int covered)
{
    const quint16 sum = frameChecksum(frame.first(size_t(covered)));
    frame[size_t(covered)] = quint8(sum >> 8);
    frame[size_t(covered) + 1] = quint8(sum & 0xFF);
}

bool isShortReply(quint8 command)
{
    return command == Command::WriteAccepted || command == Command::WriteDone
        || command == Command::Reset;
}

// The module answers the boot command and then its bootloader begins to count its start
// window down: a count may follow the reply before the line falls quiet. The reply is its
// first six bytes then, and the count belongs to the start window.
bool startsStartWindow(std::span<const quint8> reply, quint8 command)
{
    return command == Command::Boot && reply.size() > size_t(Frame::ShortReplyLength)
        && reply[size_t(Frame::ShortReplyLength)] == Boot::Countdown;
}

ReplyCheck checkApplicationReply(std::span<const quint8> reply, bool complete)
{
    ReplyCheck check;
    const int stored = int(reply.size());
    const auto byteAt = [&](int i) -> quint8 { return (i >= 0 && i < stored) ? reply[size_t(i)] : 0; };

    check.startByte = byteAt(0);
    check.command = byteAt(1);
    check.startOk = stored > 0 && check.startByte == Frame::StartByte;

    // A short reply is judged on its first six bytes, whatever follows them. One that came
    // with fewer bytes keeps its real length and so fails the checksum below.
    check.length = stored;
    bool cut = false;
    if ((isShortReply(check.command) && stored >= Frame::ShortReplyLength)
        || startsStartWindow(reply, check.command)) {
        check.length = Frame::ShortReplyLength;
        cut = true;
    }

    const int n = check.length;
    check.received = quint16(byteAt(n - 2) << 8 | byteAt(n - 1));
    check.computed = frameChecksum(reply.first(size_t(std::max(0, n - 2))));
    check.checksumOk = n >= 2 && (complete || cut) && check.received == check.computed;
    return check;
}

// The reply command each request is answered with.
quint8 expectedReply(quint8 pending)
{
    switch (pending) {
    case Command::ReadConfig: return Command::ReadReply;
    case Command::WriteRequest: return Command::WriteAccepted;
    case Command::WriteData: return Command::WriteDone;
    case Command::Reset:
    case Command::Boot:
    case Command::Carrier:
    case Command::Rssi: return pending;
    default: return 0; // nothing is awaited (after a time-out)
    }
}

// The bootloader counts its start window down until the first frame reaches it: a count sent
// just before may arrive ahead of the reply to that frame. It is no part of the reply.
std::span<const quint8> withoutLeadingCounts(std::span<const quint8> reply, quint8 pending)
{
    while (pending == Boot::Announce && reply.size() >= 2 && reply[0] == Boot::Countdown)
        reply = reply.subspan(2);
    return reply;
}

bool checksumAt(std::span<const quint8> bytes, int covered)
{
    const size_t at = size_t(covered);
    return bytes.size() >= at + 2
        && frameChecksum(bytes.first(at)) == quint16(bytes[at] << 8 | bytes[at + 1]);
}

} // namespace

quint16 frameChecksum(std::span<const quint8> bytes)
{
    quint32 sum = 0;
    for (const quint8 b : bytes)
        sum += b;
    return quint16(0xFFFF - (sum & 0xFFFF));
}

const RequestInfo *requestInfo(quint8 command)
{
    const auto it = std::find_if(Requests.begin(), Requests.end(),
                                 [command](const RequestInfo &r) { return r.command == command; });
    return it == Requests.end() ? nullptr : &*it;
}

RequestFrame buildRequestFrame(const RequestInfo &request)
{
    RequestFrame frame{};
    frame[0] = Frame::StartByte;
    frame[1] = request.command;
    std::copy(request.parameters.begin(), request.parameters.end(), frame.begin() + 2);
    putChecksum(frame, 6);
    return frame;
}

DataFrame buildDataFrame(ConstPayloadSpan payload)
{
    DataFrame frame{};
    frame[0] = Frame::StartByte;
    frame[1] = Command::WriteData;
    std::copy(payload.begin(), payload.end(), frame.begin() + 2);
    putChecksum(frame, 2 + PayloadBytes);
    return frame;
}

ReplyVerdict judgeApplicationReply(std::span<const quint8> reply, bool complete, quint8 pending)
{
    ReplyVerdict verdict;
    verdict.check = checkApplicationReply(reply, complete);
    const ReplyCheck &check = verdict.check;
    // The start byte is judged first: a frame that starts wrong is reported as such, even
    // when its checksum is wrong too.
    if (!check.startOk) {
        verdict.error = LinkTexts::BadStart.arg(hex2(check.startByte), hex2(pending));
        return verdict;
    }
    if (!check.checksumOk) {
        verdict.error = LinkTexts::BadChecksum;
        return verdict;
    }

    // A reply that passed the checksum test has at least its start and command byte; bytes
    // 2 and 3 count only if they arrived.
    verdict.valid = true;
    verdict.byte2 = check.length > 2 ? reply[2] : 0;
    verdict.byte3 = check.length > 3 ? reply[3] : 0;

    const quint8 expected = expectedReply(pending);
    if (expected != 0 && check.command == expected) {
        // The read reply carries the whole image; a shorter one would leave the previous
        // read's bytes to be taken for the module's.
        if (pending == Command::ReadConfig && check.length != Frame::ReadReplyLength) {
            verdict.error = LinkTexts::BadLength.arg(check.length).arg(Frame::ReadReplyLength);
            return verdict;
        }
        verdict.accepted = true;
        if (pending == Command::ReadConfig)
            verdict.payload = reply.subspan(4, PayloadBytes);
        return verdict;
    }
    // The write's two acknowledgements must be the right ones; any other request simply
    // stays unanswered by a frame for another command.
    if (pending == Command::WriteRequest)
        verdict.error = LinkTexts::BadWriteReply;
    else if (pending == Command::WriteData)
        verdict.error = LinkTexts::BadDataReply;
    return verdict;
}

int applicationReplyLength(quint8 command)
{
    switch (command) {
    case Command::ReadReply: return Frame::ReadReplyLength;
    case Command::WriteAccepted:
    case Command::WriteDone:
    case Command::Reset:
    case Command::Boot:
    case Command::Carrier:
    case Command::Rssi: return Frame::ShortReplyLength;
    default: return 0;
    }
}

bool isWholeApplicationReply(std::span<const quint8> received)
{
    if (received.size() < 2 || received[0] != Frame::StartByte)
        return false;
    const int length = applicationReplyLength(received[1]);
    return length > 0 && received.size() == size_t(length) && checksumAt(received, length - 2);
}

int rssiDbm(int raw)
{
    // raw * 1.5 - 137 in halves; integer division truncates toward zero.
    return (3 * raw - 274) / 2;
}

QString rssiText(int raw)
{
    return QString::number(rssiDbm(raw)) + QStringLiteral("[dBm]");
}

std::array<quint8, 3> threeBytes(quint32 a)
{
    const quint32 h = a / 65536;
    const quint32 m = (a - h * 65536) / 256;
    const quint32 l = a - h * 65536 - m * 256;
    return {quint8(h), quint8(m), quint8(l)};
}

AnnounceFrame buildAnnounceFrame(quint32 address)
{
    AnnounceFrame frame{};
    frame[0] = Boot::Announce;
    frame[1] = 0x00;
    frame[2] = Boot::AnnouncedGroups;
    const auto bytes = threeBytes(address);
    std::copy(bytes.begin(), bytes.end(), frame.begin() + 3);
    putChecksum(frame, 6);
    return frame;
}

RowDataFrame buildRowDataFrame(const RowData &data)
{
    RowDataFrame frame{};
    frame[0] = Boot::RowData;
    std::copy(data.begin(), data.end(), frame.begin() + 4); // after three zero bytes
    putChecksum(frame, Boot::RowDataLength - 2);
    return frame;
}

FinishFrame buildFinishFrame(bool clearPage)
{
    FinishFrame frame{};
    frame[0] = Boot::Finish;
    frame[1] = clearPage ? 1 : 0;
    putChecksum(frame, 2);
    return frame;
}

ResetFrame buildResetFrame()
{
    ResetFrame frame{};
    frame[0] = Boot::Reset;
    frame[1] = Boot::ResetParameter;
    putChecksum(frame, 2);
    return frame;
}

BootReplyVerdict judgeBootloaderReply(std::span<const quint8> reply, quint8 pending)
{
    BootReplyVerdict verdict;
    reply = withoutLeadingCounts(reply, pending);
    const int n = int(reply.size());
    const auto byteAt = [&](int i) -> quint8 { return (i >= 0 && i < n) ? reply[size_t(i)] : 0; };

    if (byteAt(1) * 256 + byteAt(2) != n)
        verdict.frameErrors << LinkTexts::BadBootLength + QString::number(n);
    if (n < 1 || byteAt(n - 1) != Boot::EndByte)
        verdict.frameErrors << LinkTexts::BadBootEnd;
    const quint16 received = quint16(byteAt(n - 3) << 8 | byteAt(n - 2));
    if (n < 4 || received != frameChecksum(reply.first(size_t(n - 3))))
        verdict.frameErrors << LinkTexts::BadBootChecksum;

    const quint8 command = byteAt(0);
    if (n > 0 && command == Boot::ErrorReply) {
        verdict.errorReply = true;
        verdict.errorCode = byteAt(3);
        return verdict;
    }
    switch (pending) {
    case Boot::Announce:
        if (command != Boot::Announce + 1)
            verdict.commandError = LinkTexts::BadAnnounceReply;
        break;
    case Boot::RowData:
        if (command != Boot::RowData + 1)
            verdict.commandError = LinkTexts::BadWriteReply;
        break;
    case Boot::Finish:
        if (command != Boot::Finish + 1)
            verdict.commandError = LinkTexts::BadFinishReply;
        break;
    default:
        return verdict; // nothing is awaited (after a time-out)
    }
    verdict.accepted = verdict.frameErrors.isEmpty() && verdict.commandError.isEmpty();
    return verdict;
}

QString hex2(int value)
{
    return hexText(value & 0xFF, 2);
}

bool isWholeBootloaderReply(std::span<const quint8> received, quint8 pending)
{
    const std::span<const quint8> reply = withoutLeadingCounts(received, pending);
    const size_t n = reply.size();
    // The shortest frame: command, length, checksum, end byte.
    return n >= 6 && size_t(reply[1] << 8 | reply[2]) == n && reply[n - 1] == Boot::EndByte
        && checksumAt(reply, int(n) - 3);
}
