#include "common/RunningProgram.h"

#include "core/link/DeviceLink.h"
#include "ui/main/Program.h"
#include "ui/main/TFVelka.h"

#include <QTest>
#include <QTextEdit>

RunningProgram::RunningProgram() = default;

RunningProgram::~RunningProgram()
{
    m_program.reset();
    m_sim.reset();
    qunsetenv("VELKA_USB_ADAPTERS");
}

bool RunningProgram::start(QString *error, Module module)
{
    QString device;
    if (module != Module::None) {
        m_sim = std::make_unique<ModuleSimulator>();
        if (!m_sim->open(error))
            return false;
        QObject::connect(m_sim.get(), &ModuleSimulator::answered,
                         [this](quint8 request) { m_answered << request; });
        device = m_sim->devicePath();
    }
    if (module == Module::Adapter) {
        qputenv("VELKA_USB_ADAPTERS", QByteArray(AdapterSerial) + '=' + device.toLocal8Bit());
        device.clear(); // no serial port leads anywhere
    }
    m_program = std::make_unique<Program>(clock, ui, [device](const QString &name) {
        return name == QLatin1String("COM1") && !device.isEmpty() ? device
                                                                  : QStringLiteral("/nonexistent/") + name;
    });
    window().show();
    // The first activation fills the window; 100 ms later the link probes its ports.
    const bool started = QTest::qWaitFor([this, module] {
        return window().firstActivationDone()
            && (module == Module::None || !m_program->link().ports().isStarting());
    });
    if (!started && error)
        *error = QStringLiteral("the program did not start");
    return started;
}

TFVelka &RunningProgram::window()
{
    return *m_program->FVelka();
}

QObject *RunningProgram::mainWindow()
{
    return m_program->FVelka();
}

ConfigDocument &RunningProgram::document()
{
    return m_program->document();
}

ConfigWorkflow &RunningProgram::workflow()
{
    return m_program->workflow();
}

ModuleProtocol &RunningProgram::protocol()
{
    return m_program->link().protocol();
}

QList<QPair<QString, QColor>> RunningProgram::newLogLines()
{
    QList<QPair<QString, QColor>> lines;
    const QList<LogLine> all = logLines(control<QTextEdit>(QStringLiteral("MInfo")));
    for (qsizetype i = 3; i < all.size(); ++i) // after " -time-", "Programmstart", ""
        lines << qMakePair(all[i].text, all[i].text.isEmpty() ? QColor() : all[i].colour);
    return lines;
}

bool RunningProgram::logContains(const QString &text)
{
    return control<QTextEdit>(QStringLiteral("MInfo"))->toPlainText().split(QLatin1Char('\n')).contains(text);
}

int RunningProgram::restarts() const
{
    return int(m_answered.count('Q'));
}
