#include "core/workflow/FactoryRecord.h"


using Exchange::Action;
using Exchange::Event;

FactoryRecord::FactoryRecord(RequestEngine &engine, OperationTurn &turn, ConfigDocument &document,
                             const ProgrammingDate &date, QObject *parent)
    : ConfigExchange(engine, turn, document, date, parent)
{
}

void FactoryRecord::read()
{
    beginOperation();
    handle(Event::Read, {});
}

void FactoryRecord::write()
{
    handle(Event::Write, {});
}

void FactoryRecord::close()
{
    handle(Event::Close, {});
}

void FactoryRecord::handle(Event event, const ExchangeEventData &data)
{
    advance(m_step, Exchange::recordTransition(m_step, event), data, [this](Step step) { emit stepChanged(step); });
}

void FactoryRecord::finish(Action action, const ExchangeEventData &data)
{
    switch (action) {
    case Action::FinishRecordRead:
        emit readFinished(readResult(data.end, data.image, data.version));
        break;
    case Action::FinishRecordWrite:
        emit writeFinished({data.end, data.image, written()[Word::Counter]});
        break;
    case Action::FinishRecord:
        emit closed();
        break;
    default:
        break;
    }
}
