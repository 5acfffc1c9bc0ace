#pragma once

#include "core/config/ConfigImage.h"
#include "core/config/SystemData.h"
#include "core/workflow/ConfigResults.h"
#include "core/workflow/ExchangeSteps.h"
#include "core/workflow/LogEntry.h"
#include "core/workflow/OperationTurn.h"
#include "core/workflow/WakeUp.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <array>

class ConfigDocument;
class PendingReply;
class RequestEngine;
struct ReplyOutcome;
struct Request;

// What an event brings with it: the image of an accepted read and its firmware version, the
// end of a failed request, the differences a verify found. It travels with the event and is
// kept by nobody.
struct ExchangeEventData
{
    OperationEnd end;
    ConfigWords image{};
    FirmwareVersion version{};
    QList<VerifyDifference> differences;
};

// What the configuration's workflows (the read/verify/write workflow and the factory record)
// have in common: they carry out the actions their transition table names. Only the outcome
// of the request an exchange awaits becomes an event; a reply judged after its time-out is
// traced by the link and, when no operation runs, told in the log once more, but it never
// reaches a table. The workflow keeps what its running operation needs: the module's own
// words for the write, the image written, the packed data frame.
class ConfigExchange : public QObject, public ModuleOperation
{
    Q_OBJECT
public:
    // `date`: the date every write stamps, kept by the one who owns the workflows.
    ConfigExchange(RequestEngine &engine, OperationTurn &turn, ConfigDocument &document, const ProgrammingDate &date,
                   QObject *parent = nullptr);
    ~ConfigExchange() override;

    bool isKnocking() const { return m_wakeUp.isRunning(); }
    bool isPauseDue() const { return m_pause.isActive(); }
    bool isAwaitingReply() const;

    // Another operation takes the module: the one under way ends as cancelled.
    void supersede() override;

signals:
    void logged(const LogEntry &entry);
    // A line for the diagnostic list.
    void diagnosticLine(const QString &line);
    // The image read has a wrong checksum.
    void beepRequested();

protected:
    // The event, in the workflow's own table.
    virtual void handle(Exchange::Event event, const ExchangeEventData &data) = 0;
    // One of the table's Finish actions: the workflow reports its result.
    virtual void finish(Exchange::Action action, const ExchangeEventData &data) = 0;

    void run(const Exchange::Actions &actions, const ExchangeEventData &data);
    // Takes `transition` from `step`. The turn is freed when the operation ends, before its
    // result is told (whoever hears it may start the next one); the new step is told once the
    // actions have run, as the window enables its buttons after the last report.
    template <class Step, class StepChanged>
    void advance(Step &step, const Exchange::Transition<Step> &transition, const ExchangeEventData &data,
                 StepChanged stepChanged)
    {
        const Step before = step;
        step = transition.next;
        if (before != Step::Idle && transition.next == Step::Idle)
            endOperation();
        run(transition.actions, data);
        if (step != before)
            stepChanged(step);
    }
    // Starts an operation: the one under way on the module ends first.
    void beginOperation() { m_turn.begin(*this); }
    void endOperation() { m_turn.end(*this); }
    const ConfigWords &written() const { return m_written; }
    FirmwareVersion readVersion() const { return m_readVersion; }
    ConfigDocument &document() { return m_document; }
    void log(LogKind kind, const QString &text, LogLayout layout) { emit logged({kind, text, layout}); }

private:
    void act(Exchange::Action action, const ExchangeEventData &data);
    void send(const Request &request);
    void onOutcome(PendingReply *reply, const ReplyOutcome &outcome);
    void onLateReply(const ReplyOutcome &outcome);
    int followUpMs() const;
    void reportChecksum(const ConfigWords &image, LogLayout successLayout, const QString &success);
    void checkVerify(const ExchangeEventData &data);

    RequestEngine &m_engine;
    OperationTurn &m_turn;
    ConfigDocument &m_document;
    const ProgrammingDate &m_date;
    WakeUp m_wakeUp;
    QTimer m_pause;
    QPointer<PendingReply> m_awaited;
    QElapsedTimer m_sinceDataFrame;
    ConfigWords m_moduleWords{}; // the module's own words (factory, calibration, counter)
    FirmwareVersion m_readVersion{};
    ConfigWords m_written{};
    std::array<quint8, PayloadBytes> m_payload{};
};
