#pragma once

#include <QString>
#include <QUrl>

// What a file dialog shows: title, filter ("Name|*.EXT|Name|*.*" pairs), the extension added
// to a name typed without one, and the name offered at first.
struct FileDialogRequest
{
    QString title;
    QString filter;
    QString defaultExtension;
    QString initialName;
};

// What the program asks of the person in front of it, or hands to the desktop: confirmation
// boxes, file dialogs and opening a web address. The windows answer with real boxes, tests
// from a script, a terminal front end with a prompt.
class UserInteraction
{
public:
    virtual ~UserInteraction() = default;

    // The button a confirmation box offers first: a step that cannot be taken back offers
    // Cancel.
    enum class DefaultButton { Ok, Cancel };

    // Modal box titled "-Bestätigung erforderlich-" with OK and Cancel; true only for OK.
    virtual bool confirm(const QString &text, DefaultButton preferred = DefaultButton::Ok) = 0;

    // The chosen file's name, or an empty text when the person cancels. The open dialog
    // accepts names of files that do not exist; the save dialog never asks before it
    // replaces a file.
    virtual QString askOpenFileName(const FileDialogRequest &request) = 0;
    virtual QString askSaveFileName(const FileDialogRequest &request) = 0;

    // Ask the desktop to open a web address.
    virtual void openUrl(const QUrl &url) = 0;
};

inline const QString ConfirmationTitle = QStringLiteral("-Bestätigung erforderlich-");
