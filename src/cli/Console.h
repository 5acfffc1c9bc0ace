#pragma once

#include "cli/PortOutcome.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <cstdio>

// Where velka-cli writes. On a terminal the progress of every port stands on a line of its own
// that is redrawn in place; otherwise each change of step is a plain line. With --json the
// standard output carries only the JSON objects, one per line, and progress goes to a
// terminal on the error output if there is one.
class Console
{
public:
    explicit Console(bool json);

    bool json() const { return m_json; }
    static bool stdinIsTerminal();
    static bool stdoutIsTerminal();
    static bool stderrIsTerminal();

    void startProgress(const QStringList &ports);
    void setProgress(int index, const QString &text);
    void endProgress();

    // The closing line of one port: port, outcome, time, message; or its JSON object.
    void printOutcome(const PortOutcome &outcome, int portColumn);
    void printJson(const QJsonObject &object);
    void printLine(const QString &line);
    static void printError(const QString &line);

private:
    void redraw();

    bool m_json;
    FILE *m_progressStream = nullptr; // nullptr: no progress shown
    bool m_redrawn = false;           // the progress lines are drawn in place
    QStringList m_ports;
    QStringList m_texts;
    int m_linesDrawn = 0;
};
