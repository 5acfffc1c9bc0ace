#include "common/RunningProgram.h"

#include "core/link/DeviceLink.h"
#include "core/session/ModuleSession.h"
#include "ui/main/Program.h"
#include "ui/main/TFVelka.h"

#include <QTest>
#include <QTextEdit>

RunningProgram::RunningProgram() = default;

RunningProgram::~RunningProgram()
{
    // A failed check names only its condition; the main log tells what the program did.
    if (m_program && QTest::currentTestFailed()) {
        if (auto *log = control<QTextEdit>(QStringLiteral("MInfo")))
            qInfo().noquote() << "main log of the failed test:\n" + log->toPlainText();
    }
    m_program.reset();
    m_sim.reset();
    qunsetenv("VELKA_USB_ADAPTERS");
}

bool RunningProgram::start(QString *error, Module module)
{
    m_module = module;
    QString device;
    if (module != Module::None) {
        m_sim = std::make_unique<ModuleSimulator>();
        if (!m_sim->open(error))
            return false;
        QObject::connect(m_sim.get(), &ModuleSimulator::answered,
                         [this](quint8 request) { m_answered << request; });
        // A vanished terminal's name is soon given to another one, maybe of another test
        // program running beside this one: the program must not find a module there.
        QObject::connect(m_sim.get(), &ModuleSimulator::vanished, [this] { forgetDevice(); });
        device = m_sim->devicePath();
    }
    if (module == Module::Adapter) {
        qputenv("VELKA_USB_ADAPTERS", QByteArray(AdapterSerial) + '=' + device.toLocal8Bit());
        device.clear(); // no serial port leads anywhere
    }
    m_com1Device = device;
    // Asked at every open: a module that comes back on another terminal is found there.
    m_program = std::make_unique<Program>(clock, ui, [this](const QString &name) {
        return name == QLatin1String("COM1") && !m_com1Device.isEmpty() ? m_com1Device
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

void RunningProgram::forgetDevice()
{
    if (m_module == Module::Adapter)
        qputenv("VELKA_USB_ADAPTERS", QByteArray(AdapterSerial) + "=/nonexistent/" + AdapterSerial);
    else
        m_com1Device.clear();
}

bool RunningProgram::moduleBack(QString *error)
{
    if (!m_sim || !m_sim->open(error))
        return false;
    const QString device = m_sim->devicePath();
    if (m_module == Module::Adapter)
        qputenv("VELKA_USB_ADAPTERS", QByteArray(AdapterSerial) + '=' + device.toLocal8Bit());
    else
        m_com1Device = device;
    return true;
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

ModuleSession &RunningProgram::session()
{
    return m_program->session();
}

RequestEngine &RunningProgram::engine()
{
    return m_program->session().engine();
}

const LinkMonitor &RunningProgram::monitor()
{
    return m_program->session().monitor();
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
