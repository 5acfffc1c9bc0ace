#pragma once

#include <QObject>
#include <QTimer>

// The receive "timer" of the link. While it is active the link collects every byte the port
// announces; being driven by the port's notification, it costs nothing while the line is
// quiet. Like the timer it stands for, it is started and stopped by whoever waits for bytes,
// and its first poll comes one interval after the start, collecting what is already waiting.
class ReceivePoll : public QObject
{
    Q_OBJECT
public:
    explicit ReceivePoll(QObject *parent = nullptr);

    void start();
    void stop();
    bool isActive() const { return m_active; }
    int interval() const { return m_firstPoll.interval(); }
    void setInterval(int ms) { m_firstPoll.setInterval(ms); }

signals:
    // A poll is due: collect what is waiting.
    void timeout();

private:
    QTimer m_firstPoll;
    bool m_active = false;
};
