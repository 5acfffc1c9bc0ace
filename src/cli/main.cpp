#include "cli/CliOptions.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/PortOutcome.h"
#include "core/config/ProgramInfo.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <memory>

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const ParsedArguments parsed = parseArguments(arguments);
    // The report lays text out on pages, which takes fonts: a GUI application, on no screen.
    const bool report = parsed.error.isEmpty() && !parsed.help && !parsed.version
        && parsed.options.command == CliOptions::Command::Report;
    if (report && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app = report ? std::make_unique<QGuiApplication>(argc, argv)
                                                   : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velka-cli"));

    if (parsed.help) {
        std::fputs(qUtf8Printable(helpText()), stdout);
        return ExitCode::Ok;
    }
    if (parsed.version) {
        std::printf("velka-cli %s\n", qUtf8Printable(ProgramInfo::versionText()));
        return ExitCode::Ok;
    }
    if (!parsed.error.isEmpty()) {
        Console::printError(parsed.error);
        std::fputs("Try 'velka-cli --help'.\n", stderr);
        return ExitCode::Usage;
    }

    const CliOptions &options = parsed.options;
    Console console(options.json);
    switch (options.command) {
    case CliOptions::Command::Ports:
        return runPorts(console);
    case CliOptions::Command::QvxInfo:
        return runQvxInfo(options, console);
    case CliOptions::Command::Report:
        return runReport(options, console);
    case CliOptions::Command::Recipe:
        return runRecipe(options, console);
    default:
        return runModuleCommand(options, console);
    }
}
