#include "app/Program.h"

#include "about/TFabout.h"
#include "app/TFVelka.h"
#include "link/TFRX.h"

Program::Program(const Clock &clock, UserInteraction &ui)
{
    // The main window comes first; its creation touches no other window.
    m_velka = std::make_unique<TFVelka>(clock, ui);
    m_order << m_velka.get();
    m_link = std::make_unique<TFRX>();
    m_order << m_link.get();
    m_about = std::make_unique<TFabout>();
    m_order << m_about.get();

    m_velka->attachWindows(m_link.get(), m_about.get());
}

Program::~Program()
{
    // The other windows go first, the main window last.
    m_about.reset();
    m_link.reset();
    m_velka.reset();
}
