#include "common/RunningProgram.h"
#include "core/files/ConfigFile.h"
#include "core/workflow/ConfigDocument.h"
#include "ui/main/Program.h"
#include "ui/main/TFVelka.h"
#include "ui/outputs/OutputGrid.h"

#include <QAction>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <sys/resource.h>
#include <csignal>
#include <unistd.h>

#include <memory>

class TestFileMenu : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void saveThenLoad_restoresImageAndAssignments();
    void save_writesTheFileAndNamesItInTheStatusBar();
    void dialogs_offerTitlesFilterAndLastName();
    void load_shortFileChangesNothing();
    void cancelled_changeNeitherImageNorStatusBar_data();
    void cancelled_changeNeitherImageNorStatusBar();
    void neu_afterLoadKeepsPathAndRestoresDefaults();
    void failedSave_leavesEarlierFileUntouched_data();
    void failedSave_leavesEarlierFileUntouched();
    void desktopFiles_loadAsLadenLoads_data();
    void desktopFiles_loadAsLadenLoads();
    void reportPdf_showsTheWindowsConfiguration_data();
    void reportPdf_showsTheWindowsConfiguration();

private:
    TFVelka *w() const { return &m_run->window(); }
    ConfigDocument &doc() const { return m_run->document(); }
    QString lastLogText() const;
    QColor lastLogColour() const;
    QString path(const QString &name) const { return m_dir.filePath(name); }

    std::unique_ptr<RunningProgram> m_run;
    QTemporaryDir m_dir;
};

void TestFileMenu::init()
{
    m_run = std::make_unique<RunningProgram>();
    QString error;
    QVERIFY2(m_run->start(&error, RunningProgram::Module::None), qPrintable(error));
}

void TestFileMenu::cleanup()
{
    m_run.reset();
}

QString TestFileMenu::lastLogText() const
{
    const QList<LogLine> lines = logLines(control<QTextEdit>(w(), "MInfo"));
    return lines.size() >= 2 ? lines[lines.size() - 2].text : QString();
}

QColor TestFileMenu::lastLogColour() const
{
    const QList<LogLine> lines = logLines(control<QTextEdit>(w(), "MInfo"));
    return lines.size() >= 2 ? lines[lines.size() - 2].colour : QColor();
}

void TestFileMenu::saveThenLoad_restoresImageAndAssignments()
{
    QRandomGenerator random(99);
    for (int round = 0; round < 5; ++round) {
        ConfigWords image;
        for (quint16 &word : image)
            word = quint16(random.bounded(65536));
        DigTable outputs;
        for (DigEntry &entry : outputs)
            entry = DigEntry{quint8(random.bounded(256)), quint8(random.bounded(256)), quint8(random.bounded(256))};
        writeOutputWords(outputs, image);
        doc().takeImage(image);
        const ConfigWords shownImage = doc().configImage();
        const DigTable table = doc().outputs();

        m_run->ui.saveNames << path(QStringLiteral("round%1.VMC").arg(round));
        control<QAction>(w(), "MSpeichern")->trigger();
        QCOMPARE(lastLogText(), QStringLiteral("Daten erfolgreich gespeichert"));

        doc().resetToDefaults();
        m_run->ui.openNames << path(QStringLiteral("round%1.VMC").arg(round));
        control<QAction>(w(), "MLaden")->trigger();
        QVERIFY(lastLogText().startsWith(QStringLiteral("Datei geladen: ")));
        QCOMPARE(lastLogColour(), QColor(0, 128, 0));
        for (int n = 0; n < 36; ++n) {
            QCOMPARE(doc().outputs()[n].source, table[n].source);
            QCOMPARE(doc().outputs()[n].content, table[n].content);
            QCOMPARE(doc().outputs()[n].options, table[n].options);
        }
        ConfigWords expected = shownImage;
        writeOutputWords(table, expected);
        // The display may correct words again after the load (the role and extension
        // selectors); everything else comes back as saved.
        for (int i = 0; i < 256; ++i) {
            if (i != 36 && i != 41 && i != 100)
                QCOMPARE(doc().word(i), expected[i]);
        }
    }
}

void TestFileMenu::save_writesTheFileAndNamesItInTheStatusBar()
{
    const QString name = path("plant.VMC");
    m_run->ui.saveNames << name;
    control<QAction>(w(), "MSpeichern")->trigger();
    QFile file(name);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(bytes.count("\r\n"), 264);
    QVERIFY(bytes.startsWith(">>DATA\r\n0\r\n"));
    QVERIFY(bytes.contains("\r\n786\r\n")); // word 31 as displayed
    QCOMPARE(w()->statusPanelText(1), QDir::toNativeSeparators(QFileInfo(name).absoluteFilePath()));
    QCOMPARE(lastLogColour(), QColor(0, 128, 0));
}

void TestFileMenu::dialogs_offerTitlesFilterAndLastName()
{
    m_run->ui.saveNames << path("first.VMC");
    control<QAction>(w(), "MSpeichern")->trigger();
    control<QAction>(w(), "MSpeichern")->trigger(); // cancelled
    control<QAction>(w(), "MLaden")->trigger();     // cancelled
    QCOMPARE(m_run->ui.fileRequests.size(), 3);
    const FileDialogRequest &save = m_run->ui.fileRequests[0];
    QCOMPARE(save.title, QStringLiteral("Konfigurationsdateien archivieren"));
    QCOMPARE(save.filter, QStringLiteral("Velka Konfigurationsfiles|*.VMC|all files|*.*"));
    QCOMPARE(save.defaultExtension, QStringLiteral("VMC"));
    QCOMPARE(save.initialName, QStringLiteral("default.VMC"));
    QCOMPARE(m_run->ui.fileRequests[1].initialName, path("first.VMC"));
    QCOMPARE(m_run->ui.fileRequests[2].title, QStringLiteral("Konfigurationsdaten aus Datei laden"));
    QCOMPARE(m_run->ui.fileRequests[2].initialName, QStringLiteral("default.VMC"));
}

void TestFileMenu::load_shortFileChangesNothing()
{
    QFile file(path("short.VMC"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(">>DATA\r\n");
    for (int i = 0; i < 255; ++i)
        file.write("7\r\n");
    file.close();

    DigEntry first = doc().outputs()[0];
    first.source = 3;
    doc().setOutput(1, first);
    const ConfigWords image = doc().configImage();
    const QString panel = w()->statusPanelText(1);
    m_run->ui.openNames << file.fileName();
    control<QAction>(w(), "MLaden")->trigger();
    QCOMPARE(lastLogText(), QStringLiteral("Fehler bei Datei Laden"));
    QCOMPARE(lastLogColour(), QColor(255, 0, 0));
    QCOMPARE(doc().configImage(), image);
    QCOMPARE(int(doc().outputs()[0].source), 3);
    QCOMPARE(control<OutputGrid>(w(), "Tabwerte")->cellText(1, 1), QStringLiteral("Slave3"));
    QCOMPARE(w()->statusPanelText(1), panel);

    // A file that is not there is refused before it is read: the reason follows the failure.
    m_run->ui.openNames << path("missing.VMC");
    control<QAction>(w(), "MLaden")->trigger();
    QCOMPARE(lastLogText(), QStringLiteral("Datei nicht gefunden: ") + QDir::toNativeSeparators(path("missing.VMC")));
}

void TestFileMenu::cancelled_changeNeitherImageNorStatusBar_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("message");
    QTest::newRow("open") << "MLaden" << "Datei Laden abgebrochen";
    QTest::newRow("save") << "MSpeichern" << "Speichern abgebrochen";
    QTest::newRow("neu declined") << "MNeu" << "\"Datei Neu\" abgebrochen!";
}

void TestFileMenu::cancelled_changeNeitherImageNorStatusBar()
{
    QFETCH(QString, item);
    m_run->ui.answers << false;
    doc().setWord(30, 5);
    const ConfigWords image = doc().configImage();
    w()->findChild<QAction *>(item)->trigger();
    QTEST(lastLogText(), "message");
    QCOMPARE(lastLogColour(), QColor(255, 0, 0));
    QCOMPARE(w()->statusPanelText(1), QStringLiteral("-file-"));
    if (item != "MSpeichern") // a cancelled save has nothing to fold
        QCOMPARE(doc().configImage(), image);
    QCOMPARE(int(doc().word(30)), 5);
}

void TestFileMenu::neu_afterLoadKeepsPathAndRestoresDefaults()
{
    m_run->ui.saveNames << path("kept.VMC");
    control<QAction>(w(), "MSpeichern")->trigger();
    m_run->ui.openNames << path("kept.VMC");
    control<QAction>(w(), "MLaden")->trigger();
    const QString panel = w()->statusPanelText(1);
    QVERIFY(panel.endsWith("kept.VMC"));

    doc().setWord(30, 5);
    doc().setOutput(4, DigEntry{0, 0, 3});
    control<QAction>(w(), "MNeu")->trigger();
    QCOMPARE(m_run->ui.questions.last(),
             QStringLiteral("Alle Konfigurationsdaten auf Defaultwerte rücksetzen?\r\n"
                            "(die alten Werte werden nicht automatisch gesichert!)"));
    QCOMPARE(lastLogText(), QStringLiteral("Default-Einstellung geladen"));
    QCOMPARE(lastLogColour(), QColor(Qt::black));
    QCOMPARE(int(doc().word(30)), 3);
    QCOMPARE(control<OutputGrid>(w(), "Tabwerte")->cellText(1, 4), QStringLiteral("Status"));
    QCOMPARE(control<OutputGrid>(w(), "Tabwerte")->cellText(2, 4), QStringLiteral("ON > Betrieb fehlerfrei"));
    QCOMPARE(control<OutputGrid>(w(), "Tabwerte")->cellText(3, 4), QStringLiteral("unverändert"));
    QCOMPARE(w()->statusPanelText(1), panel);
}

void TestFileMenu::failedSave_leavesEarlierFileUntouched_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("disk full") << "disk full";
    QTest::newRow("read-only folder") << "read-only folder";
    QTest::newRow("name is a folder") << "name is a folder";
}

void TestFileMenu::failedSave_leavesEarlierFileUntouched()
{
    QFETCH(QString, how);
    const QString place = path(QString(how).replace(' ', '_'));
    QDir().mkpath(place);
    const QStringList filesBefore = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
    const QString target = how == "name is a folder" ? place : place + "/earlier.VMC";
    const QByteArray earlier("an earlier configuration\r\n");
    if (how != "name is a folder") {
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(earlier);
    }

    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    if (how == "disk full") {
        // Files may not grow beyond a few bytes: every write of the new file fails.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit tiny = saved;
        tiny.rlim_cur = 16;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    } else if (how == "read-only folder") {
        if (geteuid() == 0)
            QSKIP("permissions do not stop root");
        QFile::setPermissions(place, QFile::ReadOwner | QFile::ExeOwner);
    }

    m_run->ui.saveNames << target;
    control<QAction>(w(), "MSpeichern")->trigger();
    setrlimit(RLIMIT_FSIZE, &saved);
    QFile::setPermissions(place, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QCOMPARE(lastLogText(), QStringLiteral("Fehler bei \"Datei speichern\""));
    QCOMPARE(lastLogColour(), QColor(255, 0, 0));
    QCOMPARE(w()->statusPanelText(1), QStringLiteral("-file-"));
    if (how != "name is a folder") {
        QFile file(target);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), earlier);
    }
    // No temporary file is left behind.
    QCOMPARE(QDir(place).entryList(QDir::Files | QDir::Hidden).size(), how == "name is a folder" ? 0 : 1);
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), filesBefore);
}

void TestFileMenu::desktopFiles_loadAsLadenLoads_data()
{
    QTest::addColumn<bool>("dropped");       // on the window, else from the command line
    QTest::addColumn<QStringList>("names");  // good.VMC is a configuration file, bad.VMC is not
    QTest::addColumn<QString>("message");    // the last line logged; %1: the first file's path
    QTest::addColumn<bool>("loaded");
    const QString loaded = QStringLiteral("Datei geladen: %1");
    QTest::newRow("command line") << false << QStringList{"good.VMC"} << loaded << true;
    QTest::newRow("dropped") << true << QStringList{"good.VMC"} << loaded << true;
    QTest::newRow("dropped, not a configuration") << true << QStringList{"bad.VMC"}
                                                  << QStringLiteral("Fehler bei Datei Laden") << false;
    QTest::newRow("two dropped") << true << QStringList{"good.VMC", "bad.VMC"} << loaded << true;
    QTest::newRow("firmware file") << false << QStringList{"update.qvx"}
        << QStringLiteral("Firmware-Dateien werden nur im Fenster \"Firmware Update\" geöffnet: %1") << false;
}

void TestFileMenu::desktopFiles_loadAsLadenLoads()
{
    QFETCH(bool, dropped);
    QFETCH(QStringList, names);
    QFETCH(QString, message);
    QFETCH(bool, loaded);
    ConfigWords image = doc().configImage();
    image[Word::SystemId] = 77;
    for (const auto &[name, bytes] : {std::pair{QStringLiteral("good.VMC"), ConfigFile::encode(ConfigFile::build(image))},
                                      std::pair{QStringLiteral("bad.VMC"), QByteArray("no configuration\r\n")},
                                      std::pair{QStringLiteral("update.qvx"), ConfigFile::encode(ConfigFile::build(image))}}) {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    const ConfigWords before = doc().configImage();
    QStringList paths;
    QList<QUrl> urls;
    for (const QString &name : names) {
        paths << path(name);
        urls << QUrl::fromLocalFile(path(name));
    }
    if (dropped) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w(), &drop);
    } else {
        w()->openFiles(paths);
    }
    const QString first = QDir::toNativeSeparators(paths.first());
    QCOMPARE(lastLogText(), message.arg(first));
    QCOMPARE(doc().configImage(), loaded ? image : before);
    QCOMPARE(w()->statusPanelText(1), loaded ? first : QStringLiteral("-file-"));
    if (names.size() > 1)
        QVERIFY(m_run->logContains(QStringLiteral("2 Dateien übergeben, nur die erste wird geladen: %1").arg(first)));
}

void TestFileMenu::reportPdf_showsTheWindowsConfiguration_data()
{
    QTest::addColumn<QString>("name"); // in the test folder
    QTest::addColumn<bool>("saved");
    QTest::newRow("saved") << "report.pdf" << true;
    QTest::newRow("missing folder") << "none/report.pdf" << false;
}

void TestFileMenu::reportPdf_showsTheWindowsConfiguration()
{
    QFETCH(QString, name);
    QFETCH(bool, saved);
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    QVERIFY2(!pdftotext.isEmpty(), "pdftotext is missing (scripts/common.sh installs poppler-utils)");
    doc().setWord(Word::SystemId, 77);
    m_run->ui.saveNames << path("unit.VMC") << path(name);
    w()->MSpeichernClick();
    m_run->control<QAction>("MPdf")->trigger();
    const QString pdf = QDir::toNativeSeparators(QFileInfo(path(name)).absoluteFilePath());
    if (!saved) {
        QVERIFY(lastLogText().startsWith(QStringLiteral("Fehler beim Speichern des Berichts: %1 (").arg(pdf)));
        QCOMPARE(lastLogColour(), QColor(255, 0, 0));
        QVERIFY(QDir(path("none")).isEmpty() && !QFile::exists(path(name)));
        return;
    }
    QCOMPARE(lastLogText(), QStringLiteral("Bericht gespeichert: %1").arg(pdf));
    QProcess text;
    text.start(pdftotext, {QStringLiteral("-layout"), path(name), QStringLiteral("-")});
    QVERIFY(text.waitForFinished(20000) && text.exitCode() == 0);
    const QString report = QString::fromUtf8(text.readAllStandardOutput()).simplified();
    for (const QString &expected :
         {QStringLiteral("Konfigurationsbericht Datei: unit.VMC Datum: %1").arg(m_run->clock.today().toString("dd.MM.yyyy")),
          QStringLiteral("Rolle: Master"), QStringLiteral("System-ID: 77"), QStringLiteral("Sendezyklus:"),
          QStringLiteral("einbinden: nein"), QStringLiteral("output Quelle Inhalt bei Fehler invertiert"),
          QStringLiteral("out4 Status ON > Betrieb fehlerfrei"), QStringLiteral("out44"),
          QStringLiteral("Prüfsumme: 0x")
              + QString::number(imageChecksum(doc().configImage()), 16).rightJustified(4, '0').toUpper()})
        QVERIFY2(report.contains(expected), qPrintable(expected + QStringLiteral(" not in: ") + report));
    QVERIFY(!report.contains(QStringLiteral("Seriennummer"))); // no read told the module's
}

QTEST_MAIN(TestFileMenu)
#include "tst_filemenu.moc"
