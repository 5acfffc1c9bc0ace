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
    m_log->showinfo(MainTexts::Programmstart, LogColour::Black, LogLayout::Framed);
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

    connect(m_read, &QPushButton::clicked, this, &TFVelka::ButReadClick);
    connect(m_readAction, &QAction::triggered, this, &TFVelka::ButReadClick);
    connect(m_write, &QPushButton::clicked, this, &TFVelka::ButWriteClick);
    connect(m_writeAction, &QAction::triggered, this, &TFVelka::ButWriteClick);
    connect(m_knock, &QPushButton::clicked, this, &TFVelka::BklopfClick);
    connect(m_factoryButton, &QPushButton::clicked, this, &TFVelka::ButCalClick);
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
    connect(&m_workflow, &ConfigWorkflow::logged, m_log, &InfoLog::showEntry);
    connect(&m_workflow, &ConfigWorkflow::stepChanged, this, &TFVelka::showStep);
    connect(&m_workflow, &ConfigWorkflow::diagnosticLine, m_diagnostic, &QPlainTextEdit::appendPlainText);
    connect(&m_workflow, &ConfigWorkflow::beepRequested, this, &TFVelka::beep);
    connect(&m_workflow, &ConfigWorkflow::finished, this, [this](ConfigWorkflow::Result result) {
        switch (result) {
        case ConfigWorkflow::Result::Read:
            m_systemData->showModuleData();
            break;
        case ConfigWorkflow::Result::FactoryRead:
            m_systemData->showModuleData();
            if (m_factory)
                m_factory->exec();
            // Closed: the factory record may be asked for again.
            m_factoryButton->setEnabled(true);
            showStep();
            break;
        case ConfigWorkflow::Result::CommunicationFailed:
            // A factory read that failed frees its button; a failed write in the open
            // factory window leaves it to the window.
            if (!m_factory || !m_factory->isVisible())
                m_factoryButton->setEnabled(true);
            break;
        default:
            break;
        }
    });
    // A send that did not reach the port: the buttons are usable again at once.
    connect(&m_link.engine(), &RequestEngine::sendFailed, this, [this] {
        m_read->setEnabled(true);
        m_write->setEnabled(true);
    });
    connect(&m_link.monitor(), &LinkMonitor::beepRequested, this, &TFVelka::beep);
    connect(&m_link.ports(), &PortChooser::connectionChanged, m_comNews, qOverload<>(&QTimer::start));
}

void TFVelka::showStep()
{
    // While the module is read or written the buttons wait; the read before a write leaves
    // them usable, and a stored factory record keeps them until its window closes.
    const ConfigWorkflow::Step step = m_workflow.step();
    const bool usable = step == ConfigWorkflow::Step::Idle || step == ConfigWorkflow::Step::ReadingBeforeWrite;
    m_read->setEnabled(usable);
    m_write->setEnabled(usable);
}

void TFVelka::ButReadClick()
{
    // A read asked for while the factory read runs is still the factory read.
    const bool factory = m_workflow.step() == ConfigWorkflow::Step::FactoryReading;
    if (!m_ui.confirm(factory ? MainTexts::AskFactoryRead : MainTexts::AskRead)) {
        if (factory) {
            m_log->showinfo(MainTexts::FactoryCancelled, LogColour::Red, LogLayout::Framed);
            m_workflow.dropFactoryRead();
            m_factoryButton->setEnabled(true);
        } else {
            m_log->showinfo(MainTexts::ReadCancelled, LogColour::Red, LogLayout::Framed);
        }
        return;
    }
    if (factory)
        m_workflow.readForFactoryRecord();
    else
        m_workflow.readConfiguration();
    showStep();
}

void TFVelka::ButCalClick()
{
    m_factoryButton->setEnabled(false);
    if (!m_ui.confirm(MainTexts::AskFactoryRead)) {
        m_log->showinfo(MainTexts::FactoryCancelled, LogColour::Red, LogLayout::Framed);
        m_workflow.dropFactoryRead();
        m_factoryButton->setEnabled(true);
        return;
    }
    m_workflow.readForFactoryRecord();
    showStep();
}

void TFVelka::ButWriteClick()
{
    // The table goes into the image also when the person then declines.
    m_document.foldOutputs();
    if (!m_ui.confirm(MainTexts::AskWrite)) {
        m_log->showinfo(MainTexts::WriteCancelled, LogColour::Red, LogLayout::Framed);
        return;
    }
    // A factory read this write replaces will open no window: its button is free again.
    if (m_workflow.step() == ConfigWorkflow::Step::FactoryReading)
        m_factoryButton->setEnabled(true);
    m_workflow.writeConfiguration();
}

void TFVelka::BklopfClick()
{
    m_workflow.knockAndRead();
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
    // The document has made the image consistent already; this only shows it.
    showDiagnosticWords();
    m_stations->showRole();
    m_rs485->showIncluded();
    m_grid->setGridRowCount(gridRowCount(m_document.word(Word::ExtensionGroups)));
    m_extensions->showChoice();
    m_rs485->markTimeout(rs485TimeoutTooShort(m_document.configImage()));
    m_radio->markTimeout(radioTimeoutTooShort(m_document.configImage()));
    for (WordField *field : std::as_const(m_fields))
        field->showWord();
    m_systemData->showData(m_link.monitor().replyBytes());
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
            m_log->showinfo(ports.adapterText(), LogColour::Black, LogLayout::Framed);
        m_connectionText = MainTexts::UsbConnection;
    } else if (m_connectionText == MainTexts::UsbConnection) {
        // The adapter has just gone.
        m_connectionText = ports.statusText();
        m_log->showinfo(MainTexts::UsbGone, LogColour::Red, LogLayout::TimeLine);
        m_log->showinfo(MainTexts::UsingSerialPort + m_connectionText, LogColour::Red, LogLayout::EmptyLine);
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
    m_radioTest->exec();
}

void TFVelka::showinfo(const LogEntry &entry)
{
    m_log->showEntry(entry);
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
