#include "cli/ModuleJob.h"

#include "core/config/SystemData.h"
#include "core/files/ConfigFile.h"
#include "core/files/WholeFileSave.h"
#include "core/firmware/FirmwareUpdate.h"
#include "core/firmware/UpdateTexts.h"
#include "core/link/BootloaderSession.h"
#include "core/link/Channel.h"
#include "core/link/LinkTexts.h"
#include "core/link/RequestEngine.h"
#include "core/workflow/ImageComparison.h"
#include "core/workflow/WorkflowTexts.h"

#include <QDate>
#include <QJsonArray>

namespace {

// Overall limits: far beyond what a working module needs, so only a hang reaches them.
constexpr int ReadLimitMs = 20000;
constexpr int WriteLimitMs = 40000;
constexpr int FirmwareBaseLimitMs = 60000;
constexpr int FirmwarePerRowMs = 6000;
// The bootloader's start window must open this long after the boot command at the latest.
constexpr int BootloaderWaitMs = 20000;

QString stepText(ConfigWorkflow::Step step)
{
    switch (step) {
    case ConfigWorkflow::Step::Reading: return QStringLiteral("reading");
    case ConfigWorkflow::Step::ReadingBeforeWrite: return QStringLiteral("reading before write");
    case ConfigWorkflow::Step::Writing: return QStringLiteral("writing");
    case ConfigWorkflow::Step::Verifying: return QStringLiteral("verifying");
    case ConfigWorkflow::Step::Restarting: return QStringLiteral("restarting");
    default: return {};
    }
}

} // namespace

ModuleJob::ModuleJob(const PortTarget &target, const Work &work, QObject *parent)
    : QObject(parent)
    , m_target(target)
    , m_work(work)
    , m_line(openableChannel(target))
    , m_engine(std::make_unique<RequestEngine>(*m_line.channel))
{
    m_outcome.port = target.name;
    if (work.fast)
        m_engine->setReplyTiming(ReplyTiming::WhenComplete);
    m_watchdog.setSingleShot(true);
    m_bootloaderWatch.setSingleShot(true);
    connect(&m_watchdog, &QTimer::timeout, this, [this] { finish(ExitCode::CommunicationFailed, LinkTexts::Timeout); });
    connect(&m_bootloaderWatch, &QTimer::timeout, this, [this] {
        finish(ExitCode::CommunicationFailed, UpdateTexts::NoConnection.trimmed());
    });
}

ModuleJob::~ModuleJob() = default;

void ModuleJob::start()
{
    m_elapsed.start();
    m_outcome.values.insert(QStringLiteral("device"), m_target.device);
    // A port that is not there is told by its own reason, before any request.
    if (!m_line.channel->open()) {
        finish(ExitCode::CommunicationFailed, openFailure(m_target, *m_line.channel));
        return;
    }
    m_line.channel->close();

    if (m_work.command == CliOptions::Command::Firmware) {
        startFirmware();
        return;
    }
    m_workflow = std::make_unique<ConfigWorkflow>(*m_engine, m_document);
    connect(m_workflow.get(), &ConfigWorkflow::stepChanged, this, &ModuleJob::onStep);
    connect(m_workflow.get(), &ConfigWorkflow::finished, this, &ModuleJob::onWorkflowFinished);
    connect(m_workflow.get(), &ConfigWorkflow::logged, this,
            [this](const LogEntry &entry) { addLogLine(entry.text); });

    if (m_work.command == CliOptions::Command::Write) {
        m_watchdog.start(WriteLimitMs);
        m_document.takeImage(m_work.fileImage);
        const QDate today = QDate::currentDate();
        m_document.setProgrammingDate({today.day(), today.month(), today.year() % 100});
        // The command was confirmed as a whole before it began.
        m_document.foldOutputs();
        m_workflow->writeConfiguration();
    } else {
        m_watchdog.start(ReadLimitMs);
        m_workflow->readConfiguration();
    }
}

void ModuleJob::onStep(ConfigWorkflow::Step step)
{
    const QString text = stepText(step);
    if (!text.isEmpty())
        emit progress(text);
}

void ModuleJob::onWorkflowFinished(ConfigWorkflow::Result result, const QString &detail)
{
    switch (result) {
    case ConfigWorkflow::Result::Read:
    case ConfigWorkflow::Result::FactoryRead:
    case ConfigWorkflow::Result::ReadToCompare:
        if (m_work.command == CliOptions::Command::Diff)
            diffFinished();
        else
            readFinished();
        break;
    case ConfigWorkflow::Result::Written:
    case ConfigWorkflow::Result::FactoryWritten:
        addModuleValues();
        m_outcome.values.insert(QStringLiteral("verify"), QStringLiteral("ok"));
        finish(ExitCode::Ok, WorkflowTexts::VerifyOk + QStringLiteral(", ") + WorkflowTexts::Restarted);
        break;
    case ConfigWorkflow::Result::VerifyMismatch: {
        const QStringList differences = detail.split(QStringLiteral("; "));
        m_outcome.values.insert(QStringLiteral("verify"), QJsonArray::fromStringList(differences));
        finish(ExitCode::VerifyMismatch, WorkflowTexts::VerifyFailed + QLatin1Char(' ') + detail);
        break;
    }
    case ConfigWorkflow::Result::CommunicationFailed:
        finish(ExitCode::CommunicationFailed, WorkflowTexts::CommunicationError + QStringLiteral(": ") + detail);
        break;
    }
}

void ModuleJob::addModuleValues()
{
    const ConfigWords &image = m_document.configImage();
    const SystemData data = systemData(image, m_workflow->moduleVersion());
    QJsonObject &v = m_outcome.values;
    v.insert(QStringLiteral("firmware"), data.firmware);
    v.insert(QStringLiteral("serialNumber"), data.serial);
    v.insert(QStringLiteral("dateCode"), data.dateCode);
    v.insert(QStringLiteral("customer"), data.customer);
    v.insert(QStringLiteral("lastConfiguration"), data.lastConfiguration.trimmed());
    v.insert(QStringLiteral("programmingCounter"), int(image[Word::Counter]));
    const bool checksumOk = imageChecksum(image) == image[Word::Checksum];
    v.insert(QStringLiteral("imageChecksum"), checksumOk ? QStringLiteral("ok") : QStringLiteral("bad"));
}

void ModuleJob::readFinished()
{
    addModuleValues();
    const QJsonObject &v = m_outcome.values;
    QString message = QStringLiteral("firmware %1, serial number %2, date code %3, customer %4, "
                                     "last configuration %5")
                          .arg(v.value(QStringLiteral("firmware")).toString(),
                               v.value(QStringLiteral("serialNumber")).toString(),
                               v.value(QStringLiteral("dateCode")).toString(),
                               v.value(QStringLiteral("customer")).toString(),
                               v.value(QStringLiteral("lastConfiguration")).toString());
    // The module's words are saved as they are, a wrong checksum too: the file shows what it has.
    if (v.value(QStringLiteral("imageChecksum")).toString() != QLatin1String("ok"))
        message += QStringLiteral(" (") + WorkflowTexts::ChecksumError + QStringLiteral(" ")
            + WorkflowTexts::Inconsistent + QLatin1Char(')');
    const QByteArray bytes = ConfigFile::encode(ConfigFile::build(m_document.configImage()));
    QString error;
    if (!saveWholeFile(m_work.outputFile, bytes, &error)) {
        finish(ExitCode::FileRefused, saveRefusedText(m_work.outputFile, error));
        return;
    }
    m_outcome.values.insert(QStringLiteral("file"), m_work.outputFile);
    finish(ExitCode::Ok, message + QStringLiteral(", saved to ") + m_work.outputFile);
}

void ModuleJob::diffFinished()
{
    QJsonArray differences;
    QStringList lines;
    for (const WordDifference &d : compareImages(m_work.fileImage, m_document.configImage())) {
        differences.append(QJsonObject{{QStringLiteral("address"), d.address},
                                       {QStringLiteral("name"), d.name},
                                       {QStringLiteral("file"), int(d.ours)},
                                       {QStringLiteral("module"), int(d.module)}});
        lines << QStringLiteral("[%1]%2 file %3, module %4")
                     .arg(d.address)
                     .arg(d.name.isEmpty() ? QString() : QLatin1Char(' ') + d.name)
                     .arg(d.ours)
                     .arg(d.module);
    }
    addModuleValues();
    m_outcome.values.insert(QStringLiteral("differences"), differences);
    if (lines.isEmpty())
        finish(ExitCode::Ok, QStringLiteral("no difference"));
    else
        finish(ExitCode::Differs, QStringLiteral("differences: %1: %2").arg(lines.size()).arg(lines.join(QStringLiteral("; "))));
}

// ---- Firmware ----

void ModuleJob::startFirmware()
{
    m_bootloader = std::make_unique<BootloaderSession>(*m_engine);
    m_update = std::make_unique<FirmwareUpdate>(*m_bootloader);
    m_update->useFile(m_work.firmware);
    connect(m_update.get(), &FirmwareUpdate::moduleAnswered, this, [this](bool answered) {
        // A module left in its bootloader by an interrupted update does not answer the boot
        // command but still opens its start window: keep watching for it.
        if (!answered)
            emit progress(QStringLiteral("no answer to the boot command, waiting for the bootloader"));
    });
    connect(m_update.get(), &FirmwareUpdate::countdown, this, &ModuleJob::onStartWindow);
    connect(m_update.get(), &FirmwareUpdate::progressChanged, this, [this](int rowsDone, int rowsToWrite) {
        emit progress(QStringLiteral("rows %1%").arg(rowsToWrite > 0 ? rowsDone * 100 / rowsToWrite : 0));
    });
    connect(m_update.get(), &FirmwareUpdate::finished, this, &ModuleJob::onFirmwareFinished);
    connect(m_update.get(), &FirmwareUpdate::logged, this, [this](const LogEntry &entry) { addLogLine(entry.text); });
    m_watchdog.start(FirmwareBaseLimitMs + FirmwarePerRowMs * m_work.firmwareRows);
    emit progress(QStringLiteral("boot command"));
    m_update->connectModule();
    m_bootloaderWatch.start(BootloaderWaitMs);
}

void ModuleJob::onStartWindow()
{
    if (m_transferStarted || m_done)
        return;
    m_transferStarted = true;
    m_bootloaderWatch.stop();
    emit progress(QStringLiteral("rows 0%"));
    // The file was found usable before any port was touched.
    m_update->start();
}

void ModuleJob::onFirmwareFinished(bool written, const QString &reason)
{
    m_outcome.values.insert(QStringLiteral("rows"), m_update->rows().rowsToWrite());
    m_outcome.values.insert(QStringLiteral("version"), m_update->file().versionText());
    finish(written ? ExitCode::Ok : ExitCode::CommunicationFailed, reason);
}

// ---- Ending ----

void ModuleJob::addLogLine(const QString &text)
{
    QJsonArray log = m_outcome.values.value(QStringLiteral("log")).toArray();
    log.append(text);
    m_outcome.values.insert(QStringLiteral("log"), log);
}

void ModuleJob::finish(int exitCode, const QString &message)
{
    if (m_done)
        return;
    m_done = true;
    m_watchdog.stop();
    m_bootloaderWatch.stop();
    if (m_update) {
        // A module left in its bootloader is told to end, as "ENDE" tells it; a completed
        // update has reset the bootloader already.
        const FirmwareUpdate::Stage stage = m_update->stage();
        if (stage == FirmwareUpdate::Stage::Watching || stage == FirmwareUpdate::Stage::Transferring
            || stage == FirmwareUpdate::Stage::Failed)
            m_update->leave();
        m_update->close();
    }
    if (m_workflow)
        m_workflow->abandon();
    m_outcome.exitCode = exitCode;
    m_outcome.message = message;
    m_outcome.elapsedMs = m_elapsed.elapsed();
    m_outcome.values.insert(QStringLiteral("port"), m_outcome.port);
    m_outcome.values.insert(QStringLiteral("outcome"), outcomeName(exitCode));
    m_outcome.values.insert(QStringLiteral("exitCode"), exitCode);
    m_outcome.values.insert(QStringLiteral("message"), message);
    m_outcome.values.insert(QStringLiteral("seconds"), double(m_outcome.elapsedMs) / 1000.0);
    emit finished();
}
