#include "core/outputs/DigTab.h"

const DigEntry *digEntry(const DigTable &table, int number)
{
    if (number < 1 || number > OutputCount)
        return nullptr;
    return &table[std::size_t(number - 1)];
}

void setDefaultAssignment(DigTable &table)
{
    table.fill(DigEntry{});
    for (int n = 1; n <= 3; ++n)
        table[n - 1] = DigEntry{0, quint8(n - 1), 0};
    table[3] = DigEntry{StatusSource, 2, 0}; // "ON > Betrieb fehlerfrei"
    for (int group = 0; group < 4; ++group) {
        for (int position = 0; position < 8; ++position) {
            const int number = 5 + group * 8 + position;
            // Slave group+1, inputs in11..in18 (indices 4..11)
            table[number - 1] = DigEntry{quint8(group + 1), quint8(4 + position), 0};
        }
    }
}

void writeOutputWords(const DigTable &table, ConfigWords &image)
{
    for (int n = 1; n <= OutputCount; ++n) {
        const DigEntry &e = table[n - 1];
        image[100 + 2 * n] = e.source;
        image[101 + 2 * n] = quint16(e.content * 256 + e.options);
    }
}

void readOutputWords(const ConfigWords &image, DigTable &table)
{
    for (int n = 1; n <= OutputCount; ++n) {
        DigEntry &e = table[n - 1];
        e.source = quint8(image[100 + 2 * n] & 0xFF);
        e.content = quint8(image[101 + 2 * n] >> 8);
        e.options = quint8(image[101 + 2 * n] & 0xFF);
    }
}

OutputRowTexts outputRowTexts(const DigEntry &e)
{
    OutputRowTexts texts;
    if (e.source < sourceList().size())
        texts.source = sourceList().at(e.source);
    if (e.source < StatusSource)
        texts.content = inputList().value(e.content);
    else if (e.source == StatusSource)
        texts.content = statusList().value(e.content);
    else
        texts.content = InvalidSourceText;
    texts.fault = faultList().at((e.options & OffOnErrorBit) ? 1 : 0);
    texts.inversion = inversionList().at((e.options & InvertedBit) ? 1 : 0);
    return texts;
}

int extensionGroupsShown(quint16 word100)
{
    return word100 <= 4 ? int(word100) : 0;
}

int gridRowCount(quint16 word100)
{
    return 5 + 8 * extensionGroupsShown(word100);
}
