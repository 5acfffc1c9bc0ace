#include "ui/main/PanelParts.h"

#include "ui/common/PixelFont.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>

QLabel *makeCaption(QWidget *parent, const QString &text, const QRect &rect)
{
    auto *label = new QLabel(text, parent);
    label->setFont(arialFont(13));
    label->setGeometry(rect);
    return label;
}

QFrame *makePanel(QWidget *parent, const char *name, const QString &title, const QRect &rect)
{
    auto *panel = new QFrame(parent);
    setupPanel(panel, name, title, rect);
    return panel;
}

void setupPanel(QFrame *panel, const char *name, const QString &title, const QRect &rect)
{
    panel->setObjectName(QLatin1String(name));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setGeometry(rect);
    if (!title.isEmpty()) {
        auto *label = new QLabel(title, panel);
        label->setFont(arialFont(13, true));
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, PanelColour::Title);
        label->setPalette(palette);
        label->setGeometry(6, 2, rect.width() - 12, 16);
    }
}

QRadioButton *makeRadio(QWidget *parent, const QString &name, const QString &text, const QRect &rect)
{
    auto *button = new QRadioButton(text, parent);
    button->setObjectName(name);
    button->setGeometry(rect);
    return button;
}

QLabel *makeValueLabel(QWidget *parent, const char *name, const QRect &rect)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setFont(arialFont(13));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setGeometry(rect);
    return label;
}

void setBackground(QLineEdit *field, const QColor &colour)
{
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, colour);
    field->setPalette(palette);
}

void setTextColour(QLineEdit *field, const QColor &colour)
{
    QPalette palette = field->palette();
    palette.setColor(QPalette::Text, colour);
    field->setPalette(palette);
}

void selectRadio(QRadioButton *button)
{
    // Showing is not choosing: the button's handler would change the document being shown.
    const QSignalBlocker quiet(button);
    button->setChecked(true);
}
