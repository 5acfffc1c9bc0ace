#pragma once

#include <QLineEdit>
#include <QRect>

#include <span>

class ConfigDocument;

// How a field shows and takes its word.
enum class FieldKind {
    Integer, // decimal (or hexadecimal when typed), padded with blanks
    Time,    // hundredths of a second, shown in seconds with a decimal comma and " s"
};

// One row of a window's field table: the field, its word and its caption.
struct FieldRow
{
    const char *name;         // objectName
    int word;                 // address of the word, the field's Tag
    FieldKind kind;
    int maxLength;
    QRect rect;
    const QString *hint = nullptr;
    const QString *caption = nullptr;
    QRect captionRect = {};
    int digits = 3;           // an integer field's width when the display shows it
    bool readOnly = false;
};

// A right-aligned field bound to one word of the configuration image. An integer field takes
// its value when it is left and on Enter, a time field when it is left; values beyond the
// word's range are clamped. Focus that comes or goes with the whole window (a dialog
// opening, a menu) is no edit.
class WordField : public QLineEdit
{
    Q_OBJECT
public:
    WordField(ConfigDocument &document, const FieldRow &row, QWidget *parent);

    int word() const { return m_word; }
    // Shows the word as the display refresh does.
    void showWord();
    // From now on the field changes nothing: its window is going away.
    void stopEditing() { m_editing = false; }

    // Integer fields.
    void WordDataClick();
    void WordDataExit();
    void WordDataKeyUp(int key);
    // Time fields.
    void EditmsEnter();
    void EditmsExit();

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    ConfigDocument &m_document;
    int m_word;
    FieldKind m_kind;
    int m_digits;
    bool m_editing = true;
};

// Builds a field of a table, after its caption, into `parent`.
WordField *buildField(ConfigDocument &document, const FieldRow &row, QWidget *parent);
// Builds the fields of a table in its order, which is also the order the Tab key visits them.
QList<WordField *> buildFields(ConfigDocument &document, std::span<const FieldRow> rows,
                               QWidget *parent);
