#include "core/workflow/WakeUp.h"

#include "core/link/RequestEngine.h"

namespace {
constexpr int Bursts = 8;
constexpr int BurstBytes = 11;
constexpr int BurstMs = 40;
} // namespace

WakeUp::WakeUp(RequestEngine &engine, QObject *parent)
    : QObject(parent)
    , m_engine(engine)
{
    m_timer.setInterval(BurstMs);
    connect(&m_timer, &QTimer::timeout, this, &WakeUp::burst);
}

void WakeUp::start()
{
    m_left = Bursts;
    if (!m_timer.isActive())
        m_timer.start();
}

void WakeUp::burst()
{
    m_timer.stop();
    m_engine.sendWakeUp(BurstBytes);
    if (m_left > 0)
        --m_left;
    if (m_left > 0)
        m_timer.start();
    else
        emit done();
}
