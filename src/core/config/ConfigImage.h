#pragma once

#include <QtGlobal>

#include <array>
#include <span>

// The module keeps its whole configuration in 256 words of 16 bits. Even words travel
// on the link with 8 bits only, odd words with all 16 (see packImage).
inline constexpr int ImageWords = 256;
inline constexpr int PayloadBytes = 384;

using ConfigWords = std::array<quint16, ImageWords>;
using PayloadSpan = std::span<quint8, PayloadBytes>;
using ConstPayloadSpan = std::span<const quint8, PayloadBytes>;

// Addresses of the words the tool interprets.
namespace Word {
inline constexpr int Counter = 1;          // programming counter
inline constexpr int Day = 2;              // day of the last configuration write
inline constexpr int MonthYear = 3;        // month * 256 + year within the century
inline constexpr int Serial = 5;
inline constexpr int DateCode = 7;
inline constexpr int Customer = 9;
inline constexpr int FactoryFirst = 0;     // factory words 0..19 belong to the module
inline constexpr int FactoryLast = 19;
inline constexpr int CalibrationFirst = 20; // calibration words 20..29, carried only
inline constexpr int CalibrationLast = 29;
inline constexpr int Channel = 30;
inline constexpr int ResetTime = 31;
inline constexpr int Power = 32;
inline constexpr int RadioCycle = 33;
inline constexpr int SystemId = 34;
inline constexpr int RadioTimeout = 35;
inline constexpr int Station = 36;
inline constexpr int TimerNo1 = 37;
inline constexpr int SelfSent = 38;
inline constexpr int TimerNo2 = 39;
inline constexpr int MasterAddress = 40;
inline constexpr int ConfigBits = 41;
inline constexpr int Slave1Address = 42;
inline constexpr int Slave2Address = 44;
inline constexpr int Slave3Address = 46;
inline constexpr int Slave4Address = 48;
inline constexpr int Rs485Address1 = 50;
inline constexpr int Rs485Cycle = 51;
inline constexpr int Rs485Address2 = 52;
inline constexpr int Rs485Timeout = 53;
inline constexpr int AnalogSource1 = 62;
inline constexpr int AnalogSource2 = 64;
inline constexpr int ExtensionGroups = 100;
inline constexpr int Checksum = 255;
} // namespace Word

// Bits of word 41.
inline constexpr quint16 MasterBit = 0x0001;
inline constexpr quint16 Rs485Bit = 0x0002;

// Largest value a field bound to this word accepts: even words are 8 bits wide on the link.
constexpr quint16 wordMaximum(int address) { return (address % 2 == 0) ? 255 : 65535; }

// The default configuration words (the image part of GrundWerte).
void setDefaultWords(ConfigWords &image);

// Sum of words 0..254 modulo 65536; a correct image holds it in word 255.
quint16 imageChecksum(const ConfigWords &image);

// 128 groups of three bytes: low byte of word 2k, high and low byte of word 2k+1.
void packImage(const ConfigWords &image, PayloadSpan payload);
ConfigWords unpackImage(ConstPayloadSpan payload);

// The date a write stamps into the module (day, month, two-digit year).
struct ProgrammingDate
{
    int day = 0;
    int month = 0;
    int year = 0;
};

// The image sent by a write: the configuration from `config`, but the module's own factory
// and calibration words from `readBack`, the counter advanced, the date stamped and the
// checksum recomputed.
ConfigWords prepareWriteImage(const ConfigWords &config, const ConfigWords &readBack,
                              const ProgrammingDate &date);
