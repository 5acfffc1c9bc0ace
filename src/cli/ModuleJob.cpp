#include "cli/ModuleJob.h"

#include "core/config/SystemData.h"
#include "core/files/ConfigFile.h"
#include "core/files/WholeFileSave.h"
#include "core/firmware/UpdateTexts.h"
#include "core/link/Channel.h"
#include "core/link/LinkTexts.h"
#include "core/session/ModuleSession.h"
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
    case ConfigWorkflow::Step::Reading:
    case ConfigWorkflow::Step::Comparing: return QStringLiteral("reading");
    case ConfigWorkflow::Step::ReadingBeforeWrite: return QStringLiteral("reading before write");
    case ConfigWorkflow::Step::RequestingWrite: return QStringLiteral("writing");
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
    , m_session(std::make_unique<ModuleSession>(*m_line.channel, m_clock))
{
    m_outcome.port = target.name;
    if (work.fast)
        m_session->setReplyTiming(ReplyTiming::WhenComplete);
    m_watchdog.setSingleShot(true);
    m_bootloaderWatch.setSingleShot(true);
    connect(&m_watchdog, &QTimer::timeout, this, [this] { finish(ExitCode::CommunicationFailed, LinkTexts::Timeout); });
    connect(&m_bootloaderWatch, &QTimer::timeout, this, [this] {
        finish(ExitCode::CommunicationFailed, UpdateTexts::NoConnection.trimmed());
    });
    connect(m_session.get(), &ModuleSession::logged, this, [this](const LogEntry &entry) { addLogLine(entry.text); });
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
    ConfigWorkflow &configuration = m_session->configuration();
    connect(&configuration, &ConfigWorkflow::stepChanged, this, &ModuleJob::onStep);
    connect(&configuration, &ConfigWorkflow::readFinished, this, &ModuleJob::readFinished);
    connect(&configuration, &ConfigWorkflow::writeFinished, this, &ModuleJob::writeFinished);
    connect(&configuration, &ConfigWorkflow::compareFinished, this, &ModuleJob::compareFinished);

    ConfigDocument &document = m_session->document();
    switch (m_work.command) {
    case CliOptions::Command::Write: {
        m_watchdog.start(WriteLimitMs);
        // The command was confirmed as a whole before it began.
        document.takeImage(m_work.fileImage);
        const QDate today = QDate::currentDate();
        m_session->setProgrammingDate({today.day(), today.month(), today.year() % 100});
        configuration.writeConfiguration();
        break;
    }
    case CliOptions::Command::Diff:
        // The same comparison as the window's: the module's image as read against what a
        // write of the file would send.
        m_watchdog.start(ReadLimitMs);
        document.takeImage(m_work.fileImage);
        configuration.compareWithModule();
        break;
    default:
        m_watchdog.start(ReadLimitMs);
        configuration.readConfiguration();
        break;
    }
}

void ModuleJob::onStep(ConfigWorkflow::Step step)
{
    const QString text = stepText(step);
    if (!text.isEmpty())
        emit progress(text);
}

void ModuleJob::communicationFailed(const OperationEnd &end)
{
    finish(ExitCode::CommunicationFailed, WorkflowTexts::CommunicationError + QStringLiteral(": ") + end.text);
}

void ModuleJob::addModuleValues(const ConfigWords &image, const FirmwareVersion &version)
{
    const SystemData data = systemData(image, version);
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

void ModuleJob::readFinished(const ReadResult &result)
{
    if (!result.end.succeeded()) {
        communicationFailed(result.end);
        return;
    }
    addModuleValues(result.image, result.version);
    const SystemData &data = result.system;
    QString message = QStringLiteral("firmware %1, serial number %2, date code %3, customer %4, "
                                     "last configuration %5")
                          .arg(data.firmware, data.serial, data.dateCode, data.customer,
                               data.lastConfiguration.trimmed());
    // The module's words are saved as they are, a wrong checksum too: the file shows what it has.
    if (!result.checksumGood)
        message += QStringLiteral(" (") + WorkflowTexts::ChecksumError + QStringLiteral(" ")
            + WorkflowTexts::Inconsistent + QLatin1Char(')');
    const QByteArray bytes = ConfigFile::encode(ConfigFile::build(m_session->document().configImage()));
    QString error;
    if (!saveWholeFile(m_work.outputFile, bytes, &error)) {
        finish(ExitCode::FileRefused, saveRefusedText(m_work.outputFile, error));
        return;
    }
    m_outcome.values.insert(QStringLiteral("file"), m_work.outputFile);
    finish(ExitCode::Ok, message + QStringLiteral(", saved to ") + m_work.outputFile);
}

void ModuleJob::writeFinished(const WriteResult &result)
{
    switch (result.end.failure) {
    case Failure::None:
        addModuleValues(result.written, result.version);
        m_outcome.values.insert(QStringLiteral("verify"), QStringLiteral("ok"));
        finish(ExitCode::Ok, WorkflowTexts::VerifyOk + QStringLiteral(", ") + WorkflowTexts::Restarted);
        return;
    case Failure::VerifyMismatch: {
        QStringList lines;
        for (const VerifyDifference &difference : result.differences)
            lines << verifyDifferenceText(difference);
        m_outcome.values.insert(QStringLiteral("verify"), QJsonArray::fromStringList(lines));
        finish(ExitCode::VerifyMismatch, WorkflowTexts::VerifyFailed + QLatin1Char(' ') + lines.join(QStringLiteral("; ")));
        return;
    }
    default:
        communicationFailed(result.end);
        return;
    }
}

void ModuleJob::compareFinished(const CompareResult &result)
{
    if (!result.end.succeeded()) {
        communicationFailed(result.end);
        return;
    }
    QJsonArray differences;
    QStringList lines;
    for (const WordDifference &d : result.differences) {
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
    addModuleValues(result.module, result.version);
    m_outcome.values.insert(QStringLiteral("differences"), differences);
    if (lines.isEmpty())
        finish(ExitCode::Ok, QStringLiteral("no difference"));
    else
        finish(ExitCode::Differs, QStringLiteral("differences: %1: %2").arg(lines.size()).arg(lines.join(QStringLiteral("; "))));
}

// ---- Firmware ----

void ModuleJob::startFirmware()
{
    FirmwareUpdate &update = m_session->firmwareUpdate();
    update.useFile(m_work.firmware);
    connect(&update, &FirmwareUpdate::moduleAnswered, this, [this](bool answered) {
        // A module left in its bootloader by an interrupted update does not answer the boot
        // command but still opens its start window: keep watching for it.
        if (!answered)
            emit progress(QStringLiteral("no answer to the boot command, waiting for the bootloader"));
    });
    connect(&update, &FirmwareUpdate::countdown, this, &ModuleJob::onStartWindow);
    connect(&update, &FirmwareUpdate::progressChanged, this, [this](int rowsDone, int rowsToWrite) {
        emit progress(QStringLiteral("rows %1%").arg(rowsToWrite > 0 ? rowsDone * 100 / rowsToWrite : 0));
    });
    connect(&update, &FirmwareUpdate::finished, this, &ModuleJob::onFirmwareFinished);
    connect(&update, &FirmwareUpdate::logged, this, [this](const LogEntry &entry) { addLogLine(entry.text); });
    m_watchdog.start(FirmwareBaseLimitMs + FirmwarePerRowMs * m_work.firmwareRows);
    emit progress(QStringLiteral("boot command"));
    update.connectModule();
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
    m_session->firmwareUpdate().start();
}

void ModuleJob::onFirmwareFinished(const UpdateResult &result)
{
    FirmwareUpdate &update = m_session->firmwareUpdate();
    m_outcome.values.insert(QStringLiteral("rows"), update.rows().rowsToWrite());
    m_outcome.values.insert(QStringLiteral("rowsWritten"), result.rowsWritten);
    m_outcome.values.insert(QStringLiteral("version"), update.file().versionText());
    finish(result.end.succeeded() ? ExitCode::Ok : ExitCode::CommunicationFailed, result.end.text);
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
    if (m_work.command == CliOptions::Command::Firmware) {
        // A module left in its bootloader is told to end, as "ENDE" tells it; a completed
        // update has reset the bootloader already.
        FirmwareUpdate &update = m_session->firmwareUpdate();
        const FirmwareUpdate::Stage stage = update.stage();
        if (stage == FirmwareUpdate::Stage::Watching || stage == FirmwareUpdate::Stage::Transferring
            || stage == FirmwareUpdate::Stage::Failed)
            update.leave();
        update.close();
    } else {
        // A watchdog's end gives up whatever still runs; its result is not told any more.
        m_session->configuration().disconnect(this);
        m_session->configuration().abandon();
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
