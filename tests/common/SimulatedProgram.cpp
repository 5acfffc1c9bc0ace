#include "common/SimulatedProgram.h"

#include "core/link/DeviceLink.h"
#include "ui/main/Program.h"
#include "ui/main/TFVelka.h"

#include <QTest>
#include <QTextEdit>

SimulatedProgram::SimulatedProgram() = default;

SimulatedProgram::~SimulatedProgram()
{
    m_program.reset();
    m_sim.reset();
}

bool SimulatedProgram::start(QString *error)
{
    m_sim = std::make_unique<ModuleSimulator>();
    if (!m_sim->open(error))
        return false;
    QObject::connect(m_sim.get(), &ModuleSimulator::answered,
                     [this](quint8 request) { m_answered << request; });
    const QString device = m_sim->devicePath();
    m_program = std::make_unique<Program>(clock, ui, [device](const QString &name) {
        return name == QLatin1String("COM1") ? device : QStringLiteral("/nonexistent/") + name;
    });
    window().show();
    // The first activation fills the window; 100 ms later the link probes its ports.
    const bool started = QTest::qWaitFor([this] {
        return window().firstActivationDone() && !m_program->link().ports().isStarting();
    });
    if (!started && error)
        *error = QStringLiteral("the program did not start");
    return started;
}

TFVelka &SimulatedProgram::window()
{
    return *m_program->FVelka();
}

QObject *SimulatedProgram::mainWindow()
{
    return m_program->FVelka();
}

ConfigDocument &SimulatedProgram::document()
{
    return m_program->document();
}

ConfigWorkflow &SimulatedProgram::workflow()
{
    return m_program->workflow();
}

ModuleProtocol &SimulatedProgram::protocol()
{
    return m_program->link().protocol();
}

QList<QPair<QString, QColor>> SimulatedProgram::newLogLines()
{
    QList<QPair<QString, QColor>> lines;
    const QList<LogLine> all = logLines(control<QTextEdit>(QStringLiteral("MInfo")));
    for (qsizetype i = 3; i < all.size(); ++i) // after " -time-", "Programmstart", ""
        lines << qMakePair(all[i].text, all[i].text.isEmpty() ? QColor() : all[i].colour);
    return lines;
}

bool SimulatedProgram::logContains(const QString &text)
{
    return control<QTextEdit>(QStringLiteral("MInfo"))->toPlainText().split(QLatin1Char('\n')).contains(text);
}

int SimulatedProgram::restarts() const
{
    return int(m_answered.count('Q'));
}
