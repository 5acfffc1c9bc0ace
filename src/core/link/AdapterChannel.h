#pragma once

#include "core/link/Channel.h"


class AdapterBackend;

// The channel over the maker's USB adapter, once one is open. Port names mean nothing to it:
// it carries the adapter the search has found, and a command reopens nothing while that one
// is open.
class AdapterChannel final : public Channel
{
    Q_OBJECT
public:
    explicit AdapterChannel(AdapterBackend &backend, QObject *parent = nullptr);

    // The adapter the search took; open() opens it again after a close.
    void setSerialNumber(const QString &serialNumber) { m_serialNumber = serialNumber; }
    QString serialNumber() const { return m_serialNumber; }

    void setPortName(const QString &) override {}
    QString portName() const override { return m_serialNumber; }

    bool open() override;
    void close() override;
    bool reopen() override;
    bool isOpen() const override;
    QString errorString() const override;

    bool write(QByteArrayView bytes) override;

    qint64 bytesWaiting() const override;
    void discardInput() override;
    void discardOutput() override;

protected:
    QByteArray takeWaiting() override;

private:
    AdapterBackend &m_backend;
    QString m_serialNumber;
};
