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

RadioTest::RadioTest(RequestEngine &engine, OperationTurn &turn, const Clock &clock, QObject *parent)
    : QObject(parent)
    , m_engine(engine)
    , m_turn(turn)
    , m_clock(clock)
{
    m_repeatTimer.setInterval(RepeatMs);
    m_rssiTimer.setInterval(RssiMs);
    m_carrierClock.setInterval(CarrierClockMs);
    connect(&m_repeatTimer, &QTimer::timeout, this, &RadioTest::repeat);
    connect(&m_rssiTimer, &QTimer::timeout, this, [this] { send(Command::Rssi); });
    connect(&m_carrierClock, &QTimer::timeout, this, &RadioTest::carrierClockTick);
}

RadioTest::~RadioTest()
{
    m_turn.end(*this);
}

void RadioTest::send(quint8 command)
{
    Request request = applicationRequest(command, ReplyTimeoutMs);
    request.keepsRunningTimeout = true;
    PendingReply *reply = m_engine.send(request);
    m_reply = reply;
    connect(reply, &PendingReply::finished, this, &RadioTest::onOutcome);
    // A reply after its time-out is a failure of this test too.
    connect(reply, &PendingReply::lateReply, this,
            [this](const ReplyOutcome &outcome) { emit exchangeFailed(OperationEnd::of(outcome)); });
}

void RadioTest::onOutcome(const ReplyOutcome &outcome)
{
    if (outcome.kind == ReplyOutcome::Kind::Abandoned)
        return;
    // The restart sent at the close was what the test still waited for.
    if (m_ending && outcome.command == Command::Reset) {
        m_ending = false;
        m_turn.end(*this);
    }
    if (outcome.accepted()) {
        switch (outcome.command) {
        case Command::Carrier:
            m_carrierOn = true;
            if (m_carrierSince < 0)
                m_carrierSince = m_clock.steadyMs();
            break;
        case Command::Rssi:
            m_lastRaw = outcome.byte3;
            m_lastText = rssiText(outcome.byte3);
            emit rssiMeasured(m_lastRaw, m_lastText);
            break;
        case Command::Reset:
            m_carrierOn = false;
            emit moduleRestarted();
            break;
        default:
            break;
        }
        return;
    }
    if (outcome.failure != ReplyOutcome::Failure::PortUnavailable)
        emit exchangeFailed(OperationEnd::of(outcome));
}

void RadioTest::begin()
{
    m_turn.begin(*this);
    m_ending = false;
    m_carrierOn = false;
    m_lastRaw = -1;
    m_lastText.clear();
}

void RadioTest::toggleCarrier()
{
    m_tries = 1;
    emit triesShown(m_tries);
    if (m_carrierOn) {
        m_stopPending = true;
        send(Command::Reset);
    } else {
        m_startPending = true;
        send(Command::Carrier);
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
            send(Command::Carrier);
            m_repeatTimer.start(RepeatMs);
        }
    }
    if (m_stopPending) {
        if (m_carrierOn) {
            nextTry();
            send(Command::Reset);
            m_repeatTimer.start(RepeatMs);
        } else {
            m_repeatTimer.stop();
            emit triesHidden();
            m_stopPending = false;
        }
    }
    emit refreshed(state());
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
    if (!m_turn.isRunning(*this))
        return; // another operation has taken the module already
    send(Command::Reset);
    m_ending = true;
    stopAll();
}

void RadioTest::supersede()
{
    m_ending = false;
    if (m_reply)
        m_reply->abandon();
    m_repeatTimer.stop();
    stopAll();
}

void RadioTest::stopAll()
{
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
