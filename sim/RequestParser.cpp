#include "RequestParser.h"

#include "ModuleChecksum.h"

#include "core/link/DeviceConstants.h"

namespace RequestParser {

namespace {

constexpr quint8 Announce = 0x03;
constexpr quint8 RowData = 0x05;
constexpr quint8 Finish = 0x07;
constexpr quint8 Reset = 0x10;
constexpr quint8 RowGroups = 0x41; // 64 instructions and the leading group, three bytes each

} // namespace

ApplicationStep parseApplicationStep(QByteArrayView input, bool expectData)
{
    ApplicationStep step;
    // Preamble zeros and stray bytes are skipped: a frame starts with 0xFF.
    const qsizetype start = input.indexOf(char(StartByte));
    if (start < 0) {
        step.consumed = input.size();
        return step;
    }
    step.consumed = start;
    const QByteArrayView rest = input.sliced(start);
    if (rest.size() < 2)
        return step;
    step.dataFrame = expectData && quint8(rest[1]) == DataCommand;
    const qsizetype length = step.dataFrame ? DataFrameLength : RequestLength;
    if (rest.size() < length)
        return step;
    const QByteArrayView frame = rest.first(length);
    if (!ModuleChecksum::frameOk(frame)) {
        step.kind = ApplicationStep::Kind::Rejected;
        // A request gives up its start byte only: the next frame may begin within it.
        step.consumed = start + (step.dataFrame ? length : 1);
        return step;
    }
    step.kind = ApplicationStep::Kind::Frame;
    step.consumed = start + length;
    step.frame = frame;
    return step;
}

int bootloaderFrameLength(quint8 command)
{
    switch (command) {
    case Announce:
        return 8;
    case RowData:
        return 1 + 3 * RowGroups + 2;
    case Finish:
    case Reset:
        return 4;
    default:
        return 0;
    }
}

BootloaderStep parseBootloaderStep(QByteArrayView input)
{
    BootloaderStep step;
    if (input.isEmpty())
        return step;
    const quint8 wire = quint8(input[0]);
    if (wire == 0x00) {
        step.kind = BootloaderStep::Kind::Idle;
        step.consumed = 1;
        return step;
    }
    if (wire == StartByte) {
        // The tool still takes us for the application; answering would only confuse it.
        if (input.size() < RequestLength)
            return step;
        step.kind = BootloaderStep::Kind::ApplicationFrame;
        step.consumed = RequestLength;
        return step;
    }
    step.command = wire ^ Device::LinkMask;
    const int length = bootloaderFrameLength(step.command);
    if (length == 0) {
        step.kind = BootloaderStep::Kind::Noise;
        step.consumed = 1;
        return step;
    }
    if (input.size() < length)
        return step;
    step.kind = BootloaderStep::Kind::Frame;
    step.consumed = length;
    step.frame = input.first(length).toByteArray();
    for (char &c : step.frame)
        c = char(quint8(c) ^ Device::LinkMask);
    return step;
}

} // namespace RequestParser
