#pragma once

#include "core/workflow/ConfigExchange.h"

// The factory record: the module is read (the factory window shows what it read), then held
// for the window's writes, which ask nothing, read nothing first, stamp counter and date,
// are verified and never restart the module, until the window closes. Its decisions are
// Exchange::recordTransition().
class FactoryRecord : public ConfigExchange
{
    Q_OBJECT
public:
    using Step = Exchange::RecordStep;

    FactoryRecord(RequestEngine &engine, OperationTurn &turn, ConfigDocument &document, const ProgrammingDate &date,
                  QObject *parent = nullptr);

    Step step() const { return m_step; }
    bool isOpen() const { return m_step != Step::Idle && m_step != Step::Reading; }

    // Knocks and reads; readFinished() tells whether the window may open.
    void read();
    // The window's write of the record read.
    void write();
    // The window closed: a write under way stops where it is.
    void close();

signals:
    void stepChanged(FactoryRecord::Step step);
    void readFinished(const ReadResult &result);
    void writeFinished(const FactoryResult &result);
    // The record's operation is over: its window closed, or another operation took the module.
    void closed();

private:
    void handle(Exchange::Event event, const ExchangeEventData &data) override;
    void finish(Exchange::Action action, const ExchangeEventData &data) override;

    Step m_step = Step::Idle;
};
