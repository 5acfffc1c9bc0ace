#pragma once

#include "core/link/Frames.h"
#include "core/link/ReplyOutcome.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QTimer>

class PendingReply;
class RequestEngine;

// One row of program memory for the bootloader: where it goes, whether its page is erased
// first, and its 64 instructions as 192 bytes.
struct BootRow
{
    quint32 address = 0;
    bool erasePage = false;
    RowData data{};
};

// The module's bootloader as the tool speaks to it: the boot command that switches the module
// over, a first look 500 ms later (did it answer, and with which firmware version), the start
// window's countdown as it arrives, rows of three frames each, and the reset that ends it.
class BootloaderSession : public QObject
{
    Q_OBJECT
public:
    static constexpr int FirstLookMs = 500;
    static constexpr int RowTimeoutMs = 5000;

    // `rowTimeoutMs`: how long each frame of a row waits for its reply.
    explicit BootloaderSession(RequestEngine &engine, int rowTimeoutMs = RowTimeoutMs, QObject *parent = nullptr);

    // Sends the boot command; bootAnswered() or bootUnanswered() follows after FirstLookMs,
    // then countdown() for every count of the start window.
    void enterBootloader();
    // Announce, row data and finish, each sent when the reply to the one before has been
    // accepted; rowEnded() tells the outcome once.
    void writeRow(const BootRow &row);
    // The bootloader ends and restarts the module; nothing answers it.
    void leave();
    // Stops watching and gives an exchange under way up.
    void stop();
    // Replies are judged as soon as they are whole: the next row need not wait for a tick.
    bool judgesWhenComplete() const;
    // The boot command's first look is due, or the start window is watched.
    bool isWatching() const { return m_firstLook.isActive() || m_watching; }

signals:
    // The module answered the boot command; its firmware version, two BCD bytes.
    void bootAnswered(quint8 major, quint8 minor);
    void bootUnanswered();
    // The bootloader counts its start window down: `remaining` as it sent it.
    void countdown(int remaining);
    // Written, or not with the link's reason (the bootloader's refusal names its code);
    // `outcome` is how the row's last exchange ended.
    void rowEnded(bool written, const QString &reason, const ReplyOutcome &outcome);
    // The module answered the boot command with a faulty reply: the link's verdict.
    void bootRejected(const QString &text);

private:
    void onBootReply(const ReplyOutcome &outcome);
    void firstLook();
    void watch(const QByteArray &bytes);
    void onRowReply(const ReplyOutcome &outcome);
    PendingReply *track(PendingReply *reply);

    RequestEngine &m_engine;
    const int m_rowTimeoutMs;
    QPointer<PendingReply> m_reply;
    QTimer m_firstLook;
    bool m_answered = false;
    quint8 m_version[2] = {};
    QByteArray m_startWindow; // bytes of the start window not yet taken as a count
    bool m_watching = false;
    BootRow m_row;
};
