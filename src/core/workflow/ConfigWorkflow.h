#pragma once

#include "core/workflow/ConfigExchange.h"

// Reading the module, comparing it with the configuration, and writing it with the read
// before, the verify read and the restart. Its decisions are Exchange::configTransition();
// it asks nothing (the window asks before it calls a verb) and every operation ends in one
// result.
class ConfigWorkflow : public ConfigExchange
{
    Q_OBJECT
public:
    using Step = Exchange::ConfigStep;

    ConfigWorkflow(RequestEngine &engine, OperationTurn &turn, ConfigDocument &document,
                   const ProgrammingDate &date, QObject *parent = nullptr);

    Step step() const { return m_step; }

    // The module's image becomes the configuration.
    void readConfiguration();
    // Reads the module and compares its image with the configuration, which stays as it is.
    void compareWithModule();
    // Writes the configuration, with the module's own words from a read first.
    void writeConfiguration();
    // Knocks and reads: a read when nothing runs, the knock again in a read under way.
    void knockAndRead();
    // Gives the operation under way up: nothing more is sent; it ends as cancelled.
    void abandon();

signals:
    void stepChanged(ConfigWorkflow::Step step);
    void readFinished(const ReadResult &result);
    void compareFinished(const CompareResult &result);
    void writeFinished(const WriteResult &result);

private:
    void start(Exchange::Event verb);
    void handle(Exchange::Event event, const ExchangeEventData &data) override;
    void finish(Exchange::Action action, const ExchangeEventData &data) override;

    Step m_step = Step::Idle;
};
