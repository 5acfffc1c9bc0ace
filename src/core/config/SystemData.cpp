#include "core/config/SystemData.h"

#include "core/config/NumberText.h"

namespace {
const QString CustomerPrefix = QStringLiteral("D0");
}

SystemData systemData(const ConfigWords &image, const FirmwareVersion &firmware)
{
    const QChar blank(QLatin1Char(' '));
    const QChar zero(QLatin1Char('0'));
    SystemData data;
    data.firmware = hexText(firmware[0], 2) + QLatin1Char('.') + hexText(firmware[1], 2);
    const quint16 monthYear = image[Word::MonthYear];
    // The year is zero-padded like the month, so 2005 reads "2005" and not "20 5".
    data.lastConfiguration = paddedNumber(2, blank, image[Word::Day]) + QLatin1Char('.')
        + paddedNumber(2, zero, monthYear >> 8) + QStringLiteral(".20") + paddedNumber(2, zero, monthYear & 0xFF);
    const quint16 customer = image[Word::Customer];
    data.serial = QString::number(customer) + QLatin1Char('.') + paddedNumber(5, zero, image[Word::Serial]);
    data.dateCode = paddedNumber(4, zero, image[Word::DateCode]);
    data.customer = CustomerPrefix + paddedNumber(5, zero, customer);
    return data;
}
