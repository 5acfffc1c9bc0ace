#pragma once

#include <QString>

#include <functional>

// The user chooses among "COM1".."COM4"; this maps such a name to the device to open.
using PortNameMapping = std::function<QString(const QString &portName)>;

// On Windows the name itself. Elsewhere the device named by the environment variable
// VELKA_COM1..VELKA_COM4 if it is set, else /dev/ttyS0../dev/ttyS3. Other names are kept.
QString systemPortName(const QString &portName);
