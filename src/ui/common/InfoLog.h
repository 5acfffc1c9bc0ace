#pragma once

#include "core/workflow/LogEntry.h"

#include <QTextEdit>

class QAction;
class QMenu;

class Clock;


// The log's colours: black progress, green success, red for failures and warnings.
namespace LogColour {
inline const QColor Black(0, 0, 0);
inline const QColor Red(255, 0, 0);
inline const QColor Green(0, 128, 0);
} // namespace LogColour
QColor logColour(LogKind kind);

// The coloured information log: every report appends lines at the end and the newest
// line is scrolled into view. The main window and the firmware window each have one.
class InfoLog : public QTextEdit
{
    Q_OBJECT
public:
    InfoLog(const Clock &clock, QWidget *parent = nullptr);

    void showinfo(const QString &inhalt, const QColor &farbe, LogLayout option);
    // A report of the core, in its kind's colour.
    void showEntry(const LogEntry &entry) { showinfo(entry.text, logColour(entry.kind), entry.layout); }

    // Offers "text" in the context menu; a click emits saveRequested(). The window that owns
    // the log asks for the file.
    void offerSaving(const QString &text);
    // The context menu as it opens: the editor's own entries, then the offered ones.
    QMenu *createContextMenu();

signals:
    void saveRequested();

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

    static void AddColoredString(QTextEdit *ARichEdit, const QString &AText, const QColor &AColor);
    static void SetCaretToEnd(QTextEdit *hWindow, bool bScroll);

private:
    const Clock &m_clock;
    QAction *m_saveAction = nullptr;
};
