#include "ui/common/Buttons.h"

#include <QPushButton>

QPushButton *makeButton(QWidget *parent, const char *name, const QString &text, const QRect &rect)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(rect);
    button->setAutoDefault(false);
    return button;
}
