#pragma once

#include "core/config/ConfigImage.h"
#include "core/link/Frames.h"
#include "core/link/TraceMemo.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <span>

class Channel;

// The state of the current reply wait, as the radio buttons "aktiv", "ok" and "error" of the
// service window would show it; none before the first request.
enum class LinkState { none, aktiv, ok, error };

// An accepted reply and the request it answers.
struct Reply
{
    quint8 command = 0;      // the request ('!', '1', '3', 'Q', 'w', 0x60, 'a')
    quint8 replyCommand = 0; // byte 1 of the reply
    quint8 byte2 = 0;        // the firmware version after a read or boot command,
    quint8 byte3 = 0;        // byte3 the raw signal strength after an RSSI request
    QByteArray payload;      // the 384 configuration bytes of a read reply
};
Q_DECLARE_METATYPE(Reply)

// One row of program memory for the bootloader: where it goes, whether its page is erased
// first, and its 64 instructions as 192 bytes.
struct BootRow
{
    quint32 address = 0;
    bool clearPage = false;
    RowData data{};
};

// What the link writes down about its traffic; nothing in the program shows it, a service
// technician reads it in the debugger and the tests read it.
struct LinkTraces
{
    TraceMemo TM{QStringLiteral("TM")};       // plain sends, received bytes, checksums
    TraceMemo M1{QStringLiteral("M1")};       // request frames
    TraceMemo MC{QStringLiteral("MC")};       // recognised commands
    TraceMemo Mread{QStringLiteral("Mread")}; // announce frames
};

// The module's command protocol over a channel: one request and one reply wait at a time.
// A request sends its preamble and frame and starts the wait; received bytes are collected
// until the line has been quiet for the quiet time, then the reply is judged. The outcome
// leaves as a signal: replied(), rejected() or failed() for the application's requests,
// rowEnded() for a row handed to the bootloader. Buffers and status stay inside.
class ModuleProtocol : public QObject
{
    Q_OBJECT
public:
    explicit ModuleProtocol(Channel &channel, QObject *parent = nullptr);

    // The line the frames go on: the serial port, or the USB adapter while it is the link.
    void setChannel(Channel &channel);

    // ---- Requests: each returns once its frame is queued ----
    void BRXconfigClick();                         // read the configuration
    void BTxConfigClick(ConstPayloadSpan payload); // write; the data frame follows its acceptance
    void BresetDeviceClick();                      // restart the module
    void BBootClick();                             // enter the bootloader
    void BtestClick();                             // continuous carrier on
    void BtestRSSIClick();                         // measure the received signal strength

    // ---- Bootloader: one row is three exchanges, each started by the reply to the one before ----
    // The row the next transfer sends; the row data frame takes the data as they are when
    // the bootloader has accepted the announcement.
    void setRow(const BootRow &row) { m_row = row; }
    const BootRow &row() const { return m_row; }
    void ButTestTxClick(); // announce the row; data and finish follow
    void BResetClick();    // leave the bootloader; no reply is awaited

    // Zero bytes that wake the module (the knock), on the plain path. A port the start-up
    // probe left closed is opened first, or the bytes would be lost.
    void sendWakeUp(int count);
    // The plain path: drops received bytes not yet collected, traces every byte.
    void TxConfigOut(QByteArrayView bytes);
    // The scrambled path: every byte combined with the link mask; nothing traced or dropped.
    bool TxOut(QByteArrayView bytes);
    // Closes the port and opens it again: every request starts so.
    bool setupport();

    // ---- Settings of the wait; each holds until it is set again ----
    void setReplyTimeout(int ms) { m_fehlertimer.setInterval(ms); }
    int replyTimeout() const { return m_fehlertimer.interval(); }
    void setQuietTime(int ms) { m_checkendtimer.setInterval(ms); }
    int quietTime() const { return m_checkendtimer.interval(); }
    // While held, received bytes are collected but start no evaluation, and an evaluation
    // that still runs reports no outcome: a window that reads the module itself holds it.
    void setHold(bool hold) { m_hold = hold; }
    bool isHolding() const { return m_hold; }
    // Collecting stops; bytes that come wait in the channel.
    void stopCollecting();
    // Collecting goes on (or starts) without a request: a window that holds the link reads
    // what comes with received() and empties it with clearReceived().
    void startCollecting();
    bool isCollecting() const;
    void clearReceived() { m_rxCount = 0; m_rxDropped = 0; }
    // The current wait gives up its time-out: whoever waits decides itself.
    void stopTimeout() { m_fehlertimer.stop(); }
    // Drops received bytes that were not collected.
    void discardInput();
    // Drops what the line holds either way: the adapter's transmit queue, then both inputs.
    void discardQueues();

    // ---- What the windows show ----
    LinkState linkState() const { return m_linkState; }
    // Progress of the current wait: "Übertragung läuft", "...fertig" or the error text.
    QString progressText() const { return m_progressText; }
    QString errorText() const { return m_errorText; }
    quint8 pendingCommand() const { return m_pendingCommand; }
    // Bytes 2 and 3 of the last valid reply: after a read, the module's firmware version.
    std::array<quint8, 2> replyBytes() const { return {m_replyByte2, m_replyByte3}; }
    bool carrierOn() const { return m_carrierOn; }
    // Whoever opens or closes the radio test no longer takes the carrier for on.
    void clearCarrierOn() { m_carrierOn = false; }
    bool bootAcknowledged() const { return m_bootAck; }
    // A reply is awaited: the time-out or the quiet time runs.
    bool isWaiting() const { return m_fehlertimer.isActive() || m_checkendtimer.isActive(); }
    // The bytes the current (or last) wait collected, as far as they belong to the reply.
    std::span<const quint8> received() const { return {m_rxBuf.data(), size_t(m_rxCount)}; }
    static constexpr int ReceiveCapacity = 4001;
    const LinkTraces &traces() const { return m_traces; }

    // Records an error of the current wait: beep, error text, link state "error".
    void raiseerror(const QString &locstring);

signals:
    // The reply to `reply.command` was evaluated and accepted.
    void replied(const Reply &reply);
    // The reply to `command` was evaluated and not accepted: a faulty frame, the wrong
    // acknowledgement, or a frame for another command ("Fehler nicht spezifiziert").
    void rejected(quint8 command, const QString &errorText);
    // No reply can come for `command`: the time-out ran out, the port could not be opened
    // or it vanished.
    void failed(quint8 command, const QString &errorText);
    // An RSSI reply: bar value and label text such as "-77[dBm]".
    void rssiMeasured(int raw, const QString &dbmText);
    // A row handed to the bootloader ended: written, or not with the reason.
    void rowEnded(bool written, const QString &errorText);
    // The bootloader refused a frame of the row with an error reply carrying `code`; the row
    // ends right after.
    void bootloaderRefused(quint8 code);
    // A send did not reach the port: whoever disabled its buttons for it enables them again.
    void sendFailed();
    void beepRequested();

private:
    void connectChannel();
    void sendRequest(quint8 command);
    void RxStart(quint8 locstat);
    void checkendtimerTimer();
    void fehlertimerTimer();
    void evaluateApplicationReply();
    void actOnReply(const ReplyVerdict &verdict, Reply &reply);
    AnnounceFrame ButCalcTxClick();
    void evaluateBootloaderReply();
    void traceReceived(TraceMemo &memo);
    void endWait(quint8 command); // time-out or lost device: the wait's outcome
    void onReceived(const QByteArray &bytes);
    void onVanished(const QString &errorText);
    void restartQuietTime();

    Channel *m_channel;
    QTimer m_checkendtimer; // quiet time after the last byte: evaluation
    QTimer m_fehlertimer;   // reply time-out, counted from the request

    std::array<quint8, ReceiveCapacity> m_rxBuf{};
    int m_rxCount = 0;
    qint64 m_rxDropped = 0; // bytes that found the buffer full during this wait
    std::array<quint8, PayloadBytes> m_writePayload{}; // the data frame's payload
    BootRow m_row;
    FinishFrame m_finishFrame{}; // traced again when the row is done

    quint8 m_pendingCommand = 0;
    bool m_bootloader = false; // the awaited reply is a bootloader reply
    bool m_waitFailed = false; // an error was recorded during the current wait
    LinkState m_linkState = LinkState::none;
    QString m_errorText;
    QString m_progressText = QStringLiteral("Lfehler");
    quint8 m_replyByte2 = 0;
    quint8 m_replyByte3 = 0;
    bool m_carrierOn = false;
    bool m_bootAck = false;
    bool m_hold = false;
    LinkTraces m_traces;
};
