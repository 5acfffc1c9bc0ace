#pragma once

#include "core/link/AdapterBackend.h"

#include <QStringList>

// Adapters in the test's hands: which are attached, which open and which are lost, and every
// call the link makes, in order. Bytes written are kept; bytes to be read are given by the test.
class FakeAdapterBackend final : public AdapterBackend
{
    Q_OBJECT
public:
    QStringList attached;     // serial numbers, as listed
    QStringList refuse;       // serial numbers whose open fails
    QStringList calls;        // "list", "open:SERIAL", "settings", "status", "purge-rx", ...
    QByteArray written;
    QByteArray incoming;
    int opens = 0;

    QStringList serialNumbers() override
    {
        calls << QStringLiteral("list");
        return attached;
    }
    bool open(const QString &serialNumber) override
    {
        calls << QStringLiteral("open:") + serialNumber;
        if (!attached.contains(serialNumber) || refuse.contains(serialNumber))
            return false;
        m_open = serialNumber;
        ++opens;
        return true;
    }
    bool isOpen() const override { return !m_open.isEmpty(); }
    bool applySettings() override
    {
        calls << QStringLiteral("settings");
        return true;
    }
    bool status() override
    {
        calls << QStringLiteral("status");
        return isOpen() && attached.contains(m_open);
    }
    void purgeReceive() override
    {
        calls << QStringLiteral("purge-rx");
        incoming.clear();
    }
    void purgeTransmit() override { calls << QStringLiteral("purge-tx"); }
    qint64 bytesWaiting() override { return incoming.size(); }
    QByteArray read(qint64 maxBytes) override
    {
        const QByteArray bytes = incoming.left(maxBytes);
        incoming.remove(0, bytes.size());
        return bytes;
    }
    bool write(QByteArrayView bytes) override
    {
        if (!isOpen())
            return false;
        calls << QStringLiteral("write:%1").arg(bytes.size());
        written += bytes.toByteArray();
        return true;
    }
    void close() override
    {
        if (isOpen())
            calls << QStringLiteral("close");
        m_open.clear();
    }

    QString openSerial() const { return m_open; }
    // The module answers: the bytes wait for the link.
    void deliver(const QByteArray &bytes)
    {
        incoming += bytes;
        emit readyRead();
    }

private:
    QString m_open;
};
