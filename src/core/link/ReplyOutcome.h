#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>

#include <span>

struct BootReplyVerdict;
struct ReplyVerdict;

// How one exchange with the module ended, as its sender hears it.
struct ReplyOutcome
{
    enum class Kind {
        Accepted,  // the awaited reply came and passed every check
        Rejected,  // a reply came but is no good: a faulty frame, a wrong acknowledgement, a
                   // frame for another command, or the bootloader refusing the frame
        Failed,    // no reply can come: see `failure`
        Abandoned, // the sender gave the exchange up, or a newer request took the line
    };
    // Why a request failed.
    enum class Failure {
        None,
        PortUnavailable, // the port could not be opened, or took no frame: nothing was sent
        Timeout,         // no reply was judged within the request's time-out
        PortLost,        // the device went away during the wait
    };

    Kind kind = Kind::Abandoned;
    Failure failure = Failure::None;
    QString text;            // why not, for Rejected and Failed: the link's own error text
    quint8 command = 0;      // the request's command
    quint8 replyCommand = 0; // byte 0 (bootloader) or byte 1 (application) of an accepted reply
    quint8 byte2 = 0;        // after a read or boot command the module's firmware version,
    quint8 byte3 = 0;        // after an RSSI request byte3 is the raw signal strength
    QByteArray payload;      // the 384 configuration bytes of an accepted read reply
    QByteArray following;    // what came after an accepted boot reply: the start window's counts
    int refusalCode = -1;    // the bootloader's error code when it refused the frame

    bool accepted() const { return kind == Kind::Accepted; }

    static ReplyOutcome of(Kind kind, quint8 command, const QString &text = {});
    // What the verdict on an application reply tells the sender of `command`: accepted with
    // the reply's bytes (and what came after them), or rejected for `errorText`, the last
    // error of the wait.
    static ReplyOutcome ofApplicationReply(quint8 command, const ReplyVerdict &verdict,
                                           std::span<const quint8> received, const QString &errorText);
    // The same for a bootloader reply; `failed` when an error was found in the wait.
    static ReplyOutcome ofBootloaderReply(quint8 command, const BootReplyVerdict &verdict, bool failed,
                                          const QString &errorText);
};
Q_DECLARE_METATYPE(ReplyOutcome)
