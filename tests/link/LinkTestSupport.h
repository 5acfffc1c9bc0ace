#pragma once
// What the link's end-to-end tests share: byte helpers and the fixture that puts the simulated
// module on COM1 behind the lines and module session as the program wires them.
#include "ModuleSimulator.h"
#include "common/LinkedSession.h"
#include "common/TestSupport.h"
#include "core/link/DeviceLink.h"
#include "core/link/PendingReply.h"
#include "core/link/Request.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTest>

#include <array>
#include <memory>
#include <span>

inline QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

inline QByteArray bytesOf(std::span<const quint8> bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
}

// What an exchange's sender heard, in order.
using Outcomes = std::shared_ptr<QList<ReplyOutcome>>;

// Every test gets a fresh module on COM1; the other ports lead nowhere.
class LinkFixture : public QObject
{
protected:
    void openLines()
    {
        m_sim = std::make_unique<ModuleSimulator>();
        QVERIFY(m_sim->open());
        m_com1 = m_sim->devicePath();
        m_lines = std::make_unique<LinkedSession>([this](const QString &name) {
            return name == QLatin1String("COM1") ? m_com1 : QStringLiteral("/nonexistent/velka-") + name;
        });
        ports().start(); // start-up now rather than 100 ms later in the middle of a test
    }

    void closeLines()
    {
        m_lines.reset();
        m_sim.reset();
    }

    RequestEngine &engine() { return m_lines->session.engine(); }
    const LinkMonitor &monitor() { return m_lines->session.monitor(); }
    PortChooser &ports() { return m_lines->link.ports(); }

    // Sends the request for `command` as the windows do: a write request is followed by its
    // data frame once the module accepts it. The spy records the last exchange's outcome.
    // `repetition`: the request keeps a time-out that still runs.
    Outcomes exchange(quint8 command, int timeoutMs = 1000, bool repetition = false)
    {
        auto outcomes = std::make_shared<QList<ReplyOutcome>>();
        const auto record = [outcomes](const ReplyOutcome &outcome) { outcomes->append(outcome); };
        Request request = applicationRequest(command, timeoutMs);
        request.keepsRunningTimeout = repetition;
        PendingReply *reply = engine().send(request);
        if (command != Command::WriteRequest) {
            connect(reply, &PendingReply::finished, this, record);
            return outcomes;
        }
        connect(reply, &PendingReply::finished, this, [this, timeoutMs, record](const ReplyOutcome &outcome) {
            if (!outcome.accepted()) {
                record(outcome);
                return;
            }
            connect(engine().send(writeDataRequest(m_payload, timeoutMs)), &PendingReply::finished, this, record);
        });
        return outcomes;
    }

    std::unique_ptr<ModuleSimulator> m_sim;
    std::unique_ptr<LinkedSession> m_lines;
    QString m_com1;
    std::array<quint8, PayloadBytes> m_payload{};
};
