#pragma once

#include <QObject>

class ConfigDocument;
class ConfigView;
class ConfigWorkflow;
class RequestEngine;
class TFcal;
class UserInteraction;
class QWidget;

// Reading and writing the module from the main window: the person is asked, then the
// workflow acts, and the read, write and factory buttons follow what it is doing.
class ModuleExchange : public QObject
{
    Q_OBJECT
public:
    ModuleExchange(ConfigDocument &document, ConfigWorkflow &workflow, RequestEngine &engine,
                   UserInteraction &ui, ConfigView &view, QWidget *parent);

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
    void showComparison();

    ConfigDocument &m_document;
    ConfigWorkflow &m_workflow;
    UserInteraction &m_ui;
    ConfigView &m_view;
    QWidget &m_window;
    TFcal *m_factory = nullptr;
};
