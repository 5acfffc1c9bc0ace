#pragma once

#include "core/report/ConfigReport.h"
#include "ui/main/ConfigFiles.h"
#include "ui/main/ConfigView.h"
#include "ui/main/MainMenus.h"
#include "ui/main/ModuleExchange.h"

#include <QMainWindow>

#include <optional>

class Clock;
class ConfigDocument;
class DeviceLink;
class ModuleSession;
struct LogEntry;
class QTimer;
class TFabout;
class TFcal;
class TFdigout;
class TFhexfile;
class TFtest;
class UserInteraction;

// The main window: shows the module session's configuration in its panels, edits it, reads
// and writes it through the session's workflows, keeps files of it and reports in its log.
class TFVelka : public QMainWindow
{
    Q_OBJECT
public:
    TFVelka(ModuleSession &session, DeviceLink &link, const Clock &clock, UserInteraction &ui,
            QWidget *parent = nullptr);
    ~TFVelka() override;

    // The windows created after this one; none is touched before the first activation.
    void attachWindows(TFcal *factory, TFhexfile *firmware, TFabout *about, TFtest *radioTest,
                       TFdigout *editor);
    // A report of the core in the information log.
    void showinfo(const LogEntry &entry);

    bool firstActivationDone() const { return !m_firstActivation; }
    // Files the desktop hands over (the command line, a drop on the window): the first is
    // loaded as "Laden" loads it, once the window has been shown; a firmware file is refused,
    // since an update starts only from its own window.
    void openFiles(const QStringList &paths);
    void FormActivate();

    // The display refresh: shows all of the image, which the document keeps consistent.
    void showdata();
    void showdigTab() { m_view->showOutputs(); }
    void TabwerteFixedCellClick(int column, int row);

    // File menu.
    void MNeuClick() { m_files->resetToDefaults(); }
    void MLadenClick() { m_files->load(); }
    void MSpeichernClick() { m_files->save(); }
    void MDruckenClick();
    void MPdfClick();
    // What the report shows: the image as a write would send it, the output table, the file
    // last loaded or saved, today's date, and the module's data once a read or write gave them.
    ReportInput reportInput() const;
    // The log's context menu: the log as UTF-8 text, or as HTML with its colours.
    void ProtokollSpeichernClick() { m_files->saveLog(); }

    // The buttons and menu items of the link: the window asks, then the workflow acts.
    void ButReadClick() { m_exchange->read(); }
    void ButWriteClick() { m_exchange->write(); }
    void McompareClick() { m_exchange->compare(); }
    void ButCalClick() { m_exchange->readFactoryRecord(); }
    void BklopfClick() { m_exchange->knockAndRead(); }

    void ComNewsTimer();
    void MCOMClick(int port);
    void MFirmwareClick();
    void MtestClick();
    void MhomepageClick();
    void MaboutClick();
    void MexitClick() { close(); }

    // Status bar panel texts (0: connection, 1: file).
    QString statusPanelText(int panel) const { return m_menus->panelText(panel); }
    // The colour that marks stations and converters that exist.
    QColor presentColour() const { return m_view->presentColour(); }

signals:
    // The system beep sounded (a failure the user should notice).
    void beeped();

protected:
    void showEvent(QShowEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void FormCreate();
    void buildWindow();
    void connectHandlers();
    void connectWorkflow();
    void beep();

    ModuleSession &m_session;
    ConfigDocument &m_document;
    DeviceLink &m_link;
    const Clock &m_clock;
    UserInteraction &m_ui;
    TFcal *m_factory = nullptr;
    TFhexfile *m_firmware = nullptr;
    TFtest *m_radioTest = nullptr;
    TFabout *m_about = nullptr;
    TFdigout *m_editor = nullptr;

    bool m_firstActivation = true;
    QStringList m_filesToOpen; // handed over before the first activation
    // The module's image as the last read (or verified write) brought it: its system data go
    // into the report.
    std::optional<ConfigWords> m_moduleImage;
    ConfigView *m_view = nullptr; // client
    MainMenus *m_menus = nullptr;
    ConfigFiles *m_files = nullptr;
    ModuleExchange *m_exchange = nullptr;
    QTimer *m_comNews = nullptr;
};
