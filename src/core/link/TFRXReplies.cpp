// The module's commands: the six requests, the reply wait and the evaluation of the replies.
#include "core/link/TFRX.h"

#include "core/link/Frames.h"
#include "core/link/LinkTexts.h"

#include <QtDebug>

#include <algorithm>

namespace {

QString hex2(int value)
{
    return QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

void TFRX::BRXconfigClick() { sendRequest(Command::ReadConfig); }
void TFRX::BTxConfigClick() { sendRequest(Command::WriteRequest); }
void TFRX::BresetDeviceClick() { sendRequest(Command::Reset); }
void TFRX::BBootClick() { sendRequest(Command::Boot); }
void TFRX::BtestClick() { sendRequest(Command::Carrier); }
void TFRX::BtestRSSIClick() { sendRequest(Command::Rssi); }

void TFRX::sendRequest(quint8 command)
{
    const RequestSpec *request = requestSpec(command);
    Q_ASSERT(request);
    if (!setupport(m_portName)) {
        raiseerror(LinkTexts::PortError);
        // The waiting window learns of the failure like of any other, so the user sees it
        // in the log instead of a read or write that silently never happens.
        if (!ReplyHold)
            emit followUpEnabled();
        return;
    }
    if (command == Command::Boot)
        emit beepRequested();
    clearPortBuffers();

    // Zero bytes wake the module before the frame.
    const int preamble = request->preamble;
    std::fill_n(TxBuf.begin(), preamble + 1, quint8(0));
    TxConfigOut(preamble);

    buildRequestFrame(*request, std::span<quint8, Frame::RequestLength>(TxBuf.data(), Frame::RequestLength));
    Mread.clear();
    for (int i = 0; i < Frame::RequestLength; ++i)
        M1.append(LinkTexts::FrameLine.arg(i).arg(TxBuf[i]));
    TxConfigOut(Frame::RequestLength);
    AppMode = 1;
    RxStart(command);
}

void TFRX::RxStart(quint8 locstat)
{
    // A new wait discards the previous one, including an evaluation still due for it: it
    // would otherwise judge the new wait by the bytes received so far (a write's verify read
    // starts while the quiet time after the data frame's acknowledgement may still run).
    checkendtimer.stop();
    PendingCommand = locstat;
    receivetimer.start();
    fehlertimer.start();
    RxCount = 0;
    m_rxDropped = 0;
    ReplyError = 0;
    ErrorText = LinkTexts::Unspecified;
    Lfehler = LinkTexts::Running;
    LinkState = LinkStates::aktiv;
}

void TFRX::checkendtimerTimer()
{
    checkendtimer.stop();
    receivetimer.stop();
    fehlertimer.stop();

    const int stored = std::clamp<qint32>(RxCount, 0, qint32(RxBuf.size()));
    TM.append(LinkTexts::DataReceived);
    for (int i = 0; i < stored; ++i)
        TM.append(LinkTexts::RxLine.arg(i).arg(hex2(RxBuf[i])));

    if (AppMode == 1)
        evaluateApplicationReply();
    else
        evaluateBootloaderReply();
}

void TFRX::evaluateApplicationReply()
{
    emit followUpIntervalChanged(20);

    const int stored = std::clamp<qint32>(RxCount, 0, qint32(RxBuf.size()));
    const bool complete = !(m_rxDropped > 0 && stored == int(RxBuf.size()));
    const ReplyCheck check =
        checkApplicationReply(std::span<const quint8>(RxBuf.data(), size_t(stored)), complete);

    bool fault = false;
    if (!check.startOk) {
        fault = true;
        raiseerror(LinkTexts::BadStart.arg(hex2(check.startByte), hex2(PendingCommand)));
    }
    RxCount = check.length;

    TM.append(LinkTexts::ReceivedChecksum.arg(hex2(check.received >> 8), hex2(check.received)));
    TM.append(LinkTexts::ComputedChecksum.arg(hex2(check.computed >> 8), hex2(check.computed)));
    if (!check.checksumOk) {
        if (!fault)
            raiseerror(LinkTexts::BadChecksum);
        fault = true;
    }

    if (!fault) {
        // A reply that passed the checksum test has at least its start and command byte;
        // bytes 2 and 3 are read only if they arrived.
        ReplyByte2 = check.length > 2 ? RxBuf[2] : 0;
        ReplyByte3 = check.length > 3 ? RxBuf[3] : 0;
        actOnReply(check.command, check.length);
        Lfehler = LinkTexts::Done;
    }

    if (!ReplyHold)
        emit followUpEnabled();
}

void TFRX::actOnReply(quint8 replyCommand, int length)
{
    switch (PendingCommand) {
    case Command::Reset:
        if (replyCommand == Command::Reset) {
            ReplyOk = 1;
            MC.append(LinkTexts::ResetSeen);
            CarrierOn = 0;
        }
        break;
    case Command::Boot:
        if (replyCommand == Command::Boot) {
            ReplyOk = 1;
            BootAck = 1;
            MC.append(LinkTexts::BootSeen);
        }
        break;
    case Command::Carrier:
        if (replyCommand == Command::Carrier) {
            ReplyOk = 1;
            CarrierOn = 1;
            MC.append(LinkTexts::CarrierSeen);
        }
        break;
    case Command::Rssi:
        if (replyCommand == Command::Rssi) {
            ReplyOk = 1;
            MC.append(LinkTexts::RssiSeen);
            emit rssiMeasured(ReplyByte3, rssiText(ReplyByte3));
        }
        break;
    case Command::ReadConfig:
        if (replyCommand == Command::ReadReply) {
            // Bytes 4..n-3 are the payload; a longer reply than the buffer is cut, not spilled.
            const int count = std::clamp(length - 6, 0, int(ConfigPayload.size()));
            std::copy_n(RxBuf.begin() + 4, count, ConfigPayload.begin());
            ReplyOk = 1;
        }
        break;
    case Command::WriteRequest:
        if (replyCommand == Command::WriteAccepted) {
            emit followUpIntervalChanged(200);
            TM.append(LinkTexts::SendingData);
            buildDataFrame(payload(), std::span<quint8, Frame::DataLength>(TxBuf.data(), Frame::DataLength));
            TxConfigOut(Frame::DataLength);
            RxStart(Command::WriteData);
            ReplyOk = 1;
        } else {
            raiseerror(LinkTexts::BadWriteReply);
        }
        break;
    default:
        // The data frame's reply ('3') and replies after a time-out need nothing more.
        break;
    }
}

void TFRX::evaluateBootloaderReply()
{
    // The bootloader frames (row announce, row data, finish) come with the firmware update.
    // Until then a bootloader reply is left unevaluated: no outcome is recorded, so nothing
    // can take it for a good row.
    qWarning("TFRX: bootloader replies are not evaluated yet (%d bytes ignored)", int(RxCount));
}

void TFRX::fehlertimerTimer()
{
    fehlertimer.stop();
    if (AppMode == 1)
        emit followUpEnabled();
    raiseerror(LinkTexts::Timeout);
    Lfehler = ErrorText;
    PendingCommand = 0;
}

void TFRX::raiseerror(const QString &locstring)
{
    emit beepRequested();
    ReplyError = 1;
    ErrorText = locstring;
    LinkState = LinkStates::error;
    ReplyOk = 0;
    if (AppMode == 0)
        emit bootloaderRowEnded(10);
}
