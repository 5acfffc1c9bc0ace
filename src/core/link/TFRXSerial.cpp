// The serial side of the link: opening the port, the two send paths and collecting bytes.
#include "core/link/TFRX.h"

#include "core/link/DeviceConstants.h"
#include "core/link/LinkTexts.h"

#include <QDeadlineTimer>

#include <algorithm>

bool TFRX::openPort()
{
    RS232.setPortName(m_portNameMapping(m_portName));
    RS232.setBaudRate(QSerialPort::Baud38400);
    RS232.setDataBits(QSerialPort::Data8);
    RS232.setParity(QSerialPort::NoParity);
    RS232.setStopBits(QSerialPort::OneStop);
    RS232.setFlowControl(QSerialPort::NoFlowControl);
    if (!RS232.open(QIODevice::ReadWrite))
        return false;
    // The module wants DTR and RTS inactive. Lines that do not exist (a pseudo-terminal, some
    // adapters) refuse this, which is harmless: the port is usable all the same.
    RS232.setDataTerminalReady(false);
    RS232.setRequestToSend(false);
    RS232.clearError();
    return true;
}

void TFRX::closePort()
{
    if (RS232.isOpen())
        RS232.close();
}

bool TFRX::renamePort(const QString &name)
{
    if (name == m_portName)
        return true;
    m_portName = name;
    if (!RS232.isOpen())
        return true;
    closePort();
    return openPort();
}

bool TFRX::setupport(const QString &auswahl)
{
    Q_UNUSED(auswahl) // callers pass the current name; the port keeps its own
    closePort();
    if (openPort())
        return true;
    emit readWriteButtonsEnabled();
    return false;
}

void TFRX::clearPortBuffers()
{
    // Only the input: our sends are complete when they return, and emptying the system's
    // output queue would cut off a frame that is still leaving (at 38400 baud the preamble
    // alone takes 13 ms), on a pseudo-terminal even bytes already passed on.
    if (RS232.isOpen())
        RS232.clear(QSerialPort::Input);
}

bool TFRX::finishWrite(int count)
{
    QDeadlineTimer deadline(100 * qint64(count) + 1000);
    while (RS232.bytesToWrite() > 0) {
        if (!RS232.waitForBytesWritten(int(std::max<qint64>(deadline.remainingTime(), 0))))
            return false;
    }
    return true;
}

void TFRX::TxConfigOut(int Count)
{
    Count = std::clamp(Count, 0, int(TxBuf.size()));
    if (UsbMode == 1) {
        // The adapter path comes with the USB backend; until then nothing can be sent on it.
        emit readWriteButtonsEnabled();
        return;
    }
    if (!RS232.isOpen() || !RS232.clear(QSerialPort::Input)) {
        emit readWriteButtonsEnabled();
        return;
    }
    for (int i = 0; i < Count; ++i) {
        TM.append(LinkTexts::TxLine.arg(i).arg(TxBuf[i]));
        const char byte = char(TxBuf[i]);
        if (RS232.write(&byte, 1) != 1) {
            emit readWriteButtonsEnabled();
            return;
        }
    }
    if (!finishWrite(Count))
        emit readWriteButtonsEnabled();
}

bool TFRX::TxOut(int Count)
{
    Count = std::clamp(Count, 0, int(TxBuf.size()));
    bool sent = UsbMode == 0 && RS232.isOpen();
    for (int i = 0; sent && i < Count; ++i) {
        const char byte = char(TxBuf[i] ^ Device::LinkMask);
        sent = RS232.write(&byte, 1) == 1;
    }
    sent = sent && finishWrite(Count);
    // A port failure here ends the step that sent the frame; the port's own text says why.
    if (!sent)
        raiseerror(RS232.isOpen() ? RS232.errorString() : LinkTexts::PortError);
    return sent;
}

void TFRX::onPortReadyRead()
{
    if (receivetimer.isActive())
        receivetimerTimer();
}

void TFRX::receivetimerTimer()
{
    if (UsbMode == 1) // the adapter path comes with the USB backend
        return;
    if (!RS232.isOpen())
        return;
    std::array<quint8, 512> chunk;
    for (;;) {
        const qint64 got = RS232.read(reinterpret_cast<char *>(chunk.data()), qint64(chunk.size()));
        if (got <= 0)
            break;
        storeReceived(std::span<const quint8>(chunk.data(), size_t(got)));
    }
}

void TFRX::storeReceived(std::span<const quint8> bytes)
{
    // RxCount is public; whatever a window left in it, nothing goes past the buffer.
    RxCount = std::clamp<qint32>(RxCount, 0, qint32(RxBuf.size()));
    if (RxCount == 0)
        m_rxDropped = 0;
    const size_t room = RxBuf.size() - size_t(RxCount);
    const size_t taken = std::min(room, bytes.size());
    std::copy_n(bytes.begin(), taken, RxBuf.begin() + RxCount);
    RxCount += qint32(taken);
    m_rxDropped += qint64(bytes.size() - taken);
    // All bytes of one read arrived together; one restart stands for one per byte.
    restartQuietTime();
}

void TFRX::restartQuietTime()
{
    checkendtimer.stop();
    if (!ReplyHold)
        checkendtimer.start();
}

void TFRX::onPortError(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
        return;
    if (!RS232.isOpen())
        return;
    // A vanished device keeps reporting errors for as long as the port stays open.
    const QString text = RS232.errorString();
    closePort();
    const bool waiting = fehlertimer.isActive() || checkendtimer.isActive();
    receivetimer.stop();
    checkendtimer.stop();
    fehlertimer.stop();
    raiseerror(text);
    if (waiting) {
        // The wait ends here as it would by its time-out, but with the port's own text.
        Lfehler = ErrorText;
        PendingCommand = 0;
        if (AppMode == 1)
            emit followUpEnabled();
    }
}
