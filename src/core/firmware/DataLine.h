#pragma once

#include <QStringView>
#include <QtGlobal>

#include <optional>

// What one number line of a firmware update file carries, unscrambled.
struct DataLineValue
{
    quint8 U = 0;        // an instruction's upper byte
    quint8 H = 0;        // bits 15..8
    quint8 L = 0;        // bits 7..0
    quint16 byteSum = 0; // sum of the four scrambled bytes: what the file's checksum adds up
};

// `eingabe`: the characters after a data line's colon (at most ten are used). The shared
// integer syntax, low 32 bits; the line's top nibble and the file mask unscramble the three
// lower bytes. Empty when the text is not a number.
std::optional<DataLineValue> split32(QStringView eingabe);

// A version part or the checksum field: the shared integer syntax, signed 32-bit.
std::optional<qint32> fileInteger(QStringView text);
