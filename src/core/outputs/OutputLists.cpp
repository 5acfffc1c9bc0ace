#include "core/outputs/OutputLists.h"

namespace {
// Index 0..3 names the module's own terminals 1..4, from 4 on groups of eight: 11..18, 21..28, ...
QString terminalName(const char *prefix, int index)
{
    if (index < 4)
        return QLatin1String(prefix) + QString::number(index + 1);
    const int group = (index - 4) / 8 + 1;
    const int position = (index - 4) % 8 + 1;
    return QLatin1String(prefix) + QString::number(group) + QString::number(position);
}

QStringList buildList(int count, QString (*name)(int), int first)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << name(i + first);
    return list;
}
} // namespace

QString outputName(int number) { return terminalName("out", number - 1); }

QString inputName(int index) { return terminalName("in", index); }

const QStringList &sourceList()
{
    static const QStringList list{QStringLiteral("Master"), QStringLiteral("Slave1"),
                                  QStringLiteral("Slave2"), QStringLiteral("Slave3"),
                                  QStringLiteral("Slave4"), QStringLiteral("Status")};
    return list;
}

const QStringList &inputList()
{
    static const QStringList list = buildList(InputCount, inputName, 0);
    return list;
}

const QStringList &statusList()
{
    static const QStringList list{
        QStringLiteral("Festwert: immer OFF"),         QStringLiteral("Festwert: immer ON"),
        QStringLiteral("ON > Betrieb fehlerfrei"),     QStringLiteral("ON > FEHLER Funkmodul"),
        QStringLiteral("ON > FEHLER Funk mit Master"), QStringLiteral("ON > FEHLER Funk mit Slave1"),
        QStringLiteral("ON > FEHLER Funk mit Slave2"), QStringLiteral("ON > FEHLER Funk mit Slave3"),
        QStringLiteral("ON > FEHLER Funk mit Slave4"), QStringLiteral("ON > FEHLER RS485 Adr.1"),
        QStringLiteral("ON > FEHLER RS485 Adr.2")};
    return list;
}

const QStringList &faultList()
{
    static const QStringList list{QStringLiteral("unverändert"), QStringLiteral("Fehler > OFF")};
    return list;
}

const QStringList &inversionList()
{
    static const QStringList list{QStringLiteral("normal"), QStringLiteral("invertiert")};
    return list;
}

const QStringList &outputList()
{
    static const QStringList list = buildList(OutputCount, outputName, 1);
    return list;
}
