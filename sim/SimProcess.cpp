#include "SimProcess.h"

#include <QDeadlineTimer>

QString startSimulatorProcess(QProcess &process, const QString &program,
                              const QStringList &arguments, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    process.start(program, arguments);
    if (!process.waitForStarted(int(deadline.remainingTime())))
        return {};
    while (!process.canReadLine()) {
        if (deadline.hasExpired() || !process.waitForReadyRead(int(deadline.remainingTime())))
            return {};
    }
    const QString path = QString::fromLocal8Bit(process.readLine()).trimmed();
    return path.startsWith(QLatin1Char('/')) ? path : QString();
}
