#pragma once

#include "ModuleSimulator.h"
#include "common/TestSupport.h"

#include <QObject>
#include <QString>

#include <memory>

class ConfigDocument;
class ConfigWorkflow;
class ModuleProtocol;
class Program;
class TFVelka;

// The whole program with the simulated module behind COM1 on a real pseudo-terminal, both in
// the test's event loop; COM2..COM4 lead nowhere. The tests that drive the program end to end
// share it.
class SimulatedProgram
{
public:
    SimulatedProgram();
    ~SimulatedProgram();

    // Opens the module's line, creates the program, shows the main window and waits until
    // the window and the link have started. False (with `error`) when something did not.
    bool start(QString *error);

    FakeClock clock;
    ScriptedUserInteraction ui;

    ModuleSimulator &sim() { return *m_sim; }
    Program &program() { return *m_program; }
    TFVelka &window();
    ConfigDocument &document();
    ConfigWorkflow &workflow();
    ModuleProtocol &protocol();

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

    std::unique_ptr<ModuleSimulator> m_sim;
    std::unique_ptr<Program> m_program;
    QList<quint8> m_answered;
};
