#include "cli/Console.h"

#include <QJsonDocument>

#ifdef Q_OS_UNIX
#include <unistd.h>
#else
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#define STDIN_FILENO 0
#define STDOUT_FILENO 1
#define STDERR_FILENO 2
#endif

Console::Console(bool json)
    : m_json(json)
{
    if (!json)
        m_progressStream = stdout;
    else if (stderrIsTerminal())
        m_progressStream = stderr;
    m_redrawn = m_progressStream && isatty(fileno(m_progressStream));
}

bool Console::stdinIsTerminal() { return isatty(STDIN_FILENO); }
bool Console::stdoutIsTerminal() { return isatty(STDOUT_FILENO); }
bool Console::stderrIsTerminal() { return isatty(STDERR_FILENO); }

void Console::startProgress(const QStringList &ports)
{
    m_ports = ports;
    m_texts = QStringList(ports.size(), QStringLiteral("starting"));
    m_linesDrawn = 0;
    if (m_redrawn)
        redraw();
}

void Console::setProgress(int index, const QString &text)
{
    if (index < 0 || index >= m_texts.size() || m_texts[index] == text)
        return;
    m_texts[index] = text;
    if (!m_progressStream)
        return;
    if (m_redrawn) {
        redraw();
        return;
    }
    std::fprintf(m_progressStream, "%s: %s\n", qUtf8Printable(m_ports[index]), qUtf8Printable(text));
    std::fflush(m_progressStream);
}

void Console::redraw()
{
    // Back to the first progress line, then every line anew.
    if (m_linesDrawn > 0)
        std::fprintf(m_progressStream, "\x1b[%dA", m_linesDrawn);
    for (int i = 0; i < m_ports.size(); ++i)
        std::fprintf(m_progressStream, "\r\x1b[2K%s: %s\n", qUtf8Printable(m_ports[i]), qUtf8Printable(m_texts[i]));
    m_linesDrawn = int(m_ports.size());
    std::fflush(m_progressStream);
}

void Console::endProgress()
{
    m_ports.clear();
    m_texts.clear();
    m_linesDrawn = 0;
}

void Console::printOutcome(const PortOutcome &outcome, int portColumn)
{
    if (m_json) {
        printJson(outcome.values);
        return;
    }
    const QString line = QStringLiteral("%1  %2  %3 s  %4")
                             .arg(outcome.port, -portColumn)
                             .arg(outcomeName(outcome.exitCode), -20)
                             .arg(double(outcome.elapsedMs) / 1000.0, 6, 'f', 2)
                             .arg(outcome.message);
    printLine(line);
}

void Console::printJson(const QJsonObject &object)
{
    std::fprintf(stdout, "%s\n", QJsonDocument(object).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);
}

void Console::printLine(const QString &line)
{
    std::fprintf(stdout, "%s\n", qUtf8Printable(line));
    std::fflush(stdout);
}

void Console::printError(const QString &line)
{
    std::fprintf(stderr, "velka-cli: %s\n", qUtf8Printable(line));
    std::fflush(stderr);
}
