#pragma once

#include "cli/CliOptions.h"

class Console;

// The commands of velka-cli; each returns the process's exit code.
int runPorts(Console &console);
int runQvxInfo(const CliOptions &options, Console &console);
// The configuration report of a file, as PDF or HTML (needs a QGuiApplication).
int runReport(const CliOptions &options, Console &console);
// A production recipe from its files, checked and stamped with their hashes.
int runRecipe(const CliOptions &options, Console &console);
// read, write, diff and firmware: one job per port, all at the same time.
int runModuleCommand(const CliOptions &options, Console &console);

QString helpText();
