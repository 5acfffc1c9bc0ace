#pragma once

#include "core/workflow/UserInteraction.h"

// What the program is asked when nobody sits in front of it: a command-line run the person
// confirmed as a whole before it began, or a benchmark. Every question is answered with OK,
// the open dialog with the file named beforehand; a save dialog is cancelled and nothing is
// handed to the desktop.
class UnattendedInteraction final : public UserInteraction
{
public:
    explicit UnattendedInteraction(QString openFileName = {})
        : m_openFileName(std::move(openFileName))
    {
    }

    bool confirm(const QString &, DefaultButton) override
    {
        ++m_confirmations;
        return true;
    }
    QString askOpenFileName(const FileDialogRequest &) override { return m_openFileName; }
    QString askSaveFileName(const FileDialogRequest &) override { return {}; }
    void openUrl(const QUrl &) override {}

    int confirmations() const { return m_confirmations; }

private:
    QString m_openFileName;
    int m_confirmations = 0;
};
