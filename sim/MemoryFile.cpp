#include "MemoryFile.h"

#include "ModuleBootloader.h"
#include "core/files/WholeFileSave.h"

#include <QFile>
#include <QHash>

#include <cstdio>

namespace MemoryFile {

void write(const QString &path, const std::vector<quint32> &memory)
{
    QByteArray text;
    for (size_t i = 0; i < memory.size(); ++i) {
        if (memory[i] != ModuleBootloader::Erased)
            text += QStringLiteral("%1: %2\n").arg(2 * i, 4, 16, QLatin1Char('0')).arg(memory[i], 6, 16, QLatin1Char('0')).toUpper().toLatin1();
    }
    QString error;
    if (!saveWholeFile(path, text, &error))
        std::fprintf(stderr, "velka-sim: %s: %s\n", qPrintable(path), qPrintable(error));
}

QString difference(const QString &path, const QList<quint32> &instructions)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return path + QStringLiteral(": ") + file.errorString();
    QHash<quint32, quint32> memory; // address -> instruction
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QList<QByteArray> parts = line.split(':');
        if (parts.size() == 2)
            memory.insert(parts[0].trimmed().toUInt(nullptr, 16), parts[1].trimmed().toUInt(nullptr, 16));
    }
    for (qsizetype i = 0; i < instructions.size(); ++i) {
        const quint32 held = memory.value(quint32(2 * i), ModuleBootloader::Erased);
        if (held != instructions[i])
            return QStringLiteral("address %1 holds %2 instead of %3")
                .arg(2 * i, 4, 16, QLatin1Char('0'))
                .arg(held, 6, 16, QLatin1Char('0'))
                .arg(instructions[i], 6, 16, QLatin1Char('0'));
    }
    return {};
}

} // namespace MemoryFile
