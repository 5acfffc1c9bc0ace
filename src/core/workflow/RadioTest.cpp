#include "core/workflow/RadioTest.h"

#include "core/link/Frames.h"
#include "core/link/ModuleProtocol.h"
#include "core/workflow/Clock.h"
#include "core/workflow/LogStyle.h"
#include "core/workflow/WorkflowTexts.h"

namespace {
constexpr int RepeatMs = 250;
constexpr int RssiMs = 333;
constexpr int CarrierClockMs = 1000;
} // namespace

RadioTestDisplay radioTestDisplay(bool carrierOn, bool rssiOn)
{
    RadioTestDisplay display;
    display.carrierRed = carrierOn;
    display.stopCaption = carrierOn;
    display.rssiEnabled = !carrierOn;
    display.rssiRed = rssiOn;
    display.rssiEndCaption = rssiOn;
    display.noMeasurement = !rssiOn;
    if (rssiOn) {
        display.startStopEnabled = false;
        // With the carrier on the measurement cannot be ended here; the window must not trap
        // the person then.
        display.closeEnabled = carrierOn;
    }
    return display;
}

RadioTest::RadioTest(ModuleProtocol &link, const Clock &clock, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_clock(clock)
{
    m_checkreceivetimer.setInterval(RepeatMs);
    m_rssiTimer.setInterval(RssiMs);
    m_carrierClock.setInterval(CarrierClockMs);
    connect(&m_checkreceivetimer, &QTimer::timeout, this, &RadioTest::checkreceivetimerTimer);
    connect(&m_rssiTimer, &QTimer::timeout, this, &RadioTest::RSSItimerTimer);
    connect(&m_carrierClock, &QTimer::timeout, this, &RadioTest::carrierClockTimer);
    connect(&link, &ModuleProtocol::replied, this, &RadioTest::onReplied);
}

void RadioTest::ButRFstartstopClick()
{
    m_tries = 1;
    emit triesShown(m_tries);
    if (m_link.carrierOn()) {
        m_stopPending = true;
        m_link.BresetDeviceClick();
    } else {
        m_startPending = true;
        m_link.BtestClick();
    }
    m_checkreceivetimer.start(RepeatMs);
}

void RadioTest::nextTry()
{
    ++m_tries;
    emit triesShown(m_tries);
}

void RadioTest::checkreceivetimerTimer()
{
    if (m_startPending) {
        if (m_link.carrierOn()) {
            m_checkreceivetimer.stop();
            emit triesHidden();
            m_startPending = false;
        } else {
            nextTry();
            m_link.BtestClick();
            m_checkreceivetimer.start(RepeatMs);
        }
    }
    if (m_stopPending) {
        if (m_link.carrierOn()) {
            nextTry();
            m_link.BresetDeviceClick();
            m_checkreceivetimer.start(RepeatMs);
        } else {
            m_checkreceivetimer.stop();
            emit triesHidden();
            m_stopPending = false;
        }
    }
    emit refreshed(radioTestDisplay(m_link.carrierOn(), m_rssiOn));
}

void RadioTest::BgetRSSIClick()
{
    m_tries = 1;
    emit triesShown(m_tries);
    if (m_rssiOn) {
        m_rssiOn = false;
        m_rssiTimer.stop();
        return;
    }
    m_rssiOn = true;
    m_rssiTimer.start();
    m_checkreceivetimer.start(RepeatMs);
}

void RadioTest::RSSItimerTimer()
{
    m_link.BtestRSSIClick();
}

void RadioTest::onReplied(const Reply &reply)
{
    if (reply.command == Command::Carrier && m_carrierSince < 0)
        m_carrierSince = m_clock.steadyMs();
}

void RadioTest::carrierClockTimer()
{
    if (!m_link.carrierOn()) {
        m_carrierSince = -1;
        emit carrierTimeHidden();
        return;
    }
    if (m_carrierSince < 0)
        m_carrierSince = m_clock.steadyMs();
    const int seconds = int((m_clock.steadyMs() - m_carrierSince) / 1000);
    emit carrierTimeShown(seconds);
    if (seconds >= CarrierLimitSeconds && !m_stopPending) {
        // The same stop as the button's, with its repeats until the module has taken it.
        emit logged(WorkflowTexts::CarrierStopped, LogColour::Red, LogOption::Framed);
        ButRFstartstopClick();
    }
}

void RadioTest::FormActivate()
{
    m_startPending = false;
    m_stopPending = false;
    m_carrierClock.start();
}

void RadioTest::FormClose()
{
    m_link.BresetDeviceClick();
    m_link.clearCarrierOn();
    m_startPending = false;
    m_stopPending = false;
    m_carrierSince = -1;
    m_carrierClock.stop();
    // Only a window left while the carrier was on can close during a measurement: it ends
    // with the window rather than querying on unseen.
    m_rssiOn = false;
    m_rssiTimer.stop();
    emit triesHidden();
    emit carrierTimeHidden();
}
