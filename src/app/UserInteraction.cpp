#include "app/UserInteraction.h"

#include <QDesktopServices>
#include <QMessageBox>

bool QtUserInteraction::confirm(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Question, ConfirmationTitle, text,
                    QMessageBox::Ok | QMessageBox::Cancel, parent);
    return box.exec() == QMessageBox::Ok;
}

void QtUserInteraction::openUrl(const QUrl &url)
{
    QDesktopServices::openUrl(url);
}
