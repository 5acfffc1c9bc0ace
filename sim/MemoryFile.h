#pragma once

#include <QList>
#include <QString>

#include <vector>

// velka-sim's record of its program memory (--memory-out): one line "AAAA: IIIIII" (hex) per
// instruction that is not erased, so tests and benchmarks can compare it with a file.
namespace MemoryFile {

void write(const QString &path, const std::vector<quint32> &memory);

// What in the memory file differs from `instructions`, which fill memory from address 0;
// empty when nothing does.
QString difference(const QString &path, const QList<quint32> &instructions);

} // namespace MemoryFile
