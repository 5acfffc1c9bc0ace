#pragma once

#include <QObject>

class QSocketNotifier;

// A one-shot wake-up to the nanosecond, for the simulated line: a Qt timer counts whole
// milliseconds, and at 3840 bytes/s that is almost four bytes late.
class PaceClock : public QObject
{
    Q_OBJECT
public:
    explicit PaceClock(QObject *parent = nullptr);
    ~PaceClock() override;

    // due() once, `ns` from now (at least 1 ns); replaces a wake-up already set.
    void wakeIn(qint64 ns);
    void stop();
    bool isActive() const { return m_active; }

signals:
    void due();

private:
    void onReadable();

    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
    bool m_active = false;
};
