#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QStringList>

// Where the maker's USB adapters are found, and the one in use is driven: the operations the
// link needs of an adapter, whatever the platform reaches it through. One adapter is open at a
// time.
class AdapterBackend : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // The serial numbers of the adapters attached now, in the order the system lists them.
    virtual QStringList serialNumbers() = 0;
    // Opens the adapter with this serial number (closing one that was open).
    virtual bool open(const QString &serialNumber) = 0;
    virtual bool isOpen() const = 0;
    // 38400 baud, 8 data bits, no parity, one stop bit, no flow control, read and write
    // time-outs of 100 ms.
    virtual bool applySettings() = 0;
    // The open adapter is still there.
    virtual bool status() = 0;
    virtual void purgeReceive() = 0;
    virtual void purgeTransmit() = 0;
    virtual qint64 bytesWaiting() = 0;
    virtual QByteArray read(qint64 maxBytes) = 0;
    virtual bool write(QByteArrayView bytes) = 0;
    virtual void close() = 0;

signals:
    // Bytes are waiting to be read.
    void readyRead();
    // The open adapter reported that it is gone.
    void lost();
};
