#include "cli/CliOptions.h"

#include <QRegularExpression>

#include <array>
#include <optional>
#include <utility>

namespace {

const QString PortPlaceholder = QStringLiteral("{port}");

const std::array<std::pair<const char *, CliOptions::Command>, 8> Commands = {{
    {"ports", CliOptions::Command::Ports},
    {"read", CliOptions::Command::Read},
    {"write", CliOptions::Command::Write},
    {"diff", CliOptions::Command::Diff},
    {"firmware", CliOptions::Command::Firmware},
    {"qvx-info", CliOptions::Command::QvxInfo},
    {"report", CliOptions::Command::Report},
    {"recipe", CliOptions::Command::Recipe},
}};

// The options only `recipe` takes, and whether each was given.
struct RecipeOptions
{
    bool name = false;
    bool rssiMin = false;
    bool rssiMax = false;
    bool rssiReadings = false;
    bool any = false;
};

// A whole number in an option's value, or nothing.
std::optional<int> wholeNumber(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

QString checkRecipeOptions(const CliOptions &o, const RecipeOptions &given)
{
    if (o.command != CliOptions::Command::Recipe)
        return given.any ? QStringLiteral("only recipe takes --name, --firmware, --config and the recipe's settings")
                         : QString();
    if (o.output.isEmpty())
        return QStringLiteral("recipe needs -o FILE.recipe");
    if (!given.name)
        return QStringLiteral("recipe needs --name");
    if (given.rssiMin != given.rssiMax)
        return QStringLiteral("the radio check needs both --rssi-min and --rssi-max");
    if (given.rssiReadings && !given.rssiMin)
        return QStringLiteral("--rssi-readings needs --rssi-min and --rssi-max");
    return recipeFieldProblem(o.recipe);
}

std::optional<CliOptions::Command> commandNamed(const QString &name)
{
    for (const auto &[text, command] : Commands) {
        if (name == QLatin1String(text))
            return command;
    }
    return std::nullopt;
}

// Checks what each command needs once every argument is known.
QString checkCombination(const CliOptions &o, const QStringList &positionals, const RecipeOptions &recipe)
{
    const QString name = commandName(o.command);
    const bool withPorts = o.command != CliOptions::Command::Ports && o.command != CliOptions::Command::QvxInfo
        && o.command != CliOptions::Command::Report && o.command != CliOptions::Command::Recipe;
    const bool withFile = o.command != CliOptions::Command::Ports && o.command != CliOptions::Command::Read
        && o.command != CliOptions::Command::Recipe;
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
    } else if (!o.output.isEmpty() && o.command != CliOptions::Command::Recipe) {
        return QStringLiteral("only read, report and recipe take -o");
    }
    if (o.yes && o.command != CliOptions::Command::Write && o.command != CliOptions::Command::Firmware)
        return QStringLiteral("only write and firmware take --yes");
    if (o.fast && !withPorts)
        return QStringLiteral("only read, write, diff and firmware take --fast");
    return checkRecipeOptions(o, recipe);
}

// A recipe option: nothing when `argument` is none; an empty text when it was taken, else the
// error.
template <class TakeValue>
std::optional<QString> takeRecipeOption(const QString &argument, TakeValue &takeValue, Recipe &r,
                                        Recipe::RadioCheck &radio, RecipeOptions &given)
{
    QString value;
    auto number = [&](const char *option, int *target) -> QString {
        if (!takeValue(&value))
            return QStringLiteral("%1 needs a whole number").arg(QLatin1String(option));
        const std::optional<int> n = wholeNumber(value);
        if (!n)
            return QStringLiteral("%1 needs a whole number, not %2").arg(QLatin1String(option), value);
        *target = *n;
        return {};
    };
    auto path = [&](const char *option, QString *target) -> QString {
        if (!takeValue(target) || target->isEmpty())
            return QStringLiteral("%1 needs a file").arg(QLatin1String(option));
        return {};
    };
    QString error;
    if (argument == QLatin1String("--name")) {
        if (!takeValue(&r.name) || r.name.trimmed().isEmpty())
            error = QStringLiteral("--name needs a name");
        given.name = true;
    } else if (argument == QLatin1String("--firmware")) {
        error = path("--firmware", &r.firmwarePath);
    } else if (argument == QLatin1String("--config")) {
        error = path("--config", &r.configPath);
    } else if (argument == QLatin1String("--skip-same-firmware")) {
        r.skipSameFirmware = true;
    } else if (argument == QLatin1String("--retry-firmware")) {
        r.retryFirmware = true;
    } else if (argument == QLatin1String("--normal-timing")) {
        r.normalTiming = true;
    } else if (argument == QLatin1String("--rssi-min")) {
        error = number("--rssi-min", &radio.minDbm);
        given.rssiMin = true;
    } else if (argument == QLatin1String("--rssi-max")) {
        error = number("--rssi-max", &radio.maxDbm);
        given.rssiMax = true;
    } else if (argument == QLatin1String("--rssi-readings")) {
        error = number("--rssi-readings", &radio.readings);
        given.rssiReadings = true;
    } else if (argument == QLatin1String("--read-attempts")) {
        error = number("--read-attempts", &r.firstReadAttempts);
    } else if (argument == QLatin1String("--absence-s")) {
        bool ok = false;
        const double seconds = takeValue(&value) ? value.toDouble(&ok) : 0.0;
        if (!ok || !(seconds > 0) || seconds > 1e6)
            error = QStringLiteral("--absence-s needs a number of seconds");
        else
            r.absenceMs = int(seconds * 1000 + 0.5);
    } else {
        return std::nullopt;
    }
    given.any = true;
    return error;
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
    RecipeOptions recipe;
    Recipe::RadioCheck radio;
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
        } else if (const std::optional<QString> error = takeRecipeOption(argument, takeValue, o.recipe, radio, recipe)) {
            if (!error->isEmpty())
                return fail(*error);
        } else {
            return fail(QStringLiteral("unknown option: %1").arg(argument));
        }
    }
    if (recipe.rssiMin || recipe.rssiMax)
        o.recipe.radioCheck = radio;
    if (parsed.help || parsed.version)
        return parsed;
    if (!commandSeen)
        return fail(QStringLiteral("no command given"));
    if (!positionals.isEmpty())
        o.file = positionals.first();
    if (const QString error = checkCombination(o, positionals, recipe); !error.isEmpty())
        return fail(error);
    return parsed;
}
