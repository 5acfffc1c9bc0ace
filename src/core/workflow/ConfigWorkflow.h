#pragma once

#include "core/link/ModuleProtocol.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class ConfigDocument;
class UserInteraction;

// Reading the module, and writing it with the read before, the verify read and the restart,
// as a state machine driven by the protocol's outcomes. Each outcome is acted on in the
// follow-up, a short while after it arrived, as the module expects. It needs no window: it
// asks through UserInteraction and tells what happened by signals.
class ConfigWorkflow : public QObject
{
    Q_OBJECT
public:
    enum class Step {
        Idle,
        Reading,            // knock and read, then show the module's image
        FactoryReading,     // the same, then open the factory data window
        ReadingBeforeWrite, // knock and read: the module's own words for the write
        Writing,            // write request, data frame and its acknowledgement
        Verifying,          // read back and compare
        Restarting,         // after a good verify
        FactoryWriting,     // a write from the factory data window: no restart after it
        FactoryVerifying,
    };
    Q_ENUM(Step)

    // How an operation ended.
    enum class Result {
        Read,                // a read (or the factory read) took the module's image
        Written,             // a write was verified (and the module restarted)
        VerifyMismatch,      // the module holds other words than were written
        CommunicationFailed, // no valid reply: time-out, faulty frame, port gone
    };
    Q_ENUM(Result)

    ConfigWorkflow(ModuleProtocol &link, ConfigDocument &document, UserInteraction &ui,
                   QObject *parent = nullptr);

    Step step() const { return m_step; }
    bool isKnocking() const { return m_praetimer.isActive(); }
    bool isFollowUpDue() const { return m_getbacktimer.isActive(); }

    void ButReadClick();
    // The factory button: a read that opens the factory data window.
    void ButCalClick();
    void ButWriteClick();
    void BklopfClick();
    void NowWrite();

    // The factory data window: while it is open and idle the link is held; its write asks
    // nothing and reads nothing first (the image was read when it opened).
    void factoryWindowShown();
    void factoryWrite();
    void factoryWindowClosed();

signals:
    // A report for the information log: text, colour and option bits.
    void logged(const QString &text, int colour, int option);
    // "Gerät auslesen" and "Gerät programmieren" usable or not.
    void readWriteEnabled(bool enabled);
    void factoryButtonEnabled(bool enabled);
    // A line for the diagnostic list.
    void diagnosticLine(const QString &line);
    void beep();
    // A read succeeded: the module's system data are known.
    void moduleDataKnown();
    // The factory read succeeded: the factory data window opens (modally).
    void factoryWindowRequested();
    // A factory write was verified.
    void factoryDataStored();
    void stepChanged(ConfigWorkflow::Step step);
    // An operation ended; `detail` holds the error text or the differing addresses.
    void finished(ConfigWorkflow::Result result, const QString &detail);

private:
    struct Outcome
    {
        bool ok = false;
        Reply reply;
        QString error;
    };

    void setStep(Step step);
    void startRead(bool factory);
    void praetimerTimer();
    void getbacktimerTimer();
    void onReplied(const Reply &reply);
    void onRejected(quint8 command, const QString &errorText);
    void onFailed(quint8 command, const QString &errorText);
    void followUp(const Outcome &outcome, int intervalMs);

    void readDone(const ConfigWords &readBack);
    void verifyDone(const ConfigWords &readBack);
    void dataWritten();
    void restarted();
    void communicationError(const QString &errorText);
    void reportChecksum(const ConfigWords &image, int greenOption, const QString &success);
    void log(const QString &text, int colour, int option) { emit logged(text, colour, option); }

    ModuleProtocol &m_link;
    ConfigDocument &m_document;
    UserInteraction &m_ui;
    Step m_step = Step::Idle;
    int m_knockCount = 0;
    QTimer m_praetimer;    // 40 ms between the wake-up bursts
    QTimer m_getbacktimer; // the follow-up of an outcome
    Outcome m_outcome;     // what the follow-up acts on
    QElapsedTimer m_sinceDataFrame;
};
