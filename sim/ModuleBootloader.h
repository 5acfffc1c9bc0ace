#pragma once

#include "BootFault.h"
#include "ModuleAnswer.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>

#include <utility>
#include <vector>

// Codes of the bootloader's error reply 0xEE (byte 3): why it refused a frame. A refused
// frame changes nothing in program memory.
enum class BootError : quint8 {
    Checksum = 0x01,            // the frame's checksum is wrong
    UnknownCommand = 0x02,      // a byte that starts no bootloader frame
    RowLength = 0x03,           // an announce for another row length than 65 three-byte groups
    AddressBeyondMemory = 0x04, // an announced row beyond program memory
    AddressNotOnRow = 0x05,     // an announced address that is not the start of a row
    DataBeforeAnnounce = 0x06,  // row data with no row announced
    FinishBeforeData = 0x07,    // a finish with no row data since the announce
    BadParameter = 0x08,        // row data whose leading group is not zero, a finish flag
                                // other than 0 or 1, a reset frame without its key 0xB0
};

// The bootloader of a simulated module: its program memory, the frames it takes (scrambled
// with the link mask on the wire) and its replies, and its start-up countdown as a count;
// the interval between countdown frames is the simulator's business. No timing, no I/O.
class ModuleBootloader
{
public:
    static constexpr int AddressUnits = 65536; // two per 24-bit instruction
    static constexpr int Instructions = AddressUnits / 2;
    static constexpr int RowUnits = 128;       // 64 instructions
    static constexpr int PageUnits = 1024;     // the unit of erasing
    static constexpr quint32 Erased = 0xFFFFFF;
    static constexpr quint8 CountdownCommand = 0xFC;
    static constexpr int CountdownFrom = 20;

    ModuleBootloader();

    // What a module carries before its first update: code in the lower part, erased above.
    static std::vector<quint32> oldFirmware();

    // The boot command was taken: countdown from the top, no row announced, no row counted.
    void start();
    bool isRunning() const { return m_running; }
    // Until the first valid command the bootloader leaves again once its countdown runs out.
    bool isCountingDown() const { return m_running && !m_held; }
    // One countdown interval passed: the next countdown frame, 0xFC n; once the count has run
    // out, nothing, and the bootloader has left (or, over an incomplete application, started
    // again: its next count follows one interval later).
    QByteArray countdownTick();

    // The application is complete unless an update erased or wrote program memory and the
    // bootloader stopped before the tool's reset frame ended that update: the power went, or
    // the bootloader gave up waiting. An incomplete application never runs; the module starts
    // its bootloader instead, which counts down again and again and, like every bootloader,
    // passes the boot command over. An update ended by the reset frame makes it complete.
    bool applicationComplete() const { return m_applicationComplete; }
    // As a module is found; takes effect when the bootloader next ends or the power comes.
    void setApplicationComplete(bool complete) { m_applicationComplete = complete; }
    // The module loses its power: a running bootloader stops where it is.
    void powerOff();
    // The module gets its power: over an incomplete application the bootloader starts.
    void powerOn();
    // A bootloader that took a frame and then heard nothing for a long time stops.
    void giveUp();

    QList<ModuleAnswer> receive(QByteArrayView bytes);
    // What arrived after the reset frame, for the application.
    QByteArray takeRest() { return std::exchange(m_rest, QByteArray()); }

    // One 24-bit instruction per entry, indexed by address / 2.
    const std::vector<quint32> &memory() const { return m_memory; }
    void setMemory(std::vector<quint32> memory);

    // `row` counts the announce frames since start() from 0, or is BootFault::EveryRow;
    // a fault for one row comes before one for every row.
    void setFault(int row, quint8 command, const BootFault &fault);
    void clearFaults() { m_faults.clear(); }
    int rowsAnnounced() const { return m_rowsAnnounced; }

private:
    ModuleAnswer takeFrame(QByteArrayView frame);
    void carryOut(QByteArrayView frame, ModuleAnswer &answer);
    void writeRow(bool erasePage);
    void leave();
    // After the bootloader ended: an incomplete application sends the module into it again.
    void restartIfIncomplete();
    BootFault faultFor(int row, quint8 command) const;

    std::vector<quint32> m_memory;
    QHash<int, BootFault> m_faults; // key: row * 256 + command
    QByteArray m_input;
    QByteArray m_rest;
    bool m_running = false;
    bool m_held = false;        // a valid command came: no countdown, no leaving by it
    bool m_inNoise = false;     // an unknown byte was answered; the ones that follow are not
    bool m_applicationComplete = true;
    bool m_wroteThisRun = false; // a row was written since the bootloader started
    int m_countdown = 0;        // the value of the next countdown frame
    int m_rowsAnnounced = 0;
    bool m_announced = false;
    bool m_haveRow = false;
    quint32 m_rowAddress = 0;
    std::vector<quint32> m_row; // the instructions of the last row data frame
};
