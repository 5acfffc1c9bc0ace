#include "ui/main/WordField.h"

#include "core/config/NumberText.h"
#include "core/workflow/ConfigDocument.h"
#include "ui/common/PixelFont.h"
#include "ui/main/MainWindowTexts.h"
#include "ui/main/PanelParts.h"

#include <QFocusEvent>
#include <QKeyEvent>

#include <cmath>

namespace {

bool focusMovedInsideWindow(const QFocusEvent *event)
{
    const Qt::FocusReason reason = event->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason
        && reason != Qt::MenuBarFocusReason;
}

} // namespace

WordField::WordField(ConfigDocument &document, const FieldRow &row, QWidget *parent)
    : QLineEdit(parent)
    , m_document(document)
    , m_word(row.word)
    , m_kind(row.kind)
    , m_digits(row.digits)
{
    setObjectName(QLatin1String(row.name));
    setProperty("Tag", row.word);
    setMaxLength(row.maxLength);
    setFont(pixelFont(QStringLiteral("Courier New"), 13));
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setGeometry(row.rect);
    if (row.hint)
        setToolTip(*row.hint);
    setReadOnly(row.readOnly);
}

void WordField::showWord()
{
    const quint16 value = m_document.word(m_word);
    if (m_kind == FieldKind::Time)
        setText(secondsText(value / 100.0, MainTexts::TimeUnit));
    else
        setText(paddedNumber(m_digits, QLatin1Char(' '), value));
}

void WordField::WordDataClick()
{
    selectAll();
}

void WordField::WordDataExit()
{
    const auto value = quint16(clampedInteger(text(), wordMaximum(m_word)));
    setText(paddedNumber(5, QLatin1Char(' '), value));
    m_document.setWord(m_word, value);
}

void WordField::WordDataKeyUp(int key)
{
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return;
    WordDataExit();
    selectAll();
}

void WordField::EditmsEnter()
{
    setText(secondsText(m_document.word(m_word) / 100.0, QString()));
    selectAll();
}

void WordField::EditmsExit()
{
    // Hundredths of a second, an exact half to the even neighbour.
    const double value = std::clamp(std::nearbyint(decimalValue(text()) * 100.0), 0.0, 65535.0);
    setText(secondsText(value / 100.0, MainTexts::TimeUnit));
    m_document.setWord(m_word, quint16(value));
}

void WordField::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    if (!m_editing || !focusMovedInsideWindow(event))
        return;
    if (m_kind == FieldKind::Integer)
        WordDataClick();
    else
        EditmsEnter();
}

void WordField::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    if (!m_editing || !focusMovedInsideWindow(event))
        return;
    if (m_kind == FieldKind::Integer)
        WordDataExit();
    else
        EditmsExit();
}

void WordField::mouseReleaseEvent(QMouseEvent *event)
{
    QLineEdit::mouseReleaseEvent(event);
    if (m_editing && m_kind == FieldKind::Integer)
        WordDataClick();
}

void WordField::keyReleaseEvent(QKeyEvent *event)
{
    QLineEdit::keyReleaseEvent(event);
    if (m_editing && m_kind == FieldKind::Integer)
        WordDataKeyUp(event->key());
    // A time field takes its value only when it is left.
}

WordField *buildField(ConfigDocument &document, const FieldRow &row, QWidget *parent)
{
    if (row.caption)
        makeCaption(parent, *row.caption, row.captionRect);
    return new WordField(document, row, parent);
}

QList<WordField *> buildFields(ConfigDocument &document, std::span<const FieldRow> rows,
                               QWidget *parent)
{
    QList<WordField *> fields;
    for (const FieldRow &row : rows)
        fields << buildField(document, row, parent);
    return fields;
}
