#include "core/link/LinkMonitor.h"

#include "core/link/Frames.h"
#include "core/link/LinkTexts.h"
#include "core/link/RequestEngine.h"

LinkMonitor::LinkMonitor(RequestEngine &engine, QObject *parent)
    : QObject(parent)
{
    connect(&engine, &RequestEngine::plainSent, this, &LinkMonitor::onPlainSent);
    connect(&engine, &RequestEngine::requestStarted, this, &LinkMonitor::onRequestStarted);
    connect(&engine, &RequestEngine::replyJudged, this, &LinkMonitor::onReplyJudged);
    connect(&engine, &RequestEngine::errorRecorded, this, &LinkMonitor::onError);
    connect(&engine, &RequestEngine::waitFailed, this, [this](const QString &text) { m_progressText = text; });
}

void LinkMonitor::traceFrame(TraceMemo &memo, const QString &line, const QByteArray &frame, int count)
{
    for (int i = 0; i < count && i < frame.size(); ++i)
        memo.append(line.arg(i).arg(quint8(frame[i])));
}

void LinkMonitor::traceReceived(TraceMemo &memo, const JudgedReply &reply)
{
    for (size_t i = 0; i < reply.received.size(); ++i)
        memo.append(LinkTexts::RxLine.arg(i).arg(hex2(reply.received[i])));
}

void LinkMonitor::onPlainSent(const QByteArray &bytes)
{
    traceFrame(m_traces.TM, LinkTexts::TxLine, bytes, int(bytes.size()));
}

void LinkMonitor::onRequestStarted(const Request &request)
{
    const QByteArray &frame = request.frame;
    switch (request.command) {
    case Command::WriteData:
        m_traces.TM.append(LinkTexts::SendingData);
        break;
    case Boot::Announce:
        m_traces.Mread.clear();
        traceFrame(m_traces.Mread, LinkTexts::AnnounceLine, frame, Boot::AnnounceLength);
        traceFrame(m_traces.M1, LinkTexts::FrameLine, frame, Boot::AnnounceLength);
        break;
    case Boot::RowData:
        traceFrame(m_traces.TM, LinkTexts::RowFrameLine, frame, Boot::RowDataLength);
        break;
    case Boot::Finish:
        traceFrame(m_traces.M1, LinkTexts::RowFrameLine, frame, 3);
        break;
    case Boot::Reset:
        break;
    default: // the application's requests
        m_traces.Mread.clear();
        traceFrame(m_traces.M1, LinkTexts::FrameLine, frame, Frame::RequestLength);
        // Entering the bootloader is announced, also when the module then does not answer.
        if (request.command == Command::Boot)
            emit beepRequested();
        break;
    }
    if (request.awaitsReply) {
        m_progressText = LinkTexts::Running;
        m_linkState = LinkState::active;
    }
}

void LinkMonitor::onReplyJudged(const JudgedReply &reply)
{
    m_traces.TM.append(LinkTexts::DataReceived);
    traceReceived(m_traces.TM, reply);
    if (reply.application)
        onApplicationReply(reply);
    else
        onBootloaderReply(reply);
}

void LinkMonitor::onApplicationReply(const JudgedReply &reply)
{
    const ReplyVerdict &verdict = *reply.application;
    const ReplyCheck &check = verdict.check;
    m_traces.TM.append(LinkTexts::ReceivedChecksum.arg(hex2(check.received >> 8), hex2(check.received)));
    m_traces.TM.append(LinkTexts::ComputedChecksum.arg(hex2(check.computed >> 8), hex2(check.computed)));
    if (!verdict.valid)
        return;
    m_progressText = LinkTexts::Done;
    if (!verdict.accepted)
        return;
    switch (reply.pending) {
    case Command::Reset: m_traces.MC.append(LinkTexts::ResetSeen); break;
    case Command::Boot: m_traces.MC.append(LinkTexts::BootSeen); break;
    case Command::Carrier: m_traces.MC.append(LinkTexts::CarrierSeen); break;
    case Command::Rssi: m_traces.MC.append(LinkTexts::RssiSeen); break;
    default: break;
    }
}

void LinkMonitor::onBootloaderReply(const JudgedReply &reply)
{
    const BootReplyVerdict &verdict = *reply.bootloader;
    if (verdict.errorReply) {
        m_progressText = LinkTexts::ErrorMessage;
        m_traces.M1.clear();
        m_traces.M1.append(LinkTexts::ErrorReceived.arg(hex2(verdict.errorCode)));
        traceReceived(m_traces.M1, reply);
        return;
    }
    const quint8 pending = reply.pending;
    if (pending != Boot::Announce && pending != Boot::RowData && pending != Boot::Finish)
        return; // a late reply: nothing is awaited any more
    if (!verdict.accepted) {
        m_progressText = m_errorText;
        return;
    }
    m_progressText = LinkTexts::Good;
    m_traces.M1.clear();
    if (pending == Boot::RowData)
        m_traces.M1.append(LinkTexts::RowDataDone);
    if (pending == Boot::Finish) {
        m_linkState = LinkState::ok;
        m_traces.M1.append(LinkTexts::FinishDone);
    }
    m_traces.M1.append(LinkTexts::CommandReceived);
    traceReceived(m_traces.M1, reply);
    if (pending == Boot::Finish)
        traceFrame(m_traces.M1, LinkTexts::RowFrameLine, reply.request.frame, 3);
}

void LinkMonitor::onError(const QString &text)
{
    emit beepRequested();
    m_errorText = text;
    m_linkState = LinkState::error;
}
