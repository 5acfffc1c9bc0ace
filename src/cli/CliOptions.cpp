#include "cli/CliOptions.h"

#include <QRegularExpression>

#include <array>
#include <optional>
#include <utility>

namespace {

const QString PortPlaceholder = QStringLiteral("{port}");

const std::array<std::pair<const char *, CliOptions::Command>, 7> Commands = {{
    {"ports", CliOptions::Command::Ports},
    {"read", CliOptions::Command::Read},
    {"write", CliOptions::Command::Write},
    {"diff", CliOptions::Command::Diff},
    {"firmware", CliOptions::Command::Firmware},
    {"qvx-info", CliOptions::Command::QvxInfo},
    {"report", CliOptions::Command::Report},
}};

std::optional<CliOptions::Command> commandNamed(const QString &name)
{
    for (const auto &[text, command] : Commands) {
        if (name == QLatin1String(text))
            return command;
    }
    return std::nullopt;
}

// Checks what each command needs once every argument is known.
QString checkCombination(const CliOptions &o, const QStringList &positionals)
{
    const QString name = commandName(o.command);
    const bool withPorts = o.command != CliOptions::Command::Ports && o.command != CliOptions::Command::QvxInfo
        && o.command != CliOptions::Command::Report;
    const bool withFile = o.command != CliOptions::Command::Ports && o.command != CliOptions::Command::Read;
    if (withPorts && o.ports.isEmpty())
        return QStringLiteral("%1 needs at least one --port").arg(name);
    if (!withPorts && !o.ports.isEmpty())
        return QStringLiteral("%1 takes no --port").arg(name);
    if (withFile && positionals.size() != 1)
        return QStringLiteral("%1 needs exactly one file").arg(name);
    if (!withFile && !positionals.isEmpty())
        return QStringLiteral("%1 takes no file: %2").arg(name, positionals.first());
    if (o.command == CliOptions::Command::Read) {
        if (o.output.isEmpty())
            return QStringLiteral("read needs -o FILE.VMC");
        if (o.ports.size() > 1 && !o.output.contains(PortPlaceholder))
            return QStringLiteral("read from several ports needs {port} in the -o file name");
    } else if (o.command == CliOptions::Command::Report) {
        static const QRegularExpression document(QStringLiteral("\\.(pdf|html?)$"),
                                                 QRegularExpression::CaseInsensitiveOption);
        if (!document.match(o.output).hasMatch())
            return QStringLiteral("report needs -o FILE.pdf or -o FILE.html");
    } else if (!o.output.isEmpty()) {
        return QStringLiteral("only read and report take -o");
    }
    if (o.yes && o.command != CliOptions::Command::Write && o.command != CliOptions::Command::Firmware)
        return QStringLiteral("only write and firmware take --yes");
    if (o.fast && !withPorts)
        return QStringLiteral("only read, write, diff and firmware take --fast");
    return {};
}

} // namespace

QString commandName(CliOptions::Command command)
{
    for (const auto &[text, c] : Commands) {
        if (c == command)
            return QLatin1String(text);
    }
    return {};
}

QString outputFileFor(const QString &pattern, const QString &port)
{
    QString safe = port;
    safe.replace(QRegularExpression(QStringLiteral("^/dev/")), QString());
    safe.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_.-]")), QStringLiteral("_"));
    QString name = pattern;
    return name.replace(PortPlaceholder, safe);
}

ParsedArguments parseArguments(const QStringList &arguments)
{
    ParsedArguments parsed;
    CliOptions &o = parsed.options;
    QStringList positionals;
    bool commandSeen = false;
    bool optionsEnded = false;

    auto fail = [&parsed](const QString &text) {
        parsed.error = text;
        return parsed;
    };

    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString argument = arguments.at(i);
        QString value;
        bool hasValue = false;
        if (!optionsEnded && argument.startsWith(QLatin1String("--")) && argument.contains(QLatin1Char('='))) {
            value = argument.mid(argument.indexOf(QLatin1Char('=')) + 1);
            argument = argument.left(argument.indexOf(QLatin1Char('=')));
            hasValue = true;
        }
        auto takeValue = [&](QString *target) {
            if (!hasValue) {
                if (i + 1 >= arguments.size())
                    return false;
                value = arguments.at(++i);
            }
            *target = value;
            return true;
        };

        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-")) {
            if (!commandSeen) {
                const std::optional<CliOptions::Command> command = commandNamed(argument);
                if (!command)
                    return fail(QStringLiteral("unknown command: %1").arg(argument));
                o.command = *command;
                commandSeen = true;
            } else {
                positionals << argument;
            }
        } else if (argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            parsed.help = true;
        } else if (argument == QLatin1String("--version")) {
            parsed.version = true;
        } else if (argument == QLatin1String("--json")) {
            o.json = true;
        } else if (argument == QLatin1String("-y") || argument == QLatin1String("--yes")) {
            o.yes = true;
        } else if (argument == QLatin1String("--fast")) {
            o.fast = true;
        } else if (argument == QLatin1String("-p") || argument == QLatin1String("--port")) {
            QString port;
            if (!takeValue(&port) || port.isEmpty())
                return fail(QStringLiteral("--port needs a port: COM1..COM4, a device path or usb:SERIAL"));
            if (o.ports.contains(port))
                return fail(QStringLiteral("port given twice: %1").arg(port));
            o.ports << port;
        } else if (argument == QLatin1String("-o") || argument == QLatin1String("--output")) {
            if (!takeValue(&o.output) || o.output.isEmpty())
                return fail(QStringLiteral("-o needs a file name"));
        } else {
            return fail(QStringLiteral("unknown option: %1").arg(argument));
        }
    }
    if (parsed.help || parsed.version)
        return parsed;
    if (!commandSeen)
        return fail(QStringLiteral("no command given"));
    if (!positionals.isEmpty())
        o.file = positionals.first();
    if (const QString error = checkCombination(o, positionals); !error.isEmpty())
        return fail(error);
    return parsed;
}
