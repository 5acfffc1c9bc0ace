#pragma once

#include "BootFault.h"
#include "ModuleFirmware.h"
#include "PaceClock.h"
#include "PseudoTerminal.h"
#include "SimFault.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QRandomGenerator>
#include <QTimer>

#include <algorithm>
#include <vector>

class QSocketNotifier;

// A simulated module on a pseudo-terminal, run by the Qt event loop of its process: it reads
// what the tool sends, lets its firmware answer, and sends the answers back, optionally at the
// real line speed and with the faults chosen for each command. After the boot command it
// sends its bootloader's countdown frames, one per countdown interval. The line is the module's
// power too: it starts when the line opens and stops when the line vanishes.
class ModuleSimulator : public QObject
{
    Q_OBJECT
public:
    static constexpr int BytesPerSecond = 3840; // 38400 baud, 10 bits per byte

    explicit ModuleSimulator(QObject *parent = nullptr);
    ~ModuleSimulator() override;

    // Opens a new pseudo-terminal; the tool reaches the module at devicePath(). The module
    // starts: over an incomplete application in its bootloader, counting down.
    bool open(QString *error = nullptr);
    bool isOpen() const { return m_pty.isOpen(); }
    QString devicePath() const { return m_pty.devicePath(); }
    // Closes the pseudo-terminal as an unplugged module would disappear; a bootloader that ran
    // stops where it was.
    void vanish();

    ModuleFirmware &module() { return m_module; }
    const ModuleFirmware &module() const { return m_module; }

    // At the real line speed in both directions, or as fast as the terminal goes.
    void setPaced(bool paced) { m_paced = paced; }
    bool isPaced() const { return m_paced; }

    // `times` answers to `request` (-1: all) suffer `fault`; a fault for one command comes
    // before one for all. These are faults of the application; the bootloader has its own.
    void setFault(quint8 request, const SimFault &fault, int times = -1);
    void setFaultForAll(const SimFault &fault, int times = -1);
    // The bootloader's reply to `command` (0x03, 0x05 or 0x07) in row `row` suffers `fault`;
    // rows count the announce frames since the bootloader started, from 0, and
    // BootFault::EveryRow means all of them.
    void setBootFault(int row, quint8 command, const BootFault &fault);
    // Both kinds.
    void clearFaults();

    // Real flash takes time: erasing a page `ms`, writing a row `ms` / 4, before the
    // bootloader replies to the row's finish frame (0: at once, the default).
    void setFlashTime(int ms) { m_flashMs = std::max(ms, 0); }
    int flashTime() const { return m_flashMs; }

    // Time between the boot reply and the first countdown frame, between the frames, and
    // after the last one until the bootloader gives up (default 1000 ms).
    void setCountdownInterval(int ms);
    int countdownInterval() const { return m_countdownTimer.interval(); }
    bool bootloaderRunning() const { return m_module.bootloader().isRunning(); }
    // A bootloader that took a frame gives up after this many countdown intervals without one
    // (a minute at the real pace), as if the module had been restarted.
    static constexpr int GiveUpIntervals = 60;

    // Whether the application may run (see ModuleBootloader): an update that was cut off
    // leaves it incomplete, and the module then stays in its bootloader until an update is
    // completed. Setting it takes effect when the module next starts (open()) or its
    // bootloader next ends.
    bool applicationComplete() const { return m_module.bootloader().applicationComplete(); }
    void setApplicationComplete(bool complete) { m_module.bootloader().setApplicationComplete(complete); }

    // One 24-bit instruction per entry, indexed by address / 2.
    const std::vector<quint32> &programMemory() const { return m_module.bootloader().memory(); }
    void setProgramMemory(const std::vector<quint32> &memory) { m_module.bootloader().setMemory(memory); }

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
    void bootloaderEntered();
    // By the reset frame or because the countdown ran out; the application answers again.
    void bootloaderLeft();
    // The bootloader ended over an incomplete application (its countdown ran out, it gave
    // up, or a reset frame came with nothing written): it starts again and counts down anew.
    void bootloaderRestarted();
    void rowWritten(quint32 address);

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
    void announce(const ModuleFirmware::Answer &answer);
    void startCountdown();
    void onCountdownTick();
    void onGiveUp();
    // The bootloader ended: it counts down again over an incomplete application, or is gone.
    void bootloaderEnded();
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
    PaceClock m_pace;
    QTimer m_countdownTimer;
    QTimer m_giveUpTimer;
    QElapsedTimer m_clock;
    QRandomGenerator m_random{20130305};
    bool m_paced = false;
    int m_flashMs = 0;

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
