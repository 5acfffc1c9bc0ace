#include "ui/main/Program.h"

#include "core/firmware/FirmwareUpdate.h"
#include "core/link/BootloaderSession.h"
#include "core/link/DeviceLink.h"
#include "core/workflow/ConfigDocument.h"
#include "core/workflow/ConfigWorkflow.h"
#include "core/workflow/RadioTest.h"
#include "ui/about/TFabout.h"
#include "ui/factory/TFcal.h"
#include "ui/firmware/TFhexfile.h"
#include "ui/main/TFVelka.h"
#include "ui/outputs/TFdigout.h"
#include "ui/radiotest/TFtest.h"

Program::Program(const Clock &clock, UserInteraction &ui, PortNameMapping portNames,
                 std::unique_ptr<AdapterBackend> adapters)
    : m_document(std::make_unique<ConfigDocument>())
    , m_link(std::make_unique<DeviceLink>(std::move(portNames), std::move(adapters)))
    , m_workflow(std::make_unique<ConfigWorkflow>(m_link->engine(), *m_document))
    , m_bootloader(std::make_unique<BootloaderSession>(m_link->engine()))
    , m_firmwareUpdate(std::make_unique<FirmwareUpdate>(*m_bootloader))
    , m_radioTest(std::make_unique<RadioTest>(m_link->engine(), clock))
{
    // The main window comes first; its creation touches no other window.
    m_velka = std::make_unique<TFVelka>(*m_document, *m_link, *m_workflow, clock, ui);
    m_factory = std::make_unique<TFcal>(*m_document, *m_workflow);
    m_firmware = std::make_unique<TFhexfile>(*m_firmwareUpdate, ui, clock);
    m_about = std::make_unique<TFabout>();
    m_radioTestWindow = std::make_unique<TFtest>(*m_radioTest);
    m_editor = std::make_unique<TFdigout>(*m_document);
    m_velka->attachWindows(m_factory.get(), m_firmware.get(), m_about.get(), m_radioTestWindow.get(),
                           m_editor.get());
    QObject::connect(m_radioTest.get(), &RadioTest::logged, m_velka.get(), &TFVelka::showinfo);
    // The main log tells of the radio test's failures and of the restarts it causes.
    QObject::connect(m_radioTest.get(), &RadioTest::exchangeEnded, m_workflow.get(),
                     &ConfigWorkflow::followUpExchange);
}

Program::~Program()
{
    // The other windows go first, the main window last, then what they observe.
    m_editor.reset();
    m_radioTestWindow.reset();
    m_about.reset();
    m_firmware.reset();
    m_factory.reset();
    m_velka.reset();
    m_radioTest.reset();
    m_firmwareUpdate.reset();
    m_bootloader.reset();
    m_workflow.reset();
    m_link.reset();
    m_document.reset();
}

QList<QObject *> Program::windows() const
{
    return {m_velka.get(), m_factory.get(), m_firmware.get(), m_about.get(), m_radioTestWindow.get(),
            m_editor.get()};
}
