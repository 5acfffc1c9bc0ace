#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QString>
#include <QTimer>

// The line to the module. It opens with the module's fixed settings (38400 baud, 8N1, no flow
// control), takes whole frames without waiting for them to leave, and reports what arrives
// and a device that went away. The serial port is one implementation; the maker's USB
// adapter is another, so the protocol above never knows which one carries its frames.
class Channel : public QObject
{
    Q_OBJECT
public:
    explicit Channel(QObject *parent = nullptr);

    // The port the user chose, "COM1".."COM4"; it takes effect at the next open().
    virtual void setPortName(const QString &name) = 0;
    virtual QString portName() const = 0;

    virtual bool open() = 0;
    // Hands what is still queued to the device first, so a frame sent just before is not cut.
    virtual void close() = 0;
    // What every command does first: the line closed and opened again.
    virtual bool reopen()
    {
        close();
        return open();
    }
    virtual bool isOpen() const = 0;
    // Why the last open or write failed.
    virtual QString errorString() const = 0;

    // Queues the bytes whole; false when the device refuses them. Never waits for the line.
    virtual bool write(QByteArrayView bytes) = 0;

    // While receiving, every arriving byte is reported by received(); otherwise bytes wait in
    // the device, and the first report after switching on comes one poll later.
    void setReceiving(bool on);
    bool isReceiving() const { return m_receiving; }
    // Bytes that arrived and were not reported yet.
    virtual qint64 bytesWaiting() const = 0;
    // Drops the bytes that wait.
    virtual void discardInput() = 0;
    // Drops what the device still holds to send, where it holds more than our whole frames.
    virtual void discardOutput() {}

signals:
    void received(const QByteArray &bytes);
    // The device went away (unplugged, or its driver reports it lost); the channel is closed.
    void vanished(const QString &errorText);
    // Queued bytes could not be handed to the device.
    void writeFailed(const QString &errorText);
    void openChanged(bool open);

protected:
    // What the device has ready, taken from it; empty when nothing is there.
    virtual QByteArray takeWaiting() = 0;
    // The device has bytes ready: reported while receiving, else left waiting.
    void reportWaiting();

private:
    QTimer m_firstPoll; // the first report after switching on
    bool m_receiving = false;
};
