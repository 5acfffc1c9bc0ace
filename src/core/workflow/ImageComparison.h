#pragma once

#include "core/config/ConfigImage.h"

#include <QList>
#include <QString>

// One word in which two configuration images differ.
struct WordDifference
{
    int address = 0;
    QString name;      // the setting's name, empty for a word without one
    quint16 ours = 0;  // the file's, or the window's
    quint16 module = 0;

    bool operator==(const WordDifference &) const = default;
};

// Factory (0..19) and calibration words (20..29) stay the module's, and the checksum (255) is
// the module's own sum: a write changes none of them, so a comparison leaves them out.
inline constexpr int FirstComparedWord = 30;
inline constexpr int LastComparedWord = 254;

// The words from 30 to 254 in which `ours` and `module` differ, in address order.
QList<WordDifference> compareImages(const ConfigWords &ours, const ConfigWords &module);
