#pragma once

#include <QDate>
#include <QElapsedTimer>
#include <QTime>

// Today's date, the time of day and a steady count of milliseconds. Windows ask this instead
// of the system clock, so a test can fix them.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDate today() const = 0;
    virtual QTime timeOfDay() const = 0;
    // Milliseconds since some fixed moment; never goes back, not even at midnight.
    virtual qint64 steadyMs() const = 0;
};

class SystemClock final : public Clock
{
public:
    SystemClock() { m_steady.start(); }
    QDate today() const override { return QDate::currentDate(); }
    QTime timeOfDay() const override { return QTime::currentTime(); }
    qint64 steadyMs() const override { return m_steady.elapsed(); }

private:
    QElapsedTimer m_steady;
};
