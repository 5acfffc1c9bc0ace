#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// Small modal window with the program's name, version, release month and support contact.
class TFabout : public QDialog
{
    Q_OBJECT
public:
    explicit TFabout(QWidget *parent = nullptr);

private:
    QLabel *Info = nullptr;
    QPushButton *Bback = nullptr;
};
