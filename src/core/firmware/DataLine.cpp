#include "core/firmware/DataLine.h"

#include "core/config/NumberText.h"
#include "core/link/DeviceConstants.h"

#include <limits>

std::optional<DataLineValue> split32(QStringView eingabe)
{
    const std::optional<qint64> number = parseIntegerText(eingabe.left(10));
    if (!number)
        return std::nullopt;
    const auto v = quint32(quint64(*number) & 0xFFFFFFFFu);
    const auto b0 = quint8(v >> 24);
    const auto b1 = quint8(v >> 16);
    const auto b2 = quint8(v >> 8);
    const auto b3 = quint8(v);

    const quint8 nibble = b0 >> 4;
    const auto lineMask = quint8(17 * nibble ^ Device::FileMask);

    DataLineValue value;
    value.U = b1 ^ lineMask;
    value.H = b2 ^ lineMask;
    value.L = b3 ^ lineMask;
    value.byteSum = quint16(b0 + b1 + b2 + b3);
    return value;
}

std::optional<qint32> fileInteger(QStringView text)
{
    const std::optional<qint64> number = parseIntegerText(text);
    if (!number || *number < std::numeric_limits<qint32>::min()
        || *number > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(*number);
}
