#include "ui/main/Program.h"

#include "ui/about/TFabout.h"
#include "ui/main/TFVelka.h"
#include "ui/factory/TFcal.h"
#include "core/link/TFRX.h"
#include "ui/outputs/TFdigout.h"

Program::Program(const Clock &clock, UserInteraction &ui, PortNameMapping portNames)
{
    // The main window comes first; its creation touches no other window.
    m_velka = std::make_unique<TFVelka>(clock, ui);
    m_order << m_velka.get();
    m_factory = std::make_unique<TFcal>();
    m_order << m_factory.get();
    m_link = std::make_unique<TFRX>();
    m_link->setPortNameMapping(std::move(portNames));
    m_order << m_link.get();
    m_about = std::make_unique<TFabout>();
    m_order << m_about.get();
    TFVelka *velka = m_velka.get();
    m_editor = std::make_unique<TFdigout>(velka->DigTab, velka->OutNr, [velka] { velka->showdigTab(); });
    m_order << m_editor.get();

    velka->attachWindows(m_factory.get(), m_link.get(), m_about.get(), m_editor.get());
}

Program::~Program()
{
    // The other windows go first, the main window last.
    m_editor.reset();
    m_about.reset();
    m_link.reset();
    m_factory.reset();
    m_velka.reset();
}
