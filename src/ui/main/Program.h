#pragma once

#include "core/link/PortNames.h"

#include <QList>

#include <memory>

class Clock;
class QObject;
class TFabout;
class TFcal;
class TFdigout;
class TFRX;
class TFVelka;
class UserInteraction;

// Creates every window of the program once, in a fixed order, and wires them together.
// Only the main window is shown.
class Program
{
public:
    // `portNames` says which device each of "COM1".."COM4" is.
    Program(const Clock &clock, UserInteraction &ui, PortNameMapping portNames = systemPortName);
    ~Program();

    TFVelka *FVelka() const { return m_velka.get(); }
    TFcal *Fcal() const { return m_factory.get(); }
    TFRX *FRX() const { return m_link.get(); }
    TFabout *Fabout() const { return m_about.get(); }
    TFdigout *Fdigout() const { return m_editor.get(); }

    // The windows in the order they were created.
    QList<QObject *> windows() const { return m_order; }

private:
    std::unique_ptr<TFVelka> m_velka;
    std::unique_ptr<TFcal> m_factory;
    std::unique_ptr<TFRX> m_link;
    std::unique_ptr<TFabout> m_about;
    std::unique_ptr<TFdigout> m_editor;
    QList<QObject *> m_order;
};
