#include "link/TFRX.h"

TFRX::TFRX(QObject *parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("FRX"));
}
