#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

class QRandomGenerator;

// A way in which the simulated module answers wrongly, chosen per command.
struct SimFault
{
    enum class Kind {
        None,         // answers correctly
        Silent,       // no answer at all
        WrongStart,   // start byte 0xFE instead of 0xFF (checksum left as it was)
        BadChecksum,  // the checksum's low byte is wrong
        Truncated,    // only the first `count` bytes (0: half the frame)
        Trailing,     // `count` extra bytes after the frame (0: 8)
        Flood,        // `count` garbage bytes instead of the answer (0: 10000)
        Delay,        // the right answer, `delayMs` late
        OtherCommand, // a correct frame carrying another reply command (`otherCommand`, 0: any)
        Vanish,       // the first half of the answer, then the line is gone
        Shortened,    // a well-formed frame of `count` bytes (0: 6), its payload cut off
    };

    Kind kind = Kind::None;
    int count = 0;
    int delayMs = 0;
    quint8 otherCommand = 0;

    // "silent", "wrong-start", "bad-checksum", "truncated[:N]", "trailing[:N]", "flood[:N]",
    // "delay:MS", "other-command[:HEX]", "vanish", "shortened[:N]", "none".
    static std::optional<SimFault> parse(QStringView text, QString *error = nullptr);
    static QString helpText();
};

// The bytes the module sends instead of `reply` (a frame of `frameLength` bytes, possibly
// followed by more) for the request `request`. Delay and Vanish are a matter of timing: for
// them this gives the bytes to send (Vanish: the first half).
QByteArray applyFault(const SimFault &fault, quint8 request, QByteArray reply, int frameLength,
                      QRandomGenerator &random);
