#include "core/link/ReplyOutcome.h"

#include "core/link/Frames.h"

ReplyOutcome ReplyOutcome::of(Kind kind, quint8 command, const QString &text)
{
    ReplyOutcome outcome;
    outcome.kind = kind;
    outcome.command = command;
    outcome.text = text;
    return outcome;
}

ReplyOutcome ReplyOutcome::ofApplicationReply(quint8 command, const ReplyVerdict &verdict,
                                              std::span<const quint8> received, const QString &errorText)
{
    if (!verdict.accepted)
        return of(Kind::Rejected, command, errorText);
    ReplyOutcome outcome = of(Kind::Accepted, command);
    outcome.replyCommand = verdict.check.command;
    outcome.byte2 = verdict.byte2;
    outcome.byte3 = verdict.byte3;
    outcome.payload = QByteArray(reinterpret_cast<const char *>(verdict.payload.data()),
                                 qsizetype(verdict.payload.size()));
    const auto following = received.subspan(size_t(verdict.check.length));
    outcome.following = QByteArray(reinterpret_cast<const char *>(following.data()), qsizetype(following.size()));
    return outcome;
}

ReplyOutcome ReplyOutcome::ofBootloaderReply(quint8 command, const BootReplyVerdict &verdict, bool failed,
                                             const QString &errorText)
{
    ReplyOutcome outcome = of(Kind::Rejected, command, errorText);
    if (verdict.errorReply) {
        // The bootloader refused the frame: the row ends here, with its code.
        outcome.refusalCode = verdict.errorCode;
    } else if (!failed) {
        outcome = of(Kind::Accepted, command);
        outcome.replyCommand = quint8(command + 1);
    }
    return outcome;
}
