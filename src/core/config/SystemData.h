#pragma once

#include "core/config/ConfigImage.h"

#include <QString>

#include <array>

// The module's firmware version as its read and boot replies carry it: two BCD bytes.
using FirmwareVersion = std::array<quint8, 2>;

// The module's system data as the tool shows them: firmware version from the reply bytes, the
// factory words and the date of the last configuration write.
struct SystemData
{
    QString firmware;          // "01.28"
    QString lastConfiguration; // " 5.03.2013"
    QString serial;            // "12.00345": customer, then serial number
    QString dateCode;          // "1234"
    QString customer;          // "D000012"
};

SystemData systemData(const ConfigWords &image, const FirmwareVersion &firmware);
