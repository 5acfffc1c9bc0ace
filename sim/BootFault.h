#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

// A way in which the simulated module's bootloader answers one of its frames wrongly, chosen
// per row and per command (announce 0x03, row data 0x05, finish 0x07).
struct BootFault
{
    enum class Kind {
        None,         // answers correctly
        ErrorReply,   // the error reply 0xEE with `code`; the frame is not carried out
        Silent,       // no reply; the frame is not carried out
        BadChecksum,  // the checksum's low byte is wrong
        WrongLength,  // the length field says one byte more than the reply has
        MissingEnd,   // 0x00 where the end byte 0xEF belongs
        OtherCommand, // a well-formed reply with another reply command (`otherCommand`, 0: the next one)
    };

    static constexpr int EveryRow = -1;

    Kind kind = Kind::None;
    quint8 code = 0x80;
    quint8 otherCommand = 0;

    // Only these two keep the module from carrying the frame out; the others shape the reply.
    bool suppressesFrame() const { return kind == Kind::ErrorReply || kind == Kind::Silent; }

    // "error-reply[:HEX]", "silent", "bad-checksum", "wrong-length", "missing-end",
    // "other-command[:HEX]", "none".
    static std::optional<BootFault> parse(QStringView text, QString *error = nullptr);
    static QString helpText();
};

// The bytes the bootloader sends instead of `reply`, a complete reply, for a fault that only
// shapes the reply; ErrorReply and Silent are decided before the frame is carried out.
QByteArray applyBootFault(const BootFault &fault, QByteArray reply);
