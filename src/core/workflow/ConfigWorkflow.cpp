#include "core/workflow/ConfigWorkflow.h"

#include "core/workflow/ConfigDocument.h"

using Exchange::Action;
using Exchange::Event;

ConfigWorkflow::ConfigWorkflow(RequestEngine &engine, OperationTurn &turn, ConfigDocument &document,
                               const ProgrammingDate &date, QObject *parent)
    : ConfigExchange(engine, turn, document, date, parent)
{
}

void ConfigWorkflow::start(Event verb)
{
    beginOperation();
    handle(verb, {});
}

void ConfigWorkflow::readConfiguration()
{
    start(Event::Read);
}

void ConfigWorkflow::compareWithModule()
{
    start(Event::Compare);
}

void ConfigWorkflow::writeConfiguration()
{
    start(Event::Write);
}

void ConfigWorkflow::knockAndRead()
{
    if (m_step == Step::Idle)
        beginOperation();
    handle(Event::Knock, {});
}

void ConfigWorkflow::abandon()
{
    supersede();
}

void ConfigWorkflow::handle(Event event, const ExchangeEventData &data)
{
    advance(m_step, Exchange::configTransition(m_step, event), data, [this](Step step) { emit stepChanged(step); });
}

void ConfigWorkflow::finish(Action action, const ExchangeEventData &data)
{
    switch (action) {
    case Action::FinishRead:
        emit readFinished(readResult(data.end, data.image, data.version));
        break;
    case Action::FinishCompare:
        emit compareFinished({data.end, data.image,
                              data.end.succeeded() ? compareImages(document().configImage(), data.image)
                                                   : QList<WordDifference>{},
                              data.version});
        break;
    case Action::FinishWrite:
        emit writeFinished({data.end, written(), data.differences, readVersion()});
        break;
    default:
        break;
    }
}
