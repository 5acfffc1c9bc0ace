#include "app/TFVelka.h"

#include "about/TFabout.h"
#include "app/ClickLabel.h"
#include "app/Clock.h"
#include "app/InfoLog.h"
#include "app/MainWindowTexts.h"
#include "app/UserInteraction.h"
#include "config/NumberText.h"
#include "config/ProgramInfo.h"
#include "outputs/OutputGrid.h"
#include "outputs/TFdigout.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>

TFVelka::TFVelka(const Clock &clock, UserInteraction &ui, QWidget *parent)
    : QMainWindow(parent)
    , m_clock(clock)
    , m_ui(ui)
    , m_openName(MainTexts::FileInitialName)
    , m_saveName(MainTexts::FileInitialName)
{
    ComNews = new QTimer(this);
    ComNews->setObjectName(QStringLiteral("ComNews"));
    buildLayout();
    connectHandlers();
    connectFieldHandlers();
    FormCreate();
}

TFVelka::~TFVelka()
{
    // Children going away move the focus; no field may commit into a half-destroyed window.
    for (QLineEdit *field : m_integerFields + m_timeFields)
        field->removeEventFilter(this);
}

void TFVelka::attachWindows(TFRX *link, TFabout *about, TFdigout *editor)
{
    m_link = link;
    m_about = about;
    m_editor = editor;
}

void TFVelka::FormCreate()
{
    setWindowTitle(MainTexts::TitlePrefix + QString::number(ProgramInfo::VersionMajor)
                   + QLatin1Char('.') + QString::number(ProgramInfo::VersionMinor)
                   + QLatin1Char(')'));
    FirstActivation = true;
    // The client area is wider; only its left 660 pixels are shown.
    setFixedSize(660, menuBar()->sizeHint().height() + 676);
    ConnectionText = MainTexts::NoConnection;
    MInfo->showinfo(MainTexts::Programmstart, LogColour::Black, LogOption::Framed);
    GrundWerte();
    ComNews->setInterval(100);
    ComNews->start();
    setuptable();
    FactoryRequest = false;
}

void TFVelka::connectHandlers()
{
    connect(RBmaster, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            RBmasterClick();
    });
    connect(LRole[0], &ClickLabel::clicked, this, &TFVelka::RBmasterClick);
    for (int i = 1; i <= 4; ++i) {
        connect(RBslave[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                RBslaveClick(i);
        });
        connect(LRole[i], &ClickLabel::clicked, this, [this, i] { RBslaveClick(i); });
    }
    connect(CBmitRS485, &QCheckBox::toggled, this, &TFVelka::CBconfig1Click);
    for (int i = 0; i <= 4; ++i) {
        connect(RBdig[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                RBdigClick(i);
        });
    }
    connect(Tabwerte, &OutputGrid::fixedCellClicked, this, &TFVelka::TabwerteFixedCellClick);
    for (ClickLabel *line : LogoLine)
        connect(line, &ClickLabel::doubleClicked, this, &TFVelka::MhomepageClick);

    connect(ComNews, &QTimer::timeout, this, &TFVelka::ComNewsTimer);
    connect(Mhomepage, &QAction::triggered, this, &TFVelka::MhomepageClick);
    connect(Mabout, &QAction::triggered, this, &TFVelka::MaboutClick);
    connect(Mexit, &QAction::triggered, this, &TFVelka::MexitClick);
    connect(MNeu, &QAction::triggered, this, &TFVelka::MNeuClick);
    connect(MLaden, &QAction::triggered, this, &TFVelka::MLadenClick);
    connect(MSpeichern, &QAction::triggered, this, &TFVelka::MSpeichernClick);
}

void TFVelka::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // A window manager may never activate us (or only later); the first showing counts as
    // the first activation, so the display is filled in any case.
    if (FirstActivation)
        QTimer::singleShot(0, this, &TFVelka::FormActivate);
}

void TFVelka::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}

void TFVelka::FormActivate()
{
    if (FirstActivation) {
        const QDate today = m_clock.today();
        nDD = fillString(2, QLatin1Char('0'), today.day());
        nMM = fillString(2, QLatin1Char('0'), today.month());
        nYY = fillString(2, QLatin1Char('0'), today.year() % 100);
        RBmasterClick();
        showdata();
        ButRead->setFocus();
    }
    FirstActivation = false;
}

void TFVelka::GrundWerte()
{
    setDefaultWords(ConfigImage);
    setDefaultAssignment(DigTab);
}

void TFVelka::setuptable()
{
    Tabwerte->setuptable();
}

void TFVelka::showdigTab()
{
    Tabwerte->showdigTab(DigTab);
}

void TFVelka::RBmasterClick()
{
    ConfigImage[Word::ConfigBits] |= MasterBit;
    ConfigImage[Word::Station] = 0;
    showdata();
}

void TFVelka::RBslaveClick(int slave)
{
    ConfigImage[Word::ConfigBits] &= quint16(~MasterBit);
    ConfigImage[Word::Station] = quint16(slave);
    showdata();
}

void TFVelka::CBconfig1Click()
{
    const auto bit = quint16(PWR2(CBmitRS485->property("Tag").toInt()));
    if (CBmitRS485->isChecked())
        ConfigImage[Word::ConfigBits] |= bit;
    else
        ConfigImage[Word::ConfigBits] &= quint16(~bit);
    showdata();
}

void TFVelka::RBdigClick(int groups)
{
    ConfigImage[Word::ExtensionGroups] = quint16(groups);
    showdata();
}

void TFVelka::TabwerteFixedCellClick(int column, int row)
{
    if (column != 0 || row < 1)
        return;
    OutNr = row;
    if (m_editor)
        m_editor->exec();
}

void TFVelka::ComNewsTimer()
{
    ComNews->stop();
    // Mirroring the link's port choice into the menu and panel 0 needs the serial link.
    ComNews->setInterval(2);
}

void TFVelka::MhomepageClick()
{
    m_ui.openUrl(QUrl(QLatin1String(ProgramInfo::MakerUrl)));
}

void TFVelka::MaboutClick()
{
    if (m_about)
        m_about->exec();
}

void TFVelka::MexitClick()
{
    close();
}

QString TFVelka::statusPanelText(int panel) const
{
    return SBPanel[panel]->text();
}

QColor TFVelka::presentColour() const
{
    return colorvorhanden->palette().color(QPalette::Window);
}
