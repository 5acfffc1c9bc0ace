#pragma once

#include <QList>

#include <memory>

class Clock;
class QObject;
class TFabout;
class TFdigout;
class TFRX;
class TFVelka;
class UserInteraction;

// Creates every window of the program once, in a fixed order, and wires them together.
// Only the main window is shown.
class Program
{
public:
    Program(const Clock &clock, UserInteraction &ui);
    ~Program();

    TFVelka *FVelka() const { return m_velka.get(); }
    TFRX *FRX() const { return m_link.get(); }
    TFabout *Fabout() const { return m_about.get(); }
    TFdigout *Fdigout() const { return m_editor.get(); }

    // The windows in the order they were created.
    QList<QObject *> windows() const { return m_order; }

private:
    std::unique_ptr<TFVelka> m_velka;
    std::unique_ptr<TFRX> m_link;
    std::unique_ptr<TFabout> m_about;
    std::unique_ptr<TFdigout> m_editor;
    QList<QObject *> m_order;
};
