#pragma once

#include <QList>
#include <QMainWindow>

class Clock;
class ClickLabel;
class ConfigDocument;
class ConfigWorkflow;
class DeviceLink;
class ExtensionPanel;
class InfoLog;
struct LogEntry;
class OutputGrid;
class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class RadioPanel;
class Rs485Panel;
class StationPanel;
class SystemDataPanel;
class TFabout;
class TFcal;
class TFdigout;
class TFhexfile;
class TFtest;
class UserInteraction;
class WordField;

// The main window: shows the configuration document in its panels, edits it, reads and
// writes it through the workflow, keeps files of it and reports in its log.
class TFVelka : public QMainWindow
{
    Q_OBJECT
public:
    TFVelka(ConfigDocument &document, DeviceLink &link, ConfigWorkflow &workflow, const Clock &clock,
            UserInteraction &ui, QWidget *parent = nullptr);
    ~TFVelka() override;

    // The windows created after this one; none is touched before the first activation.
    void attachWindows(TFcal *factory, TFhexfile *firmware, TFabout *about, TFtest *radioTest,
                       TFdigout *editor);
    // A report of the core in the information log.
    void showinfo(const LogEntry &entry);

    bool firstActivationDone() const { return !m_firstActivation; }
    void FormActivate();

    // The display refresh: makes the image consistent and shows all of it.
    void showdata();
    void showdigTab();
    void TabwerteFixedCellClick(int column, int row);

    // File menu.
    void MNeuClick();
    void MLadenClick();
    void MSpeichernClick();
    // The log's context menu: the log as UTF-8 text, or as HTML with its colours.
    void ProtokollSpeichernClick();

    // The buttons and menu items of the link: the window asks, then the workflow acts.
    void ButReadClick();
    void ButWriteClick();
    void ButCalClick();
    void BklopfClick();

    void ComNewsTimer();
    void MCOMClick(int port);
    void MFirmwareClick();
    void MtestClick();
    void MhomepageClick();
    void MaboutClick();
    void MexitClick();

    // Status bar panel texts (0: connection, 1: file).
    QString statusPanelText(int panel) const;
    // The colour that marks stations and converters that exist.
    QColor presentColour() const;

signals:
    // The system beep sounded (a failure the user should notice).
    void beeped();

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void FormCreate();
    void buildLayout();
    void buildRightColumn(QWidget *client);
    void buildHiddenControls(QWidget *client);
    void buildMenus();
    void buildStatusBar();
    void connectHandlers();
    void connectWorkflow();
    void showStep();
    void showDiagnosticWords();
    QStringList BuildFile();
    bool DateiGeladen(const QStringList &lines);
    void beep();

    ConfigDocument &m_document;
    DeviceLink &m_link;
    ConfigWorkflow &m_workflow;
    const Clock &m_clock;
    UserInteraction &m_ui;
    TFcal *m_factory = nullptr;
    TFhexfile *m_firmware = nullptr;
    TFtest *m_radioTest = nullptr;
    TFabout *m_about = nullptr;
    TFdigout *m_editor = nullptr;

    bool m_firstActivation = true;
    QString m_connectionText;
    // The open dialog offers the file last loaded, the save dialog the name last chosen in it.
    QString m_openName;
    QString m_saveName;

    StationPanel *m_stations = nullptr;
    RadioPanel *m_radio = nullptr;
    ExtensionPanel *m_extensions = nullptr;
    Rs485Panel *m_rs485 = nullptr;
    SystemDataPanel *m_systemData = nullptr;
    OutputGrid *m_grid = nullptr;        // Tabwerte
    InfoLog *m_log = nullptr;            // MInfo
    QList<WordField *> m_fields;         // every field, in the order they are shown
    QPushButton *m_read = nullptr, *m_write = nullptr, *m_knock = nullptr, *m_factoryButton = nullptr;
    ClickLabel *m_logoLines[2] = {};
    QPlainTextEdit *m_diagnostic = nullptr; // Memo1
    QPlainTextEdit *m_fileText = nullptr;   // MemoFile
    QFrame *m_presentColour = nullptr;      // colorvorhanden
    QLabel *m_statusPanels[2] = {};
    QAction *m_newAction = nullptr, *m_loadAction = nullptr, *m_saveAction = nullptr;
    QAction *m_exitAction = nullptr, *m_readAction = nullptr, *m_writeAction = nullptr;
    QAction *m_adapterAction = nullptr, *m_firmwareAction = nullptr, *m_testAction = nullptr;
    QAction *m_homepageAction = nullptr, *m_aboutAction = nullptr;
    QAction *m_portActions[4] = {};
    QTimer *m_comNews = nullptr;
};
