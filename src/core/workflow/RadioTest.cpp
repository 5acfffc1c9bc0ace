#include "core/workflow/RadioTest.h"

#include "core/link/Frames.h"
#include "core/link/PendingReply.h"
#include "core/link/Request.h"
#include "core/link/RequestEngine.h"
#include "core/workflow/Clock.h"
#include "core/workflow/WorkflowTexts.h"

namespace {
constexpr int RepeatMs = 250;
constexpr int RssiMs = 333;
constexpr int CarrierClockMs = 1000;
constexpr int ReplyTimeoutMs = 1000;
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

RadioTest::RadioTest(RequestEngine &engine, const Clock &clock, QObject *parent)
    : QObject(parent)
    , m_engine(engine)
    , m_clock(clock)
{
    m_repeatTimer.setInterval(RepeatMs);
    m_rssiTimer.setInterval(RssiMs);
    m_carrierClock.setInterval(CarrierClockMs);
    connect(&m_repeatTimer, &QTimer::timeout, this, &RadioTest::repeat);
    connect(&m_rssiTimer, &QTimer::timeout, this, [this] {
        send(applicationRequest(Command::Rssi, ReplyTimeoutMs));
    });
    connect(&m_carrierClock, &QTimer::timeout, this, &RadioTest::carrierClockTick);
}

void RadioTest::send(const Request &request)
{
    PendingReply *reply = m_engine.send(request);
    connect(reply, &PendingReply::finished, this, &RadioTest::onOutcome);
    connect(reply, &PendingReply::lateReply, this, &RadioTest::exchangeEnded);
}

void RadioTest::onOutcome(const ReplyOutcome &outcome)
{
    if (outcome.accepted()) {
        switch (outcome.command) {
        case Command::Carrier:
            m_carrierOn = true;
            if (m_carrierSince < 0)
                m_carrierSince = m_clock.steadyMs();
            return;
        case Command::Rssi:
            emit rssiMeasured(outcome.byte3, rssiText(outcome.byte3));
            return;
        case Command::Reset:
            m_carrierOn = false;
            break;
        default:
            return;
        }
    } else if (outcome.kind == ReplyOutcome::Kind::Abandoned
               || outcome.failure == ReplyOutcome::Failure::PortUnavailable) {
        return;
    }
    emit exchangeEnded(outcome);
}

void RadioTest::begin()
{
    m_carrierOn = false;
}

void RadioTest::toggleCarrier()
{
    m_tries = 1;
    emit triesShown(m_tries);
    if (m_carrierOn) {
        m_stopPending = true;
        send(applicationRequest(Command::Reset, ReplyTimeoutMs));
    } else {
        m_startPending = true;
        send(applicationRequest(Command::Carrier, ReplyTimeoutMs));
    }
    m_repeatTimer.start(RepeatMs);
}

void RadioTest::nextTry()
{
    ++m_tries;
    emit triesShown(m_tries);
}

void RadioTest::repeat()
{
    if (m_startPending) {
        if (m_carrierOn) {
            m_repeatTimer.stop();
            emit triesHidden();
            m_startPending = false;
        } else {
            nextTry();
            send(applicationRequest(Command::Carrier, ReplyTimeoutMs));
            m_repeatTimer.start(RepeatMs);
        }
    }
    if (m_stopPending) {
        if (m_carrierOn) {
            nextTry();
            send(applicationRequest(Command::Reset, ReplyTimeoutMs));
            m_repeatTimer.start(RepeatMs);
        } else {
            m_repeatTimer.stop();
            emit triesHidden();
            m_stopPending = false;
        }
    }
    emit refreshed(m_carrierOn, m_rssiOn);
}

void RadioTest::toggleMeasurement()
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
    m_repeatTimer.start(RepeatMs);
}

void RadioTest::carrierClockTick()
{
    if (!m_carrierOn) {
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
        emit logged({LogKind::Failure, WorkflowTexts::CarrierStopped, LogLayout::Framed});
        toggleCarrier();
    }
}

void RadioTest::resume()
{
    m_startPending = false;
    m_stopPending = false;
    m_carrierClock.start();
}

void RadioTest::end()
{
    send(applicationRequest(Command::Reset, ReplyTimeoutMs));
    m_carrierOn = false;
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
