#include "core/link/ModuleProtocol.h"

#include "core/link/Channel.h"
#include "core/link/DeviceConstants.h"
#include "core/link/Frames.h"
#include "core/link/LinkTexts.h"

#include <algorithm>

namespace {

QByteArrayView bytesOf(std::span<const quint8> bytes)
{
    return QByteArrayView(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
}

} // namespace

ModuleProtocol::ModuleProtocol(Channel &channel, QObject *parent)
    : QObject(parent)
    , m_channel(&channel)
{
    m_checkendtimer.setSingleShot(true);
    m_checkendtimer.setInterval(100);
    // The quiet time is a minimum: a coarse timer may fire up to 5 % early and cut a reply.
    m_checkendtimer.setTimerType(Qt::PreciseTimer);
    m_fehlertimer.setSingleShot(true);
    m_fehlertimer.setInterval(1000);
    connect(&m_checkendtimer, &QTimer::timeout, this, &ModuleProtocol::checkendtimerTimer);
    connect(&m_fehlertimer, &QTimer::timeout, this, &ModuleProtocol::fehlertimerTimer);
    connectChannel();
}

void ModuleProtocol::connectChannel()
{
    connect(m_channel, &Channel::received, this, &ModuleProtocol::onReceived);
    connect(m_channel, &Channel::vanished, this, &ModuleProtocol::onVanished);
    connect(m_channel, &Channel::writeFailed, this, &ModuleProtocol::sendFailed);
}

void ModuleProtocol::setChannel(Channel &channel)
{
    if (&channel == m_channel)
        return;
    // A wait under way goes on collecting on the new line.
    const bool collecting = m_channel->isReceiving();
    m_channel->setReceiving(false);
    m_channel->disconnect(this);
    m_channel = &channel;
    connectChannel();
    m_channel->setReceiving(collecting);
}

// ---- Sending ----

bool ModuleProtocol::setupport()
{
    if (m_channel->reopen())
        return true;
    emit sendFailed();
    return false;
}

void ModuleProtocol::sendWakeUp(int count)
{
    if (!m_channel->isOpen())
        setupport();
    TxConfigOut(QByteArray(std::max(count, 0), '\0'));
}

void ModuleProtocol::TxConfigOut(QByteArrayView bytes)
{
    if (!m_channel->isOpen()) {
        emit sendFailed();
        return;
    }
    m_channel->discardOutput();
    m_channel->discardInput();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        m_traces.TM.append(LinkTexts::TxLine.arg(i).arg(quint8(bytes[i])));
    if (!m_channel->write(bytes))
        emit sendFailed();
}

bool ModuleProtocol::TxOut(QByteArrayView bytes)
{
    QByteArray masked(bytes.data(), bytes.size());
    for (char &byte : masked)
        byte = char(quint8(byte) ^ Device::LinkMask);
    if (m_channel->isOpen() && m_channel->write(masked))
        return true;
    // A port failure here ends the step that sent the frame; the port's own text says why.
    raiseerror(m_channel->isOpen() ? m_channel->errorString() : LinkTexts::PortError);
    return false;
}

void ModuleProtocol::BRXconfigClick() { sendRequest(Command::ReadConfig); }
void ModuleProtocol::BresetDeviceClick() { sendRequest(Command::Reset); }
void ModuleProtocol::BBootClick() { sendRequest(Command::Boot); }
void ModuleProtocol::BtestClick() { sendRequest(Command::Carrier); }
void ModuleProtocol::BtestRSSIClick() { sendRequest(Command::Rssi); }

void ModuleProtocol::BTxConfigClick(ConstPayloadSpan payload)
{
    std::copy(payload.begin(), payload.end(), m_writePayload.begin());
    sendRequest(Command::WriteRequest);
}

void ModuleProtocol::sendRequest(quint8 command)
{
    const RequestInfo *request = requestInfo(command);
    Q_ASSERT(request);
    if (!setupport()) {
        raiseerror(LinkTexts::PortError);
        // The waiting window learns of the failure like of any other, so the user sees it
        // in the log instead of a read or write that silently never happens.
        if (!m_hold)
            emit failed(command, m_errorText);
        return;
    }
    if (command == Command::Boot)
        emit beepRequested();
    discardInput();
    m_bootloader = false;

    // Zero bytes wake the module before the frame.
    TxConfigOut(QByteArray(request->preamble, '\0'));

    const RequestFrame frame = buildRequestFrame(*request);
    m_traces.Mread.clear();
    for (int i = 0; i < Frame::RequestLength; ++i)
        m_traces.M1.append(LinkTexts::FrameLine.arg(i).arg(frame[size_t(i)]));
    TxConfigOut(bytesOf(frame));
    RxStart(command);
}

// ---- The reply wait ----

void ModuleProtocol::RxStart(quint8 locstat)
{
    // A new wait discards the previous one, including an evaluation still due for it: it
    // would otherwise judge the new wait by the bytes received so far.
    m_checkendtimer.stop();
    m_pendingCommand = locstat;
    m_channel->setReceiving(true);
    // A request repeated while the last one still waits keeps that one's time-out: with no
    // module a failure is reported once per time-out, not once per attempt.
    if (!m_fehlertimer.isActive())
        m_fehlertimer.start();
    m_rxCount = 0;
    m_rxDropped = 0;
    m_waitFailed = false;
    m_errorText = LinkTexts::Unspecified;
    m_progressText = LinkTexts::Running;
    m_linkState = LinkState::aktiv;
}

void ModuleProtocol::stopCollecting()
{
    m_channel->setReceiving(false);
}

void ModuleProtocol::startCollecting()
{
    m_channel->setReceiving(true);
}

bool ModuleProtocol::isCollecting() const
{
    return m_channel->isReceiving();
}

void ModuleProtocol::discardInput()
{
    m_channel->discardInput();
}

void ModuleProtocol::discardQueues()
{
    m_channel->discardOutput();
    m_channel->discardInput();
}

void ModuleProtocol::onReceived(const QByteArray &bytes)
{
    // Nothing goes past the buffer; what does not fit is counted, so the reply cannot pass.
    const int room = ReceiveCapacity - m_rxCount;
    const int taken = std::min<int>(room, int(bytes.size()));
    std::copy_n(bytes.constData(), taken, reinterpret_cast<char *>(m_rxBuf.data()) + m_rxCount);
    m_rxCount += taken;
    m_rxDropped += bytes.size() - taken;
    // All bytes of one read arrived together; one restart stands for one per byte.
    restartQuietTime();
}

void ModuleProtocol::restartQuietTime()
{
    m_checkendtimer.stop();
    if (!m_hold)
        m_checkendtimer.start();
}

void ModuleProtocol::checkendtimerTimer()
{
    m_checkendtimer.stop();
    stopCollecting();
    m_fehlertimer.stop();

    m_traces.TM.append(LinkTexts::DataReceived);
    traceReceived(m_traces.TM);
    if (m_bootloader)
        evaluateBootloaderReply();
    else
        evaluateApplicationReply();
}

void ModuleProtocol::traceReceived(TraceMemo &memo)
{
    for (int i = 0; i < m_rxCount; ++i)
        memo.append(LinkTexts::RxLine.arg(i).arg(hex2(m_rxBuf[size_t(i)])));
}

void ModuleProtocol::evaluateApplicationReply()
{
    const quint8 pending = m_pendingCommand;
    const bool complete = !(m_rxDropped > 0 && m_rxCount == ReceiveCapacity);
    const ReplyVerdict verdict = judgeApplicationReply(received(), complete, pending);
    const ReplyCheck &check = verdict.check;
    m_rxCount = check.length;

    m_traces.TM.append(LinkTexts::ReceivedChecksum.arg(hex2(check.received >> 8), hex2(check.received)));
    m_traces.TM.append(LinkTexts::ComputedChecksum.arg(hex2(check.computed >> 8), hex2(check.computed)));

    Reply reply;
    if (verdict.valid) {
        m_replyByte2 = verdict.byte2;
        m_replyByte3 = verdict.byte3;
        if (verdict.accepted)
            actOnReply(verdict, reply);
        else if (!verdict.error.isEmpty())
            raiseerror(verdict.error);
        m_progressText = LinkTexts::Done;
    } else {
        raiseerror(verdict.error);
    }

    if (m_hold)
        return;
    if (verdict.accepted)
        emit replied(reply);
    else
        emit rejected(pending, m_errorText);
}

void ModuleProtocol::actOnReply(const ReplyVerdict &verdict, Reply &reply)
{
    reply.command = m_pendingCommand;
    reply.replyCommand = verdict.check.command;
    reply.byte2 = verdict.byte2;
    reply.byte3 = verdict.byte3;
    switch (reply.command) {
    case Command::Reset:
        m_traces.MC.append(LinkTexts::ResetSeen);
        m_carrierOn = false;
        break;
    case Command::Boot:
        m_bootAck = true;
        m_traces.MC.append(LinkTexts::BootSeen);
        break;
    case Command::Carrier:
        m_carrierOn = true;
        m_traces.MC.append(LinkTexts::CarrierSeen);
        break;
    case Command::Rssi:
        m_traces.MC.append(LinkTexts::RssiSeen);
        emit rssiMeasured(verdict.byte3, rssiText(verdict.byte3));
        break;
    case Command::ReadConfig:
        reply.payload = bytesOf(verdict.payload).toByteArray();
        break;
    case Command::WriteRequest: {
        // The module takes the data now: the data frame follows at once, and its
        // acknowledgement is the next wait.
        m_traces.TM.append(LinkTexts::SendingData);
        const DataFrame frame = buildDataFrame(m_writePayload);
        TxConfigOut(bytesOf(frame));
        RxStart(Command::WriteData);
        break;
    }
    default:
        break; // the data frame's acknowledgement needs nothing more
    }
}

void ModuleProtocol::fehlertimerTimer()
{
    m_fehlertimer.stop();
    raiseerror(LinkTexts::Timeout);
    // Collecting goes on: a late reply is still evaluated, but it can no longer succeed.
    endWait(m_pendingCommand);
}

void ModuleProtocol::onVanished(const QString &errorText)
{
    const bool waiting = isWaiting();
    m_checkendtimer.stop();
    stopCollecting();
    m_fehlertimer.stop();
    raiseerror(errorText);
    // The wait ends here as it would by its time-out, but with the port's own text.
    if (waiting)
        endWait(m_pendingCommand);
}

void ModuleProtocol::endWait(quint8 command)
{
    m_progressText = m_errorText;
    m_pendingCommand = 0;
    if (!m_bootloader)
        emit failed(command, m_errorText);
    else if (command != 0)
        emit rowEnded(false, m_errorText);
}

void ModuleProtocol::raiseerror(const QString &locstring)
{
    emit beepRequested();
    m_waitFailed = true;
    m_errorText = locstring;
    m_linkState = LinkState::error;
}

// ---- Bootloader ----

void ModuleProtocol::ButTestTxClick()
{
    const auto refuse = [this](const QString &error) {
        raiseerror(error);
        // Whoever drives the rows learns of it, rather than waiting for a row that never went.
        emit rowEnded(false, m_errorText);
    };
    if (!setupport()) {
        refuse(LinkTexts::PortError);
        return;
    }
    discardInput();
    const AnnounceFrame frame = ButCalcTxClick();
    for (int i = 0; i < Boot::AnnounceLength; ++i)
        m_traces.M1.append(LinkTexts::FrameLine.arg(i).arg(frame[size_t(i)]));
    if (!TxOut(bytesOf(frame))) {
        emit rowEnded(false, m_errorText);
        return;
    }
    m_bootloader = true;
    RxStart(Boot::Announce);
}

AnnounceFrame ModuleProtocol::ButCalcTxClick()
{
    const AnnounceFrame frame = buildAnnounceFrame(m_row.address);
    m_traces.Mread.clear();
    for (int i = 0; i < Boot::AnnounceLength; ++i)
        m_traces.Mread.append(LinkTexts::AnnounceLine.arg(i).arg(frame[size_t(i)]));
    return frame;
}

void ModuleProtocol::BResetClick()
{
    if (!setupport()) {
        raiseerror(LinkTexts::PortError);
        return;
    }
    discardInput();
    // No wait: the bootloader restarts the module and answers nothing.
    TxOut(bytesOf(buildResetFrame()));
}

void ModuleProtocol::evaluateBootloaderReply()
{
    const quint8 pending = m_pendingCommand;
    const BootReplyVerdict verdict = judgeBootloaderReply(received(), pending);
    for (const QString &error : verdict.frameErrors)
        raiseerror(error);
    const bool inRow = pending == Boot::Announce || pending == Boot::RowData || pending == Boot::Finish;

    if (verdict.errorReply) {
        m_progressText = LinkTexts::ErrorMessage;
        m_traces.M1.clear();
        m_traces.M1.append(LinkTexts::ErrorReceived.arg(hex2(verdict.errorCode)));
        traceReceived(m_traces.M1);
        // The bootloader refused the frame: the row ends here, with its reason.
        if (verdict.frameErrors.isEmpty())
            raiseerror(LinkTexts::BootErrorReply.arg(hex2(verdict.errorCode)));
        if (inRow) {
            m_pendingCommand = 0;
            emit bootloaderRefused(verdict.errorCode);
            emit rowEnded(false, m_errorText);
        }
        return;
    }
    if (!inRow)
        return; // a late reply after a time-out: nothing is awaited any more
    if (!verdict.commandError.isEmpty())
        raiseerror(verdict.commandError);
    if (m_waitFailed) {
        m_progressText = m_errorText;
        m_pendingCommand = 0;
        emit rowEnded(false, m_errorText);
        return;
    }

    m_progressText = LinkTexts::Good;
    m_traces.M1.clear();
    switch (pending) {
    case Boot::Announce: {
        m_traces.M1.append(LinkTexts::CommandReceived);
        traceReceived(m_traces.M1);
        const RowDataFrame frame = buildRowDataFrame(m_row.data);
        for (int i = 0; i < Boot::RowDataLength; ++i)
            m_traces.TM.append(LinkTexts::RowFrameLine.arg(i).arg(frame[size_t(i)]));
        if (!TxOut(bytesOf(frame)))
            break;
        RxStart(Boot::RowData);
        return;
    }
    case Boot::RowData:
        m_traces.M1.append(LinkTexts::RowDataDone);
        m_traces.M1.append(LinkTexts::CommandReceived);
        traceReceived(m_traces.M1);
        m_finishFrame = buildFinishFrame(m_row.clearPage);
        for (int i = 0; i < 3; ++i)
            m_traces.M1.append(LinkTexts::RowFrameLine.arg(i).arg(m_finishFrame[size_t(i)]));
        if (!TxOut(bytesOf(m_finishFrame)))
            break;
        RxStart(Boot::Finish);
        return;
    default: // the finish frame's reply: the row is written
        m_linkState = LinkState::ok;
        m_traces.M1.append(LinkTexts::FinishDone);
        m_traces.M1.append(LinkTexts::CommandReceived);
        traceReceived(m_traces.M1);
        for (int i = 0; i < 3; ++i)
            m_traces.M1.append(LinkTexts::RowFrameLine.arg(i).arg(m_finishFrame[size_t(i)]));
        m_pendingCommand = 0;
        emit rowEnded(true, QString());
        return;
    }
    // The next frame did not reach the port.
    m_pendingCommand = 0;
    emit rowEnded(false, m_errorText);
}
