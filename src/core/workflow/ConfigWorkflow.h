#pragma once

#include "core/config/ConfigImage.h"
#include "core/link/ReplyOutcome.h"
#include "core/workflow/LogEntry.h"
#include "core/workflow/WakeUp.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <array>

class ConfigDocument;
class PendingReply;
class RequestEngine;
struct Request;

// Reading the module, and writing it with the read before, the verify read and the restart,
// as a state machine driven by the outcomes of its own requests. Each outcome is acted on in
// the follow-up, a short while after it arrived, as the module expects. It asks nothing: the
// window asks before it calls a verb. Steps and results leave as values.
class ConfigWorkflow : public QObject
{
    Q_OBJECT
public:
    enum class Step {
        Idle,
        Reading,            // knock and read, then take the module's image
        FactoryReading,     // the same, for the factory record
        ReadingToCompare,   // knock and read, the document left as it is
        ReadingBeforeWrite, // knock and read: the module's own words for the write
        Writing,            // write request, data frame and its acknowledgement
        Verifying,          // read back and compare
        Restarting,         // after a good verify
        FactoryWriting,     // the factory record: no read before it, no restart after it
        FactoryVerifying,
        FactoryWritten,     // verified; the factory window holds the link until it closes
    };
    Q_ENUM(Step)

    enum class Result {
        Read,                // a read took the module's image
        FactoryRead,         // the same for the factory record: it may be written now
        ReadToCompare,       // a read for a comparison: moduleImage() holds what the module has
        Written,             // a write was verified and the module restarted
        FactoryWritten,      // the factory record was written and verified
        VerifyMismatch,      // the module holds other words than were written
        CommunicationFailed, // no valid reply: time-out, faulty frame, port gone
    };
    Q_ENUM(Result)

    ConfigWorkflow(RequestEngine &engine, ConfigDocument &document, QObject *parent = nullptr);

    Step step() const { return m_step; }
    bool isKnocking() const { return m_wakeUp.isRunning(); }
    bool isFollowUpDue() const { return m_followUp.isActive(); }
    // The firmware version the module sent with its last read reply (two BCD bytes).
    std::array<quint8, 2> moduleVersion() const { return m_moduleVersion; }
    // The image the last read for a comparison brought.
    const ConfigWords &moduleImage() const { return m_moduleImage; }

    void readConfiguration();
    void readForFactoryRecord();
    // Knocks and reads as readConfiguration() does, but keeps the module's image apart: the
    // document, its output table and its files stay as they are.
    void readToCompare();
    // The factory read's question was declined: a read under way is a plain read now.
    void dropFactoryRead();
    void writeConfiguration();
    // Knocks and reads in whatever step the workflow is.
    void knockAndRead();
    // The factory window's write: the image read when the window opened, stamped and verified.
    void writeFactoryRecord();
    // The factory window closed: a write under way takes no reply any more.
    void endFactoryRecord();
    // Gives the operation under way up: nothing more is sent, nothing more reported.
    void abandon();
    // An exchange another window started: its failure, and the restart it caused, are told
    // in the log as the workflow's own are.
    void followUpExchange(const ReplyOutcome &outcome);

signals:
    void logged(const LogEntry &entry);
    // A line for the diagnostic list.
    void diagnosticLine(const QString &line);
    // The image read has a wrong checksum.
    void beepRequested();
    void stepChanged(ConfigWorkflow::Step step);
    // An operation ended; `detail` holds the error text or the differing addresses.
    void finished(ConfigWorkflow::Result result, const QString &detail);

private:
    void setStep(Step step);
    void send(const Request &request);
    void onOutcome(const ReplyOutcome &outcome);
    int acceptedFollowUpMs() const;
    void scheduleFollowUp(const ReplyOutcome &outcome, int intervalMs);
    void followUp();
    void write();
    void readDone(const ConfigWords &readBack);
    void readToCompareDone(const ConfigWords &readBack);
    void verifyDone(const ConfigWords &readBack);
    void dataWritten();
    void restarted();
    void communicationError(const QString &errorText);
    void reportChecksum(const ConfigWords &image, LogLayout successLayout, const QString &success);
    void log(LogKind kind, const QString &text, LogLayout layout) { emit logged({kind, text, layout}); }

    RequestEngine &m_engine;
    ConfigDocument &m_document;
    Step m_step = Step::Idle;
    WakeUp m_wakeUp;
    QTimer m_followUp;      // the follow-up of an outcome
    ReplyOutcome m_outcome; // what the follow-up acts on
    QPointer<PendingReply> m_reply;
    std::array<quint8, PayloadBytes> m_payload{}; // the write's data frame
    QElapsedTimer m_sinceDataFrame;
    std::array<quint8, 2> m_moduleVersion{};
    ConfigWords m_moduleImage{};
};
