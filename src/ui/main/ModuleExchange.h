#pragma once

#include <QObject>

class ConfigDocument;
class ConfigView;
class ConfigWorkflow;
class RequestEngine;
class TFcal;
class UserInteraction;

// Reading and writing the module from the main window: the person is asked, then the
// workflow acts, and the read, write and factory buttons follow what it is doing.
class ModuleExchange : public QObject
{
    Q_OBJECT
public:
    ModuleExchange(ConfigDocument &document, ConfigWorkflow &workflow, RequestEngine &engine,
                   UserInteraction &ui, ConfigView &view, QObject *parent);

    // The factory window opens after a factory read; until it is attached no window opens.
    void setFactoryWindow(TFcal *factory) { m_factory = factory; }

    void read();
    void readFactoryRecord();
    void write();
    void knockAndRead();

private:
    void showStep();

    ConfigDocument &m_document;
    ConfigWorkflow &m_workflow;
    UserInteraction &m_ui;
    ConfigView &m_view;
    TFcal *m_factory = nullptr;
};
