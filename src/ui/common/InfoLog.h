#pragma once

#include "core/workflow/LogStyle.h"

#include <QTextEdit>

class Clock;


QColor logColour(int value);

// The coloured information log: every report appends lines at the end and the newest
// line is scrolled into view. The main window and the firmware window each have one.
class InfoLog : public QTextEdit
{
    Q_OBJECT
public:
    InfoLog(const Clock &clock, QWidget *parent = nullptr);

    void showinfo(const QString &inhalt, int farbe, int option);

    static void AddColoredString(QTextEdit *ARichEdit, const QString &AText, int AColor);
    static void SetCaretToEnd(QTextEdit *hWindow, bool bScroll);

private:
    const Clock &m_clock;
};
