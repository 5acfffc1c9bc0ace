#include "core/outputs/WordNames.h"

#include "core/config/ConfigImage.h"
#include "core/outputs/OutputLists.h"

#include <QHash>

namespace {

const QHash<int, QString> &namedWords()
{
    static const QHash<int, QString> names = {
        {Word::Counter, QStringLiteral("programming counter")},
        {Word::Day, QStringLiteral("last configuration: day")},
        {Word::MonthYear, QStringLiteral("last configuration: month and year")},
        {Word::Serial, QStringLiteral("serial number")},
        {Word::DateCode, QStringLiteral("date code")},
        {Word::Customer, QStringLiteral("customer")},
        {Word::Channel, QStringLiteral("radio channel")},
        {Word::ResetTime, QStringLiteral("radio reset time")},
        {Word::Power, QStringLiteral("transmit power")},
        {Word::RadioCycle, QStringLiteral("radio cycle")},
        {Word::SystemId, QStringLiteral("system ID")},
        {Word::RadioTimeout, QStringLiteral("radio timeout")},
        {Word::Station, QStringLiteral("station (0 master, 1..4 slave)")},
        {Word::TimerNo1, QStringLiteral("timerNo1")},
        {Word::SelfSent, QStringLiteral("selfsent")},
        {Word::TimerNo2, QStringLiteral("timerNo2")},
        {Word::MasterAddress, QStringLiteral("master address")},
        {Word::ConfigBits, QStringLiteral("role and RS485 bits")},
        {Word::Slave1Address, QStringLiteral("slave 1 address")},
        {Word::Slave2Address, QStringLiteral("slave 2 address")},
        {Word::Slave3Address, QStringLiteral("slave 3 address")},
        {Word::Slave4Address, QStringLiteral("slave 4 address")},
        {Word::Rs485Address1, QStringLiteral("RS485 address 1")},
        {Word::Rs485Cycle, QStringLiteral("RS485 cycle")},
        {Word::Rs485Address2, QStringLiteral("RS485 address 2")},
        {Word::Rs485Timeout, QStringLiteral("RS485 timeout")},
        {Word::AnalogSource1, QStringLiteral("analogue source 1")},
        {Word::AnalogSource2, QStringLiteral("analogue source 2")},
        {Word::ExtensionGroups, QStringLiteral("digital extension channels")},
        {Word::Checksum, QStringLiteral("checksum")},
    };
    return names;
}

// Output n keeps its source in word 100 + 2n and its content and option bits in the next.
constexpr int FirstOutputWord = 102;
constexpr int LastOutputWord = 101 + 2 * OutputCount;

} // namespace

QString wordName(int address)
{
    if (address >= Word::CalibrationFirst && address <= Word::CalibrationLast)
        return QStringLiteral("calibration");
    if (address >= FirstOutputWord && address <= LastOutputWord) {
        const int number = (address - 100) / 2;
        return outputName(number)
            + (address % 2 == 0 ? QStringLiteral(" source") : QStringLiteral(" content and options"));
    }
    return namedWords().value(address);
}
