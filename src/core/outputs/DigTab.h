#pragma once

#include "core/config/ConfigImage.h"
#include "core/outputs/OutputLists.h"

#include <QString>

#include <array>

// One output's assignment: where its state comes from and how it behaves.
struct DigEntry
{
    quint8 source = 0; // source: 0 Master, 1..4 Slave1..4, 5 Status; others kept as they are
    quint8 content = 0; // input index (sources 0..4) or status function (source 5)
    quint8 options = 0;   // option bits; bits 2..7 are carried unchanged

    bool operator==(const DigEntry &) const = default;
};

inline constexpr quint8 InvertedBit = 0x01; // output inverted
inline constexpr quint8 OffOnErrorBit = 0x02;     // output switches OFF on an error
inline constexpr quint8 StatusSource = 5;

// Entry n-1 holds output number n.
using DigTable = std::array<DigEntry, OutputCount>;

// The entry of output `number` (1..36), or nullptr for a number that names no output.
const DigEntry *digEntry(const DigTable &table, int number);

// Default assignment: out1..3 from the master's in1..3, out4 "ON > Betrieb fehlerfrei",
// each extension group from its slave's in11..in18.
void setDefaultAssignment(DigTable &table);

// Fold the table into words 102..173, and take it back out of them.
void writeOutputWords(const DigTable &table, ConfigWords &image);
void readOutputWords(const ConfigWords &image, DigTable &table);

// The four texts a grid row shows for one entry.
struct OutputRowTexts
{
    QString source;
    QString content;
    QString fault;
    QString inversion;
};
OutputRowTexts outputRowTexts(const DigEntry &entry);

// Word 100 chooses how many extension groups exist: 0..4; anything else counts as 0.
int extensionGroupsShown(quint16 word100);
// Rows of the grid including its title row: 5, 13, 21, 29 or 37.
int gridRowCount(quint16 word100);
