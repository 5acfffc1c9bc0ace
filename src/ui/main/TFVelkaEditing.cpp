// Editing the image through the main window's fields: every field carries its word's
// address in its Tag, so a few shared handlers serve all of them.

#include "ui/main/TFVelka.h"

#include "ui/main/MainWindowTexts.h"
#include "core/config/NumberText.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

#include <cmath>

namespace {
int tagOf(const QLineEdit *field)
{
    return field->property("Tag").toInt();
}

// Focus that comes or goes with the whole window (a dialog opening, a menu) is no edit.
bool focusMovedInsideWindow(const QEvent *event)
{
    const Qt::FocusReason reason = static_cast<const QFocusEvent *>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason
        && reason != Qt::MenuBarFocusReason;
}

QString secondsText(double seconds, const QString &unit)
{
    return realvalue(seconds, 99999, 3, 3, QLatin1Char(' '), unit);
}
} // namespace

void TFVelka::connectFieldHandlers()
{
    m_integerFields = {E_adresse[0], E_adresse[1], E_adresse[2], E_adresse[3], E_adresse[4],
                       E_HFkanal,    E_HFpower,    E_systemID,   E_RS485adr1,  E_RS485adr2,
                       E_Qana1,      E_Qana2,      E_selfsent};
    m_timeFields = {E_HFzyklus, E_HFtimeout, E_RSzyklus, E_RStimeout,
                    E_timerNo1, E_TimerNo2,  E_HFresettime};
    for (QLineEdit *field : m_integerFields + m_timeFields)
        field->installEventFilter(this);
}

bool TFVelka::eventFilter(QObject *watched, QEvent *event)
{
    auto *field = qobject_cast<QLineEdit *>(watched);
    if (field && m_integerFields.contains(field)) {
        switch (event->type()) {
        case QEvent::FocusIn:
            if (focusMovedInsideWindow(event))
                WordDataClick(field);
            break;
        case QEvent::MouseButtonRelease:
            WordDataClick(field);
            break;
        case QEvent::FocusOut:
            if (focusMovedInsideWindow(event))
                WordDataExit(field);
            break;
        case QEvent::KeyRelease:
            WordDataKeyUp(field, static_cast<QKeyEvent *>(event)->key());
            break;
        default:
            break;
        }
    } else if (field && m_timeFields.contains(field)) {
        switch (event->type()) {
        case QEvent::FocusIn:
            if (focusMovedInsideWindow(event))
                EditmsEnter(field);
            break;
        case QEvent::FocusOut:
            if (focusMovedInsideWindow(event))
                EditmsExit(field);
            break;
        case QEvent::KeyRelease:
            EditmsKeyUp(field, static_cast<QKeyEvent *>(event)->key());
            break;
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFVelka::WordDataClick(QLineEdit *field)
{
    field->selectAll();
}

void TFVelka::WordDataExit(QLineEdit *field)
{
    const int tag = tagOf(field);
    const auto value = quint16(checkin(field->text(), wordMaximum(tag)));
    ConfigImage[tag] = value;
    field->setText(fillString(5, QLatin1Char(' '), value));
    showdata();
}

void TFVelka::WordDataKeyUp(QLineEdit *field, int key)
{
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return;
    WordDataExit(field);
    field->selectAll();
}

void TFVelka::EditmsEnter(QLineEdit *field)
{
    field->setText(secondsText(ConfigImage[tagOf(field)] / 100.0, QString()));
    field->selectAll();
}

void TFVelka::EditmsExit(QLineEdit *field)
{
    // Hundredths of a second, an exact half to the even neighbour.
    double value = std::nearbyint(textToReal(field->text()) * 100.0);
    if (value >= 65535.0)
        value = 65535.0;
    if (value < 0.0)
        value = 0.0;
    const int tag = tagOf(field);
    ConfigImage[tag] = quint16(value);
    field->setText(secondsText(value / 100.0, MainTexts::TimeUnit));
    showdata();
}

void TFVelka::EditmsKeyUp(QLineEdit *, int)
{
    // A time field takes its value only when it is left.
}
