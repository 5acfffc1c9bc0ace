#include "core/link/Frames.h"

#include "core/link/DeviceConstants.h"

#include <algorithm>

namespace {

constexpr std::array<RequestSpec, 6> Requests{{
    {Command::ReadConfig, {0x00, 0x00, 0x00, 0x80}, 50},
    {Command::WriteRequest, {0x01, 0x00, 0x01, 0x80}, 50},
    {Command::Reset, {0x00, 0x00, 0x00, 0x00}, 50},
    {Command::Boot, Device::BootGuard, 50},
    {Command::Carrier, {0x00, 0x00, 0x01, 0x00}, 100},
    {Command::Rssi, {0x00, 0x00, 0x00, 0x00}, 100},
}};

void putChecksum(std::span<quint8> frame, int covered)
{
    const quint16 sum = buildchecksum(frame.first(covered));
    frame[covered] = quint8(sum >> 8);
    frame[covered + 1] = quint8(sum & 0xFF);
}

bool isShortReply(quint8 command)
{
    return command == Command::WriteAccepted || command == Command::WriteDone
        || command == Command::Reset;
}

} // namespace

quint16 buildchecksum(std::span<const quint8> bytes)
{
    quint32 sum = 0;
    for (const quint8 b : bytes)
        sum += b;
    return quint16(0xFFFF - (sum & 0xFFFF));
}

const RequestSpec *requestSpec(quint8 command)
{
    const auto it = std::find_if(Requests.begin(), Requests.end(),
                                 [command](const RequestSpec &r) { return r.command == command; });
    return it == Requests.end() ? nullptr : &*it;
}

void buildRequestFrame(const RequestSpec &request, std::span<quint8, Frame::RequestLength> frame)
{
    frame[0] = Frame::StartByte;
    frame[1] = request.command;
    std::copy(request.parameters.begin(), request.parameters.end(), frame.begin() + 2);
    putChecksum(frame, 6);
}

void buildDataFrame(ConstPayloadSpan payload, std::span<quint8, Frame::DataLength> frame)
{
    frame[0] = Frame::StartByte;
    frame[1] = Command::WriteData;
    std::copy(payload.begin(), payload.end(), frame.begin() + 2);
    putChecksum(frame, 2 + PayloadBytes);
}

ReplyCheck checkApplicationReply(std::span<const quint8> reply, bool complete)
{
    ReplyCheck check;
    const int stored = int(reply.size());
    const auto byteAt = [&](int i) -> quint8 { return (i >= 0 && i < stored) ? reply[i] : 0; };

    check.startByte = byteAt(0);
    check.command = byteAt(1);
    check.startOk = stored > 0 && check.startByte == Frame::StartByte;

    // A short reply is judged on its first six bytes, whatever follows them. One that came
    // with fewer bytes keeps its real length and so fails the checksum below.
    check.length = stored;
    bool cut = false;
    if (isShortReply(check.command) && stored >= Frame::ShortReplyLength) {
        check.length = Frame::ShortReplyLength;
        cut = true;
    }

    const int n = check.length;
    check.received = quint16(byteAt(n - 2) << 8 | byteAt(n - 1));
    check.computed = buildchecksum(reply.first(std::max(0, n - 2)));
    check.checksumOk = n >= 2 && (complete || cut) && check.received == check.computed;
    return check;
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
