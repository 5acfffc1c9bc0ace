#pragma once

#include "core/workflow/Clock.h"
#include "ui/common/UserInteraction.h"

#include <QObject>

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QStringList>
#include <QTextEdit>
#include <QUrl>

#include <functional>

// A clock that shows what the test sets.
class FakeClock final : public Clock
{
public:
    QDate date{2026, 3, 7};
    QTime time{14, 5, 9};
    qint64 steady = 0; // moved on by the test
    QDate today() const override { return date; }
    QTime timeOfDay() const override { return time; }
    qint64 steadyMs() const override { return steady; }
};

// Answers confirmations from a script and records what was asked.
class ScriptedUserInteraction final : public UserInteraction
{
public:
    QList<bool> answers;      // next answers to confirm(); OK when empty
    QStringList questions;    // every confirmation text asked
    QList<QUrl> openedUrls;
    QStringList openNames;   // next answers of the open dialog; cancel when empty
    QStringList saveNames;   // next answers of the save dialog; cancel when empty
    QList<FileDialogRequest> fileRequests;

    QList<DefaultButton> preferred; // the default button of every confirmation asked
    bool confirm(const QString &text, DefaultButton button = DefaultButton::Ok) override
    {
        questions << text;
        preferred << button;
        return answers.isEmpty() ? true : answers.takeFirst();
    }
    QString askOpenFileName(const FileDialogRequest &request) override
    {
        fileRequests << request;
        return openNames.isEmpty() ? QString() : openNames.takeFirst();
    }
    QString askSaveFileName(const FileDialogRequest &request) override
    {
        fileRequests << request;
        return saveNames.isEmpty() ? QString() : saveNames.takeFirst();
    }
    void openUrl(const QUrl &url) override { openedUrls << url; }
};

// A frame with its checksum, worked out here rather than by the program under test: 0xFFFF
// minus the 16-bit byte sum, high byte first.
QByteArray withChecksum(QByteArray bytes);
// Bytes combined with the bootloader's link mask (0xC5), as they travel; the same takes the
// mask off again.
QByteArray masked(QByteArray bytes);

// A control of a window by its objectName (nullptr when there is none).
template <class T>
T *control(const QObject *window, const char *name)
{
    return window->findChild<T *>(QLatin1String(name));
}

// One line of a rich-text log with the colour of its first character.
struct LogLine
{
    QString text;
    QColor colour;
};
QList<LogLine> logLines(const QTextEdit *log);

// Runs `body` with the next modal dialog once it is up, then closes that dialog (also when a
// check in `body` failed), so a test can drive a window that is shown with exec().
void whileModal(std::function<void(QWidget *dialog)> body);
