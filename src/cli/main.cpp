#include "cli/CliOptions.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/PortOutcome.h"
#include "core/config/ProgramInfo.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velka-cli"));

    const ParsedArguments parsed = parseArguments(app.arguments().mid(1));
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
    default:
        return runModuleCommand(options, console);
    }
}
