#include "ui/about/TFabout.h"
#include "ui/common/ClickLabel.h"
#include "ui/common/InfoLog.h"
#include "ui/main/Program.h"
#include "ui/main/TFVelka.h"
#include "ui/factory/TFcal.h"
#include "common/RunningProgram.h"
#include "core/session/ModuleSession.h"
#include "core/workflow/ConfigDocument.h"
#include "ui/outputs/OutputGrid.h"
#include "ui/outputs/TFdigout.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <memory>

using WordValues = QList<QPair<int, int>>;

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startup_titleLogRoleAndWidth();
    void startup_createsWindowsInOrderAndEntersTheDate();
    void startup_displaysDefaults_data();
    void startup_displaysDefaults();
    void startup_colours();
    void secondActivation_doesNotStartAgain();
    void role_followsWords41And36_data();
    void role_followsWords41And36();
    void redTimeouts_data();
    void redTimeouts();
    void systemData_labels_data();
    void systemData_labels();
    void extensionChannels_invalidWordFallsBackToNone();
    void extensionChannels_invalidWordStaysWhenNoneWasChecked();
    void extensionChannels_fewerRowsKeepHiddenAssignments();
    void table_showsOutputNamesAndAssignments();
    void table_clickOnNameSetsOutNr_data();
    void table_clickOnNameSetsOutNr();
    void rs485Box_togglesBitAndPanel();
    void homepage_opensTheMakersAddress();
    void about_showsVersionAndClosesWithZurueck();

private:
    void refreshWith(const WordValues &words);
    TFVelka *w() const { return &m_run->window(); }
    ConfigDocument &doc() const { return m_run->document(); }
    template <class T>
    T *c(const char *name) const { return control<T>(w(), name); }

    std::unique_ptr<RunningProgram> m_run;
};

void TestMainWindow::init()
{
    m_run = std::make_unique<RunningProgram>();
    QString error;
    QVERIFY2(m_run->start(&error, RunningProgram::Module::None), qPrintable(error));
}

void TestMainWindow::cleanup()
{
    m_run.reset();
}

void TestMainWindow::refreshWith(const WordValues &words)
{
    doc().edit([&](ConfigWords &image) {
        for (const auto &[address, value] : words)
            image[size_t(address)] = quint16(value);
    });
}

void TestMainWindow::startup_titleLogRoleAndWidth()
{
    QVERIFY(w()->windowTitle().startsWith("   Velka Funksystem Konfiguration   (v"));
    QVERIFY(w()->windowTitle().endsWith("(v1.30)"));
    const QList<LogLine> log = logLines(c<QTextEdit>("MInfo"));
    QCOMPARE(log.size(), 3);
    QCOMPARE(log[0].text, QStringLiteral(" -14:05:09-"));
    QCOMPARE(log[1].text, QStringLiteral("Programmstart"));
    QCOMPARE(log[1].colour, QColor(Qt::black));
    QCOMPARE(log[2].text, QString());
    QVERIFY(c<QRadioButton>("RBmaster")->isChecked());
    QCOMPARE(w()->width(), 660);
    QCOMPARE(w()->statusPanelText(0), QStringLiteral("-no-"));
    QCOMPARE(w()->statusPanelText(1), QStringLiteral("-file-"));
    QVERIFY(c<QWidget>("Pread")->isHidden());
    QVERIFY(c<QPushButton>("ButCal")->isHidden());
    // Controls beyond the visible width lie outside the window.
    QVERIFY(c<QLineEdit>("E_timerNo1")->mapTo(w(), QPoint(0, 0)).x() > w()->width());
}

void TestMainWindow::startup_createsWindowsInOrderAndEntersTheDate()
{
    QStringList classes;
    for (QObject *window : m_run->program().windows())
        classes << window->metaObject()->className();
    QCOMPARE(classes, (QStringList{"TFVelka", "TFcal", "TFhexfile", "TFabout", "TFtest", "TFdigout"}));
    TFcal *factory = m_run->program().Fcal();
    QCOMPARE(control<QLineEdit>(factory, "nDD")->text(), QStringLiteral("07"));
    QCOMPARE(control<QLineEdit>(factory, "nMM")->text(), QStringLiteral("03"));
    QCOMPARE(control<QLineEdit>(factory, "nYY")->text(), QStringLiteral("26"));
    QCOMPARE(factory->width(), 340);
    QVERIFY(!factory->isVisible());
}

void TestMainWindow::startup_displaysDefaults_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::newRow("E_HFzyklus") << "E_HFzyklus" << "  2,500 s";
    QTest::newRow("E_HFtimeout") << "E_HFtimeout" << " 12,000 s";
    QTest::newRow("E_RSzyklus") << "E_RSzyklus" << "  0,500 s";
    QTest::newRow("E_RStimeout") << "E_RStimeout" << "  1,100 s";
    QTest::newRow("E_timerNo1") << "E_timerNo1" << "  0,500 s";
    QTest::newRow("E_TimerNo2") << "E_TimerNo2" << "  2,200 s";
    QTest::newRow("E_HFresettime") << "E_HFresettime" << "  7,860 s";
    QTest::newRow("E_selfsent") << "E_selfsent" << "  5";
    QTest::newRow("E_HFkanal") << "E_HFkanal" << "  3";
    QTest::newRow("E_systemID") << "E_systemID" << "  1";
    QTest::newRow("E_HFpower") << "E_HFpower" << "  4";
    QTest::newRow("E_adresse0") << "E_adresse0" << "  1";
    QTest::newRow("E_adresse2") << "E_adresse2" << "  3";
    QTest::newRow("E_adresse4") << "E_adresse4" << "  0";
    QTest::newRow("E_RS485adr2") << "E_RS485adr2" << "  2";
    QTest::newRow("E_Qana1") << "E_Qana1" << " 0";
    QTest::newRow("L_Qana1") << "L_Qana1" << "Master";
    QTest::newRow("L_Qana2") << "L_Qana2" << "Master";
    QTest::newRow("LFirmware") << "LFirmware" << "00.00";
}

void TestMainWindow::startup_displaysDefaults()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QObject *control = w()->findChild<QObject *>(field);
    QVERIFY2(control, qPrintable(field));
    QCOMPARE(control->property("text").toString(), text);
}

void TestMainWindow::startup_colours()
{
    const QColor present(206, 243, 205);
    const QColor white(255, 255, 255);
    const QList<QPair<QLineEdit *, QColor>> backgrounds{
        {c<QLineEdit>("E_adresse0"), present}, {c<QLineEdit>("E_adresse1"), present}, {c<QLineEdit>("E_adresse2"), present},
        {c<QLineEdit>("E_adresse3"), white},   {c<QLineEdit>("E_adresse4"), white},   {c<QLineEdit>("E_RS485adr1"), present}};
    for (const auto &[field, colour] : backgrounds)
        QCOMPARE(field->palette().color(QPalette::Base), colour);
    QCOMPARE(c<QLineEdit>("E_HFtimeout")->palette().color(QPalette::Text), QColor(Qt::black));
    QCOMPARE(c<QLineEdit>("E_RStimeout")->palette().color(QPalette::Text), QColor(Qt::black));
    QCOMPARE(int(doc().word(31)), 786);
}

void TestMainWindow::secondActivation_doesNotStartAgain()
{
    c<QRadioButton>("RBslave2")->click();
    m_run->clock.date = QDate(2027, 1, 2);
    w()->FormActivate();
    QVERIFY(c<QRadioButton>("RBslave2")->isChecked()); // the first one chose the master
    QCOMPARE(m_run->session().programmingDate().day, 7);
    QCOMPARE(control<QLineEdit>(m_run->program().Fcal(), "nDD")->text(), QStringLiteral("07"));
}

void TestMainWindow::role_followsWords41And36_data()
{
    QTest::addColumn<QString>("before"); // button checked beforehand
    QTest::addColumn<int>("word41");
    QTest::addColumn<int>("word36");
    QTest::addColumn<QString>("checked");
    QTest::addColumn<int>("word36After");
    QTest::addColumn<bool>("rs485");
    QTest::newRow("slave3 with RS485") << "RBmaster" << 2 << 3 << "RBslave3" << 3 << true;
    QTest::newRow("no role keeps the earlier button") << "RBslave2" << 0 << 0 << "RBslave2" << 0 << false;
    QTest::newRow("master bit wins") << "RBslave4" << 1 << 2 << "RBmaster" << 0 << false;
    QTest::newRow("station out of range") << "RBslave1" << 0 << 7 << "RBslave1" << 7 << false;
}

void TestMainWindow::role_followsWords41And36()
{
    QFETCH(QString, before);
    w()->findChild<QRadioButton *>(before)->click();
    QVERIFY(w()->findChild<QRadioButton *>(before)->isChecked());

    QFETCH(int, word41);
    QFETCH(int, word36);
    refreshWith({{41, word41}, {36, word36}});

    QFETCH(QString, checked);
    QFETCH(bool, rs485);
    QVERIFY(w()->findChild<QRadioButton *>(checked)->isChecked());
    QTEST(int(doc().word(36)), "word36After");
    QCOMPARE(c<QCheckBox>("CBmitRS485")->isChecked(), rs485);
    QCOMPARE(c<QWidget>("PanRS485")->isVisible(), rs485);
}

void TestMainWindow::redTimeouts_data()
{
    QTest::addColumn<WordValues>("words");
    QTest::addColumn<bool>("rsRed");
    QTest::addColumn<bool>("hfRed");
    QTest::addColumn<WordValues>("after");
    QTest::newRow("RS485 cycle corrected") << WordValues{{53, 110}, {51, 60}} << true << false
                                           << WordValues{{51, 73}};
    QTest::newRow("radio 4x cycle") << WordValues{{35, 600}, {33, 160}} << false << true
                                    << WordValues{{33, 160}};
    QTest::newRow("RS485 timeout 0") << WordValues{{53, 0}} << true << false << WordValues{{51, 5}};
}

void TestMainWindow::redTimeouts()
{
    QFETCH(WordValues, words);
    refreshWith(words);
    const QColor red(255, 0, 0);
    QFETCH(bool, rsRed);
    QFETCH(bool, hfRed);
    QCOMPARE(c<QLineEdit>("E_RStimeout")->palette().color(QPalette::Text) == red, rsRed);
    QCOMPARE(c<QLineEdit>("E_HFtimeout")->palette().color(QPalette::Text) == red, hfRed);
    QFETCH(WordValues, after);
    for (const auto &[address, value] : after)
        QCOMPARE(int(doc().word(address)), value);
}

void TestMainWindow::systemData_labels_data()
{
    QTest::addColumn<WordValues>("words");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("text");
    QTest::newRow("Llast") << WordValues{{2, 5}, {3, 0x030D}} << "Llast" << " 5.03.2013";
    QTest::newRow("Llast year below 10") << WordValues{{2, 17}, {3, 0x0B05}} << "Llast" << "17.11.2005";
    QTest::newRow("LSeriennummer") << WordValues{{9, 12}, {5, 345}} << "LSeriennummer" << "12.00345";
    QTest::newRow("LDateCode") << WordValues{{7, 1234}} << "LDateCode" << "1234";
    QTest::newRow("LDateCode padded") << WordValues{{7, 12}} << "LDateCode" << "0012";
    QTest::newRow("LKunde zero") << WordValues{{9, 0}} << "LKunde" << "D000000";
    QTest::newRow("LKunde") << WordValues{{9, 12}} << "LKunde" << "D000012";
    QTest::newRow("L_Qana2 slave") << WordValues{{64, 2}} << "L_Qana2" << "Slave2";
    QTest::newRow("L_Qana1 invalid") << WordValues{{62, 7}} << "L_Qana1" << "Master";
}

void TestMainWindow::systemData_labels()
{
    QFETCH(WordValues, words);
    QFETCH(QString, label);
    refreshWith(words);
    QTEST(w()->findChild<QLabel *>(label)->text(), "text");
}

void TestMainWindow::extensionChannels_invalidWordFallsBackToNone()
{
    QVERIFY(c<QRadioButton>("RBdig32")->isChecked());
    refreshWith({{100, 9}});
    QVERIFY(c<QRadioButton>("RBdig0")->isChecked());
    QCOMPARE(c<OutputGrid>("Tabwerte")->gridRowCount(), 5);
    QCOMPARE(int(doc().word(100)), 0);
}

void TestMainWindow::extensionChannels_invalidWordStaysWhenNoneWasChecked()
{
    c<QRadioButton>("RBdig0")->click();
    QCOMPARE(int(doc().word(100)), 0);
    refreshWith({{100, 9}});
    QVERIFY(c<QRadioButton>("RBdig0")->isChecked());
    QCOMPARE(int(doc().word(100)), 9);
}

void TestMainWindow::extensionChannels_fewerRowsKeepHiddenAssignments()
{
    doc().setOutput(21, DigEntry{3, 17, 0x03}); // out31
    c<QRadioButton>("RBdig8")->click();                  // "8 I/O"
    QCOMPARE(int(doc().word(100)), 1);
    QCOMPARE(c<OutputGrid>("Tabwerte")->gridRowCount(), 13);
    QVERIFY(c<OutputGrid>("Tabwerte")->isRowHidden(12)); // out21 is grid row 13
    QVERIFY(!c<OutputGrid>("Tabwerte")->isRowHidden(11));
    QCOMPARE(doc().outputs()[20].content, quint8(17));

    c<QRadioButton>("RBdig32")->click();
    QCOMPARE(c<OutputGrid>("Tabwerte")->cellText(2, 21), QStringLiteral("in26"));
    QCOMPARE(c<OutputGrid>("Tabwerte")->cellText(3, 21), QStringLiteral("Fehler > OFF"));
    QCOMPARE(c<OutputGrid>("Tabwerte")->cellText(4, 21), QStringLiteral("invertiert"));
}

void TestMainWindow::table_showsOutputNamesAndAssignments()
{
    OutputGrid *grid = c<OutputGrid>("Tabwerte");
    QCOMPARE(grid->cellText(0, 0), QStringLiteral("output"));
    QCOMPARE(grid->cellText(3, 0), QStringLiteral("bei Fehler"));
    QCOMPARE(grid->cellText(0, 1), QStringLiteral("out1="));
    QCOMPARE(grid->cellText(0, 13), QStringLiteral("out21="));
    QCOMPARE(grid->cellText(0, 36), QStringLiteral("out48="));
    QCOMPARE(grid->cellText(1, 4), QStringLiteral("Status"));
    QCOMPARE(grid->cellText(2, 4), QStringLiteral("ON > Betrieb fehlerfrei"));

    // A module's invalid source shows as such and is folded back unchanged.
    ConfigWords image = doc().configImage();
    image[102] = 7;
    doc().takeImage(image);
    QCOMPARE(grid->cellText(1, 1), QString());
    QCOMPARE(grid->cellText(2, 1), QStringLiteral("-ungültig-"));
    doc().setWord(Word::Channel, 5); // another edit keeps it as it is
    QCOMPARE(int(doc().word(102)), 7);
}

void TestMainWindow::table_clickOnNameSetsOutNr_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("outNr");
    QTest::newRow("out13=") << 0 << 7 << 7;
    QTest::newRow("out4=") << 0 << 4 << 4;
    QTest::newRow("Quelle column") << 1 << 7 << 36;
}

void TestMainWindow::table_clickOnNameSetsOutNr()
{
    QFETCH(int, column);
    QFETCH(int, row);
    m_run->program().Fdigout()->setCurrentOutput(36);
    bool editorOpened = false;
    if (column == 0)
        whileModal([&](QWidget *dialog) { editorOpened = dialog == m_run->program().Fdigout(); });
    OutputGrid *grid = c<OutputGrid>("Tabwerte");
    grid->scrollToTop();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->cellRect(column, row).center());
    QTEST(m_run->program().Fdigout()->currentOutput(), "outNr");
    QCOMPARE(editorOpened, column == 0);
}

void TestMainWindow::rs485Box_togglesBitAndPanel()
{
    doc().setWord(51, 40);
    c<QCheckBox>("CBmitRS485")->click();
    QCOMPARE(int(doc().word(41)), 3);
    QVERIFY(c<QWidget>("PanRS485")->isVisible());
    c<QCheckBox>("CBmitRS485")->click();
    QCOMPARE(int(doc().word(41)), 1);
    QVERIFY(!c<QWidget>("PanRS485")->isVisible());
    QCOMPARE(int(doc().word(51)), 40);
}

void TestMainWindow::homepage_opensTheMakersAddress()
{
    c<QAction>("Mhomepage")->trigger();
    QCOMPARE(m_run->ui.openedUrls.size(), 1);
    QVERIFY(m_run->ui.openedUrls.first().host().endsWith(".example"));
    QVERIFY(c<QAction>("Mhomepage")->text().contains(m_run->ui.openedUrls.first().host()));
    QTest::mouseDClick(c<QLabel>("LLogo2"), Qt::LeftButton);
    QCOMPARE(m_run->ui.openedUrls.size(), 2);
}

void TestMainWindow::about_showsVersionAndClosesWithZurueck()
{
    QString title, text;
    bool modal = false;
    QTimer::singleShot(0, this, [&] {
        auto *about = qobject_cast<TFabout *>(QApplication::activeModalWidget());
        if (!about)
            return;
        title = about->windowTitle();
        text = control<QLabel>(about, "Info")->text();
        modal = about->isModal();
        QCOMPARE(control<QPushButton>(about, "Bback")->text(), QStringLiteral("zurück"));
        control<QPushButton>(about, "Bback")->click();
    });
    c<QAction>("Mabout")->trigger(); // returns when the about window is closed
    QCOMPARE(title, QStringLiteral("about  Velka.exe"));
    QVERIFY(modal);
    QVERIFY(text.contains("1.30"));
    QVERIFY(text.contains("03/2013"));
    QVERIFY(text.contains(QCoreApplication::applicationFilePath().section('/', -1)));
    QVERIFY(!m_run->program().Fabout()->isVisible());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
