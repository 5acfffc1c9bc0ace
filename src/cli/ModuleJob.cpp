#include "cli/ModuleJob.h"

#include "core/config/SystemData.h"
#include "core/config/WordNames.h"
#include "core/files/ConfigFile.h"
#include "core/files/WholeFileSave.h"
#include "core/firmware/FirmwareUpdate.h"
#include "core/firmware/UpdateTexts.h"
#include "core/link/Channel.h"
#include "core/link/LinkTexts.h"
#include "core/link/ModuleProtocol.h"
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
// Factory (0..19) and calibration words (20..29) stay the module's, and the checksum is the
// module's sum: a write changes none of them, so a comparison leaves them out.
constexpr int FirstComparedWord = 30;
constexpr int LastComparedWord = 254;

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
    , m_interaction(work.firmwarePath)
    , m_line(openableChannel(target))
    , m_protocol(std::make_unique<ModuleProtocol>(*m_line.channel))
{
    m_outcome.port = target.name;
    m_watchdog.setSingleShot(true);
    m_bootloaderWatch.setSingleShot(true);
    connect(&m_watchdog, &QTimer::timeout, this, &ModuleJob::onWatchdog);
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
    m_workflow = std::make_unique<ConfigWorkflow>(*m_protocol, m_document, m_interaction);
    connect(m_workflow.get(), &ConfigWorkflow::stepChanged, this, &ModuleJob::onStep);
    connect(m_workflow.get(), &ConfigWorkflow::finished, this, &ModuleJob::onWorkflowFinished);
    connect(m_workflow.get(), &ConfigWorkflow::logged, this, [this](const QString &text) {
        QJsonArray log = m_outcome.values.value(QStringLiteral("log")).toArray();
        log.append(text);
        m_outcome.values.insert(QStringLiteral("log"), log);
    });

    if (m_work.command == CliOptions::Command::Write) {
        m_watchdog.start(WriteLimitMs);
        m_document.takeImage(m_work.fileImage);
        const QDate today = QDate::currentDate();
        m_document.setProgrammingDate({today.day(), today.month(), today.year() % 100});
        m_workflow->ButWriteClick();
    } else {
        m_watchdog.start(ReadLimitMs);
        m_workflow->ButReadClick();
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
        if (m_work.command == CliOptions::Command::Diff)
            diffFinished();
        else
            readFinished();
        break;
    case ConfigWorkflow::Result::Written:
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
    const SystemData data = systemData(image, m_protocol->replyBytes());
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
        finish(ExitCode::FileRefused,
               QStringLiteral("Datei kann nicht gespeichert werden: %1 (%2)").arg(m_work.outputFile, error));
        return;
    }
    m_outcome.values.insert(QStringLiteral("file"), m_work.outputFile);
    finish(ExitCode::Ok, message + QStringLiteral(", saved to ") + m_work.outputFile);
}

void ModuleJob::diffFinished()
{
    const ConfigWords &module = m_document.configImage();
    QJsonArray differences;
    QStringList lines;
    for (int address = FirstComparedWord; address <= LastComparedWord; ++address) {
        const quint16 fileValue = m_work.fileImage[size_t(address)];
        const quint16 moduleValue = module[size_t(address)];
        if (fileValue == moduleValue)
            continue;
        const QString name = wordName(address);
        differences.append(QJsonObject{{QStringLiteral("address"), address},
                                       {QStringLiteral("name"), name},
                                       {QStringLiteral("file"), int(fileValue)},
                                       {QStringLiteral("module"), int(moduleValue)}});
        lines << QStringLiteral("[%1]%2 file %3, module %4")
                     .arg(address)
                     .arg(name.isEmpty() ? QString() : QLatin1Char(' ') + name)
                     .arg(fileValue)
                     .arg(moduleValue);
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
    m_update = std::make_unique<FirmwareUpdate>(*m_protocol, m_interaction);
    connect(m_update.get(), &FirmwareUpdate::startEnabled, this, &ModuleJob::onStartEnabled);
    connect(m_update.get(), &FirmwareUpdate::finished, this, &ModuleJob::onFirmwareFinished);
    connect(m_update.get(), &FirmwareUpdate::warningShown, this, [this](bool shown) {
        // A module left in its bootloader by an interrupted update does not answer the boot
        // command but still opens its start window: keep watching for it.
        if (shown)
            emit progress(QStringLiteral("no answer to the boot command, waiting for the bootloader"));
    });
    connect(m_update.get(), &FirmwareUpdate::progressChanged, this, [this](int percent) {
        emit progress(QStringLiteral("rows %1%").arg(percent));
    });
    connect(m_update.get(), &FirmwareUpdate::logged, this, [this](const QString &text) {
        QJsonArray log = m_outcome.values.value(QStringLiteral("log")).toArray();
        log.append(text);
        m_outcome.values.insert(QStringLiteral("log"), log);
    });
    m_watchdog.start(FirmwareBaseLimitMs + FirmwarePerRowMs * m_work.firmwareRows);
    emit progress(QStringLiteral("boot command"));
    m_update->FormShow();
    if (m_update->stage() != FirmwareUpdate::Stage::Watching) {
        finish(ExitCode::FileRefused, UpdateTexts::Refused.arg(refusalReason(m_update->file().refusal())));
        return;
    }
    m_bootloaderWatch.start(BootloaderWaitMs);
}

void ModuleJob::onStartEnabled(bool enabled)
{
    if (!enabled || m_transferStarted || m_done)
        return;
    m_transferStarted = true;
    m_bootloaderWatch.stop();
    emit progress(QStringLiteral("rows 0%"));
    m_update->ButProgClick();
    if (m_update->stage() != FirmwareUpdate::Stage::Transferring)
        finish(ExitCode::FileRefused, UpdateTexts::Refused.arg(refusalReason(m_update->file().refusal())));
}

void ModuleJob::onFirmwareFinished(bool ok, const QString &detail)
{
    m_outcome.values.insert(QStringLiteral("rows"), m_update->rows().rowsToWrite());
    m_outcome.values.insert(QStringLiteral("version"), m_update->file().versionText());
    finish(ok ? ExitCode::Ok : ExitCode::CommunicationFailed, detail);
}

// ---- Ending ----

void ModuleJob::onWatchdog()
{
    finish(ExitCode::CommunicationFailed, LinkTexts::Timeout);
}

void ModuleJob::finish(int exitCode, const QString &message)
{
    if (m_done)
        return;
    m_done = true;
    m_watchdog.stop();
    m_bootloaderWatch.stop();
    if (m_update) {
        // As "ENDE" in the window: the bootloader is told to end, nothing is left waiting.
        if (m_update->stage() != FirmwareUpdate::Stage::Idle || m_transferStarted)
            m_update->ButCloseClick();
        m_update->FormClose();
    }
    if (m_protocol) {
        m_protocol->stopCollecting();
        m_protocol->stopTimeout();
    }
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
