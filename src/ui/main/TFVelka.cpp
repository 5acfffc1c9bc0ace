#include "ui/main/TFVelka.h"

#include "core/config/ProgramInfo.h"
#include "core/config/SystemData.h"
#include "core/link/DeviceLink.h"
#include "core/session/ModuleSession.h"
#include "core/workflow/Clock.h"
#include "core/workflow/ConfigDocument.h"
#include "ui/common/UserInteraction.h"
#include "ui/about/TFabout.h"
#include "ui/common/InfoLog.h"
#include "ui/firmware/TFhexfile.h"
#include "ui/factory/TFcal.h"
#include "ui/main/MainWindowTexts.h"
#include "ui/main/PanelParts.h"
#include "ui/main/StationPanel.h"
#include "ui/outputs/OutputGrid.h"
#include "ui/outputs/TFdigout.h"
#include "ui/radiotest/TFtest.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

#include <algorithm>
#include <utility>

TFVelka::TFVelka(ModuleSession &session, DeviceLink &link, const Clock &clock, UserInteraction &ui,
                 QWidget *parent)
    : QMainWindow(parent)
    , m_session(session)
    , m_document(session.document())
    , m_link(link)
    , m_clock(clock)
    , m_ui(ui)
{
    m_comNews = new QTimer(this);
    m_comNews->setObjectName(QStringLiteral("ComNews"));
    buildWindow();
    m_files = new ConfigFiles(m_document, m_ui, *m_view->log(), *m_view->fileText(), this);
    connectHandlers();
    connectWorkflow();
    FormCreate();
}

TFVelka::~TFVelka()
{
    // Children going away move the focus; no field may commit into a half-destroyed window.
    m_document.disconnect(this);
    m_view->stopEditing();
}

void TFVelka::attachWindows(TFcal *factory, TFhexfile *firmware, TFabout *about, TFtest *radioTest,
                            TFdigout *editor)
{
    m_factory = factory;
    m_exchange->setFactoryWindow(factory);
    m_firmware = firmware;
    m_radioTest = radioTest;
    m_about = about;
    m_editor = editor;
}

void TFVelka::buildWindow()
{
    setObjectName(QStringLiteral("FVelka"));
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, PanelColour::Window);
    palette.setColor(QPalette::Button, PanelColour::Window);
    setPalette(palette);
    setAutoFillBackground(true);
    setAcceptDrops(true);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);

    m_view = new ConfigView(m_document, m_clock, this);
    setCentralWidget(m_view);
    m_menus = new MainMenus(*this, m_link.ports(), *m_view->log());
}

void TFVelka::FormCreate()
{
    setWindowTitle(MainTexts::TitlePrefix + QString::number(ProgramInfo::VersionMajor)
                   + QLatin1Char('.') + QString::number(ProgramInfo::VersionMinor)
                   + QLatin1Char(')'));
    m_firstActivation = true;
    // The client area is wider; only its left 660 pixels are shown.
    setFixedSize(660, menuBar()->sizeHint().height() + 676);
    m_view->log()->showinfo(MainTexts::Programmstart, LogColour::Black, LogLayout::Framed);
    m_document.resetToDefaults();
    m_comNews->setInterval(100);
    m_comNews->start();
    m_view->grid()->setuptable();
    // From now on every change of the document is shown; the defaults are shown at the first
    // activation.
    connect(&m_document, &ConfigDocument::configChanged, this, &TFVelka::showdata);
    connect(&m_document, &ConfigDocument::outputsChanged, this, &TFVelka::showdigTab);
}

void TFVelka::connectHandlers()
{
    connect(m_comNews, &QTimer::timeout, this, &TFVelka::ComNewsTimer);
    const std::pair<MainMenus::Item, void (TFVelka::*)()> items[] = {
        {MainMenus::New, &TFVelka::MNeuClick}, {MainMenus::Load, &TFVelka::MLadenClick},
        {MainMenus::Save, &TFVelka::MSpeichernClick}, {MainMenus::Print, &TFVelka::MDruckenClick},
        {MainMenus::SavePdf, &TFVelka::MPdfClick}, {MainMenus::Exit, &TFVelka::MexitClick},
        {MainMenus::Read, &TFVelka::ButReadClick}, {MainMenus::Write, &TFVelka::ButWriteClick},
        {MainMenus::Compare, &TFVelka::McompareClick},
        {MainMenus::Firmware, &TFVelka::MFirmwareClick}, {MainMenus::Test, &TFVelka::MtestClick},
        {MainMenus::Homepage, &TFVelka::MhomepageClick}, {MainMenus::About, &TFVelka::MaboutClick}};
    for (const auto &[item, handler] : items)
        connect(m_menus->item(item), &QAction::triggered, this, handler);
    for (int n = 1; n <= 4; ++n)
        connect(m_menus->portItem(n), &QAction::triggered, this, [this, n] { MCOMClick(n); });
    connect(m_view->log(), &InfoLog::saveRequested, this, &TFVelka::ProtokollSpeichernClick);
    connect(m_view->grid(), &OutputGrid::fixedCellClicked, this, &TFVelka::TabwerteFixedCellClick);
    connect(m_view, &ConfigView::logoDoubleClicked, this, &TFVelka::MhomepageClick);
    connect(m_view->readButton(), &QPushButton::clicked, this, &TFVelka::ButReadClick);
    connect(m_view->writeButton(), &QPushButton::clicked, this, &TFVelka::ButWriteClick);
    connect(m_view->knockButton(), &QPushButton::clicked, this, &TFVelka::BklopfClick);
    connect(m_view->factoryButton(), &QPushButton::clicked, this, &TFVelka::ButCalClick);
    connect(m_files, &ConfigFiles::fileChanged, m_menus, &MainMenus::showFile);
    connect(m_files, &ConfigFiles::beepRequested, this, &TFVelka::beep);
    // Factory staff reach the hidden factory button with Ctrl+Shift+W.
    auto *factoryKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W), this);
    factoryKey->setObjectName(QStringLiteral("FactoryShortcut"));
    connect(factoryKey, &QShortcut::activated, this, [this] {
        if (m_view->factoryButton()->isEnabled())
            m_view->factoryButton()->click();
    });
}

void TFVelka::connectWorkflow()
{
    connect(&m_session, &ModuleSession::logged, m_view->log(), &InfoLog::showEntry);
    connect(&m_session, &ModuleSession::diagnosticLine, m_view->diagnosticText(), &QPlainTextEdit::appendPlainText);
    connect(&m_session, &ModuleSession::beepRequested, this, &TFVelka::beep);
    connect(&m_session.monitor(), &LinkMonitor::beepRequested, this, &TFVelka::beep);
    // The firmware field shows the version of the last reply that carries one.
    connect(&m_session, &ModuleSession::moduleVersionChanged, this, &TFVelka::showdata);
    m_exchange = new ModuleExchange(m_session, m_ui, *m_view, this);
    const auto keepImage = [this](const auto &result, const ConfigWords &image) {
        if (result.end.succeeded())
            m_moduleImage = image;
    };
    connect(&m_session.configuration(), &ConfigWorkflow::readFinished, this,
            [keepImage](const ReadResult &result) { keepImage(result, result.image); });
    connect(&m_session.factoryRecord(), &FactoryRecord::readFinished, this,
            [keepImage](const ReadResult &result) { keepImage(result, result.image); });
    connect(&m_session.configuration(), &ConfigWorkflow::writeFinished, this,
            [keepImage](const WriteResult &result) { keepImage(result, result.written); });
    connect(&m_session.factoryRecord(), &FactoryRecord::writeFinished, this,
            [keepImage](const FactoryResult &result) { keepImage(result, result.image); });
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
        m_session.setProgrammingDate({today.day(), today.month(), today.year() % 100});
        if (m_factory)
            m_factory->resize(340, m_factory->height());
        m_view->stations()->RBmasterClick(); // shows the image as its edit does
        m_view->readButton()->setFocus();
    }
    m_firstActivation = false;
    if (!m_filesToOpen.isEmpty())
        openFiles(std::exchange(m_filesToOpen, {}));
}

ReportInput TFVelka::reportInput() const
{
    ReportInput input;
    input.fileName = QFileInfo(m_files->currentFile()).fileName();
    input.date = m_clock.today();
    input.image = m_document.configImage();
    input.outputs = m_document.outputs();
    if (m_moduleImage) {
        const SystemData data = systemData(*m_moduleImage, m_session.moduleVersion());
        input.module = ReportModule{data.firmware, data.serial, data.customer};
    }
    return input;
}

void TFVelka::MDruckenClick()
{
    m_files->printReport(configReportHtml(reportInput()), this);
}

void TFVelka::MPdfClick()
{
    m_files->saveReportPdf(configReportHtml(reportInput()));
}

void TFVelka::openFiles(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    if (m_firstActivation) {
        m_filesToOpen = paths;
        return;
    }
    const QString first = paths.first();
    if (paths.size() > 1)
        m_view->log()->showinfo(MainTexts::OnlyFirstFile.arg(paths.size()).arg(QDir::toNativeSeparators(first)),
                                LogColour::Black, LogLayout::Framed);
    if (QFileInfo(first).suffix().compare(QLatin1String("qvx"), Qt::CaseInsensitive) == 0) {
        beep();
        m_view->log()->showinfo(MainTexts::FirmwareNotOpened + QDir::toNativeSeparators(first), LogColour::Red,
                                LogLayout::Framed);
        return;
    }
    m_files->loadFile(first);
}

void TFVelka::dragEnterEvent(QDragEnterEvent *event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (std::any_of(urls.begin(), urls.end(), [](const QUrl &url) { return url.isLocalFile(); }))
        event->acceptProposedAction();
}

void TFVelka::dropEvent(QDropEvent *event)
{
    QStringList paths;
    for (const QUrl &url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    openFiles(paths);
}

void TFVelka::showdata()
{
    m_view->showDocument(m_session.moduleVersion());
}

void TFVelka::TabwerteFixedCellClick(int column, int row)
{
    if (column != 0 || row < 1)
        return;
    if (!m_editor)
        return;
    m_editor->setCurrentOutput(row);
    m_editor->exec();
}

void TFVelka::ComNewsTimer()
{
    m_comNews->stop();
    m_menus->showConnection();
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
    m_view->log()->showEntry(entry);
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

void TFVelka::beep()
{
    QApplication::beep();
    emit beeped();
}
