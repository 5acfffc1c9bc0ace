#include "ui/main/TFVelka.h"

#include "ui/about/TFabout.h"
#include "ui/factory/TFcal.h"
#include "core/link/TFRX.h"
#include "ui/common/ClickLabel.h"
#include "core/workflow/Clock.h"
#include "ui/common/InfoLog.h"
#include "ui/main/MainWindowTexts.h"
#include "core/workflow/UserInteraction.h"
#include "core/config/NumberText.h"
#include "core/config/ProgramInfo.h"
#include "ui/outputs/OutputGrid.h"
#include "ui/outputs/TFdigout.h"

#include <QAction>
#include <QApplication>
#include <QPlainTextEdit>
#include <QShortcut>
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

void TFVelka::attachWindows(TFcal *factory, TFRX *link, TFabout *about, TFdigout *editor)
{
    m_factory = factory;
    m_link = link;
    m_about = about;
    m_editor = editor;
    m_workflow = std::make_unique<ConfigWorkflow>(*link, ConfigImage, ReadBackImage, WriteImage,
                                                  DigTab, *this);
    factory->attach(link, m_workflow.get());
    connect(link, &TFRX::connectionChanged, this, [this] { ComNews->start(); });
    connect(link, &TFRX::beepRequested, this, &TFVelka::beep);
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
    auto read = [this] {
        if (m_workflow)
            m_workflow->ButReadClick();
    };
    auto write = [this] {
        if (m_workflow)
            m_workflow->ButWriteClick();
    };
    connect(ButRead, &QPushButton::clicked, this, read);
    connect(Mread, &QAction::triggered, this, read);
    connect(ButWrite, &QPushButton::clicked, this, write);
    connect(Mwrite, &QAction::triggered, this, write);
    connect(Bklopf, &QPushButton::clicked, this, [this] {
        if (m_workflow)
            m_workflow->BklopfClick();
    });
    connect(ButCal, &QPushButton::clicked, this, &TFVelka::ButCalClick);
    // Factory staff reach the hidden factory button with Ctrl+Shift+W.
    auto *factoryKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W), this);
    factoryKey->setObjectName(QStringLiteral("FactoryShortcut"));
    connect(factoryKey, &QShortcut::activated, this, [this] {
        if (ButCal->isEnabled())
            ButCal->click();
    });
    for (int n = 1; n <= 4; ++n)
        connect(MCOM[n], &QAction::triggered, this, [this, n] { MCOMClick(n); });
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
        if (m_factory) {
            const QDate today = m_clock.today();
            m_factory->nDD->setText(fillString(2, QLatin1Char('0'), today.day()));
            m_factory->nMM->setText(fillString(2, QLatin1Char('0'), today.month()));
            m_factory->nYY->setText(fillString(2, QLatin1Char('0'), today.year() % 100));
            m_factory->resize(340, m_factory->height());
        }
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
    if (!m_link)
        return;
    if (m_link->UsbMode) {
        if (ConnectionText != MainTexts::UsbConnection)
            MInfo->showinfo(m_link->LUSB, LogColour::Black, LogOption::Framed);
        ConnectionText = MainTexts::UsbConnection;
    } else {
        if (ConnectionText == MainTexts::UsbConnection) {
            ConnectionText = m_link->SB1[0];
            MInfo->showinfo(MainTexts::UsbGone, LogColour::Red, LogOption::TimeLine);
            MInfo->showinfo(MainTexts::UsingSerialPort + ConnectionText, LogColour::Red,
                            LogOption::EmptyLine);
        }
        SBPanel[0]->setText(ConnectionText);
    }

    if (ConnectionText == MainTexts::UsbConnection) {
        MUSB->setText(MainTexts::UsbMenu.arg(m_link->AdapterDescription));
        MUSB->setVisible(true);
        for (int n = 1; n <= 4; ++n)
            MCOM[n]->setVisible(false);
    } else {
        MUSB->setVisible(false);
        const MenuItemState *items[5] = {nullptr, &m_link->COM11, &m_link->COM21, &m_link->COM31,
                                         &m_link->COM41};
        for (int n = 1; n <= 4; ++n) {
            MCOM[n]->setVisible(true);
            MCOM[n]->setChecked(items[n]->checked);
            MCOM[n]->setEnabled(items[n]->enabled);
        }
        ConnectionText = m_link->SB1[0];
        // A selected port that does not exist.
        for (int n = 1; n <= 4; ++n) {
            if (MCOM[n]->isChecked() && !MCOM[n]->isEnabled())
                ConnectionText = MainTexts::MissingPort;
        }
    }
    SBPanel[0]->setText(ConnectionText);
    // The next trigger runs at once; the link enables the timer when something changes.
    ComNews->setInterval(2);
}

void TFVelka::MCOMClick(int port)
{
    if (!m_link)
        return;
    switch (port) {
    case 1: m_link->COM11Click(); break;
    case 2: m_link->COM21Click(); break;
    case 3: m_link->COM31Click(); break;
    case 4: m_link->COM41Click(); break;
    default: break;
    }
}

void TFVelka::ButCalClick()
{
    if (!m_workflow)
        return;
    m_workflow->FactoryRequest = true;
    ButCal->setEnabled(false);
    m_workflow->ButReadClick();
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

void TFVelka::showinfo(const QString &inhalt, int farbe, int option)
{
    MInfo->showinfo(inhalt, farbe, option);
}

bool TFVelka::confirm(const QString &text)
{
    return m_ui.confirm(text);
}

void TFVelka::beep()
{
    QApplication::beep();
    emit beeped();
}

void TFVelka::setReadWriteEnabled(bool enabled)
{
    ButRead->setEnabled(enabled);
    ButWrite->setEnabled(enabled);
}

void TFVelka::setFactoryButtonEnabled(bool enabled)
{
    ButCal->setEnabled(enabled);
}

void TFVelka::addDiagnosticLine(const QString &line)
{
    Memo1->appendPlainText(line);
}

void TFVelka::showReadPanel()
{
    Pread->show();
    Pread->raise();
}

ProgrammingDate TFVelka::programmingDate() const
{
    return m_factory ? m_factory->programmingDate() : ProgrammingDate{};
}

void TFVelka::openFactoryWindow()
{
    if (m_factory)
        m_factory->exec();
}

void TFVelka::factoryDataStored()
{
    if (!m_factory)
        return;
    m_factory->addStatusLine(MainTexts::FactoryStored);
    m_factory->FormShow();
}

QString TFVelka::statusPanelText(int panel) const
{
    return SBPanel[panel]->text();
}

QColor TFVelka::presentColour() const
{
    return colorvorhanden->palette().color(QPalette::Window);
}
