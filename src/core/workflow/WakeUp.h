#pragma once

#include <QObject>
#include <QTimer>

class RequestEngine;

// The knock that wakes the module before it is read: eight bursts of eleven zero bytes, 40 ms
// apart. done() follows the last burst at once. Started again while it runs, it counts its
// eight bursts anew.
class WakeUp : public QObject
{
    Q_OBJECT
public:
    explicit WakeUp(RequestEngine &engine, QObject *parent = nullptr);

    void start();
    void stop() { m_timer.stop(); }
    bool isRunning() const { return m_timer.isActive(); }

signals:
    void done();

private:
    void burst();

    RequestEngine &m_engine;
    QTimer m_timer;
    int m_left = 0;
};
