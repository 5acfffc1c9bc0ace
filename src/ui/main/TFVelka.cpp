#include "ui/main/TFVelka.h"

#include "core/config/ConsistencyRules.h"
#include "core/config/NumberText.h"
#include "core/config/ProgramInfo.h"
#include "core/link/DeviceLink.h"
#include "core/workflow/Clock.h"
#include "core/workflow/ConfigDocument.h"
#include "core/workflow/ConfigWorkflow.h"
#include "core/workflow/UserInteraction.h"
#include "ui/about/TFabout.h"
#include "ui/common/ClickLabel.h"
#include "ui/common/InfoLog.h"
#include "ui/factory/TFcal.h"
#include "ui/firmware/TFhexfile.h"
#include "ui/main/ExtensionPanel.h"
#include "ui/main/MainWindowTexts.h"
#include "ui/main/RadioPanel.h"
#include "ui/main/Rs485Panel.h"
#include "ui/main/StationPanel.h"
#include "ui/main/SystemDataPanel.h"
#include "ui/main/WordField.h"
#include "ui/outputs/OutputGrid.h"
#include "ui/outputs/TFdigout.h"
#include "ui/radiotest/TFtest.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

TFVelka::TFVelka(ConfigDocument &document, DeviceLink &link, ConfigWorkflow &workflow,
                 const Clock &clock, UserInteraction &ui, QWidget *parent)
    : QMainWindow(parent)
    , m_document(document)
    , m_link(link)
    , m_workflow(workflow)
    , m_clock(clock)
    , m_ui(ui)
    , m_openName(MainTexts::FileInitialName)
    , m_saveName(MainTexts::FileInitialName)
{
    m_comNews = new QTimer(this);
    m_comNews->setObjectName(QStringLiteral("ComNews"));
    buildLayout();
    connectHandlers();
    connectWorkflow();
    FormCreate();
}

TFVelka::~TFVelka()
{
    // Children going away move the focus; no field may commit into a half-destroyed window.
    m_document.disconnect(this);
    for (WordField *field : std::as_const(m_fields))
        field->stopEditing();
}

void TFVelka::attachWindows(TFcal *factory, TFhexfile *firmware, TFabout *about, TFtest *radioTest,
                            TFdigout *editor)
{
    m_factory = factory;
    m_firmware = firmware;
    m_radioTest = radioTest;
    m_about = about;
    m_editor = editor;
}

void TFVelka::FormCreate()
{
    setWindowTitle(MainTexts::TitlePrefix + QString::number(ProgramInfo::VersionMajor)
                   + QLatin1Char('.') + QString::number(ProgramInfo::VersionMinor)
                   + QLatin1Char(')'));
    m_firstActivation = true;
    // The client area is wider; only its left 660 pixels are shown.
    setFixedSize(660, menuBar()->sizeHint().height() + 676);
    m_connectionText = MainTexts::NoConnection;
    m_log->showinfo(MainTexts::Programmstart, LogColour::Black, LogOption::Framed);
    m_document.resetToDefaults();
    m_comNews->setInterval(100);
    m_comNews->start();
    m_grid->setuptable();
    // From now on every change of the document is shown; the defaults are shown at the first
    // activation.
    connect(&m_document, &ConfigDocument::configChanged, this, &TFVelka::showdata);
    connect(&m_document, &ConfigDocument::outputsChanged, this, &TFVelka::showdigTab);
}

void TFVelka::connectHandlers()
{
    connect(m_grid, &OutputGrid::fixedCellClicked, this, &TFVelka::TabwerteFixedCellClick);
    for (ClickLabel *line : m_logoLines)
        connect(line, &ClickLabel::doubleClicked, this, &TFVelka::MhomepageClick);

    connect(m_comNews, &QTimer::timeout, this, &TFVelka::ComNewsTimer);
    connect(m_homepageAction, &QAction::triggered, this, &TFVelka::MhomepageClick);
    connect(m_aboutAction, &QAction::triggered, this, &TFVelka::MaboutClick);
    connect(m_exitAction, &QAction::triggered, this, &TFVelka::MexitClick);
    connect(m_newAction, &QAction::triggered, this, &TFVelka::MNeuClick);
    connect(m_loadAction, &QAction::triggered, this, &TFVelka::MLadenClick);
    connect(m_saveAction, &QAction::triggered, this, &TFVelka::MSpeichernClick);
    connect(m_firmwareAction, &QAction::triggered, this, &TFVelka::MFirmwareClick);
    connect(m_testAction, &QAction::triggered, this, &TFVelka::MtestClick);
    for (int n = 1; n <= 4; ++n)
        connect(m_portActions[n - 1], &QAction::triggered, this, [this, n] { MCOMClick(n); });

    ConfigWorkflow *workflow = &m_workflow;
    connect(m_read, &QPushButton::clicked, workflow, &ConfigWorkflow::ButReadClick);
    connect(m_readAction, &QAction::triggered, workflow, &ConfigWorkflow::ButReadClick);
    connect(m_write, &QPushButton::clicked, workflow, &ConfigWorkflow::ButWriteClick);
    connect(m_writeAction, &QAction::triggered, workflow, &ConfigWorkflow::ButWriteClick);
    connect(m_knock, &QPushButton::clicked, workflow, &ConfigWorkflow::BklopfClick);
    connect(m_factoryButton, &QPushButton::clicked, workflow, &ConfigWorkflow::ButCalClick);
    // Factory staff reach the hidden factory button with Ctrl+Shift+W.
    auto *factoryKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W), this);
    factoryKey->setObjectName(QStringLiteral("FactoryShortcut"));
    connect(factoryKey, &QShortcut::activated, this, [this] {
        if (m_factoryButton->isEnabled())
            m_factoryButton->click();
    });
}

void TFVelka::connectWorkflow()
{
    connect(&m_workflow, &ConfigWorkflow::logged, m_log, &InfoLog::showinfo);
    connect(&m_workflow, &ConfigWorkflow::readWriteEnabled, this, [this](bool enabled) {
        m_read->setEnabled(enabled);
        m_write->setEnabled(enabled);
    });
    connect(&m_workflow, &ConfigWorkflow::factoryButtonEnabled, m_factoryButton, &QWidget::setEnabled);
    connect(&m_workflow, &ConfigWorkflow::diagnosticLine, m_diagnostic, &QPlainTextEdit::appendPlainText);
    connect(&m_workflow, &ConfigWorkflow::beep, this, &TFVelka::beep);
    connect(&m_workflow, &ConfigWorkflow::moduleDataKnown, m_systemData, &SystemDataPanel::showModuleData);
    connect(&m_workflow, &ConfigWorkflow::factoryWindowRequested, this, [this] {
        if (m_factory)
            m_factory->exec();
    });
    connect(&m_link.protocol(), &ModuleProtocol::beepRequested, this, &TFVelka::beep);
    connect(&m_link.ports(), &PortChooser::connectionChanged, m_comNews, qOverload<>(&QTimer::start));
}

void TFVelka::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // A window manager may never activate us (or only later); the first showing counts as
    // the first activation, so the display is filled in any case.
    if (m_firstActivation)
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
    if (m_firstActivation) {
        // The date a write stamps is the day the program started.
        const QDate today = m_clock.today();
        m_document.setProgrammingDate({today.day(), today.month(), today.year() % 100});
        if (m_factory)
            m_factory->resize(340, m_factory->height());
        m_stations->RBmasterClick(); // shows the image as its edit does
        m_read->setFocus();
    }
    m_firstActivation = false;
}

void TFVelka::showdata()
{
    // Setting a role button, the RS485 box or an extension button runs its handler, which
    // changes the image again; the refresh then runs once more on the image as it is now.
    if (m_showing) {
        m_showAgain = true;
        return;
    }
    m_showing = true;
    do {
        m_showAgain = false;
        showOnce();
    } while (m_showAgain);
    m_showing = false;
}

void TFVelka::showOnce()
{
    showDiagnosticWords();
    m_stations->showRole();
    m_rs485->showIncluded();
    m_grid->setGridRowCount(gridRowCount(m_document.word(Word::ExtensionGroups)));
    m_extensions->showChoice();

    m_document.normalise(applyTimeoutRule);
    m_document.normalise(applyRs485CycleRule);
    m_rs485->markTimeout(rs485TimeoutTooShort(m_document.configImage()));
    m_document.normalise(applyRadioCycleRule);
    m_radio->markTimeout(radioTimeoutTooShort(m_document.configImage()));
    m_document.normalise(applyTimerNo1Rule);
    m_document.normalise(applyTimerNo2Rule);
    m_document.normalise(applySelfSentRule);
    m_document.normalise(applyAddressRule);
    m_document.normalise(applyAnalogSourceRule);

    for (WordField *field : std::as_const(m_fields))
        field->showWord();
    m_systemData->showData(m_link.protocol().replyBytes());
    m_stations->showPresence(presentColour());
    m_rs485->showSources(presentColour());
    showdigTab();
}

void TFVelka::showDiagnosticWords()
{
    QStringList lines;
    for (int i = 0; i < 128; ++i)
        lines << QString::number(i) + QStringLiteral(": ") + hexText(m_document.word(i), 4);
    m_diagnostic->setPlainText(lines.join(QLatin1Char('\n')));
}

void TFVelka::showdigTab()
{
    m_grid->showdigTab(m_document.outputs());
}

void TFVelka::TabwerteFixedCellClick(int column, int row)
{
    if (column != 0 || row < 1)
        return;
    m_document.setCurrentOutput(row);
    if (m_editor)
        m_editor->exec();
}

void TFVelka::ComNewsTimer()
{
    m_comNews->stop();
    const PortChooser &ports = m_link.ports();
    if (ports.usbMode()) {
        if (m_connectionText != MainTexts::UsbConnection)
            m_log->showinfo(ports.adapterText(), LogColour::Black, LogOption::Framed);
        m_connectionText = MainTexts::UsbConnection;
    } else if (m_connectionText == MainTexts::UsbConnection) {
        // The adapter has just gone.
        m_connectionText = ports.statusText();
        m_log->showinfo(MainTexts::UsbGone, LogColour::Red, LogOption::TimeLine);
        m_log->showinfo(MainTexts::UsingSerialPort + m_connectionText, LogColour::Red, LogOption::EmptyLine);
    }

    if (m_connectionText == MainTexts::UsbConnection) {
        m_adapterAction->setText(MainTexts::UsbMenu.arg(ports.adapterDescription()));
        m_adapterAction->setVisible(true);
        for (QAction *port : m_portActions)
            port->setVisible(false);
    } else {
        m_adapterAction->setVisible(false);
        m_connectionText = ports.statusText();
        for (int n = 0; n < 4; ++n) {
            const PortMenuItem &item = ports.portItems()[size_t(n)];
            m_portActions[n]->setVisible(true);
            m_portActions[n]->setChecked(item.checked);
            m_portActions[n]->setEnabled(item.enabled);
            // The chosen port does not exist.
            if (item.checked && !item.enabled)
                m_connectionText = MainTexts::MissingPort;
        }
    }
    m_statusPanels[0]->setText(m_connectionText);
    // The next trigger runs at once; the link starts the timer when something changes.
    m_comNews->setInterval(2);
}

void TFVelka::MCOMClick(int port)
{
    m_link.ports().selectPort(port);
}

void TFVelka::MFirmwareClick()
{
    if (!m_firmware)
        return;
    m_firmware->enableButtons();
    m_firmware->exec();
}

void TFVelka::MtestClick()
{
    if (!m_radioTest)
        return;
    m_link.protocol().clearCarrierOn();
    m_radioTest->exec();
}

void TFVelka::showinfo(const QString &inhalt, int farbe, int option)
{
    m_log->showinfo(inhalt, farbe, option);
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

void TFVelka::beep()
{
    QApplication::beep();
    emit beeped();
}

QString TFVelka::statusPanelText(int panel) const
{
    return m_statusPanels[panel]->text();
}

QColor TFVelka::presentColour() const
{
    return m_presentColour->palette().color(QPalette::Window);
}
