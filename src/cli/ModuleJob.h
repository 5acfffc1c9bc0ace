#pragma once

#include "cli/CliOptions.h"
#include "cli/PortOutcome.h"
#include "cli/PortTarget.h"
#include "core/config/ConfigImage.h"
#include "core/workflow/ConfigDocument.h"
#include "core/workflow/ConfigWorkflow.h"
#include "core/workflow/UnattendedInteraction.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <memory>

class Channel;
class FirmwareUpdate;
class ModuleProtocol;

// One module on one port: its own line, protocol, document and workflow (or firmware update),
// driven exactly as the windows drive them, and one outcome at the end. Every wait has its
// time-out: the protocol's own, and an overall one for the whole command.
class ModuleJob : public QObject
{
    Q_OBJECT
public:
    struct Work
    {
        CliOptions::Command command = CliOptions::Command::Read;
        ConfigWords fileImage{}; // write, diff: the file's image after the display rules
        QString firmwarePath;    // firmware
        int firmwareRows = 0;    // firmware: rows to write, for the overall time-out
        QString outputFile;      // read
    };

    ModuleJob(const PortTarget &target, const Work &work, QObject *parent = nullptr);
    ~ModuleJob() override;

    void start();
    bool isDone() const { return m_done; }
    const PortOutcome &outcome() const { return m_outcome; }
    const PortTarget &target() const { return m_target; }

signals:
    // What the job is doing now, in a few words.
    void progress(const QString &text);
    void finished();

private:
    void startFirmware();
    void onStep(ConfigWorkflow::Step step);
    void onWorkflowFinished(ConfigWorkflow::Result result, const QString &detail);
    void readFinished();
    void diffFinished();
    void onFirmwareFinished(bool ok, const QString &detail);
    void onStartEnabled(bool enabled);
    void onWatchdog();
    void finish(int exitCode, const QString &message);
    void addModuleValues();

    PortTarget m_target;
    Work m_work;
    UnattendedInteraction m_interaction; // the command was confirmed as a whole before it began
    PortLine m_line;
    std::unique_ptr<ModuleProtocol> m_protocol;
    ConfigDocument m_document;
    std::unique_ptr<ConfigWorkflow> m_workflow;
    std::unique_ptr<FirmwareUpdate> m_update;
    QTimer m_watchdog;        // the whole command
    QTimer m_bootloaderWatch; // firmware: the bootloader's start window must come
    QElapsedTimer m_elapsed;
    PortOutcome m_outcome;
    bool m_transferStarted = false;
    bool m_done = false;
};
