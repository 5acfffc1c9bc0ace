#pragma once

#include "core/workflow/UserInteraction.h"

// What the workflows ask while velka-cli runs them. The person at the terminal confirmed the
// whole command before any port was touched (or gave --yes), so every box is answered with OK;
// the file asked for is the one named on the command line.
class JobInteraction final : public UserInteraction
{
public:
    explicit JobInteraction(QString fileName = {})
        : m_fileName(std::move(fileName))
    {
    }

    bool confirm(const QString &, DefaultButton) override { return true; }
    QString askOpenFileName(const FileDialogRequest &) override { return m_fileName; }
    QString askSaveFileName(const FileDialogRequest &) override { return {}; }
    void openUrl(const QUrl &) override {}

private:
    QString m_fileName;
};
