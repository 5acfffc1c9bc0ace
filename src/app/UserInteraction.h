#pragma once

#include <QString>
#include <QUrl>

class QWidget;

// What a file dialog shows: title, filter ("Name|*.EXT|Name|*.*" pairs), the extension added
// to a name typed without one, and the name offered at first.
struct FileDialogRequest
{
    QString title;
    QString filter;
    QString defaultExtension;
    QString initialName;
};

// What a window asks of the person in front of it, or hands to the desktop: confirmation
// boxes, file dialogs and opening a web address. Tests answer through their own
// implementation.
class UserInteraction
{
public:
    virtual ~UserInteraction() = default;

    // Modal box titled "-Bestätigung erforderlich-" with OK and Cancel; true only for OK.
    virtual bool confirm(QWidget *parent, const QString &text) = 0;

    // The chosen file's name, or an empty text when the person cancels. The open dialog
    // accepts names of files that do not exist; the save dialog never asks before it
    // replaces a file.
    virtual QString askOpenFileName(QWidget *parent, const FileDialogRequest &request) = 0;
    virtual QString askSaveFileName(QWidget *parent, const FileDialogRequest &request) = 0;

    // Ask the desktop to open a web address.
    virtual void openUrl(const QUrl &url) = 0;
};

// The real boxes and the desktop's browser.
class QtUserInteraction final : public UserInteraction
{
public:
    bool confirm(QWidget *parent, const QString &text) override;
    QString askOpenFileName(QWidget *parent, const FileDialogRequest &request) override;
    QString askSaveFileName(QWidget *parent, const FileDialogRequest &request) override;
    void openUrl(const QUrl &url) override;
};

inline const QString ConfirmationTitle = QStringLiteral("-Bestätigung erforderlich-");
