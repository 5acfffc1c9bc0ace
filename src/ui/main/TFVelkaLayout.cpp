// Building the main window's controls: groups, fields, captions, menus and status bar.

#include "ui/main/TFVelka.h"

#include "ui/common/ClickLabel.h"
#include "ui/common/InfoLog.h"
#include "ui/main/MainWindowTexts.h"
#include "ui/common/PixelFont.h"
#include "core/config/ProgramInfo.h"
#include "ui/outputs/OutputGrid.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>

namespace {
const QColor WindowColour(214, 214, 214);
const QColor TitleColour(128, 0, 0); // maroon
const QColor Greyed(128, 128, 128);

QFont fieldFont() { return pixelFont(QStringLiteral("Courier New"), 13); }

QFont captionFont() { return arialFont(13); }

QLabel *makeCaption(QWidget *parent, const QString &text, const QRect &rect)
{
    auto *label = new QLabel(text, parent);
    label->setFont(captionFont());
    label->setGeometry(rect);
    return label;
}

// A raised group with its bold maroon title in the top left corner.
QFrame *makePanel(QWidget *parent, const char *name, const QString &title, const QRect &rect)
{
    auto *panel = new QFrame(parent);
    panel->setObjectName(QLatin1String(name));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setGeometry(rect);
    if (!title.isEmpty()) {
        auto *label = new QLabel(title, panel);
        label->setFont(arialFont(13, true));
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, TitleColour);
        label->setPalette(palette);
        label->setGeometry(6, 2, rect.width() - 12, 16);
    }
    return panel;
}

// A right-aligned field bound to one configuration word through its Tag.
QLineEdit *makeField(QWidget *parent, const char *name, int tag, int maxLength, const QRect &rect,
                     const QString &hint = QString())
{
    auto *field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    field->setProperty("Tag", tag);
    field->setMaxLength(maxLength);
    field->setFont(fieldFont());
    field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    field->setGeometry(rect);
    field->setToolTip(hint);
    return field;
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
    label->setFont(captionFont());
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setGeometry(rect);
    return label;
}
} // namespace

void TFVelka::buildLayout()
{
    setObjectName(QStringLiteral("FVelka"));
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, WindowColour);
    palette.setColor(QPalette::Button, WindowColour);
    setPalette(palette);
    setAutoFillBackground(true);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);

    // The client area is laid out 1524 pixels wide; the window shows only its left part.
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);

    buildFixedFields(client);
    buildRightColumn(client);
    buildHiddenControls(client);
    buildMenus();
    buildStatusBar();
}

void TFVelka::buildFixedFields(QWidget *client)
{
    // Stations and their radio addresses.
    Panel2 = makePanel(client, "Panel2", MainTexts::Geraeteadressen, QRect(19, 8, 419, 64));
    for (int i = 0; i <= 4; ++i) {
        const int x = 8 + i * 82;
        const QString caption = i == 0 ? MainTexts::CaptionMaster : MainTexts::CaptionSlave.arg(i);
        auto *radio = makeRadio(Panel2, i == 0 ? QStringLiteral("RBmaster") : QStringLiteral("RBslave%1").arg(i),
                                QString(), QRect(x, 20, 16, 16));
        if (i == 0)
            RBmaster = radio;
        else
            RBslave[i] = radio;
        LRole[i] = new ClickLabel(caption, Panel2);
        LRole[i]->setObjectName(i == 0 ? QStringLiteral("LMaster") : QStringLiteral("LSlave%1").arg(i));
        LRole[i]->setFont(captionFont());
        LRole[i]->setGeometry(x + 17, 20, 60, 16);
        const QByteArray name = "E_adresse" + QByteArray::number(i);
        E_adresse[i] = makeField(Panel2, name.constData(), Word::MasterAddress + 2 * i, 5,
                                 QRect(x, 39, 60, 20),
                                 i == 0 ? MainTexts::HintAdresse0 : MainTexts::HintAdresseSlave.arg(i));
    }

    // Radio parameters.
    Panel3 = makePanel(client, "Panel3", MainTexts::Funkparameter, QRect(19, 78, 419, 104));
    makeCaption(Panel3, MainTexts::CaptionSystemId, QRect(8, 22, 100, 20));
    E_systemID = makeField(Panel3, "E_systemID", Word::SystemId, 5, QRect(110, 22, 60, 20),
                           MainTexts::HintSystemId);
    makeCaption(Panel3, MainTexts::CaptionKanal, QRect(8, 48, 100, 20));
    E_HFkanal = makeField(Panel3, "E_HFkanal", Word::Channel, 5, QRect(110, 48, 60, 20),
                          MainTexts::HintKanal);
    makeCaption(Panel3, MainTexts::CaptionLeistung, QRect(8, 74, 100, 20));
    E_HFpower = makeField(Panel3, "E_HFpower", Word::Power, 5, QRect(110, 74, 60, 20),
                          MainTexts::HintLeistung);
    makeCaption(Panel3, MainTexts::CaptionZyklus, QRect(200, 22, 100, 20));
    E_HFzyklus = makeField(Panel3, "E_HFzyklus", Word::RadioCycle, 9, QRect(300, 22, 100, 20),
                           MainTexts::HintZyklus);
    makeCaption(Panel3, MainTexts::CaptionTimeout, QRect(200, 48, 100, 20));
    E_HFtimeout = makeField(Panel3, "E_HFtimeout", Word::RadioTimeout, 9, QRect(300, 48, 100, 20),
                            MainTexts::HintTimeout);

    // Number of extension channel groups.
    Panel7 = makePanel(client, "Panel7", MainTexts::Erweiterungskanaele, QRect(19, 188, 419, 40));
    const QString digTexts[5] = {MainTexts::Dig0, MainTexts::Dig8, MainTexts::Dig16,
                                 MainTexts::Dig24, MainTexts::Dig32};
    for (int i = 0; i <= 4; ++i)
        RBdig[i] = makeRadio(Panel7, QStringLiteral("RBdig%1").arg(i * 8), digTexts[i],
                             QRect(8 + i * 82, 19, 78, 18));

    Panel8 = makePanel(client, "Panel8", MainTexts::AusgangsZuordnung, QRect(19, 234, 419, 22));

    Tabwerte = new OutputGrid(client);
    Tabwerte->setObjectName(QStringLiteral("Tabwerte"));
    Tabwerte->setGeometry(19, 254, 419, 209);
    Tabwerte->setToolTip(MainTexts::HintTabwerte);

    MInfo = new InfoLog(m_clock, client);
    MInfo->setObjectName(QStringLiteral("MInfo"));
    MInfo->setGeometry(19, 469, 617, 182);
}

void TFVelka::buildRightColumn(QWidget *client)
{
    // Panel1 stands until the first exchange with a module; Pread then covers it.
    Panel1 = makePanel(client, "Panel1", QString(), QRect(444, 8, 192, 103));
    const QString lines[3] = {MainTexts::Panel1Line1, MainTexts::Panel1Line2, MainTexts::Panel1Line3};
    for (int i = 0; i < 3; ++i) {
        QLabel *line = makeCaption(Panel1, lines[i], QRect(4, 22 + i * 20, 184, 18));
        line->setAlignment(Qt::AlignHCenter);
        line->setEnabled(false);
    }

    Pread = makePanel(client, "Pread", QString(), QRect(444, 8, 192, 103));
    Pread->setToolTip(MainTexts::HintPread);
    Pread->setAutoFillBackground(true);
    // The system data use a smaller font: the longest caption and its date share one line.
    const QFont small = arialFont(11);
    const struct
    {
        const QString &caption;
        const char *name;
        QLabel **value;
        int valueLeft;
    } rows[] = {{MainTexts::CaptionFirmware, "LFirmware", &LFirmware, 96},
                {MainTexts::CaptionSerial, "LSeriennummer", &LSeriennummer, 96},
                {MainTexts::CaptionDateCode, "LDateCode", &LDateCode, 96},
                {MainTexts::CaptionKunde, "LKunde", &LKunde, 96},
                {MainTexts::CaptionLast, "Llast", &Llast, 128}};
    int y = 6;
    for (const auto &row : rows) {
        makeCaption(Pread, row.caption, QRect(6, y, 124, 18))->setFont(small);
        *row.value = makeValueLabel(Pread, row.name, QRect(row.valueLeft, y, 186 - row.valueLeft, 18));
        (*row.value)->setFont(small);
        y += 18;
    }
    Pread->hide();

    Plogo = makePanel(client, "Plogo", QString(), QRect(444, 116, 192, 33));
    const QString logo[2] = {MainTexts::LogoLine1, QLatin1String(ProgramInfo::MakerHost)};
    for (int i = 0; i < 2; ++i) {
        LogoLine[i] = new ClickLabel(logo[i], Plogo);
        LogoLine[i]->setObjectName(QStringLiteral("LLogo%1").arg(i + 1));
        LogoLine[i]->setGeometry(4, 2 + i * 14, 184, 14);
        LogoLine[i]->setAlignment(Qt::AlignHCenter);
        QPalette palette = LogoLine[i]->palette();
        palette.setColor(QPalette::WindowText, Greyed);
        LogoLine[i]->setPalette(palette);
    }

    // RS485 peripheral.
    Panel6 = makePanel(client, "Panel6", MainTexts::Rs485Peripherie, QRect(444, 155, 192, 160));
    CBmitRS485 = new QCheckBox(MainTexts::CaptionEinbinden, Panel6);
    CBmitRS485->setObjectName(QStringLiteral("CBmitRS485"));
    CBmitRS485->setProperty("Tag", 1); // bit 1 of word 41
    CBmitRS485->setGeometry(8, 19, 120, 18);
    CBmitRS485->setToolTip(MainTexts::HintMitRs485);

    PanRS485 = new QWidget(Panel6);
    PanRS485->setObjectName(QStringLiteral("PanRS485"));
    PanRS485->setGeometry(2, 38, 188, 120);
    makeCaption(PanRS485, MainTexts::CaptionAdresse1, QRect(6, 0, 80, 20));
    E_RS485adr1 = makeField(PanRS485, "E_RS485adr1", Word::Rs485Address1, 5, QRect(88, 0, 96, 20),
                            MainTexts::HintRs485Adr1);
    makeCaption(PanRS485, MainTexts::CaptionAdresse2, QRect(6, 21, 80, 20));
    E_RS485adr2 = makeField(PanRS485, "E_RS485adr2", Word::Rs485Address2, 5, QRect(88, 21, 96, 20),
                            MainTexts::HintRs485Adr2);
    makeCaption(PanRS485, MainTexts::CaptionSendezyk, QRect(6, 42, 80, 20));
    E_RSzyklus = makeField(PanRS485, "E_RSzyklus", Word::Rs485Cycle, 9, QRect(88, 42, 96, 20),
                           MainTexts::HintRsZyklus);
    makeCaption(PanRS485, MainTexts::CaptionRsTimeout, QRect(6, 63, 80, 20));
    E_RStimeout = makeField(PanRS485, "E_RStimeout", Word::Rs485Timeout, 9, QRect(88, 63, 96, 20),
                            MainTexts::HintRsTimeout);
    E_Qana1 = makeField(PanRS485, "E_Qana1", Word::AnalogSource1, 2, QRect(88, 84, 28, 16),
                        MainTexts::HintQana);
    L_Qana1 = makeCaption(PanRS485, QString(), QRect(122, 84, 64, 16));
    L_Qana1->setObjectName(QStringLiteral("L_Qana1"));
    E_Qana2 = makeField(PanRS485, "E_Qana2", Word::AnalogSource2, 2, QRect(88, 102, 28, 16),
                        MainTexts::HintQana);
    L_Qana2 = makeCaption(PanRS485, QString(), QRect(122, 102, 64, 16));
    L_Qana2->setObjectName(QStringLiteral("L_Qana2"));
    // The caption belongs to the group, not to the panel, and stays when the panel hides.
    makeCaption(Panel6, MainTexts::CaptionFremdquelle, QRect(8, 122, 80, 16));

    ButRead = new QPushButton(MainTexts::ButRead, client);
    ButRead->setObjectName(QStringLiteral("ButRead"));
    ButRead->setGeometry(444, 321, 192, 68);
    ButRead->setToolTip(MainTexts::HintRead);
    ButWrite = new QPushButton(MainTexts::ButWrite, client);
    ButWrite->setObjectName(QStringLiteral("ButWrite"));
    ButWrite->setGeometry(444, 395, 192, 68);
    ButWrite->setToolTip(MainTexts::HintWrite);
}

void TFVelka::buildHiddenControls(QWidget *client)
{
    // Diagnostic and service controls beyond the visible width.
    const int x = 700;
    makeCaption(client, MainTexts::CaptionTimerNo1, QRect(x, 8, 90, 20));
    E_timerNo1 = makeField(client, "E_timerNo1", Word::TimerNo1, 9, QRect(x + 92, 8, 100, 20));
    makeCaption(client, MainTexts::CaptionTimerNo2, QRect(x, 32, 90, 20));
    E_TimerNo2 = makeField(client, "E_TimerNo2", Word::TimerNo2, 9, QRect(x + 92, 32, 100, 20));
    makeCaption(client, MainTexts::CaptionResetTime, QRect(x, 56, 90, 20));
    E_HFresettime = makeField(client, "E_HFresettime", Word::ResetTime, 9, QRect(x + 92, 56, 100, 20));
    makeCaption(client, MainTexts::CaptionSelfSent, QRect(x, 80, 90, 20));
    E_selfsent = makeField(client, "E_selfsent", Word::SelfSent, 5, QRect(x + 92, 80, 100, 20));
    for (QLineEdit *field : {E_timerNo1, E_TimerNo2, E_HFresettime, E_selfsent})
        field->setReadOnly(true);

    Memo1 = new QPlainTextEdit(client);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(x, 110, 200, 400);
    Memo1->setReadOnly(true);

    Bklopf = new QPushButton(MainTexts::Bklopf, client);
    Bklopf->setObjectName(QStringLiteral("Bklopf"));
    Bklopf->setGeometry(x, 520, 100, 25);

    ButCal = new QPushButton(MainTexts::ButCal, client);
    ButCal->setObjectName(QStringLiteral("ButCal"));
    ButCal->setGeometry(x + 110, 520, 150, 25);
    ButCal->setToolTip(MainTexts::HintCal);
    ButCal->hide();

    MemoFile = new QPlainTextEdit(client);
    MemoFile->setObjectName(QStringLiteral("MemoFile"));
    MemoFile->setGeometry(x + 220, 110, 200, 400);
    MemoFile->hide();

    // Its colour marks fields of stations and converters that exist.
    colorvorhanden = new QFrame(client);
    colorvorhanden->setObjectName(QStringLiteral("colorvorhanden"));
    colorvorhanden->setGeometry(x + 220, 8, 40, 40);
    colorvorhanden->setAutoFillBackground(true);
    QPalette palette = colorvorhanden->palette();
    palette.setColor(QPalette::Window, QColor(206, 243, 205));
    colorvorhanden->setPalette(palette);
    colorvorhanden->hide();
}

void TFVelka::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MenueMain"));
    auto action = [this](QMenu *menu, const char *name, const QString &text) {
        QAction *a = menu->addAction(text);
        a->setObjectName(QLatin1String(name));
        return a;
    };

    QMenu *datei = bar->addMenu(MainTexts::MenuDatei);
    datei->setObjectName(QStringLiteral("MDatei"));
    MNeu = action(datei, "MNeu", MainTexts::MenuNeu);
    datei->addSeparator();
    MLaden = action(datei, "MLaden", MainTexts::MenuLaden);
    MSpeichern = action(datei, "MSpeichern", MainTexts::MenuSpeichern);
    datei->addSeparator();
    Mexit = action(datei, "Mexit", MainTexts::MenuExit);

    MKommunikation = bar->addMenu(MainTexts::MenuKommunikation);
    MKommunikation->setObjectName(QStringLiteral("MKommunikation"));
    Mread = action(MKommunikation, "Mread", MainTexts::MenuRead);
    Mwrite = action(MKommunikation, "Mwrite", MainTexts::MenuWrite);
    MKommunikation->addSeparator();
    MUSB = action(MKommunikation, "MUSB", QString());
    MUSB->setVisible(false);
    auto *ports = new QActionGroup(this);
    ports->setExclusive(true);
    for (int n = 1; n <= 4; ++n) {
        const QByteArray name = "MCOM" + QByteArray::number(n);
        MCOM[n] = action(MKommunikation, name.constData(), MainTexts::MenuCom.arg(n));
        MCOM[n]->setCheckable(true);
        ports->addAction(MCOM[n]);
    }
    MCOM[1]->setChecked(true);
    MKommunikation->addSeparator();
    MFirmware = action(MKommunikation, "MFirmware", MainTexts::MenuFirmware);

    Mtest = bar->addAction(MainTexts::MenuTest);
    Mtest->setObjectName(QStringLiteral("Mtest"));

    QMenu *hilfe = bar->addMenu(MainTexts::MenuHilfe);
    hilfe->setObjectName(QStringLiteral("MHilfe"));
    Mhomepage = action(hilfe, "Mhomepage", MainTexts::MenuHomepage.arg(QLatin1String(ProgramInfo::MakerHost)));
    Mabout = action(hilfe, "Mabout", MainTexts::MenuInfo);
}

void TFVelka::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("SB"));
    bar->setSizeGripEnabled(false);
    const QString initial[2] = {MainTexts::PanelNoLink, MainTexts::PanelNoFile};
    for (int i = 0; i < 2; ++i) {
        SBPanel[i] = new QLabel(initial[i], bar);
        SBPanel[i]->setObjectName(QStringLiteral("SBPanel%1").arg(i));
        SBPanel[i]->setAlignment(Qt::AlignCenter);
        SBPanel[i]->setFrameShape(QFrame::Panel);
        SBPanel[i]->setFrameShadow(QFrame::Sunken);
    }
    SBPanel[0]->setFixedWidth(50);
    bar->addWidget(SBPanel[0]);
    bar->addWidget(SBPanel[1], 1);
}
