#pragma once

#include "app/Clock.h"
#include "app/UserInteraction.h"

#include <QColor>
#include <QList>
#include <QStringList>
#include <QTextEdit>
#include <QUrl>

// A clock that shows what the test sets.
class FakeClock final : public Clock
{
public:
    QDate date{2026, 3, 7};
    QTime time{14, 5, 9};
    QDate today() const override { return date; }
    QTime timeOfDay() const override { return time; }
};

// Answers confirmations from a script and records what was asked.
class ScriptedUserInteraction final : public UserInteraction
{
public:
    QList<bool> answers;      // next answers to confirm(); OK when empty
    QStringList questions;    // every confirmation text asked
    QList<QUrl> openedUrls;

    bool confirm(QWidget *, const QString &text) override
    {
        questions << text;
        return answers.isEmpty() ? true : answers.takeFirst();
    }
    void openUrl(const QUrl &url) override { openedUrls << url; }
};

// One line of a rich-text log with the colour of its first character.
struct LogLine
{
    QString text;
    QColor colour;
};
QList<LogLine> logLines(const QTextEdit *log);
