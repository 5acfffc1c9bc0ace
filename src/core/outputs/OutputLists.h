#pragma once

#include <QString>
#include <QStringList>

// The code lists of an output assignment. The grid and the output editor both take their
// texts from here, so a code and its text are defined once.

inline constexpr int OutputCount = 36;  // 4 own outputs + 4 extension groups of 8
inline constexpr int InputCount = 36;   // the same naming scheme for the inputs
inline constexpr int StatusCount = 11;

// Output number 1..36 -> "out1".."out4", "out11".."out18", ..., "out41".."out48".
QString outputName(int number);

// Input index 0..35 -> "in1".."in4", "in11".."in18", ..., "in41".."in48".
QString inputName(int index);

const QStringList &sourceList();    // 0 "Master" .. 4 "Slave4", 5 "Status"
const QStringList &inputList();     // 36 input names
const QStringList &statusList();    // 11 status functions
const QStringList &faultList();     // "unverändert", "Fehler > OFF"
const QStringList &inversionList(); // "normal", "invertiert"
const QStringList &outputList();    // 36 output names

inline const QString InvalidSourceText = QStringLiteral("-ungültig-");
