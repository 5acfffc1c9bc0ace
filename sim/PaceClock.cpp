#include "PaceClock.h"

#include <QSocketNotifier>

#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>

PaceClock::PaceClock(QObject *parent)
    : QObject(parent)
    , m_fd(timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC))
{
    if (m_fd < 0)
        qFatal("PaceClock: timerfd_create failed");
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PaceClock::onReadable);
}

PaceClock::~PaceClock()
{
    delete m_notifier;
    ::close(m_fd);
}

void PaceClock::wakeIn(qint64 ns)
{
    ns = std::max<qint64>(ns, 1); // zero would disarm it
    itimerspec due{};
    due.it_value.tv_sec = time_t(ns / 1'000'000'000);
    due.it_value.tv_nsec = long(ns % 1'000'000'000);
    timerfd_settime(m_fd, 0, &due, nullptr);
    m_active = true;
}

void PaceClock::stop()
{
    if (!m_active)
        return;
    const itimerspec off{};
    timerfd_settime(m_fd, 0, &off, nullptr);
    m_active = false;
}

void PaceClock::onReadable()
{
    quint64 expirations = 0;
    if (::read(m_fd, &expirations, sizeof expirations) != sizeof expirations || !m_active)
        return;
    m_active = false;
    emit due();
}
