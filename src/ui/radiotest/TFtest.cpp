#include "ui/radiotest/TFtest.h"

#include "core/workflow/RadioTest.h"
#include "ui/radiotest/RadioTestDisplay.h"
#include "ui/common/Buttons.h"
#include "ui/common/PixelFont.h"

#include <QEvent>
#include <QKeyEvent>
#include <QShowEvent>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

namespace {
const QString Caption = QStringLiteral("Velka - Testfunktion(en)");
const QString HintCarrierFirmware = QStringLiteral("erfordert min. Firmware v1.01");
const QString Warning1 = QStringLiteral("!!! ACHTUNG !!!");
const QString Warning2 = QStringLiteral("Diese Funktion darf nur für max. 6 Minuten pro Stunde");
const QString Warning3 = QStringLiteral("genutzt werden! Eine längere Nutzung ist strafbar!");
const QString CarrierStart = QStringLiteral("HF-Dauerträger Start");
const QString CarrierStop = QStringLiteral("!!! HF-Dauerträger STOP !!!");
const QString HintStart = QStringLiteral("Start Testmodus!");
const QString HintStop = QStringLiteral("Hier drücken, um Testmodus wieder zu beenden!");
const QString TryCaption = QStringLiteral("Verbindungsversuch:");
const QString HintRssiFirmware = QStringLiteral("erfordert min. Firmware v1.28");
const QString RssiStart = QStringLiteral("ermittle RSSI");
const QString RssiEnd = QStringLiteral("ENDE RSSI");
const QString RssiCaption = QStringLiteral("RSSI-Wert:");
const QString NoValue = QStringLiteral("---");
const QString Saturation = QStringLiteral("(Sättigung bei ca. -40dBm)");
const QString CloseCaption = QStringLiteral("Fenster schließen");
// %1 minutes, %2 seconds
const QString CarrierTime = QStringLiteral("Dauerträger an seit %1:%2 min");

const QColor Black(0, 0, 0);
const QColor Red(255, 0, 0);
const QColor Yellow(255, 255, 0);
const QColor Grey(214, 214, 214);

QFrame *makePanel(QWidget *parent, const char *name, const QRect &rect)
{
    auto *panel = new QFrame(parent);
    panel->setObjectName(QLatin1String(name));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setGeometry(rect);
    panel->setAutoFillBackground(true);
    return panel;
}

void setPanelColour(QFrame *panel, const QColor &colour)
{
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, colour);
    panel->setPalette(palette);
}

QLabel *makeLabel(QWidget *parent, const QString &text, const QRect &rect, const QFont &font,
                  const QColor &colour = QColor())
{
    auto *label = new QLabel(text, parent);
    label->setGeometry(rect);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    if (colour.isValid()) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, colour);
        label->setPalette(palette);
    }
    return label;
}

QPushButton *makeBoldButton(QWidget *parent, const char *name, const QString &text, const QRect &rect,
                            int pixels = 17)
{
    QPushButton *button = makeButton(parent, name, text, rect);
    button->setFont(arialFont(pixels, true));
    return button;
}
} // namespace

TFtest::TFtest(RadioTest &test, QWidget *parent)
    : QDialog(parent)
    , m_test(test)
{
    setObjectName(QStringLiteral("Ftest"));
    setWindowTitle(Caption);
    setModal(true);
    // No title-bar buttons: the window is left by its own button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    buildLayout();

    connect(&test, &RadioTest::triesShown, this, [this](int tries) {
        Ltries->setText(QString::number(tries));
        Ptry->show();
    });
    connect(&test, &RadioTest::triesHidden, Ptry, &QWidget::hide);
    connect(&test, &RadioTest::refreshed, this, [this](const RadioTestState &state) {
        showState(radioTestDisplay(state.carrierOn, state.measuring));
    });
    connect(&test, &RadioTest::carrierTimeShown, this, [this](int seconds) {
        LCarrierTime->setText(CarrierTime.arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0')));
        LCarrierTime->show();
    });
    connect(&test, &RadioTest::carrierTimeHidden, LCarrierTime, &QWidget::hide);
    connect(&test, &RadioTest::rssiMeasured, this, &TFtest::showRssi);
    connect(ButRFstartstop, &QPushButton::clicked, this, &TFtest::ButRFstartstopClick);
    connect(BgetRSSI, &QPushButton::clicked, this, &TFtest::BgetRSSIClick);
    connect(Bclose, &QPushButton::clicked, this, &TFtest::BcloseClick);
}

void TFtest::buildLayout()
{
    setFixedSize(520, 330);
    const QFont bold = arialFont(13, true);

    PRF = makePanel(this, "PRF", QRect(8, 8, 504, 120));
    PRF->setToolTip(HintCarrierFirmware);
    setPanelColour(PRF, Black);
    QFont warning = arialFont(17, true);
    warning.setUnderline(true);
    makeLabel(PRF, Warning1, QRect(8, 6, 270, 26), warning, Yellow);
    makeLabel(PRF, Warning2, QRect(8, 36, 270, 36), bold, Yellow)->setWordWrap(true);
    makeLabel(PRF, Warning3, QRect(8, 74, 270, 36), bold, Yellow)->setWordWrap(true);
    // Small enough for the longer stop caption.
    ButRFstartstop = makeBoldButton(PRF, "ButRFstartstop", CarrierStart, QRect(286, 10, 210, 100), 14);
    ButRFstartstop->setToolTip(HintStart);

    Ptry = makePanel(this, "Ptry", QRect(8, 134, 160, 52));
    makeLabel(Ptry, TryCaption, QRect(4, 4, 152, 20), arialFont(12));
    Ltries = makeLabel(Ptry, QStringLiteral("1"), QRect(4, 26, 152, 20), pixelFont(QStringLiteral("Courier New"), 15, true));
    Ltries->setObjectName(QStringLiteral("Ltries"));
    Ptry->hide();

    LCarrierTime = makeLabel(this, QString(), QRect(176, 134, 336, 52), bold, Red);
    LCarrierTime->setObjectName(QStringLiteral("LCarrierTime"));
    LCarrierTime->hide();

    PfarbeRSSI = makePanel(this, "PfarbeRSSI", QRect(8, 192, 504, 88));
    PfarbeRSSI->setToolTip(HintRssiFirmware);
    setPanelColour(PfarbeRSSI, Black);
    BgetRSSI = makeBoldButton(PfarbeRSSI, "BgetRSSI", RssiStart, QRect(8, 8, 200, 72));
    BgetRSSI->setToolTip(HintStart);
    PRSSI = makePanel(PfarbeRSSI, "PRSSI", QRect(216, 8, 280, 72));
    setPanelColour(PRSSI, Grey); // the value stays readable on either colour around it
    makeLabel(PRSSI, RssiCaption, QRect(6, 4, 90, 22), arialFont(13));
    L_RSSI = makeLabel(PRSSI, NoValue, QRect(96, 2, 100, 26), arialFont(19, true));
    L_RSSI->setObjectName(QStringLiteral("L_RSSI"));
    QLabel *note = makeLabel(PRSSI, Saturation, QRect(196, 2, 80, 30), arialFont(10));
    note->setWordWrap(true);
    PBrssi = new QProgressBar(PRSSI);
    PBrssi->setObjectName(QStringLiteral("PBrssi"));
    PBrssi->setGeometry(6, 40, 268, 22);
    PBrssi->setRange(15, 65);
    PBrssi->setValue(15);
    PBrssi->setTextVisible(false);
    PBrssi->setStyleSheet(QStringLiteral("QProgressBar::chunk { background: #008000; }"));

    Bclose = makeBoldButton(this, "Bclose", CloseCaption, QRect(8, 288, 504, 34));
}

void TFtest::showState(const RadioTestDisplay &display)
{
    setPanelColour(PRF, display.carrierRed ? Red : Black);
    ButRFstartstop->setEnabled(display.startStopEnabled);
    ButRFstartstop->setText(display.stopCaption ? CarrierStop : CarrierStart);
    ButRFstartstop->setToolTip(display.stopCaption ? HintStop : HintStart);
    setPanelColour(PfarbeRSSI, display.rssiRed ? Red : Black);
    BgetRSSI->setEnabled(display.rssiEnabled);
    BgetRSSI->setText(display.rssiEndCaption ? RssiEnd : RssiStart);
    Bclose->setEnabled(display.closeEnabled);
    if (display.noMeasurement) {
        L_RSSI->setText(NoValue);
        PBrssi->reset(); // below its range: an empty bar
    }
}

void TFtest::showRssi(int raw, const QString &dbmText)
{
    // A value beyond the bar's range shows at its nearer end.
    PBrssi->setValue(std::clamp(raw, PBrssi->minimum(), PBrssi->maximum()));
    L_RSSI->setText(dbmText);
}

void TFtest::ButRFstartstopClick()
{
    m_test.toggleCarrier();
}

void TFtest::BgetRSSIClick()
{
    m_test.toggleMeasurement();
}

void TFtest::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // A carrier counts as on only once the module acknowledges it in this test.
    m_test.begin();
    // Shown counts as activated: a window manager may activate it late, or not at all.
    FormActivate();
}

void TFtest::keyPressEvent(QKeyEvent *event)
{
    // The window is left by its close button only, which a measurement may disable.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFtest::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}

void TFtest::FormActivate()
{
    m_test.resume();
}

void TFtest::BcloseClick()
{
    close();
}

void TFtest::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TFtest::FormClose()
{
    m_test.end();
    setPanelColour(PRF, Black);
    ButRFstartstop->setToolTip(HintStart);
}
