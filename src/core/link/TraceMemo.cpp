#include "core/link/TraceMemo.h"

void TraceMemo::append(const QString &line)
{
    m_lines << line;
    // Dropping in batches keeps appending cheap even when every call would overflow.
    if (m_lines.size() > MaxLines + MaxLines / 8)
        m_lines.remove(0, m_lines.size() - MaxLines);
}
