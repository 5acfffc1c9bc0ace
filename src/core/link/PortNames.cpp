#include "core/link/PortNames.h"

#include <QRegularExpression>
#include <QtGlobal>

QString systemPortName(const QString &portName)
{
#ifdef Q_OS_WIN
    return portName;
#else
    static const QRegularExpression comName(QStringLiteral("^COM([1-4])$"));
    const QRegularExpressionMatch match = comName.match(portName);
    if (!match.hasMatch())
        return portName;
    const int number = match.captured(1).toInt();
    const QByteArray variable = "VELKA_COM" + QByteArray::number(number);
    const QString chosen = qEnvironmentVariable(variable.constData());
    if (!chosen.isEmpty())
        return chosen;
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
#endif
}
