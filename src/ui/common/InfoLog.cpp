#include "ui/common/InfoLog.h"

#include "core/workflow/Clock.h"
#include "ui/common/PixelFont.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QScrollBar>
#include <QTextCursor>

QColor logColour(LogKind kind)
{
    switch (kind) {
    case LogKind::Progress: return LogColour::Black;
    case LogKind::Success: return LogColour::Green;
    case LogKind::Warning:
    case LogKind::Failure: return LogColour::Red;
    }
    return LogColour::Black;
}

InfoLog::InfoLog(const Clock &clock, QWidget *parent)
    : QTextEdit(parent)
    , m_clock(clock)
{
    setFont(pixelFont(QStringLiteral("Courier New"), 13));
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::ClickFocus);
    setAcceptRichText(false);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setToolTip(QStringLiteral("Informationsfenster"));
}

void InfoLog::offerSaving(const QString &text)
{
    if (!m_saveAction) {
        m_saveAction = new QAction(this);
        m_saveAction->setObjectName(QStringLiteral("ProtokollSpeichern"));
        connect(m_saveAction, &QAction::triggered, this, &InfoLog::saveRequested);
    }
    m_saveAction->setText(text);
}

QMenu *InfoLog::createContextMenu()
{
    QMenu *menu = createStandardContextMenu();
    if (m_saveAction) {
        menu->addSeparator();
        menu->addAction(m_saveAction);
    }
    return menu;
}

void InfoLog::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void InfoLog::showinfo(const QString &inhalt, const QColor &farbe, LogLayout option)
{
    if (hasTimeLine(option)) {
        const QString time = m_clock.timeOfDay().toString(QStringLiteral("hh:mm:ss"));
        AddColoredString(this, QStringLiteral(" -") + time + QStringLiteral("-\n"), farbe);
    }
    AddColoredString(this, inhalt + QLatin1Char('\n'), farbe);
    if (hasEmptyLine(option))
        AddColoredString(this, QStringLiteral("\n"), farbe);
    SetCaretToEnd(this, true);
}

void InfoLog::AddColoredString(QTextEdit *ARichEdit, const QString &AText, const QColor &AColor)
{
    QTextCursor cursor(ARichEdit->document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setForeground(AColor);
    cursor.insertText(AText, format);
}

void InfoLog::SetCaretToEnd(QTextEdit *hWindow, bool bScroll)
{
    QTextCursor cursor = hWindow->textCursor();
    cursor.movePosition(QTextCursor::End);
    hWindow->setTextCursor(cursor);
    if (bScroll) {
        hWindow->ensureCursorVisible();
        // The caret sits on the empty line after the last report; show the bottom fully.
        hWindow->verticalScrollBar()->setValue(hWindow->verticalScrollBar()->maximum());
    }
}
