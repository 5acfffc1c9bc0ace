#include "ModuleBootloader.h"

#include "BootReply.h"
#include "ModuleChecksum.h"
#include "RequestParser.h"

#include "core/link/DeviceConstants.h"

#include <algorithm>

namespace {

constexpr quint8 Announce = 0x03;
constexpr quint8 RowData = 0x05;
constexpr quint8 Finish = 0x07;
constexpr quint8 Reset = 0x10;
constexpr quint8 ResetKey = 0xB0;
constexpr quint8 RowGroups = 0x41; // 64 instructions and the leading group, three bytes each
constexpr int RowInstructions = ModuleBootloader::RowUnits / 2;
constexpr int OldFirmwareEnd = 0x2D00; // ends inside a page, as real code does

QByteArray errorReply(BootError error)
{
    return BootReply::build(BootReply::ErrorCommand, QByteArray(1, char(error)));
}

int faultKey(int row, quint8 command)
{
    return row * 256 + command;
}

} // namespace

ModuleBootloader::ModuleBootloader()
    : m_memory(oldFirmware())
    , m_row(RowInstructions, Erased)
{
}

std::vector<quint32> ModuleBootloader::oldFirmware()
{
    std::vector<quint32> memory(Instructions, Erased);
    memory[0] = 0x040200; // the reset vector jumps over the interrupt table
    memory[1] = 0x000000;
    for (quint32 i = 2; i < OldFirmwareEnd / 2; ++i) {
        // Fixed, irregular and never the erased state, so a missed erase or write shows.
        const quint32 instruction = (i * 0x9E3779B1u >> 8) & 0xFFFFFF;
        memory[i] = instruction == Erased ? 0 : instruction;
    }
    return memory;
}

void ModuleBootloader::setMemory(std::vector<quint32> memory)
{
    memory.resize(Instructions, Erased);
    for (quint32 &instruction : memory)
        instruction &= 0xFFFFFF;
    m_memory = std::move(memory);
}

void ModuleBootloader::setFault(int row, quint8 command, const BootFault &fault)
{
    m_faults.insert(faultKey(std::max(row, BootFault::EveryRow), command), fault);
}

BootFault ModuleBootloader::faultFor(int row, quint8 command) const
{
    if (row >= 0) {
        const auto it = m_faults.constFind(faultKey(row, command));
        if (it != m_faults.cend())
            return *it;
    }
    return m_faults.value(faultKey(BootFault::EveryRow, command));
}

void ModuleBootloader::start()
{
    m_running = true;
    m_held = false;
    m_inNoise = false;
    m_wroteThisRun = false;
    m_countdown = CountdownFrom;
    m_rowsAnnounced = 0;
    m_announced = false;
    m_haveRow = false;
    m_input.clear();
}

void ModuleBootloader::leave()
{
    m_running = false;
    m_held = false;
}

void ModuleBootloader::restartIfIncomplete()
{
    if (!m_running && !m_applicationComplete)
        start();
}

void ModuleBootloader::powerOff()
{
    leave();
    m_input.clear();
    m_rest.clear();
}

void ModuleBootloader::powerOn()
{
    restartIfIncomplete();
}

void ModuleBootloader::giveUp()
{
    if (!m_running)
        return;
    leave();
    m_input.clear();
    restartIfIncomplete();
}

QByteArray ModuleBootloader::countdownTick()
{
    if (!isCountingDown())
        return {};
    if (m_countdown < 0) {
        leave();
        m_input.clear(); // a frame cut short by the end of the countdown goes with it
        restartIfIncomplete();
        return {};
    }
    QByteArray frame;
    frame.append(char(CountdownCommand)).append(char(m_countdown));
    --m_countdown;
    return frame;
}

QList<ModuleAnswer> ModuleBootloader::receive(QByteArrayView bytes)
{
    QList<ModuleAnswer> answers;
    if (!m_running)
        return answers;
    m_input.append(bytes);
    qsizetype at = 0;
    using Step = RequestParser::BootloaderStep;
    while (m_running && at < m_input.size()) {
        const Step step = RequestParser::parseBootloaderStep(QByteArrayView(m_input).sliced(at));
        if (step.kind == Step::Kind::NeedMore)
            break;
        at += step.consumed;
        if (step.kind == Step::Kind::Noise) {
            // One answer for a run of noise, not one per byte.
            if (!m_inNoise) {
                ModuleAnswer answer;
                answer.request = step.command;
                answer.fromBootloader = true;
                answer.reply = errorReply(BootError::UnknownCommand);
                answer.frameLength = int(answer.reply.size());
                answers << answer;
            }
            m_inNoise = true;
        } else if (step.kind == Step::Kind::Frame) {
            m_inNoise = false;
            answers << takeFrame(step.frame);
        }
        // Idle bytes and application frames are passed over.
    }
    if (m_running) {
        m_input.remove(0, at);
    } else {
        m_rest = m_input.mid(at);
        m_input.clear();
        // The rest then goes to the bootloader started again, not to the application.
        restartIfIncomplete();
    }
    return answers;
}

ModuleAnswer ModuleBootloader::takeFrame(QByteArrayView frame)
{
    ModuleAnswer answer;
    answer.request = quint8(frame[0]);
    answer.fromBootloader = true;
    if (!ModuleChecksum::frameOk(frame)) {
        answer.reply = errorReply(BootError::Checksum);
        answer.frameLength = int(answer.reply.size());
        return answer;
    }
    m_held = true;
    if (answer.request == Announce)
        ++m_rowsAnnounced;
    // The reset frame has no reply to spoil.
    const BootFault fault = answer.request == Reset ? BootFault{} : faultFor(m_rowsAnnounced - 1, answer.request);
    if (fault.suppressesFrame()) {
        answer.reply = applyBootFault(fault, BootReply::build(answer.request + 1));
    } else {
        carryOut(frame, answer);
        answer.reply = applyBootFault(fault, answer.reply);
    }
    answer.frameLength = int(answer.reply.size());
    return answer;
}

void ModuleBootloader::carryOut(QByteArrayView frame, ModuleAnswer &answer)
{
    const auto refuse = [&answer](BootError error) { answer.reply = errorReply(error); };
    const auto byte = [frame](int i) { return quint8(frame[i]); };
    switch (answer.request) {
    case Announce: {
        // A refused announce drops the row announced before: nothing may be written at an
        // address the tool no longer means.
        m_announced = false;
        m_haveRow = false;
        const quint32 address = quint32(byte(3)) << 16 | quint32(byte(4)) << 8 | byte(5);
        if (byte(1) != 0 || byte(2) != RowGroups)
            return refuse(BootError::RowLength);
        if (address >= quint32(AddressUnits))
            return refuse(BootError::AddressBeyondMemory);
        if (address % RowUnits != 0)
            return refuse(BootError::AddressNotOnRow);
        m_rowAddress = address;
        m_announced = true;
        break;
    }
    case RowData:
        if (!m_announced)
            return refuse(BootError::DataBeforeAnnounce);
        if (byte(1) != 0 || byte(2) != 0 || byte(3) != 0)
            return refuse(BootError::BadParameter);
        for (int i = 0; i < RowInstructions; ++i) {
            const int at = 4 + 3 * i;
            m_row[size_t(i)] = quint32(byte(at)) << 16 | quint32(byte(at + 1)) << 8 | byte(at + 2);
        }
        m_haveRow = true;
        break;
    case Finish:
        if (byte(1) > 1)
            return refuse(BootError::BadParameter);
        if (!m_haveRow)
            return refuse(BootError::FinishBeforeData);
        writeRow(byte(1) == 1);
        answer.event = ModuleAnswer::Event::RowWritten;
        answer.address = m_rowAddress;
        answer.pageErased = byte(1) == 1;
        m_announced = false;
        m_haveRow = false;
        break;
    case Reset:
        if (byte(1) != ResetKey)
            return refuse(BootError::BadParameter);
        // The tool ends its update with this frame: what it wrote is the application now.
        if (m_wroteThisRun)
            m_applicationComplete = true;
        leave();
        answer.event = ModuleAnswer::Event::BootloaderLeft;
        return; // the module restarts without a word
    }
    answer.reply = BootReply::build(answer.request + 1);
}

void ModuleBootloader::writeRow(bool erasePage)
{
    // From the first row on, the old application is no longer whole.
    m_wroteThisRun = true;
    m_applicationComplete = false;
    const size_t first = m_rowAddress / 2;
    if (erasePage) {
        const size_t page = (m_rowAddress - m_rowAddress % PageUnits) / 2;
        std::fill_n(m_memory.begin() + qsizetype(page), PageUnits / 2, Erased);
    }
    // Programming flash can only clear bits; a row written over old code without an erase
    // keeps the bits both have in common, as the module's flash does.
    for (int i = 0; i < RowInstructions; ++i)
        m_memory[first + size_t(i)] &= m_row[size_t(i)];
}
