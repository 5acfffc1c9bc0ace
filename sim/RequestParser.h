#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

// How the simulated module cuts the tool's bytes into frames: one step at a time, from the
// front of what has arrived, with no state of its own. The firmware and the bootloader keep
// the bytes and act on the frames; the parse itself is a pure function, so it can be tested
// and fuzzed on any bytes.
namespace RequestParser {

inline constexpr quint8 StartByte = 0xFF;    // every application frame begins with it
inline constexpr int RequestLength = 8;      // 0xFF, command, four parameters, checksum
inline constexpr int DataFrameLength = 388;  // 0xFF, '3', 384 configuration bytes, checksum
inline constexpr quint8 DataCommand = '3';

// One step over the application's input.
struct ApplicationStep
{
    enum class Kind {
        NeedMore, // no whole frame yet: drop `consumed` bytes (stray bytes before a start
                  // byte, or all of them when none came) and wait for more
        Rejected, // a frame whose checksum is wrong: drop `consumed` bytes and go on
        Frame,    // a frame with a right checksum: `frame`, which ends `consumed` bytes in
    };
    Kind kind = Kind::NeedMore;
    qsizetype consumed = 0;
    bool dataFrame = false;  // the 388-byte data frame rather than an 8-byte request
    QByteArrayView frame;    // within the input; only for Frame
};

// `expectData`: the write request was answered, so 0xFF '3' starts the data frame. A request
// with a wrong checksum gives up its start byte only (a frame may start within it); a data
// frame with a wrong checksum is dropped whole.
ApplicationStep parseApplicationStep(QByteArrayView input, bool expectData);

// One step over the bootloader's input. Its frames travel scrambled with the link mask.
struct BootloaderStep
{
    enum class Kind {
        NeedMore,         // the frame begun at the front is not whole yet; nothing is dropped
        Idle,             // a zero byte (wake-up preamble or idle line): one byte
        ApplicationFrame, // 0xFF and seven more: a request for the application, passed over
        Noise,            // a byte that starts no bootloader frame: one byte
        Frame,            // a whole bootloader frame, unscrambled in `frame`
    };
    Kind kind = Kind::NeedMore;
    qsizetype consumed = 0;
    quint8 command = 0; // the unscrambled first byte (Noise, Frame)
    QByteArray frame;   // unscrambled; its checksum is not judged here
};

BootloaderStep parseBootloaderStep(QByteArrayView input);

// Length of the bootloader frame this unscrambled command byte starts; 0 for none.
int bootloaderFrameLength(quint8 command);

} // namespace RequestParser
