#include "ui/main/ModuleExchange.h"

#include "core/link/RequestEngine.h"
#include "core/workflow/ConfigDocument.h"
#include "core/workflow/ConfigWorkflow.h"
#include "core/workflow/UserInteraction.h"
#include "ui/common/InfoLog.h"
#include "ui/factory/TFcal.h"
#include "ui/main/CompareDialog.h"
#include "ui/main/ConfigView.h"
#include "ui/main/MainWindowTexts.h"

#include <QPushButton>

ModuleExchange::ModuleExchange(ConfigDocument &document, ConfigWorkflow &workflow, RequestEngine &engine,
                               UserInteraction &ui, ConfigView &view, QWidget *parent)
    : QObject(parent)
    , m_document(document)
    , m_workflow(workflow)
    , m_ui(ui)
    , m_view(view)
    , m_window(*parent)
{
    connect(&m_workflow, &ConfigWorkflow::stepChanged, this, &ModuleExchange::showStep);
    connect(&m_workflow, &ConfigWorkflow::finished, this, [this](ConfigWorkflow::Result result) {
        switch (result) {
        case ConfigWorkflow::Result::Read:
            m_view.showModuleData();
            break;
        case ConfigWorkflow::Result::ReadToCompare:
            showComparison();
            break;
        case ConfigWorkflow::Result::FactoryRead:
            m_view.showModuleData();
            if (m_factory)
                m_factory->exec();
            // Closed: the factory record may be asked for again.
            m_view.factoryButton()->setEnabled(true);
            showStep();
            break;
        case ConfigWorkflow::Result::CommunicationFailed:
            // A factory read that failed frees its button; a failed write in the open
            // factory window leaves it to the window.
            if (!m_factory || !m_factory->isVisible())
                m_view.factoryButton()->setEnabled(true);
            break;
        default:
            break;
        }
    });
    // A send that did not reach the port: the buttons are usable again at once.
    connect(&engine, &RequestEngine::sendFailed, this, [this] {
        m_view.readButton()->setEnabled(true);
        m_view.writeButton()->setEnabled(true);
    });
}

void ModuleExchange::showStep()
{
    // While the module is read or written the buttons wait; the read before a write leaves
    // them usable, and a stored factory record keeps them until its window closes.
    const ConfigWorkflow::Step step = m_workflow.step();
    const bool usable = step == ConfigWorkflow::Step::Idle || step == ConfigWorkflow::Step::ReadingBeforeWrite;
    m_view.readButton()->setEnabled(usable);
    m_view.writeButton()->setEnabled(usable);
}

void ModuleExchange::read()
{
    // A read asked for while the factory read runs is still the factory read.
    const bool factory = m_workflow.step() == ConfigWorkflow::Step::FactoryReading;
    if (!m_ui.confirm(factory ? MainTexts::AskFactoryRead : MainTexts::AskRead)) {
        if (factory) {
            m_view.log()->showinfo(MainTexts::FactoryCancelled, LogColour::Red, LogLayout::Framed);
            m_workflow.dropFactoryRead();
            m_view.factoryButton()->setEnabled(true);
        } else {
            m_view.log()->showinfo(MainTexts::ReadCancelled, LogColour::Red, LogLayout::Framed);
        }
        return;
    }
    if (factory)
        m_workflow.readForFactoryRecord();
    else
        m_workflow.readConfiguration();
    showStep();
}

void ModuleExchange::readFactoryRecord()
{
    m_view.factoryButton()->setEnabled(false);
    if (!m_ui.confirm(MainTexts::AskFactoryRead)) {
        m_view.log()->showinfo(MainTexts::FactoryCancelled, LogColour::Red, LogLayout::Framed);
        m_workflow.dropFactoryRead();
        m_view.factoryButton()->setEnabled(true);
        return;
    }
    m_workflow.readForFactoryRecord();
    showStep();
}

void ModuleExchange::write()
{
    // The table goes into the image also when the person then declines.
    m_document.foldOutputs();
    if (!m_ui.confirm(MainTexts::AskWrite)) {
        m_view.log()->showinfo(MainTexts::WriteCancelled, LogColour::Red, LogLayout::Framed);
        return;
    }
    // A factory read this write replaces will open no window: its button is free again.
    if (m_workflow.step() == ConfigWorkflow::Step::FactoryReading)
        m_view.factoryButton()->setEnabled(true);
    m_workflow.writeConfiguration();
}

void ModuleExchange::compare()
{
    if (!m_ui.confirm(MainTexts::AskRead)) {
        m_view.log()->showinfo(MainTexts::ReadCancelled, LogColour::Red, LogLayout::Framed);
        return;
    }
    m_workflow.readToCompare();
    showStep();
}

void ModuleExchange::showComparison()
{
    // What a write would send: the output table folded in, the rules applied (the document
    // applies them at every change).
    auto *dialog = new CompareDialog(compareImages(m_document.foldedImage(), m_workflow.moduleImage()), &m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void ModuleExchange::knockAndRead()
{
    m_workflow.knockAndRead();
}
