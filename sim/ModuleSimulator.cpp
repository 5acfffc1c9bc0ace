#include "ModuleSimulator.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace {

constexpr int AllCommands = -1;
constexpr qint64 NsPerByte = 1'000'000'000LL / ModuleSimulator::BytesPerSecond;
// While a long sequence passes, its bytes are taken and given in steps of this much.
constexpr qint64 PaceStepNs = 1'000'000;

} // namespace

ModuleSimulator::ModuleSimulator(QObject *parent)
    : QObject(parent)
{
    m_clock.start();
    connect(&m_pace, &PaceClock::due, this, &ModuleSimulator::onPaceTick);
    // Precise: a coarse timer may fire early, and the tool gives up on a quiet countdown.
    m_countdownTimer.setTimerType(Qt::PreciseTimer);
    m_countdownTimer.setInterval(1000);
    connect(&m_countdownTimer, &QTimer::timeout, this, &ModuleSimulator::onCountdownTick);
    m_giveUpTimer.setSingleShot(true);
    m_giveUpTimer.setInterval(GiveUpIntervals * m_countdownTimer.interval());
    connect(&m_giveUpTimer, &QTimer::timeout, this, &ModuleSimulator::onGiveUp);
}

ModuleSimulator::~ModuleSimulator() = default;

void ModuleSimulator::dropNotifiers()
{
    // Vanishing may happen inside a notifier's own signal: delete them later.
    for (QSocketNotifier *notifier : {m_readNotifier, m_writeNotifier}) {
        if (notifier) {
            notifier->setEnabled(false);
            notifier->deleteLater();
        }
    }
    m_readNotifier = nullptr;
    m_writeNotifier = nullptr;
}

bool ModuleSimulator::open(QString *error)
{
    vanish();
    ++m_lineGeneration;
    if (!m_pty.open(error))
        return false;
    m_readNotifier = new QSocketNotifier(m_pty.masterFd(), QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &ModuleSimulator::onReadable);
    m_writeNotifier = new QSocketNotifier(m_pty.masterFd(), QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &ModuleSimulator::onWritable);
    // Power on: over an incomplete application the bootloader runs, its first count one
    // interval from now.
    m_module.bootloader().powerOn();
    if (m_module.bootloader().isCountingDown())
        m_countdownTimer.start();
    return true;
}

void ModuleSimulator::vanish()
{
    const bool wasOpen = m_pty.isOpen();
    ++m_lineGeneration;
    dropNotifiers();
    m_pace.stop();
    m_pty.close();
    m_in.clear();
    m_out.clear();
    m_vanishWhenSent = false;
    // Power off: the bootloader stops where it was.
    m_countdownTimer.stop();
    m_giveUpTimer.stop();
    m_module.bootloader().powerOff();
    if (wasOpen)
        emit vanished();
}

void ModuleSimulator::setFault(quint8 request, const SimFault &fault, int times)
{
    m_faults.insert(request, {fault, times});
}

void ModuleSimulator::setFaultForAll(const SimFault &fault, int times)
{
    m_faults.insert(AllCommands, {fault, times});
}

void ModuleSimulator::setBootFault(int row, quint8 command, const BootFault &fault)
{
    m_module.bootloader().setFault(row, command, fault);
}

void ModuleSimulator::clearFaults()
{
    m_faults.clear();
    m_module.bootloader().clearFaults();
}

void ModuleSimulator::setCountdownInterval(int ms)
{
    // Keeps a running countdown going, at the new pace.
    m_countdownTimer.setInterval(std::max(ms, 1));
    m_giveUpTimer.setInterval(GiveUpIntervals * m_countdownTimer.interval());
}

void ModuleSimulator::sendUnsolicited(const QByteArray &bytes)
{
    queueOutput(bytes);
}

void ModuleSimulator::onReadable()
{
    char buffer[4096];
    while (isOpen()) { // an answer may make the module vanish
        const ssize_t got = ::read(m_pty.masterFd(), buffer, sizeof buffer);
        if (got > 0) {
            m_received.append(buffer, got);
            take(QByteArrayView(buffer, got));
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        // The line itself failed; listening on would only repeat the failure.
        m_readNotifier->setEnabled(false);
        break;
    }
    emit bytesArrived();
}

void ModuleSimulator::take(QByteArrayView bytes)
{
    if (!m_paced) {
        processInput(bytes);
        return;
    }
    // Each byte arrives one byte time after the one before it, never before it was sent.
    const qint64 now = nowNs();
    if (m_in.isEmpty())
        m_inLastDueNs = std::max(m_inLastDueNs, now);
    m_in.append(bytes);
    m_inLastDueNs += NsPerByte * bytes.size();
    updateWakeups();
}

void ModuleSimulator::onPaceTick()
{
    if (!m_in.isEmpty()) {
        const qint64 now = nowNs();
        const qint64 frontDue = m_inLastDueNs - NsPerByte * (m_in.size() - 1);
        if (now >= frontDue) {
            const qsizetype due = std::min<qint64>(m_in.size(), (now - frontDue) / NsPerByte + 1);
            const QByteArray arrived = m_in.left(due);
            m_in.remove(0, due);
            processInput(arrived);
        }
    }
    pump();
}

void ModuleSimulator::processInput(QByteArrayView bytes)
{
    const QList<ModuleFirmware::Answer> answers = m_module.receive(bytes);
    for (const ModuleFirmware::Answer &answer : answers)
        dispatch(answer);
    // The first valid command keeps the bootloader: no more countdown frames.
    if (m_countdownTimer.isActive() && !m_module.bootloader().isCountingDown())
        m_countdownTimer.stop();
    // A bootloader kept waits for the tool's next frame, but not for ever.
    if (m_module.bootloader().isRunning() && !m_module.bootloader().isCountingDown())
        m_giveUpTimer.start();
}

SimFault ModuleSimulator::takeFault(quint8 request)
{
    for (const int key : {int(request), AllCommands}) {
        auto it = m_faults.find(key);
        if (it == m_faults.end())
            continue;
        const SimFault fault = it->fault;
        if (it->remaining > 0 && --it->remaining == 0)
            m_faults.erase(it);
        return fault;
    }
    return {};
}

void ModuleSimulator::dispatch(const ModuleFirmware::Answer &answer)
{
    // The bootloader's replies have suffered their own faults already.
    const SimFault fault = answer.fromBootloader ? SimFault{} : takeFault(answer.request);
    const QByteArray bytes = applyFault(fault, answer.request, answer.reply, answer.frameLength, m_random);
    const bool entered = answer.event == ModuleFirmware::Answer::Event::BootloaderEntered;
    emit answered(answer.request, int(bytes.size()));
    int delayMs = fault.kind == SimFault::Kind::Delay ? fault.delayMs : 0;
    if (answer.event == ModuleFirmware::Answer::Event::RowWritten)
        delayMs += m_flashMs / 4 + (answer.pageErased ? m_flashMs : 0);
    if (delayMs > 0) {
        const quint64 line = m_lineGeneration;
        QTimer::singleShot(delayMs, Qt::PreciseTimer, this, [this, bytes, line, entered] {
            // Only to the line it was meant for, not to one opened since.
            if (line == m_lineGeneration)
                queueOutput(bytes);
            if (entered)
                startCountdown();
        });
    } else {
        queueOutput(bytes);
        if (entered)
            startCountdown();
        if (fault.kind == SimFault::Kind::Vanish) {
            m_vanishWhenSent = true;
            pump();
        }
    }
    announce(answer);
}

void ModuleSimulator::announce(const ModuleFirmware::Answer &answer)
{
    switch (answer.event) {
    case ModuleFirmware::Answer::Event::None:
        break;
    case ModuleFirmware::Answer::Event::BootloaderEntered:
        emit bootloaderEntered();
        break;
    case ModuleFirmware::Answer::Event::BootloaderLeft:
        bootloaderEnded();
        break;
    case ModuleFirmware::Answer::Event::RowWritten:
        emit rowWritten(answer.address);
        break;
    }
}

void ModuleSimulator::startCountdown()
{
    // The first frame follows the boot reply by one interval, not at once.
    if (m_module.bootloader().isCountingDown())
        m_countdownTimer.start();
}

void ModuleSimulator::onCountdownTick()
{
    ModuleBootloader &bootloader = m_module.bootloader();
    const bool counting = bootloader.isCountingDown();
    const QByteArray frame = bootloader.countdownTick();
    if (!frame.isEmpty()) {
        queueOutput(frame);
        return;
    }
    if (counting)
        bootloaderEnded();
    else
        m_countdownTimer.stop();
}

void ModuleSimulator::onGiveUp()
{
    if (!m_module.bootloader().isRunning())
        return;
    m_module.bootloader().giveUp();
    bootloaderEnded();
}

void ModuleSimulator::bootloaderEnded()
{
    m_giveUpTimer.stop();
    if (m_module.bootloader().isCountingDown()) {
        // Started again over an incomplete application: the count begins anew.
        m_countdownTimer.start();
        emit bootloaderRestarted();
        return;
    }
    m_countdownTimer.stop();
    emit bootloaderLeft();
}

void ModuleSimulator::queueOutput(const QByteArray &bytes)
{
    if (!isOpen() || bytes.isEmpty())
        return;
    if (m_out.isEmpty()) {
        m_outStartNs = nowNs();
        m_outSentInBurst = 0;
    }
    m_out.append(bytes);
    pump();
}

void ModuleSimulator::onWritable()
{
    pump();
}

void ModuleSimulator::pump()
{
    if (!isOpen())
        return;
    if (!m_out.isEmpty()) {
        qsizetype allowed = m_out.size();
        if (m_paced) {
            const qint64 due = (nowNs() - m_outStartNs) / NsPerByte + 1 - m_outSentInBurst;
            allowed = qsizetype(std::clamp<qint64>(due, 0, m_out.size()));
        }
        if (allowed > 0) {
            const ssize_t written = ::write(m_pty.masterFd(), m_out.constData(), size_t(allowed));
            if (written > 0) {
                m_out.remove(0, written);
                m_outSentInBurst += written;
                m_sentCount += written;
            }
        }
    }
    if (m_out.isEmpty() && m_vanishWhenSent) {
        // A closing terminal drops what its reader has not taken yet; give the reader a moment
        // so the half answer does arrive before the line goes.
        m_vanishWhenSent = false;
        const quint64 line = m_lineGeneration;
        QTimer::singleShot(50, this, [this, line] {
            if (line == m_lineGeneration)
                vanish();
        });
    }
    updateWakeups();
}

void ModuleSimulator::updateWakeups()
{
    if (!isOpen())
        return;
    // Wake only while there is something to do: no timer, no notifier otherwise.
    m_writeNotifier->setEnabled(!m_paced && !m_out.isEmpty());
    if (!m_paced || (m_in.isEmpty() && m_out.isEmpty())) {
        m_pace.stop();
        return;
    }
    // The last byte of what is on its way is taken (or given) exactly when it is due, so a
    // frame ends when the line ends it; until then in steps.
    const qint64 now = nowNs();
    qint64 next = now + PaceStepNs;
    if (!m_in.isEmpty())
        next = std::min(next, m_inLastDueNs);
    if (!m_out.isEmpty())
        next = std::min(next, m_outStartNs + (m_outSentInBurst + m_out.size() - 1) * NsPerByte);
    m_pace.wakeIn(next - now);
}
