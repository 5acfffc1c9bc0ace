#include "ui/main/ModuleExchange.h"

#include "core/session/ModuleSession.h"
#include "ui/common/InfoLog.h"
#include "ui/common/UserInteraction.h"
#include "ui/factory/TFcal.h"
#include "ui/main/CompareDialog.h"
#include "ui/main/ConfigView.h"
#include "ui/main/MainWindowTexts.h"

#include <QPushButton>
#include <QTimer>

ModuleExchange::ModuleExchange(ModuleSession &session, UserInteraction &ui, ConfigView &view, QWidget *parent)
    : QObject(parent)
    , m_session(session)
    , m_ui(ui)
    , m_view(view)
    , m_window(*parent)
{
    ConfigWorkflow &configuration = session.configuration();
    FactoryRecord &record = session.factoryRecord();
    connect(&configuration, &ConfigWorkflow::stepChanged, this, &ModuleExchange::showStep);
    connect(&record, &FactoryRecord::stepChanged, this, &ModuleExchange::showStep);
    connect(&configuration, &ConfigWorkflow::readFinished, this, [this](const ReadResult &result) {
        if (result.end.succeeded())
            m_view.showModuleData();
    });
    connect(&configuration, &ConfigWorkflow::compareFinished, this, [this](const CompareResult &result) {
        if (!result.end.succeeded())
            return;
        auto *dialog = new CompareDialog(result.differences, &m_window);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->open();
    });
    connect(&record, &FactoryRecord::readFinished, this, [this](const ReadResult &result) {
        if (!result.end.succeeded())
            return;
        m_view.showModuleData();
        // Opened once the read has been told to everyone, not from within its report.
        QTimer::singleShot(0, this, &ModuleExchange::openFactoryWindow);
    });
}

void ModuleExchange::showStep()
{
    // While the module is read or written the buttons wait; the read before a write leaves
    // them usable, and a factory record keeps them until its window closes.
    using Step = ConfigWorkflow::Step;
    const Step step = m_session.configuration().step();
    const FactoryRecord::Step record = m_session.factoryRecord().step();
    const bool recordFree = record == FactoryRecord::Step::Idle || record == FactoryRecord::Step::Closing;
    const bool usable = recordFree
        && (step == Step::Idle || step == Step::ReadingBeforeWrite || step == Step::PausingBeforeWrite);
    m_view.readButton()->setEnabled(usable);
    m_view.writeButton()->setEnabled(usable);
    m_view.factoryButton()->setEnabled(recordFree);
}

void ModuleExchange::openFactoryWindow()
{
    if (m_factory && m_session.factoryRecord().isOpen())
        m_factory->exec();
}

void ModuleExchange::read()
{
    // A read asked for while the factory read runs is still the factory read.
    const bool factory = m_session.factoryRecord().step() == FactoryRecord::Step::Reading;
    if (!m_ui.confirm(factory ? MainTexts::AskFactoryRead : MainTexts::AskRead)) {
        if (!factory) {
            m_view.log()->showinfo(MainTexts::ReadCancelled, LogColour::Red, LogLayout::Framed);
            return;
        }
        // The factory record is declined; the read goes on as a plain one.
        m_view.log()->showinfo(MainTexts::FactoryCancelled, LogColour::Red, LogLayout::Framed);
        m_session.configuration().readConfiguration();
        return;
    }
    if (factory)
        m_session.factoryRecord().read();
    else
        m_session.configuration().readConfiguration();
}

void ModuleExchange::readFactoryRecord()
{
    m_view.factoryButton()->setEnabled(false);
    if (!m_ui.confirm(MainTexts::AskFactoryRead)) {
        m_view.log()->showinfo(MainTexts::FactoryCancelled, LogColour::Red, LogLayout::Framed);
        showStep();
        return;
    }
    m_session.factoryRecord().read();
}

void ModuleExchange::write()
{
    if (!m_ui.confirm(MainTexts::AskWrite)) {
        m_view.log()->showinfo(MainTexts::WriteCancelled, LogColour::Red, LogLayout::Framed);
        return;
    }
    m_session.configuration().writeConfiguration();
}

void ModuleExchange::compare()
{
    if (!m_ui.confirm(MainTexts::AskCompare)) {
        m_view.log()->showinfo(MainTexts::CompareCancelled, LogColour::Red, LogLayout::Framed);
        return;
    }
    m_session.configuration().compareWithModule();
}

void ModuleExchange::knockAndRead()
{
    m_session.configuration().knockAndRead();
}
