#pragma once

#include <QString>
#include <QUrl>

class QWidget;

// What a window asks of the person in front of it, or hands to the desktop: confirmation
// boxes and opening a web address. Tests answer through their own implementation.
class UserInteraction
{
public:
    virtual ~UserInteraction() = default;

    // Modal box titled "-Bestätigung erforderlich-" with OK and Cancel; true only for OK.
    virtual bool confirm(QWidget *parent, const QString &text) = 0;

    // Ask the desktop to open a web address.
    virtual void openUrl(const QUrl &url) = 0;
};

// The real boxes and the desktop's browser.
class QtUserInteraction final : public UserInteraction
{
public:
    bool confirm(QWidget *parent, const QString &text) override;
    void openUrl(const QUrl &url) override;
};

inline const QString ConfirmationTitle = QStringLiteral("-Bestätigung erforderlich-");
