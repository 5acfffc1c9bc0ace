#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// Starts the velka-sim program and returns the device path of its serial line, the first
// line it prints; empty when it did not start or print within `timeoutMs`.
QString startSimulatorProcess(QProcess &process, const QString &program,
                              const QStringList &arguments = {}, int timeoutMs = 5000);
