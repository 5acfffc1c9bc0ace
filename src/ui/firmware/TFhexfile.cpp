#include "ui/firmware/TFhexfile.h"

#include "core/firmware/FirmwareUpdate.h"
#include "ui/common/UserInteraction.h"
#include "ui/common/Buttons.h"
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
const QString Title = QStringLiteral("-FirmwareUpdate-");
const QString DialogTitle = QStringLiteral("Firmwaredatei laden");
const QString DialogFilter = QStringLiteral("*.qvx (Firmware-UpdateFile)|*.qvx");
const QString DialogExtension = QStringLiteral("qvx");
const QString LoadCancelled = QStringLiteral("Datei Laden abgebrochen");
const QString Confirm = QStringLiteral("Bitte bestätigen Sie die Aktion \"FirmwareUpdate\"!");
const QColor Green(0, 128, 0);
const QColor Red(255, 0, 0);
const QColor LightYellow(255, 255, 128);

} // namespace

TFhexfile::TFhexfile(FirmwareUpdate &update, UserInteraction &ui, const Clock &clock, QWidget *parent)
    : QDialog(parent)
    , m_update(update)
    , m_ui(ui)
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
    ButProg->setFont(arialFont(19, true));
    ButProg->setToolTip(StartHint);
    ButProg->setEnabled(false);
    ButClose = makeButton(this, "ButClose", EndText, QRect(x, 292, width, 60));
    ButClose->setFont(arialFont(19, true));

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
    connect(update, &FirmwareUpdate::logged, MInfo, &InfoLog::showEntry);
    connect(update, &FirmwareUpdate::diagnosticAdded, Memo1, &QPlainTextEdit::appendPlainText);
    connect(update, &FirmwareUpdate::diagnosticCleared, Memo1, &QPlainTextEdit::clear);
    connect(update, &FirmwareUpdate::stageChanged, this, [this](FirmwareUpdate::Stage stage) { showStage(int(stage)); });
    // The module did not answer the boot command: the large red sign, until the window closes.
    connect(update, &FirmwareUpdate::moduleAnswered, this, [this](bool answered) {
        if (!answered)
            Ausrufezeichen->show();
    });
    // The update tells counts only while the bootloader is watched, before any transfer.
    connect(update, &FirmwareUpdate::countdown, this, [this](int remaining) {
        ButProg->setEnabled(true);
        countdown->setText(QString::number(remaining));
        countdown->show();
        gaugecountdown->setValue(remaining);
        gaugecountdown->show();
        countdown->raise();
    });
    connect(update, &FirmwareUpdate::startWindowClosed, this, [this] {
        gaugecountdown->hide();
        countdown->hide();
        ButProg->setEnabled(false);
    });
    connect(update, &FirmwareUpdate::progressChanged, this, [this](int rowsDone, int rowsToWrite) {
        progress->setValue(rowsToWrite > 0 ? rowsDone * 100 / rowsToWrite : 0);
    });
    connect(update, &FirmwareUpdate::finished, this, [this](const UpdateResult &result) {
        if (result.end.succeeded())
            beep();
    });
}

void TFhexfile::showStage(int stage)
{
    switch (FirmwareUpdate::Stage(stage)) {
    case FirmwareUpdate::Stage::Transferring:
        ButProg->setEnabled(false);
        setBarColour(Green);
        progress->setValue(0);
        progress->show();
        break;
    case FirmwareUpdate::Stage::Failed:
        setBarColour(Red);
        break;
    default:
        break;
    }
}

void TFhexfile::beep()
{
    QApplication::beep();
    emit beeped();
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
    ButProg->setEnabled(false);
    MInfo->clear();
    MInfo->showinfo(Title, LogColour::Black, LogLayout::Framed);
    const QString path = m_ui.askOpenFileName({DialogTitle, DialogFilter, DialogExtension, QString()});
    if (path.isEmpty()) {
        MInfo->showinfo(LoadCancelled, LogColour::Red, LogLayout::Framed);
        return;
    }
    switch (m_update.load(path)) {
    case FirmwareLoad::Outcome::Unreadable:
        // The module is not touched: the boot command goes out only for a file that was read.
        beep();
        return;
    case FirmwareLoad::Outcome::Refused:
        // A file with a wrong checksum offers no start at all until the window opens again.
        if (m_update.file().refusal() == FirmwareFile::Refusal::WrongChecksum)
            ButProg->hide();
        break;
    case FirmwareLoad::Outcome::Usable:
        break;
    }
    m_update.connectModule();
}

void TFhexfile::ButProgClick()
{
    if (!m_update.isStartOffered())
        return;
    // A file that cannot be used is refused by the update without a question.
    if (m_update.canStart() && !m_ui.confirm(Confirm, UserInteraction::DefaultButton::Cancel))
        return;
    m_update.start();
}

void TFhexfile::ButCloseClick()
{
    m_update.leave();
    progress->hide();
    reject();
}

void TFhexfile::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TFhexfile::FormClose()
{
    Ausrufezeichen->hide();
    m_update.close();
    ButProg->show();
}
