#pragma once

#include "cli/CliOptions.h"
#include "cli/PortOutcome.h"
#include "cli/PortTarget.h"
#include "core/config/ConfigImage.h"
#include "core/workflow/Clock.h"
#include "core/workflow/ConfigWorkflow.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <memory>

class FirmwareFile;
class ModuleSession;
struct UpdateResult;

// One module on one port: its own line and module session, driven through the session's
// verbs, and one outcome at the end, made of the operation's result. Every wait has its
// time-out: the requests' own, and an overall one for the whole command.
class ModuleJob : public QObject
{
    Q_OBJECT
public:
    struct Work
    {
        CliOptions::Command command = CliOptions::Command::Read;
        ConfigWords fileImage{};                     // write, diff: the file's image as kept consistent
        std::shared_ptr<const FirmwareFile> firmware; // firmware: the file, read once for all ports
        int firmwareRows = 0;                        // firmware: rows to write, for the overall time-out
        QString outputFile;                          // read
        bool fast = false;                           // replies judged as soon as they are whole
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
    void readFinished(const ReadResult &result);
    void writeFinished(const WriteResult &result);
    void compareFinished(const CompareResult &result);
    void onStartWindow();
    void onFirmwareFinished(const UpdateResult &result);
    void finish(int exitCode, const QString &message);
    void communicationFailed(const OperationEnd &end);
    // The module's system data as the image tells them, with the version its reply carried.
    void addModuleValues(const ConfigWords &image, const FirmwareVersion &version);
    void addLogLine(const QString &text);

    PortTarget m_target;
    Work m_work;
    PortLine m_line;
    SystemClock m_clock;
    std::unique_ptr<ModuleSession> m_session;
    QTimer m_watchdog;        // the whole command
    QTimer m_bootloaderWatch; // firmware: the bootloader's start window must come
    QElapsedTimer m_elapsed;
    PortOutcome m_outcome;
    bool m_transferStarted = false;
    bool m_done = false;
};
