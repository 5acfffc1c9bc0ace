#include "ui/common/QtUserInteraction.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>

namespace {
QWidget *owner()
{
    return QApplication::activeWindow();
}

// "Name|*.A|Other|*.*" -> "Name (*.A);;Other (*.*)"
QString qtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        filters << parts[i] + QStringLiteral(" (") + parts[i + 1] + QLatin1Char(')');
    return filters.join(QStringLiteral(";;"));
}

QString runFileDialog(QWidget *parent, const FileDialogRequest &request, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent, request.title);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(qtFilter(request.filter));
    dialog.setDefaultSuffix(request.defaultExtension);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.selectFile(request.initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}
} // namespace

bool QtUserInteraction::confirm(const QString &text, DefaultButton preferred)
{
    QMessageBox box(QMessageBox::Question, ConfirmationTitle, text,
                    QMessageBox::Ok | QMessageBox::Cancel, owner());
    box.setDefaultButton(preferred == DefaultButton::Cancel ? QMessageBox::Cancel : QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}

QString QtUserInteraction::askOpenFileName(const FileDialogRequest &request)
{
    return runFileDialog(owner(), request, QFileDialog::AcceptOpen);
}

QString QtUserInteraction::askSaveFileName(const FileDialogRequest &request)
{
    return runFileDialog(owner(), request, QFileDialog::AcceptSave);
}

void QtUserInteraction::openUrl(const QUrl &url)
{
    QDesktopServices::openUrl(url);
}
