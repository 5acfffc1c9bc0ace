#pragma once

#include <QRect>
#include <QString>

class QPushButton;
class QWidget;

// A push button by its object name, caption and place; Return never presses it for the person.
QPushButton *makeButton(QWidget *parent, const char *name, const QString &text, const QRect &rect);
