#pragma once

#include "ModuleSimulator.h"
#include "common/TestSupport.h"

#include <QObject>
#include <QString>

#include <memory>

class ConfigDocument;
class ConfigWorkflow;
class LinkMonitor;
class ModuleSession;
class RequestEngine;
class Program;
class TFVelka;

// The whole program, its main window shown, with a scripted person in front of it and a
// clock that shows what the test sets. With a module, COM1 leads to the simulated module on a
// real pseudo-terminal, in the test's event loop; the other ports (and without a module, all
// four) lead nowhere, so no test depends on the serial ports of the machine it runs on.
class RunningProgram
{
public:
    RunningProgram();
    ~RunningProgram();

    // Simulated: behind COM1. Adapter: behind the maker's USB adapter "QVK00042" (through
    // VELKA_USB_ADAPTERS), with no serial port at all. None: nothing.
    enum class Module { Simulated, Adapter, None };
    static constexpr const char *AdapterSerial = "QVK00042";
    // Opens the module's line, creates the program, shows the main window and waits until
    // the window (and with a module, the link) has started. False (with `error`) when
    // something did not.
    bool start(QString *error, Module module = Module::Simulated);
    // The module comes back after it vanished: on a new pseudo-terminal, which COM1 (or the
    // adapter, as on start()) leads to from now on.
    bool moduleBack(QString *error = nullptr);

    FakeClock clock;
    ScriptedUserInteraction ui;

    ModuleSimulator &sim() { return *m_sim; }
    Program &program() { return *m_program; }
    TFVelka &window();
    ConfigDocument &document();
    ConfigWorkflow &workflow();
    ModuleSession &session();
    RequestEngine &engine();
    const LinkMonitor &monitor();

    // A control of the main window, by its objectName.
    template <class T>
    T *control(const QString &name)
    {
        return mainWindow()->findChild<T *>(name);
    }

    // The main log's lines written since the start-up report, with their colours (none for
    // an empty line).
    QList<QPair<QString, QColor>> newLogLines();
    bool logContains(const QString &text);
    // Restart requests the module answered.
    int restarts() const;

private:
    QObject *mainWindow();
    void forgetDevice();

    std::unique_ptr<ModuleSimulator> m_sim;
    std::unique_ptr<Program> m_program;
    Module m_module = Module::None;
    QString m_com1Device; // where COM1 leads; nowhere when empty
    QList<quint8> m_answered;
};
