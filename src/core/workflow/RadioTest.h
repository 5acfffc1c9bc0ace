#pragma once

#include "core/link/ReplyOutcome.h"
#include "core/workflow/LogEntry.h"

#include <QObject>
#include <QTimer>

class Clock;
class RequestEngine;
struct Request;

// What the radio test window shows for a state of the carrier and of the signal-strength
// measurement: its colours, captions and which buttons can be pressed.
struct RadioTestDisplay
{
    bool carrierRed = false;      // the carrier panel: red while the carrier is on
    bool startStopEnabled = true;
    bool stopCaption = false;     // the button stops the carrier (else it starts it)
    bool rssiRed = false;         // the signal-strength panel: red while measuring
    bool rssiEnabled = true;
    bool rssiEndCaption = false;  // the button ends the measurement
    bool closeEnabled = true;
    bool noMeasurement = true;    // no value: "---" and an empty bar
};

// The measurement's settings of the buttons win over the carrier's. The window can always be
// left while the carrier is on, even when a measurement runs.
RadioTestDisplay radioTestDisplay(bool carrierOn, bool rssiOn);

// The radio test: the continuous carrier switched on and off (each command repeated every
// 250 ms until the module is seen to have taken it) and the received signal strength asked for
// every 333 ms. A carrier left on is stopped after six minutes, since longer use is not
// allowed. It reports states and values; the window shows them.
class RadioTest : public QObject
{
    Q_OBJECT
public:
    static constexpr int CarrierLimitSeconds = 6 * 60;

    RadioTest(RequestEngine &engine, const Clock &clock, QObject *parent = nullptr);

    // The module has acknowledged the carrier (and no restart since).
    bool carrierOn() const { return m_carrierOn; }
    bool isMeasuring() const { return m_rssiOn; }
    bool isStartPending() const { return m_startPending; }
    bool isStopPending() const { return m_stopPending; }

    // A new test: nothing is taken for on that was not acknowledged in it.
    void begin();
    // The carrier on, or off again by a restart of the module.
    void toggleCarrier();
    void toggleMeasurement();
    // The window became active: attempts under way are forgotten, the carrier's time runs.
    void resume();
    // The window closed: the module is restarted, without waiting for its answer.
    void end();

signals:
    // The connection attempt under way, or none.
    void triesShown(int tries);
    void triesHidden();
    void refreshed(bool carrierOn, bool measuring);
    // How long the carrier has been on, or that it is off.
    void carrierTimeShown(int seconds);
    void carrierTimeHidden();
    // A measured signal strength: the raw value and its text, such as "-77[dBm]".
    void rssiMeasured(int raw, const QString &dbmText);
    // A report for the main window's log.
    void logged(const LogEntry &entry);
    // An exchange ended that the main log tells of: a failure, or the module's restart. A
    // port that cannot be opened is not among them; every attempt would report it again.
    void exchangeEnded(const ReplyOutcome &outcome);

private:
    void send(const Request &request);
    void onOutcome(const ReplyOutcome &outcome);
    void repeat();
    void carrierClockTick();
    void nextTry();

    RequestEngine &m_engine;
    const Clock &m_clock;
    bool m_carrierOn = false;
    bool m_startPending = false;
    bool m_stopPending = false;
    bool m_rssiOn = false;
    int m_tries = 0;
    qint64 m_carrierSince = -1; // when the module took the carrier; -1 while it is off
    QTimer m_repeatTimer;       // the repeats and the refresh, every 250 ms
    QTimer m_rssiTimer;         // one query every 333 ms
    QTimer m_carrierClock;      // the carrier's time on, every second
};
