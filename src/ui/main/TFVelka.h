#pragma once

#include "core/workflow/ConfigWorkflow.h"
#include "core/config/ConfigImage.h"
#include "core/outputs/DigTab.h"

#include <QMainWindow>

#include <memory>

class Clock;
class ClickLabel;
class InfoLog;
class OutputGrid;
class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTimer;
class TFabout;
class TFcal;
class TFdigout;
class TFRX;
class UserInteraction;

// The main window: the configuration image, its fields, the output table and the log.
class TFVelka : public QMainWindow, public WorkflowView
{
    Q_OBJECT
public:
    TFVelka(const Clock &clock, UserInteraction &ui, QWidget *parent = nullptr);
    ~TFVelka() override;

    // The windows created after this one; none is touched before the first activation.
    void attachWindows(TFcal *factory, TFRX *link, TFabout *about, TFdigout *editor);

    // --- configuration state ------------------------------------------------------------
    ConfigWords ConfigImage{};
    ConfigWords ReadBackImage{};
    ConfigWords WriteImage{};
    DigTable DigTab{};
    int OutNr = 1; // output the editor works on, 1..36

    bool FirstActivation = true;
    QString ConnectionText;

    // Reading and writing the module; exists once the link does.
    ConfigWorkflow *workflow() const { return m_workflow.get(); }

    // --- operations ----------------------------------------------------------------------
    void GrundWerte();
    void showdata() override;
    void showdigTab();
    void setuptable();
    void FormActivate();

    // Field editing: integer fields commit on leaving and on Enter, time fields on leaving.
    void WordDataClick(QLineEdit *field);
    void WordDataExit(QLineEdit *field);
    void WordDataKeyUp(QLineEdit *field, int key);
    void EditmsEnter(QLineEdit *field);
    void EditmsExit(QLineEdit *field);
    void EditmsKeyUp(QLineEdit *field, int key);

    // File menu.
    void MNeuClick();
    void MLadenClick();
    void MSpeichernClick();
    QStringList BuildFile();
    bool DateiGeladen(const QStringList &lines);

    void RBmasterClick();
    void RBslaveClick(int slave);
    void CBconfig1Click();
    void RBdigClick(int groups);
    void TabwerteFixedCellClick(int column, int row);

    void ComNewsTimer();
    void MCOMClick(int port);
    void ButCalClick();
    void MhomepageClick();
    void MaboutClick();
    void MexitClick();

    // Status bar panel texts (0: connection, 1: file).
    QString statusPanelText(int panel) const;
    QColor presentColour() const;

    // --- controls (object names as given) --------------------------------------------------
    QFrame *Panel2 = nullptr, *Panel3 = nullptr, *Panel7 = nullptr, *Panel8 = nullptr;
    QFrame *Panel1 = nullptr, *Pread = nullptr, *Plogo = nullptr, *Panel6 = nullptr;
    QWidget *PanRS485 = nullptr;
    QFrame *colorvorhanden = nullptr;

    QRadioButton *RBmaster = nullptr;
    QRadioButton *RBslave[5] = {}; // RBslave[1]..RBslave[4]
    ClickLabel *LRole[5] = {};     // captions "Master:", "Slave1".."Slave4"
    QLineEdit *E_adresse[5] = {};  // E_adresse0..E_adresse4

    QLineEdit *E_systemID = nullptr, *E_HFkanal = nullptr, *E_HFpower = nullptr;
    QLineEdit *E_HFzyklus = nullptr, *E_HFtimeout = nullptr;

    QRadioButton *RBdig[5] = {}; // RBdig0, RBdig8, RBdig16, RBdig24, RBdig32
    OutputGrid *Tabwerte = nullptr;
    InfoLog *MInfo = nullptr;

    QLabel *LFirmware = nullptr, *LSeriennummer = nullptr, *LDateCode = nullptr;
    QLabel *LKunde = nullptr, *Llast = nullptr;
    ClickLabel *LogoLine[2] = {};

    QCheckBox *CBmitRS485 = nullptr;
    QLineEdit *E_RS485adr1 = nullptr, *E_RS485adr2 = nullptr;
    QLineEdit *E_RSzyklus = nullptr, *E_RStimeout = nullptr;
    QLineEdit *E_Qana1 = nullptr, *E_Qana2 = nullptr;
    QLabel *L_Qana1 = nullptr, *L_Qana2 = nullptr;

    QPushButton *ButRead = nullptr, *ButWrite = nullptr, *Bklopf = nullptr, *ButCal = nullptr;

    QLineEdit *E_timerNo1 = nullptr, *E_TimerNo2 = nullptr, *E_HFresettime = nullptr;
    QLineEdit *E_selfsent = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    QPlainTextEdit *MemoFile = nullptr;

    QLabel *SBPanel[2] = {};

    QAction *MNeu = nullptr, *MLaden = nullptr, *MSpeichern = nullptr, *Mexit = nullptr;
    QMenu *MKommunikation = nullptr;
    QAction *Mread = nullptr, *Mwrite = nullptr, *MUSB = nullptr;
    QAction *MCOM[5] = {}; // MCOM[1]..MCOM[4]
    QAction *MFirmware = nullptr, *Mtest = nullptr, *Mhomepage = nullptr, *Mabout = nullptr;

    QTimer *ComNews = nullptr;

    // --- what the read/verify/write sequence asks of the window ----------------------------
    void showinfo(const QString &inhalt, int farbe, int option) override;
    bool confirm(const QString &text) override;
    void beep() override;
    void setReadWriteEnabled(bool enabled) override;
    void setFactoryButtonEnabled(bool enabled) override;
    void addDiagnosticLine(const QString &line) override;
    void showReadPanel() override;
    ProgrammingDate programmingDate() const override;
    void openFactoryWindow() override;
    void factoryDataStored() override;

signals:
    // The system beep sounded (a failure the user should notice).
    void beeped();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void FormCreate();
    void buildLayout();
    void buildFixedFields(QWidget *client);
    void buildRightColumn(QWidget *client);
    void buildHiddenControls(QWidget *client);
    void buildMenus();
    void buildStatusBar();
    void connectHandlers();
    void connectFieldHandlers();

    // Checks a radio button as the display wants it; a change runs its click handler.
    static void selectRadio(QRadioButton *button);
    void showRole();
    void showExtensionChannels();
    void showTime(QLineEdit *field, int word);
    void showPresence(QLineEdit *field, int word);

    const Clock &m_clock;
    UserInteraction &m_ui;
    TFRX *m_link = nullptr;
    TFabout *m_about = nullptr;
    TFdigout *m_editor = nullptr;
    TFcal *m_factory = nullptr;
    std::unique_ptr<ConfigWorkflow> m_workflow;
    QList<QLineEdit *> m_integerFields;
    QList<QLineEdit *> m_timeFields;
    // Each file dialog offers the name last chosen in it.
    QString m_openName;
    QString m_saveName;
};
