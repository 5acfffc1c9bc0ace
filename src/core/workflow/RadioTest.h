#pragma once

#include <QObject>
#include <QTimer>

class Clock;
class ModuleProtocol;
struct Reply;

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
// allowed. It needs no window: it tells what to show by signals.
class RadioTest : public QObject
{
    Q_OBJECT
public:
    static constexpr int CarrierLimitSeconds = 6 * 60;

    RadioTest(ModuleProtocol &link, const Clock &clock, QObject *parent = nullptr);

    bool isMeasuring() const { return m_rssiOn; }
    bool isStartPending() const { return m_startPending; }
    bool isStopPending() const { return m_stopPending; }

    void ButRFstartstopClick();
    void BgetRSSIClick();
    void FormActivate();
    void FormClose();

signals:
    // The connection attempt under way, or none.
    void triesShown(int tries);
    void triesHidden();
    // Buttons and colours after a refresh.
    void refreshed(const RadioTestDisplay &display);
    // How long the carrier has been on, or that it is off.
    void carrierTimeShown(int seconds);
    void carrierTimeHidden();
    // A report for the main window's information log.
    void logged(const QString &text, int colour, int option);

private:
    void checkreceivetimerTimer();
    void RSSItimerTimer();
    void carrierClockTimer();
    void onReplied(const Reply &reply);
    void nextTry();

    ModuleProtocol &m_link;
    const Clock &m_clock;
    bool m_startPending = false;
    bool m_stopPending = false;
    bool m_rssiOn = false;
    int m_tries = 0;
    qint64 m_carrierSince = -1; // when the module took the carrier; -1 while it is off
    QTimer m_checkreceivetimer; // the repeats and the refresh, every 250 ms
    QTimer m_rssiTimer;         // one query every 333 ms
    QTimer m_carrierClock;      // the carrier's time on, every second
};
