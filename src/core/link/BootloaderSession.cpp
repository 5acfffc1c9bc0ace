#include "core/link/BootloaderSession.h"

#include "core/link/LinkTexts.h"
#include "core/link/PendingReply.h"
#include "core/link/Request.h"
#include "core/link/RequestEngine.h"

namespace {
// The boot command is given up at the first look; its time-out never comes into play.
constexpr int BootTimeoutMs = 1000;
} // namespace

BootloaderSession::BootloaderSession(RequestEngine &engine, int rowTimeoutMs, QObject *parent)
    : QObject(parent)
    , m_engine(engine)
    , m_rowTimeoutMs(rowTimeoutMs)
{
    m_firstLook.setSingleShot(true);
    m_firstLook.setInterval(FirstLookMs);
    connect(&m_firstLook, &QTimer::timeout, this, &BootloaderSession::firstLook);
}

bool BootloaderSession::judgesWhenComplete() const
{
    return m_engine.replyTiming() == ReplyTiming::WhenComplete;
}

PendingReply *BootloaderSession::track(PendingReply *reply)
{
    m_reply = reply;
    return reply;
}

void BootloaderSession::enterBootloader()
{
    stop();
    m_answered = false;
    m_startWindow.clear();
    PendingReply *reply = track(m_engine.send(applicationRequest(Command::Boot, BootTimeoutMs)));
    connect(reply, &PendingReply::finished, this, &BootloaderSession::onBootReply);
    m_firstLook.start();
}

void BootloaderSession::onBootReply(const ReplyOutcome &outcome)
{
    if (outcome.kind == ReplyOutcome::Kind::Rejected)
        emit bootRejected(outcome.text);
    if (!outcome.accepted())
        return;
    m_answered = true;
    m_version[0] = outcome.byte2;
    m_version[1] = outcome.byte3;
    // A count that followed the reply at once is the start window's first.
    m_startWindow = outcome.following;
}

void BootloaderSession::firstLook()
{
    if (m_answered) {
        emit bootAnswered(m_version[0], m_version[1]);
    } else {
        // Whatever the module still sends is read as the start window from now on.
        if (m_reply)
            m_reply->abandon();
        emit bootUnanswered();
    }
    m_watching = true;
    m_engine.listen(this, [this](const QByteArray &bytes) { watch(bytes); });
    if (!m_startWindow.isEmpty())
        watch({});
}

void BootloaderSession::watch(const QByteArray &bytes)
{
    m_startWindow += bytes;
    // A count is two bytes, 0xFC and the count; anything else, and anything after the first
    // two bytes, is dropped.
    if (m_startWindow.size() < 2)
        return;
    const bool isCount = quint8(m_startWindow[0]) == Boot::Countdown;
    const int remaining = quint8(m_startWindow[1]);
    m_startWindow.clear();
    if (isCount)
        emit countdown(remaining);
}

void BootloaderSession::writeRow(const BootRow &row)
{
    m_firstLook.stop();
    m_watching = false;
    m_row = row;
    PendingReply *reply = track(m_engine.send(announceRowRequest(row.address, m_rowTimeoutMs)));
    connect(reply, &PendingReply::finished, this, &BootloaderSession::onRowReply);
}

void BootloaderSession::onRowReply(const ReplyOutcome &outcome)
{
    if (outcome.kind == ReplyOutcome::Kind::Abandoned)
        return;
    if (!outcome.accepted()) {
        // A refusal names the bootloader's code, whatever else was wrong with its frame.
        const QString reason = outcome.refusalCode >= 0
            ? LinkTexts::BootErrorReply.arg(hex2(outcome.refusalCode))
            : outcome.text;
        emit rowEnded(false, reason, outcome);
        return;
    }
    PendingReply *next = nullptr;
    switch (outcome.command) {
    case Boot::Announce:
        next = m_engine.send(rowDataRequest(m_row.data, m_rowTimeoutMs));
        break;
    case Boot::RowData:
        next = m_engine.send(finishRowRequest(m_row.erasePage, m_rowTimeoutMs));
        break;
    default:
        emit rowEnded(true, QString(), outcome);
        return;
    }
    connect(track(next), &PendingReply::finished, this, &BootloaderSession::onRowReply);
}

void BootloaderSession::leave()
{
    m_engine.send(bootloaderResetRequest());
}

void BootloaderSession::stop()
{
    m_firstLook.stop();
    if (m_watching)
        m_engine.stopListening();
    m_watching = false;
    if (m_reply)
        m_reply->abandon();
}
