#include "ui/factory/TFcal.h"

#include "core/config/NumberText.h"
#include "core/session/ModuleSession.h"
#include "ui/common/PixelFont.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

namespace {
const QString StatusNone = QStringLiteral("Status: ---");
const QString StatusStored = QStringLiteral("Status: Werks-ID gespeichert");

QLineEdit *makeField(QWidget *parent, const char *name, int maxLength, const QRect &rect, int tag = -1)
{
    auto *field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    field->setMaxLength(maxLength);
    field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    field->setGeometry(rect);
    if (tag >= 0)
        field->setProperty("Tag", tag);
    return field;
}

void caption(QWidget *parent, const QString &text, const QRect &rect)
{
    auto *label = new QLabel(text, parent);
    label->setFont(arialFont(13));
    label->setGeometry(rect);
}
} // namespace

TFcal::TFcal(ModuleSession &session, QWidget *parent)
    : QDialog(parent)
    , m_session(session)
    , m_document(session.document())
    , m_record(session.factoryRecord())
{
    setObjectName(QStringLiteral("Fcal"));
    setWindowTitle(QStringLiteral("Velka - Werksdaten"));
    setModal(true);
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    resize(340, 315);

    WerkPanel = new QFrame(this);
    WerkPanel->setObjectName(QStringLiteral("WerkPanel"));
    WerkPanel->setFrameShape(QFrame::Panel);
    WerkPanel->setFrameShadow(QFrame::Raised);
    WerkPanel->setGeometry(8, 8, 200, 214);
    const int x = 116;
    caption(WerkPanel, QStringLiteral("Seriennummer"), QRect(8, 10, 104, 20));
    E_serienN = makeField(WerkPanel, "E_serienN", 5, QRect(x, 10, 76, 22), Word::Serial);
    caption(WerkPanel, QStringLiteral("DateCode"), QRect(8, 40, 104, 20));
    E_datecode = makeField(WerkPanel, "E_datecode", 5, QRect(x, 40, 76, 22), Word::DateCode);
    caption(WerkPanel, QStringLiteral("Kundennummer"), QRect(8, 70, 104, 20));
    E_customer = makeField(WerkPanel, "E_customer", 5, QRect(x, 70, 76, 22), Word::Customer);
    caption(WerkPanel, QStringLiteral("Anzahl  Progs"), QRect(8, 100, 104, 20));
    E_written = makeField(WerkPanel, "E_written", 5, QRect(x, 100, 76, 22), Word::Counter);
    caption(WerkPanel, QStringLiteral("neu Prog"), QRect(8, 142, 104, 20));
    nDD = makeField(WerkPanel, "nDD", 2, QRect(x, 142, 24, 22));
    nMM = makeField(WerkPanel, "nMM", 2, QRect(x + 26, 142, 24, 22));
    nYY = makeField(WerkPanel, "nYY", 2, QRect(x + 52, 142, 24, 22));
    caption(WerkPanel, QStringLiteral("alt Prog"), QRect(8, 176, 104, 20));
    aDD = makeField(WerkPanel, "aDD", 2, QRect(x, 176, 24, 22));
    aMM = makeField(WerkPanel, "aMM", 2, QRect(x + 26, 176, 24, 22));
    aYY = makeField(WerkPanel, "aYY", 2, QRect(x + 52, 176, 24, 22));
    for (QLineEdit *old : {aDD, aMM, aYY}) {
        old->setReadOnly(true);
        old->setEnabled(false);
    }

    Butstart = new QPushButton(QStringLiteral("Write Werk-Data"), this);
    Butstart->setObjectName(QStringLiteral("Butstart"));
    Butstart->setFont(arialFont(15, true));
    Butstart->setGeometry(216, 8, 116, 120);
    Butstart->setAutoDefault(false);
    Butcancel = new QPushButton(QStringLiteral("fertig"), this);
    Butcancel->setObjectName(QStringLiteral("Butcancel"));
    Butcancel->setGeometry(216, 140, 116, 40);
    Butcancel->setAutoDefault(false);

    MStatus = new QPlainTextEdit(this);
    MStatus->setObjectName(QStringLiteral("MStatus"));
    MStatus->setReadOnly(true);
    MStatus->setFrameShape(QFrame::NoFrame);
    MStatus->setFont(arialFont(13, true));
    MStatus->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette palette = MStatus->palette();
    palette.setColor(QPalette::Base, QColor(226, 226, 226));
    palette.setColor(QPalette::Text, QColor(128, 0, 0));
    MStatus->setPalette(palette);
    MStatus->setGeometry(8, 232, 324, 48);

    connect(Butstart, &QPushButton::clicked, this, &TFcal::ButstartClick);
    connect(Butcancel, &QPushButton::clicked, this, &TFcal::ButcancelClick);
    connect(&m_document, &ConfigDocument::configChanged, this, &TFcal::showFactoryWords);
    connect(&session, &ModuleSession::programmingDateChanged, this, &TFcal::showProgrammingDate);
    // A verified factory write: the window shows the advanced counter and says so.
    connect(&m_record, &FactoryRecord::writeFinished, this, [this](const FactoryResult &result) {
        if (!result.end.succeeded())
            return;
        addStatusLine(StatusStored);
        FormShow();
    });
}

void TFcal::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    FormShow();
}

void TFcal::FormShow()
{
    // The record is shown, not edited.
    WerkPanel->setEnabled(false);
}

void TFcal::ButstartClick()
{
    MStatus->clear();
    addStatusLine(StatusNone);
    m_record.write();
}

void TFcal::ButcancelClick()
{
    close();
}

void TFcal::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TFcal::FormClose()
{
    m_record.close();
}

void TFcal::showFactoryWords()
{
    const ConfigWords &image = m_document.configImage();
    const QChar blank(QLatin1Char(' '));
    const QChar zero(QLatin1Char('0'));
    E_serienN->setText(paddedNumber(5, blank, image[Word::Serial]));
    E_datecode->setText(paddedNumber(5, blank, image[Word::DateCode]));
    E_customer->setText(paddedNumber(5, blank, image[Word::Customer]));
    aDD->setText(paddedNumber(2, zero, image[Word::Day]));
    aMM->setText(paddedNumber(2, zero, image[Word::MonthYear] >> 8));
    aYY->setText(paddedNumber(2, zero, image[Word::MonthYear] & 0xFF));
    E_written->setText(paddedNumber(5, blank, image[Word::Counter]));
}

void TFcal::showProgrammingDate()
{
    const ProgrammingDate date = m_session.programmingDate();
    const QChar zero(QLatin1Char('0'));
    nDD->setText(paddedNumber(2, zero, date.day));
    nMM->setText(paddedNumber(2, zero, date.month));
    nYY->setText(paddedNumber(2, zero, date.year));
}

void TFcal::addStatusLine(const QString &line)
{
    MStatus->appendPlainText(line);
}
