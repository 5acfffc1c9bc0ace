#pragma once

#include "core/link/TraceMemo.h"

#include <QObject>
#include <QString>

class RequestEngine;
struct JudgedReply;
struct Request;

// The state of the current reply wait; none before the first request.
enum class LinkState { none, active, ok, error };

// What the link writes down about its traffic; nothing in the program shows it, a service
// technician reads it in the debugger and the tests read it.
struct LinkTraces
{
    TraceMemo TM{QStringLiteral("TM")};       // plain sends, received bytes, checksums
    TraceMemo M1{QStringLiteral("M1")};       // request frames, bootloader replies
    TraceMemo MC{QStringLiteral("MC")};       // recognised commands
    TraceMemo Mread{QStringLiteral("Mread")}; // announce frames
};

// Watches the request engine and keeps what the never-shown service window kept: the traces,
// the state and progress text of the current wait and the last error. Every error beeps.
class LinkMonitor : public QObject
{
    Q_OBJECT
public:
    explicit LinkMonitor(RequestEngine &engine, QObject *parent = nullptr);

    const LinkTraces &traces() const { return m_traces; }
    LinkState linkState() const { return m_linkState; }
    // "Übertragung läuft", "...fertig", "gut", "error-message" or the error text.
    QString progressText() const { return m_progressText; }
    QString errorText() const { return m_errorText; }

    // An error of the link found outside a request: a port that cannot be opened under the
    // name chosen for it.
    void noteError(const QString &text) { onError(text); }

signals:
    void beepRequested();

private:
    void onPlainSent(const QByteArray &bytes);
    void onRequestStarted(const Request &request);
    void onReplyJudged(const JudgedReply &reply);
    void onApplicationReply(const JudgedReply &reply);
    void onBootloaderReply(const JudgedReply &reply);
    void onError(const QString &text);
    void traceFrame(TraceMemo &memo, const QString &line, const QByteArray &frame, int count);
    void traceReceived(TraceMemo &memo, const JudgedReply &reply);

    LinkTraces m_traces;
    LinkState m_linkState = LinkState::none;
    QString m_progressText;
    QString m_errorText;
};
