#pragma once

#include <QObject>

class ConfigView;
class ModuleSession;
class TFcal;
class UserInteraction;
class QWidget;

// Reading and writing the module from the main window: the person is asked, then the
// session's workflows act. The read, write and factory buttons follow the workflows' steps,
// and nothing else enables or disables them.
class ModuleExchange : public QObject
{
    Q_OBJECT
public:
    ModuleExchange(ModuleSession &session, UserInteraction &ui, ConfigView &view, QWidget *parent);

    // The factory window opens after a factory read; until it is attached no window opens.
    void setFactoryWindow(TFcal *factory) { m_factory = factory; }

    void read();
    void readFactoryRecord();
    void write();
    // Reads the module without taking its image and shows where the window's differs.
    void compare();
    void knockAndRead();

private:
    void showStep();
    void openFactoryWindow();

    ModuleSession &m_session;
    UserInteraction &m_ui;
    ConfigView &m_view;
    QWidget &m_window;
    TFcal *m_factory = nullptr;
};
