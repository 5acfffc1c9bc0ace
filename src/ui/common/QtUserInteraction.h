#pragma once

#include "ui/common/UserInteraction.h"

// The real boxes and the desktop's browser. Boxes and dialogs belong to the window that is
// active when they are asked for, so they open over it and block only it.
class QtUserInteraction final : public UserInteraction
{
public:
    bool confirm(const QString &text, DefaultButton preferred = DefaultButton::Ok) override;
    QString askOpenFileName(const FileDialogRequest &request) override;
    QString askSaveFileName(const FileDialogRequest &request) override;
    void openUrl(const QUrl &url) override;
};
