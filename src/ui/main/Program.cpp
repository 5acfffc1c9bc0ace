#include "ui/main/Program.h"

#include "core/link/DeviceLink.h"
#include "core/session/ModuleSession.h"
#include "ui/about/TFabout.h"
#include "ui/factory/TFcal.h"
#include "ui/firmware/TFhexfile.h"
#include "ui/main/TFVelka.h"
#include "ui/outputs/TFdigout.h"
#include "ui/radiotest/TFtest.h"

Program::Program(const Clock &clock, UserInteraction &ui, PortNameMapping portNames,
                 std::unique_ptr<AdapterBackend> adapters)
    : m_link(std::make_unique<DeviceLink>(std::move(portNames), std::move(adapters)))
    , m_session(std::make_unique<ModuleSession>(m_link->channel(), clock))
{
    followLink(*m_session, *m_link);
    // The main window comes first; its creation touches no other window.
    m_velka = std::make_unique<TFVelka>(*m_session, *m_link, clock, ui);
    m_factory = std::make_unique<TFcal>(*m_session);
    m_firmware = std::make_unique<TFhexfile>(m_session->firmwareUpdate(), ui, clock);
    m_about = std::make_unique<TFabout>();
    m_radioTestWindow = std::make_unique<TFtest>(m_session->radioTest());
    m_editor = std::make_unique<TFdigout>(m_session->document());
    m_velka->attachWindows(m_factory.get(), m_firmware.get(), m_about.get(), m_radioTestWindow.get(),
                           m_editor.get());
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
    m_session.reset();
    m_link.reset();
}

ConfigDocument &Program::document() const { return m_session->document(); }
ConfigWorkflow &Program::workflow() const { return m_session->configuration(); }
FactoryRecord &Program::factoryRecord() const { return m_session->factoryRecord(); }
BootloaderSession &Program::bootloader() const { return m_session->bootloader(); }
FirmwareUpdate &Program::firmwareUpdate() const { return m_session->firmwareUpdate(); }
RadioTest &Program::radioTest() const { return m_session->radioTest(); }

QList<QObject *> Program::windows() const
{
    return {m_velka.get(), m_factory.get(), m_firmware.get(), m_about.get(), m_radioTestWindow.get(),
            m_editor.get()};
}
