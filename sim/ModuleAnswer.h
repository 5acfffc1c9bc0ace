#pragma once

#include <QByteArray>
#include <QtGlobal>

// What the module does about one frame: the bytes it sends back, and what changed in it that
// the simulator around it has to act on (the bootloader's countdown, its signals).
struct ModuleAnswer
{
    enum class Event {
        None,
        BootloaderEntered, // the boot command was taken: the bootloader runs from now on
        BootloaderLeft,    // the reset frame ended the bootloader
        RowWritten,        // a row was written at `address`
    };

    quint8 request = 0;           // command byte of the frame answered ('3' for the data frame)
    QByteArray reply;             // the reply frame, possibly followed by start-up chatter
    int frameLength = 0;          // length of the reply frame itself
    bool fromBootloader = false;  // the bootloader has applied its own faults already
    Event event = Event::None;
    quint32 address = 0;          // of the row written
    bool pageErased = false;      // its page was erased first
};
