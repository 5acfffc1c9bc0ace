#pragma once

#include <QDate>
#include <QTime>

// Today's date and the time of day. Windows ask this instead of the system clock, so a test
// can fix both.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDate today() const = 0;
    virtual QTime timeOfDay() const = 0;
};

class SystemClock final : public Clock
{
public:
    QDate today() const override { return QDate::currentDate(); }
    QTime timeOfDay() const override { return QTime::currentTime(); }
};
