#include "cli/Commands.h"

#include "cli/Console.h"
#include "cli/ModuleJob.h"
#include "cli/PortOutcome.h"
#include "cli/PortTarget.h"
#include "core/config/NumberText.h"
#include "core/files/BoundedFile.h"
#include "core/files/ConfigFile.h"
#include "core/files/WholeFileSave.h"
#include "core/firmware/FirmwareFile.h"
#include "core/firmware/FirmwareLoad.h"
#include "core/firmware/FirmwareReport.h"
#include "core/firmware/FirmwareTexts.h"
#include "core/firmware/RowTable.h"
#include "core/firmware/UpdateTexts.h"
#include "core/link/DeviceConstants.h"
#include "core/link/PortNames.h"
#include "core/link/SerialChannel.h"
#include "core/link/SystemAdapterBackend.h"
#include "core/report/ConfigReport.h"
#include "core/workflow/ConfigDocument.h"
#include "core/workflow/ConfigFileLoad.h"
#include "documents/ReportDocument.h"

#include <QCoreApplication>
#include <QDate>
#include <QFileInfo>
#include <QEventLoop>
#include <QJsonObject>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace {

struct LoadedFirmware
{
    FirmwareLoad load;
    RowTable rows;
    QString error; // empty: usable
};

std::unique_ptr<LoadedFirmware> loadFirmware(const QString &path)
{
    auto loaded = std::make_unique<LoadedFirmware>();
    SilentFirmwareReport report;
    loaded->load = loadFirmwareFile(path, report);
    loaded->error = loadProblem(loaded->load, path);
    if (loaded->error.isEmpty())
        loaded->rows.build(*loaded->load.file, report);
    return loaded;
}

// Each port's output file can be made, and no two ports share one: checked before any port is
// touched, so a mistyped name wakes no module. Empty when all can; else why not.
QString outputProblem(const CliOptions &options, const std::vector<PortTarget> &targets)
{
    QStringList outputs;
    for (const PortTarget &target : targets) {
        const QString output = outputFileFor(options.output, target.name);
        const QString problem = outputs.contains(output) ? QStringLiteral("two ports would save to it")
                                                         : wholeFileSaveProblem(output);
        if (!problem.isEmpty())
            return saveRefusedText(output, problem);
        outputs << output;
    }
    return {};
}

// Asks at the terminal; without one only --yes confirms.
bool confirmed(const CliOptions &options, const QString &question)
{
    if (options.yes)
        return true;
    if (!Console::stdinIsTerminal()) {
        Console::printError(QStringLiteral("%1 changes the module: confirm at a terminal or give --yes")
                                .arg(commandName(options.command)));
        return false;
    }
    std::fprintf(stderr, "%s [y/N] ", qUtf8Printable(question));
    std::fflush(stderr);
    QTextStream in(stdin);
    const QString answer = in.readLine().trimmed().toLower();
    const bool yes = answer == QLatin1String("y") || answer == QLatin1String("yes") || answer == QLatin1String("j")
        || answer == QLatin1String("ja");
    if (!yes)
        Console::printError(QStringLiteral("not confirmed, nothing was done"));
    return yes;
}

} // namespace

int runPorts(Console &console)
{
    for (int n = 1; n <= 4; ++n) {
        const QString name = QStringLiteral("COM%1").arg(n);
        const QString device = systemPortName(name);
        SerialChannel probe([](const QString &port) { return port; });
        probe.setPortName(device);
        const bool available = probe.open();
        const QString reason = available ? QString() : probe.errorString();
        probe.close();
        if (console.json()) {
            console.printJson({{QStringLiteral("port"), name},
                               {QStringLiteral("device"), device},
                               {QStringLiteral("available"), available},
                               {QStringLiteral("reason"), reason}});
        } else {
            console.printLine(QStringLiteral("%1  %2  %3").arg(name, -6).arg(device, -20).arg(
                available ? QStringLiteral("available") : QStringLiteral("not available (%1)").arg(reason)));
        }
    }
    SystemAdapterBackend adapters;
    int found = 0;
    for (const QString &serial : adapters.serialNumbers()) {
        if (!serial.startsWith(QLatin1String(Device::AdapterPrefix)))
            continue;
        ++found;
        const QString device = adapters.devicePath(serial);
        if (console.json()) {
            console.printJson({{QStringLiteral("port"), QStringLiteral("usb:") + serial},
                               {QStringLiteral("serialNumber"), serial},
                               {QStringLiteral("device"), device}});
        } else {
            console.printLine(QStringLiteral("%1  %2  USB adapter").arg(QStringLiteral("usb:") + serial, -6).arg(device, -20));
        }
    }
    if (!console.json() && found == 0)
        console.printLine(QStringLiteral("no USB adapter found"));
    return ExitCode::Ok;
}

int runQvxInfo(const CliOptions &options, Console &console)
{
    const std::unique_ptr<LoadedFirmware> loaded = loadFirmware(options.file);
    QJsonObject info{{QStringLiteral("file"), options.file}};
    if (loaded->load.read()) {
        const FirmwareFile &file = *loaded->load.file;
        int pages = 0;
        for (const FirmwareRow &row : loaded->rows.rows())
            pages += row.toWrite && row.erasesPage ? 1 : 0;
        const bool checksumGood = file.refusal() != FirmwareFile::Refusal::WrongChecksum;
        info.insert(QStringLiteral("device"), file.deviceText());
        info.insert(QStringLiteral("version"), file.versionText());
        info.insert(QStringLiteral("issued"), file.releaseDateText());
        info.insert(QStringLiteral("startAddress"), QStringLiteral("0x") + hexText(file.startAddress(), 4));
        info.insert(QStringLiteral("instructions"), file.addressCount() / 2);
        info.insert(QStringLiteral("rows"), loaded->rows.rowCount());
        info.insert(QStringLiteral("rowsToWrite"), loaded->rows.rowsToWrite());
        info.insert(QStringLiteral("pagesToErase"), pages);
        info.insert(QStringLiteral("checksum"), checksumGood ? QStringLiteral("good") : QStringLiteral("bad"));
        if (!console.json()) {
            console.printLine(QStringLiteral("device:         %1").arg(file.deviceText()));
            console.printLine(QStringLiteral("version:        %1").arg(file.versionText()));
            console.printLine(QStringLiteral("issued:         %1").arg(file.releaseDateText()));
            console.printLine(QStringLiteral("start address:  0x%1").arg(hexText(file.startAddress(), 4)));
            console.printLine(QStringLiteral("instructions:   %1").arg(file.addressCount() / 2));
            console.printLine(QStringLiteral("rows to write:  %1 of %2").arg(loaded->rows.rowsToWrite()).arg(loaded->rows.rowCount()));
            console.printLine(QStringLiteral("pages to erase: %1").arg(pages));
            console.printLine(QStringLiteral("checksum:       %1").arg(checksumGood ? "good" : "bad"));
        }
    }
    const int exitCode = loaded->error.isEmpty() ? ExitCode::Ok : ExitCode::FileRefused;
    info.insert(QStringLiteral("outcome"), outcomeName(exitCode));
    info.insert(QStringLiteral("message"), loaded->error);
    if (console.json())
        console.printJson(info);
    else if (!loaded->error.isEmpty())
        Console::printError(loaded->error);
    return exitCode;
}

int runReport(const CliOptions &options, Console &console)
{
    QString error;
    const std::optional<ConfigWords> image = loadConfigurationFile(options.file, &error);
    if (!image) {
        // As "Laden" tells it, with the reason.
        Console::printError(ConfigFile::LoadFailed + QStringLiteral(": ") + error);
        return ExitCode::FileRefused;
    }
    ConfigDocument document;
    document.takeImage(*image);
    const ReportInput input{QFileInfo(options.file).fileName(), QDate::currentDate(), document.configImage(),
                            document.outputs(), std::nullopt};
    const QString html = configReportHtml(input);
    const bool pdf = options.output.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive);
    const bool saved = pdf ? writeReportPdf(html, options.output, &error)
                           : saveWholeFile(options.output, html.toUtf8(), &error);
    if (!saved) {
        Console::printError(saveRefusedText(options.output, error));
        return ExitCode::FileRefused;
    }
    if (console.json())
        console.printJson({{QStringLiteral("file"), options.file}, {QStringLiteral("report"), options.output},
                           {QStringLiteral("outcome"), outcomeName(ExitCode::Ok)}});
    else
        console.printLine(QStringLiteral("report saved to %1").arg(options.output));
    return ExitCode::Ok;
}

int runModuleCommand(const CliOptions &options, Console &console)
{
    std::vector<PortTarget> targets;
    for (const QString &port : options.ports) {
        QString error;
        const PortTarget target = PortTarget::parse(port, &error);
        if (!error.isEmpty()) {
            Console::printError(error);
            return ExitCode::Usage;
        }
        targets.push_back(target);
    }

    if (options.command == CliOptions::Command::Read) {
        if (const QString problem = outputProblem(options, targets); !problem.isEmpty()) {
            Console::printError(problem);
            return ExitCode::FileRefused;
        }
    }

    ModuleJob::Work work;
    work.command = options.command;
    work.fast = options.fast;
    if (options.command == CliOptions::Command::Write || options.command == CliOptions::Command::Diff) {
        QString error;
        const std::optional<ConfigWords> image = loadConfigurationFile(options.file, &error);
        if (!image) {
            Console::printError(error);
            return ExitCode::FileRefused;
        }
        work.fileImage = *image;
    } else if (options.command == CliOptions::Command::Firmware) {
        // A refused file touches no module, as in the window.
        const std::unique_ptr<LoadedFirmware> loaded = loadFirmware(options.file);
        if (!loaded->error.isEmpty()) {
            Console::printError(loaded->error);
            return ExitCode::FileRefused;
        }
        work.firmware = loaded->load.file;
        work.firmwareRows = loaded->rows.rowsToWrite();
    }

    if (options.command == CliOptions::Command::Write || options.command == CliOptions::Command::Firmware) {
        const QString question = QStringLiteral("%1 %2 to %3?")
                                     .arg(options.command == CliOptions::Command::Write ? QStringLiteral("Write")
                                                                                        : QStringLiteral("Update the firmware from"),
                                          options.file, options.ports.join(QStringLiteral(", ")));
        if (!confirmed(options, question))
            return ExitCode::Usage;
    }

    std::vector<std::unique_ptr<ModuleJob>> jobs;
    QEventLoop loop;
    int open = int(targets.size());
    console.startProgress(options.ports);
    for (size_t i = 0; i < targets.size(); ++i) {
        ModuleJob::Work portWork = work;
        portWork.outputFile = outputFileFor(options.output, targets[i].name);
        auto job = std::make_unique<ModuleJob>(targets[i], portWork);
        QObject::connect(job.get(), &ModuleJob::progress, job.get(),
                         [&console, i](const QString &text) { console.setProgress(int(i), text); });
        QObject::connect(job.get(), &ModuleJob::finished, job.get(), [&console, &open, &loop, i, j = job.get()] {
            console.setProgress(int(i), outcomeName(j->outcome().exitCode));
            if (--open == 0)
                loop.quit();
        });
        jobs.push_back(std::move(job));
    }
    for (auto &job : jobs)
        job->start();
    if (open > 0)
        loop.exec();
    console.endProgress();

    int portColumn = 0;
    for (const QString &port : options.ports)
        portColumn = std::max(portColumn, int(port.size()));
    int exitCode = ExitCode::Ok;
    for (const auto &job : jobs) {
        console.printOutcome(job->outcome(), portColumn);
        if (exitCode == ExitCode::Ok)
            exitCode = job->outcome().exitCode;
    }
    return exitCode;
}
