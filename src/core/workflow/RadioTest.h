#pragma once

#include "core/link/ReplyOutcome.h"
#include "core/workflow/LogEntry.h"
#include "core/workflow/OperationEnd.h"
#include "core/workflow/OperationTurn.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

class Clock;
class PendingReply;
class RequestEngine;

// What the radio test is doing: the carrier on or off (as the module acknowledged it), the
// measurement running or not, and the last value measured (raw -1: none yet).
struct RadioTestState
{
    bool carrierOn = false;
    bool measuring = false;
    int lastRaw = -1;
    QString lastText; // such as "-77[dBm]"

    bool operator==(const RadioTestState &) const = default;
};
Q_DECLARE_METATYPE(RadioTestState)

// The radio test: the continuous carrier switched on and off (each command repeated every
// 250 ms until the module is seen to have taken it) and the received signal strength asked for
// every 333 ms. A carrier left on is stopped after six minutes, since longer use is not
// allowed. It reports states and values; the window shows them. The test is one operation
// from begin() until the restart end() sends is answered: its repetitions keep a time-out
// that still runs.
class RadioTest : public QObject, public ModuleOperation
{
    Q_OBJECT
public:
    static constexpr int CarrierLimitSeconds = 6 * 60;

    RadioTest(RequestEngine &engine, OperationTurn &turn, const Clock &clock, QObject *parent = nullptr);
    ~RadioTest() override;

    // The module has acknowledged the carrier (and no restart since).
    bool carrierOn() const { return m_carrierOn; }
    bool isMeasuring() const { return m_rssiOn; }
    bool isStartPending() const { return m_startPending; }
    bool isStopPending() const { return m_stopPending; }
    RadioTestState state() const { return {m_carrierOn, m_rssiOn, m_lastRaw, m_lastText}; }

    // A new test: nothing is taken for on that was not acknowledged in it.
    void begin();
    // The carrier on, or off again by a restart of the module.
    void toggleCarrier();
    void toggleMeasurement();
    // The window became active: attempts under way are forgotten, the carrier's time runs.
    void resume();
    // The window closed: the module is restarted, without waiting for its answer.
    void end();
    // Another operation takes the module: everything stops at once.
    void supersede() override;

signals:
    // The connection attempt under way, or none.
    void triesShown(int tries);
    void triesHidden();
    void refreshed(const RadioTestState &state);
    // How long the carrier has been on, or that it is off.
    void carrierTimeShown(int seconds);
    void carrierTimeHidden();
    // A measured signal strength: the raw value and its text, such as "-77[dBm]".
    void rssiMeasured(int raw, const QString &dbmText);
    // A report for the main window's log.
    void logged(const LogEntry &entry);
    // What the main log tells of: an exchange that failed (a port that cannot be opened is
    // not among them; every attempt would report it again), and the module's restart.
    void exchangeFailed(const OperationEnd &end);
    void moduleRestarted();

private:
    void send(quint8 command);
    void onOutcome(const ReplyOutcome &outcome);
    void stopAll();
    void repeat();
    void carrierClockTick();
    void nextTry();

    RequestEngine &m_engine;
    OperationTurn &m_turn;
    const Clock &m_clock;
    bool m_carrierOn = false;
    bool m_startPending = false;
    bool m_stopPending = false;
    bool m_rssiOn = false;
    bool m_ending = false; // closed: only the restart's answer is awaited
    int m_tries = 0;
    int m_lastRaw = -1;
    QString m_lastText;
    qint64 m_carrierSince = -1; // when the module took the carrier; -1 while it is off
    QTimer m_repeatTimer;       // the repeats and the refresh, every 250 ms
    QTimer m_rssiTimer;         // one query every 333 ms
    QTimer m_carrierClock;      // the carrier's time on, every second
    QPointer<PendingReply> m_reply;
};
