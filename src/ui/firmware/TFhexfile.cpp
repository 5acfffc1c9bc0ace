#include "ui/firmware/TFhexfile.h"

#include "core/firmware/FirmwareUpdate.h"
#include "ui/common/InfoLog.h"
#include "ui/common/PixelFont.h"
#include "ui/firmware/PieGauge.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace {
const QString Caption = QStringLiteral("Firmware Updater v1.0");
const QString StartText = QStringLiteral("start update");
const QString StartHint = QStringLiteral("Firmware-Update starten");
const QString EndText = QStringLiteral("ENDE");
const QColor Green(0, 128, 0);
const QColor Red(255, 0, 0);
const QColor LightYellow(255, 255, 128);

QPushButton *makeButton(QWidget *parent, const char *name, const QString &text, const QRect &rect)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setFont(arialFont(19, true));
    button->setGeometry(rect);
    button->setAutoDefault(false);
    return button;
}
} // namespace

TFhexfile::TFhexfile(FirmwareUpdate &update, const Clock &clock, QWidget *parent)
    : QDialog(parent)
    , m_update(update)
{
    setObjectName(QStringLiteral("Fhexfile"));
    setWindowTitle(Caption);
    setModal(true);
    // A dialog border with only a close box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    MInfo = new InfoLog(clock, this);
    buildLayout();
    connectUpdate();
}

void TFhexfile::buildLayout()
{
    setFixedSize(560, 360);
    MInfo->setObjectName(QStringLiteral("MInfo"));
    MInfo->setGeometry(8, 8, 384, 344);

    const int x = 400;
    const int width = 152;
    gaugecountdown = new PieGauge(this);
    gaugecountdown->setObjectName(QStringLiteral("gaugecountdown"));
    gaugecountdown->setGeometry(x + 16, 8, 120, 120);
    gaugecountdown->setMaximum(20);
    gaugecountdown->hide();

    countdown = new QLabel(QStringLiteral("00"), this);
    countdown->setObjectName(QStringLiteral("countdown"));
    countdown->setGeometry(x + 16, 8, 120, 120);
    countdown->setAlignment(Qt::AlignCenter);
    countdown->setFont(arialFont(48, true));
    countdown->setAttribute(Qt::WA_TranslucentBackground);
    QPalette red = countdown->palette();
    red.setColor(QPalette::WindowText, Red);
    countdown->setPalette(red);
    countdown->hide();

    Ausrufezeichen = new QLabel(QStringLiteral("!"), this);
    Ausrufezeichen->setObjectName(QStringLiteral("Ausrufezeichen"));
    Ausrufezeichen->setGeometry(x, 128, width, 72);
    Ausrufezeichen->setAlignment(Qt::AlignCenter);
    Ausrufezeichen->setFont(arialFont(72, true));
    Ausrufezeichen->setPalette(red);
    Ausrufezeichen->hide();

    progress = new QProgressBar(this);
    progress->setObjectName(QStringLiteral("progress"));
    progress->setGeometry(x, 204, width, 18);
    progress->setRange(0, 100);
    progress->setTextVisible(false);
    setBarColour(Green);
    progress->hide();

    ButProg = makeButton(this, "ButProg", StartText, QRect(x, 228, width, 60));
    ButProg->setToolTip(StartHint);
    ButProg->setEnabled(false);
    ButClose = makeButton(this, "ButClose", EndText, QRect(x, 292, width, 60));

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->hide();

    connect(ButProg, &QPushButton::clicked, this, &TFhexfile::ButProgClick);
    connect(ButClose, &QPushButton::clicked, this, &TFhexfile::ButCloseClick);
}

void TFhexfile::connectUpdate()
{
    FirmwareUpdate *update = &m_update;
    connect(update, &FirmwareUpdate::logged, MInfo, &InfoLog::showinfo);
    connect(update, &FirmwareUpdate::logCleared, MInfo, &InfoLog::clear);
    connect(update, &FirmwareUpdate::diagnosticAdded, Memo1, &QPlainTextEdit::appendPlainText);
    connect(update, &FirmwareUpdate::diagnosticCleared, Memo1, &QPlainTextEdit::clear);
    connect(update, &FirmwareUpdate::startEnabled, ButProg, &QWidget::setEnabled);
    connect(update, &FirmwareUpdate::startVisible, ButProg, &QWidget::setVisible);
    connect(update, &FirmwareUpdate::countdownShown, this, [this](int remaining) {
        countdown->setText(QString::number(remaining));
        countdown->show();
        gaugecountdown->setValue(remaining);
        gaugecountdown->show();
        countdown->raise();
    });
    connect(update, &FirmwareUpdate::countdownHidden, this, [this] {
        gaugecountdown->hide();
        countdown->hide();
    });
    connect(update, &FirmwareUpdate::warningShown, Ausrufezeichen, &QWidget::setVisible);
    connect(update, &FirmwareUpdate::progressStarted, this, [this] {
        setBarColour(Green);
        progress->setValue(0);
        progress->show();
    });
    connect(update, &FirmwareUpdate::progressChanged, progress, &QProgressBar::setValue);
    connect(update, &FirmwareUpdate::progressFailed, this, [this] { setBarColour(Red); });
    connect(update, &FirmwareUpdate::progressHidden, progress, &QWidget::hide);
    connect(update, &FirmwareUpdate::beep, this, [] { QApplication::beep(); });
    connect(update, &FirmwareUpdate::closeRequested, this, &QDialog::reject);
}

void TFhexfile::setBarColour(const QColor &colour)
{
    progress->setStyleSheet(QStringLiteral("QProgressBar { background: %1; border: 1px solid gray; }"
                                           "QProgressBar::chunk { background: %2; }")
                                .arg(LightYellow.name(), colour.name()));
}

void TFhexfile::enableButtons()
{
    ButClose->setEnabled(true);
    ButProg->setEnabled(true);
}

void TFhexfile::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    // The file dialog opens over the window once it is up.
    QTimer::singleShot(0, this, &TFhexfile::FormShow);
}

void TFhexfile::FormShow()
{
    m_update.FormShow();
}

void TFhexfile::ButProgClick()
{
    m_update.ButProgClick();
}

void TFhexfile::ButCloseClick()
{
    m_update.ButCloseClick();
}

void TFhexfile::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TFhexfile::FormClose()
{
    m_update.FormClose();
}
