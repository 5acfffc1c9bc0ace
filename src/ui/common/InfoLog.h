#pragma once

#include "core/workflow/LogStyle.h"

#include <QTextEdit>

class QAction;
class QMenu;

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

    // Offers "text" in the context menu; a click emits saveRequested(). The window that owns
    // the log asks for the file.
    void offerSaving(const QString &text);
    // The context menu as it opens: the editor's own entries, then the offered ones.
    QMenu *createContextMenu();

signals:
    void saveRequested();

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

    static void AddColoredString(QTextEdit *ARichEdit, const QString &AText, int AColor);
    static void SetCaretToEnd(QTextEdit *hWindow, bool bScroll);

private:
    const Clock &m_clock;
    QAction *m_saveAction = nullptr;
};
