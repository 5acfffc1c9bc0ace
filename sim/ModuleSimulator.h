#pragma once

#include "ModuleFirmware.h"
#include "PseudoTerminal.h"
#include "SimFault.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QRandomGenerator>
#include <QTimer>

class QSocketNotifier;

// A simulated module on a pseudo-terminal, run by the Qt event loop of its process: it reads
// what the tool sends, lets its firmware answer, and sends the answers back, optionally at the
// real line speed and with the faults chosen for each command.
class ModuleSimulator : public QObject
{
    Q_OBJECT
public:
    static constexpr int BytesPerSecond = 3840; // 38400 baud, 10 bits per byte

    explicit ModuleSimulator(QObject *parent = nullptr);
    ~ModuleSimulator() override;

    // Opens a new pseudo-terminal; the tool reaches the module at devicePath().
    bool open(QString *error = nullptr);
    bool isOpen() const { return m_pty.isOpen(); }
    QString devicePath() const { return m_pty.devicePath(); }
    // Closes the pseudo-terminal as an unplugged module would disappear.
    void vanish();

    ModuleFirmware &module() { return m_module; }
    const ModuleFirmware &module() const { return m_module; }

    // At the real line speed in both directions, or as fast as the terminal goes.
    void setPaced(bool paced) { m_paced = paced; }
    bool isPaced() const { return m_paced; }

    // `times` answers to `request` (-1: all) suffer `fault`; a fault for one command comes
    // before one for all.
    void setFault(quint8 request, const SimFault &fault, int times = -1);
    void setFaultForAll(const SimFault &fault, int times = -1);
    void clearFaults();

    // Sends bytes nobody asked for, as a module's own output.
    void sendUnsolicited(const QByteArray &bytes);

    // Every byte that arrived on the line, in order.
    const QByteArray &received() const { return m_received; }
    void clearReceived() { m_received.clear(); }
    qint64 sentCount() const { return m_sentCount; }
    bool outputPending() const { return !m_out.isEmpty(); }

signals:
    void bytesArrived();
    // The answer to `request` (its command byte) was queued with `bytes` bytes.
    void answered(quint8 request, int bytes);
    void vanished();

private:
    struct FaultSetting
    {
        SimFault fault;
        int remaining = -1;
    };

    void onReadable();
    void onWritable();
    void onPaceTick();
    void take(QByteArrayView bytes);
    void processInput(QByteArrayView bytes);
    void dispatch(const ModuleFirmware::Answer &answer);
    SimFault takeFault(quint8 request);
    void queueOutput(const QByteArray &bytes);
    void pump();
    void updateWakeups();
    void dropNotifiers();
    qint64 nowNs() const { return m_clock.nsecsElapsed(); }

    PseudoTerminal m_pty;
    ModuleFirmware m_module;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    QTimer m_paceTimer;
    QElapsedTimer m_clock;
    QRandomGenerator m_random{20130305};
    bool m_paced = false;

    QHash<int, FaultSetting> m_faults; // key: command byte, or AllCommands
    QByteArray m_received;

    // Paced input: bytes read but not yet "arrived" at the line speed.
    QByteArray m_in;
    qint64 m_inLastDueNs = 0;
    // Output: the first byte of a burst leaves at once, the others at the line speed.
    QByteArray m_out;
    qint64 m_outStartNs = 0;
    qint64 m_outSentInBurst = 0;
    qint64 m_sentCount = 0;
    bool m_vanishWhenSent = false;
    quint64 m_lineGeneration = 0; // counts the pseudo-terminals opened
};
