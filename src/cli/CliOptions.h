#pragma once

#include "core/station/Recipe.h"

#include <QString>
#include <QStringList>

// What the command line asks for, checked before any port is touched.
struct CliOptions
{
    enum class Command { Ports, Read, Write, Diff, Firmware, QvxInfo, Report, Recipe };

    Command command = Command::Ports;
    QStringList ports;   // in the order given, each once
    QString file;        // the configuration or firmware file a command works with
    QString output;      // read: where the image goes ("{port}" stands for the port's name);
                         // report: the PDF or HTML file; recipe: the recipe file
    bool json = false;
    bool yes = false;
    bool fast = false;   // judge each reply as soon as it is whole (the production line's mode)
    Recipe recipe;       // recipe: what the new one says, its files as typed (written to `output`)
};

struct ParsedArguments
{
    CliOptions options;
    bool help = false;
    bool version = false;
    QString error; // a usage error; empty when the arguments are good
};

// `arguments` without the program name.
ParsedArguments parseArguments(const QStringList &arguments);

QString commandName(CliOptions::Command command);

// The file name `read` writes for `port`: the "{port}" in `pattern` replaced by a form of the
// port's name that is safe in a file name.
QString outputFileFor(const QString &pattern, const QString &port);
