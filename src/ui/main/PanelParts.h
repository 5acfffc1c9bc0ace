#pragma once

#include <QColor>
#include <QRect>
#include <QString>

class QFrame;
class QLabel;
class QLineEdit;
class QRadioButton;
class QWidget;

// The building blocks the main window's panels share: their look in one place.
namespace PanelColour {
inline const QColor Window(214, 214, 214);
inline const QColor Title(128, 0, 0); // maroon
inline const QColor Greyed(128, 128, 128);
inline const QColor White(255, 255, 255);
inline const QColor RedText(255, 0, 0);
inline const QColor BlackText(0, 0, 0);
} // namespace PanelColour

// A caption in the panels' font.
QLabel *makeCaption(QWidget *parent, const QString &text, const QRect &rect);
// A raised group with its bold maroon title in the top left corner (no title: none).
void setupPanel(QFrame *panel, const char *name, const QString &title, const QRect &rect);
QFrame *makePanel(QWidget *parent, const char *name, const QString &title, const QRect &rect);
QRadioButton *makeRadio(QWidget *parent, const QString &name, const QString &text, const QRect &rect);
// A right-aligned label that shows a value.
QLabel *makeValueLabel(QWidget *parent, const char *name, const QRect &rect);

// A field's background (white, or the colour that marks what exists) and text colour.
void setBackground(QLineEdit *field, const QColor &colour);
void setTextColour(QLineEdit *field, const QColor &colour);
// Checks a radio button as the display shows the document; its handler does not run.
void selectRadio(QRadioButton *button);
