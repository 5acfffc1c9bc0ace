#pragma once

#include <QString>
#include <QStringList>

// One trace of the link's traffic. The link appends a line per byte sent or received, so a
// long session would grow without limit; only the newest lines are kept.
class TraceMemo
{
public:
    static constexpr qsizetype MaxLines = 8000;

    explicit TraceMemo(const QString &firstLine) { m_lines << firstLine; }

    void append(const QString &line);
    void clear() { m_lines.clear(); }

    const QStringList &lines() const { return m_lines; }
    qsizetype lineCount() const { return m_lines.size(); }
    QString lastLine() const { return m_lines.isEmpty() ? QString() : m_lines.last(); }
    QString text() const { return m_lines.join(QLatin1Char('\n')); }

private:
    QStringList m_lines;
};
