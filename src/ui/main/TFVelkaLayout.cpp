// Building the main window: its panels in their places, the buttons, the controls beyond the
// visible width, the menus and the status bar.

#include "ui/main/TFVelka.h"

#include "core/config/ProgramInfo.h"
#include "ui/common/Buttons.h"
#include "ui/common/ClickLabel.h"
#include "ui/common/InfoLog.h"
#include "ui/main/ExtensionPanel.h"
#include "ui/main/MainWindowTexts.h"
#include "ui/main/PanelParts.h"
#include "ui/main/RadioPanel.h"
#include "ui/main/Rs485Panel.h"
#include "ui/main/StationPanel.h"
#include "ui/main/SystemDataPanel.h"
#include "ui/main/WordField.h"
#include "ui/outputs/OutputGrid.h"

#include <QAction>
#include <QActionGroup>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>

namespace {
// Diagnostic fields beyond the visible width: the words the rules derive.
constexpr int HiddenLeft = 700;
const FieldRow HiddenFields[] = {
    {"E_timerNo1", Word::TimerNo1, FieldKind::Time, 9, {HiddenLeft + 92, 8, 100, 20}, nullptr,
     &MainTexts::CaptionTimerNo1, {HiddenLeft, 8, 90, 20}, 3, true},
    {"E_TimerNo2", Word::TimerNo2, FieldKind::Time, 9, {HiddenLeft + 92, 32, 100, 20}, nullptr,
     &MainTexts::CaptionTimerNo2, {HiddenLeft, 32, 90, 20}, 3, true},
    {"E_HFresettime", Word::ResetTime, FieldKind::Time, 9, {HiddenLeft + 92, 56, 100, 20}, nullptr,
     &MainTexts::CaptionResetTime, {HiddenLeft, 56, 90, 20}, 3, true},
    {"E_selfsent", Word::SelfSent, FieldKind::Integer, 5, {HiddenLeft + 92, 80, 100, 20}, nullptr,
     &MainTexts::CaptionSelfSent, {HiddenLeft, 80, 90, 20}, 3, true},
};

QPlainTextEdit *makeMemo(QWidget *parent, const char *name, const QRect &rect)
{
    auto *memo = new QPlainTextEdit(parent);
    memo->setObjectName(QLatin1String(name));
    memo->setGeometry(rect);
    return memo;
}
} // namespace

void TFVelka::buildLayout()
{
    setObjectName(QStringLiteral("FVelka"));
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, PanelColour::Window);
    palette.setColor(QPalette::Button, PanelColour::Window);
    setPalette(palette);
    setAutoFillBackground(true);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);

    // The client area is laid out 1524 pixels wide; the window shows only its left part.
    // The panels are made in the order the Tab key visits them.
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);

    m_stations = new StationPanel(m_document, client);
    m_radio = new RadioPanel(m_document, client);
    m_extensions = new ExtensionPanel(m_document, client);
    makePanel(client, "Panel8", MainTexts::AusgangsZuordnung, QRect(19, 234, 419, 22));
    m_grid = new OutputGrid(client);
    m_grid->setObjectName(QStringLiteral("Tabwerte"));
    m_grid->setGeometry(19, 254, 419, 209);
    m_grid->setToolTip(MainTexts::HintTabwerte);
    m_log = new InfoLog(m_clock, client);
    m_log->setObjectName(QStringLiteral("MInfo"));
    m_log->offerSaving(MainTexts::ProtokollSpeichern);
    connect(m_log, &InfoLog::saveRequested, this, &TFVelka::ProtokollSpeichernClick);
    m_log->setGeometry(19, 469, 617, 182);

    buildRightColumn(client);
    buildHiddenControls(client);
    m_fields = m_stations->fields() + m_radio->fields() + m_rs485->fields() + m_fields;
    buildMenus();
    buildStatusBar();
}

void TFVelka::buildRightColumn(QWidget *client)
{
    m_systemData = new SystemDataPanel(m_document, client);

    QFrame *logo = makePanel(client, "Plogo", QString(), QRect(444, 116, 192, 33));
    const QString lines[2] = {MainTexts::LogoLine1, QLatin1String(ProgramInfo::MakerHost)};
    for (int i = 0; i < 2; ++i) {
        m_logoLines[i] = new ClickLabel(lines[i], logo);
        m_logoLines[i]->setObjectName(QStringLiteral("LLogo%1").arg(i + 1));
        m_logoLines[i]->setGeometry(4, 2 + i * 14, 184, 14);
        m_logoLines[i]->setAlignment(Qt::AlignHCenter);
        QPalette palette = m_logoLines[i]->palette();
        palette.setColor(QPalette::WindowText, PanelColour::Greyed);
        m_logoLines[i]->setPalette(palette);
    }

    m_rs485 = new Rs485Panel(m_document, client);

    m_read = makeButton(client, "ButRead", MainTexts::ButRead, QRect(444, 321, 192, 68));
    m_read->setToolTip(MainTexts::HintRead);
    m_write = makeButton(client, "ButWrite", MainTexts::ButWrite, QRect(444, 395, 192, 68));
    m_write->setToolTip(MainTexts::HintWrite);
}

void TFVelka::buildHiddenControls(QWidget *client)
{
    m_fields = buildFields(m_document, HiddenFields, client);

    m_diagnostic = makeMemo(client, "Memo1", QRect(HiddenLeft, 110, 200, 400));
    m_diagnostic->setReadOnly(true);
    m_knock = makeButton(client, "Bklopf", MainTexts::Bklopf, QRect(HiddenLeft, 520, 100, 25));
    m_factoryButton = makeButton(client, "ButCal", MainTexts::ButCal, QRect(HiddenLeft + 110, 520, 150, 25));
    m_factoryButton->setToolTip(MainTexts::HintCal);
    m_factoryButton->hide();
    m_fileText = makeMemo(client, "MemoFile", QRect(HiddenLeft + 220, 110, 200, 400));
    m_fileText->hide();

    // Its colour marks fields of stations and converters that exist.
    m_presentColour = new QFrame(client);
    m_presentColour->setObjectName(QStringLiteral("colorvorhanden"));
    m_presentColour->setGeometry(HiddenLeft + 220, 8, 40, 40);
    m_presentColour->setAutoFillBackground(true);
    QPalette palette = m_presentColour->palette();
    palette.setColor(QPalette::Window, QColor(206, 243, 205));
    m_presentColour->setPalette(palette);
    m_presentColour->hide();
}

void TFVelka::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MenueMain"));
    auto action = [](QMenu *menu, const char *name, const QString &text) {
        QAction *a = menu->addAction(text);
        a->setObjectName(QLatin1String(name));
        return a;
    };

    QMenu *datei = bar->addMenu(MainTexts::MenuDatei);
    datei->setObjectName(QStringLiteral("MDatei"));
    m_newAction = action(datei, "MNeu", MainTexts::MenuNeu);
    datei->addSeparator();
    m_loadAction = action(datei, "MLaden", MainTexts::MenuLaden);
    m_saveAction = action(datei, "MSpeichern", MainTexts::MenuSpeichern);
    datei->addSeparator();
    m_exitAction = action(datei, "Mexit", MainTexts::MenuExit);

    QMenu *link = bar->addMenu(MainTexts::MenuKommunikation);
    link->setObjectName(QStringLiteral("MKommunikation"));
    m_readAction = action(link, "Mread", MainTexts::MenuRead);
    m_writeAction = action(link, "Mwrite", MainTexts::MenuWrite);
    link->addSeparator();
    // Stands in for the port items while the maker's USB adapter is the link.
    m_adapterAction = action(link, "MUSB", QString());
    m_adapterAction->setVisible(false);
    auto *ports = new QActionGroup(this);
    ports->setExclusive(true);
    for (int n = 1; n <= 4; ++n) {
        const QByteArray name = "MCOM" + QByteArray::number(n);
        m_portActions[n - 1] = action(link, name.constData(), MainTexts::MenuCom.arg(n));
        m_portActions[n - 1]->setCheckable(true);
        ports->addAction(m_portActions[n - 1]);
    }
    m_portActions[0]->setChecked(true);
    link->addSeparator();
    m_firmwareAction = action(link, "MFirmware", MainTexts::MenuFirmware);

    m_testAction = bar->addAction(MainTexts::MenuTest);
    m_testAction->setObjectName(QStringLiteral("Mtest"));

    QMenu *hilfe = bar->addMenu(MainTexts::MenuHilfe);
    hilfe->setObjectName(QStringLiteral("MHilfe"));
    m_homepageAction = action(hilfe, "Mhomepage", MainTexts::MenuHomepage.arg(QLatin1String(ProgramInfo::MakerHost)));
    m_aboutAction = action(hilfe, "Mabout", MainTexts::MenuInfo);
}

void TFVelka::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("SB"));
    bar->setSizeGripEnabled(false);
    const QString initial[2] = {MainTexts::PanelNoLink, MainTexts::PanelNoFile};
    for (int i = 0; i < 2; ++i) {
        m_statusPanels[i] = new QLabel(initial[i], bar);
        m_statusPanels[i]->setObjectName(QStringLiteral("SBPanel%1").arg(i));
        m_statusPanels[i]->setAlignment(Qt::AlignCenter);
        m_statusPanels[i]->setFrameShape(QFrame::Panel);
        m_statusPanels[i]->setFrameShadow(QFrame::Sunken);
    }
    m_statusPanels[0]->setFixedWidth(50);
    bar->addWidget(m_statusPanels[0]);
    bar->addWidget(m_statusPanels[1], 1);
}
