// The read, verify and write sequence end to end: the whole program on a real
// pseudo-terminal, with the simulated module on the other side.
#include "ModuleSimulator.h"
#include "ui/common/InfoLog.h"
#include "ui/main/Program.h"
#include "ui/main/TFVelka.h"
#include "common/TestSupport.h"
#include "ui/factory/TFcal.h"
#include "core/link/TFRX.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {
using Lines = QList<QPair<QString, QColor>>;
const QColor Black(0, 0, 0);
const QColor Red(255, 0, 0);
const QColor Green(0, 128, 0);
const QString TimeLine = QStringLiteral(" -14:05:09-");
} // namespace

class TestWorkflow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void write_runsTheWholeSequenceAndRestartsTheModule();
    void read_wakesTheModuleThenSendsTheRequest();
    void read_takesTheModulesImage();
    void read_withWrongImageChecksumStillTakesIt();
    void noModule_reportsTimeoutAfterKnockAndWait();
    void cancelled_logsAndChangesNothing_data();
    void cancelled_logsAndChangesNothing();
    void verifyMismatch_reportsAddressAndKeepsModuleRunning();
    void linkFault_endsInTheErrorStep_data();
    void linkFault_endsInTheErrorStep();
    void factory_writeStampsWithoutRestart();
    void factory_counterWrapsAndCloseReleasesTheLink();
    void factory_failedReadReportsAndReenablesButton();
    void otherCommandsReply_needsNoFollowUp();
    void connectionIndicator_mirrorsThePortMenu();
    void connectionIndicator_reportsAdapterComingAndGoing();

private:
    TFVelka *w() const { return m_program->FVelka(); }
    TFRX *link() const { return m_program->FRX(); }
    ConfigWorkflow *flow() const { return w()->workflow(); }
    // Log lines written since the start-up report.
    Lines newLines() const;
    bool logContains(const QString &text) const;
    int restarts() const;

    FakeClock m_clock;
    ScriptedUserInteraction m_ui;
    std::unique_ptr<ModuleSimulator> m_sim;
    std::unique_ptr<QSignalSpy> m_answers;
    std::unique_ptr<Program> m_program;
};

void TestWorkflow::init()
{
    m_ui = ScriptedUserInteraction();
    m_sim = std::make_unique<ModuleSimulator>();
    QVERIFY(m_sim->open());
    m_answers = std::make_unique<QSignalSpy>(m_sim.get(), &ModuleSimulator::answered);
    const QString device = m_sim->devicePath();
    m_program = std::make_unique<Program>(m_clock, m_ui, [device](const QString &name) {
        return name == QLatin1String("COM1") ? device : QStringLiteral("/nonexistent/") + name;
    });
    w()->show();
    QTRY_VERIFY(!w()->FirstActivation);
    QTRY_VERIFY(!link()->inittimer.isActive()); // the link's start-up has run
}

void TestWorkflow::cleanup()
{
    m_program.reset();
    m_answers.reset();
    m_sim.reset();
}

Lines TestWorkflow::newLines() const
{
    Lines lines;
    const QList<LogLine> all = logLines(w()->MInfo);
    for (qsizetype i = 3; i < all.size(); ++i) // after " -time-", "Programmstart", ""
        lines << qMakePair(all[i].text, all[i].text.isEmpty() ? QColor() : all[i].colour);
    return lines;
}

bool TestWorkflow::logContains(const QString &text) const
{
    return w()->MInfo->toPlainText().split('\n').contains(text);
}

int TestWorkflow::restarts() const
{
    int count = 0;
    for (const QList<QVariant> &answer : *m_answers)
        count += answer.at(0).toInt() == 'Q';
    return count;
}

void TestWorkflow::write_runsTheWholeSequenceAndRestartsTheModule()
{
    w()->ConfigImage[30] = 5;      // edited channel
    w()->DigTab[3].Bits = 0x03;    // edited output (out4), folded in by the write
    w()->ConfigImage[5] = 999;     // the PC's copy of the serial number is never written
    w()->showdata();

    QMap<QString, bool> buttonsAtLine; // ButWrite's state when each line appeared
    connect(w()->MInfo, &QTextEdit::textChanged, this, [&] {
        const QStringList lines = w()->MInfo->toPlainText().split('\n', Qt::SkipEmptyParts);
        if (!lines.isEmpty() && !buttonsAtLine.contains(lines.last()))
            buttonsAtLine[lines.last()] = w()->ButWrite->isEnabled();
    });
    w()->ButWrite->click();
    QCOMPARE(m_ui.questions.last(), QStringLiteral("Gerät mit Daten programmieren?\r\n (Gerätedaten werden überschrieben!)"));
    QTRY_COMPARE(flow()->WriteState, 2);
    QVERIFY(!w()->ButRead->isEnabled());
    QVERIFY(!w()->ButWrite->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(logContains("Gerät neu gestartet"), 10000);
    QTRY_VERIFY(w()->ButWrite->isEnabled());
    QVERIFY(w()->ButRead->isEnabled());

    const Lines expected{{"alte Parameter vor Neuprogrammierung auslesen...", Black},
                         {"Daten geschrieben", Green},
                         {TimeLine, Black},
                         {"jetzt verify...", Black},
                         {"Verify ok", Green},
                         {TimeLine, Black},
                         {"Gerät neu gestartet", Black},
                         {"", QColor()}};
    QCOMPARE(newLines(), expected);
    // Enabled during the read before the write, disabled from the write until the restart.
    QCOMPARE(buttonsAtLine.value("alte Parameter vor Neuprogrammierung auslesen..."), true);
    QCOMPARE(buttonsAtLine.value("Daten geschrieben"), false);
    QCOMPARE(buttonsAtLine.value("Verify ok"), false);
    QCOMPARE(buttonsAtLine.value("Gerät neu gestartet"), false);

    const ConfigWords &module = m_sim->module().image();
    QCOMPARE(module, w()->WriteImage);
    QCOMPARE(int(module[30]), 5);
    QCOMPARE(int(module[109]), 0x0203);                        // out4: status 2, bits 3
    QCOMPARE(int(module[1]), 8);                               // counter 7 + 1
    QCOMPARE(int(module[2]), 7);                               // the program's start date
    QCOMPARE(int(module[3]), 3 * 256 + 26);
    QCOMPARE(int(module[5]), 345);
    QCOMPARE(module[21], ModuleFirmware::factoryImage()[21]);  // calibration kept
    QCOMPARE(int(module[255]), int(imageChecksum(module)));
    QCOMPARE(restarts(), 1);
    QCOMPARE(w()->ConfigImage, w()->WriteImage);               // the verified image is shown
    QCOMPARE(m_program->Fcal()->E_written->text(), QStringLiteral("    8"));
    QCOMPARE(w()->Llast->text(), QStringLiteral(" 7.03.2026"));
}

void TestWorkflow::read_wakesTheModuleThenSendsTheRequest()
{
    QList<QPair<qint64, qsizetype>> arrivals; // time, bytes so far
    QElapsedTimer clock;
    connect(m_sim.get(), &ModuleSimulator::bytesArrived, this,
            [&] { arrivals << qMakePair(clock.elapsed(), m_sim->received().size()); });
    clock.start();
    w()->ButRead->click();
    QTRY_VERIFY(logContains("Daten ausgelesen"));

    const QByteArray wire = m_sim->received();
    QCOMPARE(wire.size(), 8 * 11 + 50 + 8);
    QCOMPARE(wire.left(138), QByteArray(138, '\0'));
    QCOMPARE(wire.mid(138).toHex(), QByteArray("ff2100000080fe5f")); // 0xFFFF - 0x1A0

    // Eleven bytes per burst: every arrival of the knock ends on a burst boundary (a busy
    // machine may deliver two bursts at once), and the eight bursts span seven 40 ms steps.
    QVERIFY(!arrivals.isEmpty());
    qint64 lastKnock = -1;
    for (const auto &[time, size] : arrivals) {
        if (size <= 88) {
            QCOMPARE(size % 11, 0);
            lastKnock = size == 88 ? time : lastKnock;
        } else if (lastKnock < 0) {
            lastKnock = time; // the last burst came together with the request
        }
    }
    QVERIFY2(lastKnock - arrivals.first().first >= 7 * 35, "bursts about 40 ms apart");
}

void TestWorkflow::read_takesTheModulesImage()
{
    m_ui.answers << true;
    w()->ButRead->click();
    QCOMPARE(m_ui.questions.last(),
             QStringLiteral("Daten vom Gerät auslesen?\r\n (die PC-Einstellungen werden überschrieben!)"));
    QVERIFY(!w()->ButRead->isEnabled());
    QTRY_VERIFY(logContains("Daten ausgelesen"));
    QCOMPARE(newLines(), (Lines{{TimeLine, Green}, {"Daten ausgelesen", Green}, {"", QColor()}}));
    QCOMPARE(w()->ConfigImage, m_sim->module().image());
    QVERIFY(w()->Pread->isVisible());
    QVERIFY(w()->ButRead->isEnabled() && w()->ButWrite->isEnabled());
    QCOMPARE(w()->LFirmware->text(), QStringLiteral("01.28"));
    QCOMPARE(w()->LSeriennummer->text(), QStringLiteral("12.00345"));
    QCOMPARE(w()->Llast->text(), QStringLiteral(" 5.03.2013"));
    QCOMPARE(m_program->Fcal()->aYY->text(), QStringLiteral("13"));
}

void TestWorkflow::read_withWrongImageChecksumStillTakesIt()
{
    ConfigWords image = ModuleFirmware::factoryImage();
    image[255] ^= 0x0101;
    image[30] = 4;
    m_sim->module().setImage(image);
    QSignalSpy beeps(w(), &TFVelka::beeped);
    w()->ButRead->click();
    QTRY_VERIFY(logContains("ausgelesene Daten sind inkonsistent"));
    QCOMPARE(newLines(), (Lines{{TimeLine, Red}, {"!!! Fehler Checksumme !!!", Red},
                                {"ausgelesene Daten sind inkonsistent", Red}, {"", QColor()}}));
    QCOMPARE(beeps.count(), 1);
    QCOMPARE(int(w()->ConfigImage[30]), 4);
    QVERIFY(w()->Pread->isVisible());
}

void TestWorkflow::noModule_reportsTimeoutAfterKnockAndWait()
{
    m_sim->setFaultForAll(*SimFault::parse(u"silent"));
    w()->ConfigImage[30] = 5;
    const ConfigWords before = w()->ConfigImage;
    QElapsedTimer elapsed;
    elapsed.start();
    w()->ButRead->click();
    QTRY_VERIFY_WITH_TIMEOUT(logContains("timeout"), 5000);
    QVERIFY2(elapsed.elapsed() >= 1250, "knock (320 ms) and the read's time-out (1000 ms)");
    QCOMPARE(newLines(), (Lines{{TimeLine, Red}, {"Fehler bei Kommunikation", Red},
                                {"timeout", Red}, {"", QColor()}}));
    QVERIFY(w()->ButRead->isEnabled() && w()->ButWrite->isEnabled());
    QCOMPARE(w()->ConfigImage, before);
    QVERIFY(w()->Memo1->toPlainText().endsWith("Fehler: timeout"));
}

void TestWorkflow::cancelled_logsAndChangesNothing_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("message");
    QTest::newRow("read") << "read" << "Vorgang \"Gerät auslesen\" vom Anwender ABGEBROCHEN!";
    QTest::newRow("write") << "write" << "Vorgang \"Gerät programmieren\" vom Anwender ABGEBROCHEN!";
    QTest::newRow("factory") << "factory" << "Vorgang \"Werksdaten\" vom Anwender ABGEBROCHEN!";
}

void TestWorkflow::cancelled_logsAndChangesNothing()
{
    QFETCH(QString, how);
    QFETCH(QString, message);
    m_ui.answers << false;
    w()->DigTab[0].Quelle = 4;
    const ConfigWords before = w()->ConfigImage;
    if (how == "read")
        w()->ButRead->click();
    else if (how == "write")
        w()->ButWrite->click();
    else
        QTest::keySequence(w(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W));
    QCOMPARE(m_ui.questions.size(), 1);
    if (how == "factory")
        QCOMPARE(m_ui.questions.last(),
                 QStringLiteral("vor dem Schreiben der Werksdaten wird das Gerät ausgelesen!\r\n"
                                " (die aktuellen PC-Einstellungen werden dabei überschrieben!)"));
    QCOMPARE(newLines(), (Lines{{TimeLine, Red}, {message, Red}, {"", QColor()}}));
    ConfigWords expected = before;
    if (how == "write")
        DigTabToFlash(w()->DigTab, expected); // the table is folded in before the question
    QCOMPARE(w()->ConfigImage, expected);
    QVERIFY(w()->ButRead->isEnabled() && w()->ButWrite->isEnabled() && w()->ButCal->isEnabled());
    QVERIFY(!flow()->FactoryRequest);
    QVERIFY(!flow()->praetimer.isActive()); // no knock started
    QCOMPARE(m_sim->received().size(), 0);
}

void TestWorkflow::verifyMismatch_reportsAddressAndKeepsModuleRunning()
{
    w()->ConfigImage[70] = 300; // an even word no rule touches, as a file may bring it
    w()->ButWrite->click();
    QTRY_VERIFY_WITH_TIMEOUT(logContains("!!! FEHLER Verify !!!"), 10000);
    const Lines lines = newLines();
    QCOMPARE(lines.mid(lines.size() - 2),
             (Lines{{"Adresse [70]: soll:300  ist:44", Red}, {"!!! FEHLER Verify !!!", Red}}));
    QCOMPARE(lines.size(), 6); // read note, written, time, verify, the one difference, failure
    QVERIFY(link()->PendingCommand != 'Q'); // no restart requested
    QCOMPARE(restarts(), 0);
    QVERIFY(w()->ButRead->isEnabled() && w()->ButWrite->isEnabled());
    QCOMPARE(int(w()->ConfigImage[70]), 300);

    // The user corrects the value and writes again: the whole sequence runs.
    w()->ConfigImage[70] = 44;
    m_sim->clearReceived();
    w()->ButWrite->click();
    QTRY_VERIFY_WITH_TIMEOUT(logContains("Gerät neu gestartet"), 10000);
    QCOMPARE(m_sim->received().left(88), QByteArray(88, '\0')); // knocked again
    QCOMPARE(restarts(), 1);
}

void TestWorkflow::linkFault_endsInTheErrorStep_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("error");
    QTest::newRow("bad checksum on the read") << int('!') << "bad-checksum"
                                              << "fehlerhafte Checksumme in Antwort von Gerät";
    QTest::newRow("wrong start byte") << int('!') << "wrong-start"
                                      << "fehlerhafte Antwort von Gerät (SystemInfo:FE@21)";
    QTest::newRow("silence after the data frame") << int('3') << "silent" << "timeout";
    QTest::newRow("another reply to the write request") << int('1') << "other-command:51"
                                                        << "ungültige Antwort bei Schreibbefehl#2";
}

void TestWorkflow::linkFault_endsInTheErrorStep()
{
    QFETCH(int, command);
    QFETCH(QString, fault);
    if (command == '3') {
        // The module falls silent once it has the data: no acknowledgement, no verify reply.
        connect(m_sim.get(), &ModuleSimulator::answered, this, [this](quint8 request) {
            if (request == '2' || request == '1')
                m_sim->setFaultForAll(*SimFault::parse(u"silent"));
        });
    } else {
        m_sim->setFault(quint8(command), *SimFault::parse(fault));
    }
    w()->ConfigImage[30] = 5;
    DigTabToFlash(w()->DigTab, w()->ConfigImage); // as the write will
    const ConfigWords before = w()->ConfigImage;
    w()->ButWrite->click();
    QTRY_VERIFY_WITH_TIMEOUT(logContains("Fehler bei Kommunikation"), 10000);
    QFETCH(QString, error);
    const Lines lines = newLines();
    QCOMPARE(lines.mid(lines.size() - 4),
             (Lines{{TimeLine, Red}, {"Fehler bei Kommunikation", Red}, {error, Red}, {"", QColor()}}));
    QVERIFY(w()->ButRead->isEnabled() && w()->ButWrite->isEnabled());
    QCOMPARE(flow()->WriteState, 0);
    QCOMPARE(w()->ConfigImage, before);
    QCOMPARE(restarts(), 0);
}

void TestWorkflow::factory_writeStampsWithoutRestart()
{
    QStringList status;
    bool holdWhileOpen = false;
    int quietWhileOpen = 0;
    whileModal([&](QWidget *dialog) {
        auto *factory = qobject_cast<TFcal *>(dialog);
        QVERIFY(factory);
        holdWhileOpen = link()->ReplyHold;
        quietWhileOpen = link()->checkendtimer.interval();
        QVERIFY(!factory->WerkPanel->isEnabled());
        QCOMPARE(factory->E_written->text(), QStringLiteral("    7"));
        const int questions = m_ui.questions.size();
        factory->Butstart->click();
        QCOMPARE(m_ui.questions.size(), questions); // no confirmation
        QTRY_VERIFY_WITH_TIMEOUT(factory->MStatus->toPlainText().contains("Werks-ID"), 10000);
        status = factory->MStatus->toPlainText().split('\n');
        QCOMPARE(factory->E_written->text(), QStringLiteral("    8"));
        QCOMPARE(factory->aDD->text(), QStringLiteral("07"));
        QVERIFY(link()->ReplyHold);
    });
    QTest::keySequence(w(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W));
    QTRY_VERIFY_WITH_TIMEOUT(!status.isEmpty(), 10000);
    QVERIFY(holdWhileOpen);
    QCOMPARE(quietWhileOpen, 1000);
    QCOMPARE(status, (QStringList{"Status: ---", "Status: Werks-ID gespeichert"}));
    QCOMPARE(int(m_sim->module().image()[1]), 8);
    QCOMPARE(restarts(), 0);
    QVERIFY(logContains("Verify ok"));
    QVERIFY(!logContains("Gerät neu gestartet"));
}

void TestWorkflow::factory_counterWrapsAndCloseReleasesTheLink()
{
    ConfigWords image = ModuleFirmware::factoryImage();
    image[1] = 65535;
    image[255] = imageChecksum(image);
    m_sim->module().setImage(image);
    whileModal([&](QWidget *dialog) {
        auto *factory = qobject_cast<TFcal *>(dialog);
        QVERIFY(factory);
        factory->Butstart->click();
        QTRY_VERIFY_WITH_TIMEOUT(factory->MStatus->toPlainText().contains("Werks-ID"), 10000);
    });
    w()->ButCal->click();
    QTRY_COMPARE(int(m_sim->module().image()[1]), 0);
    QTRY_VERIFY(!m_program->Fcal()->isVisible());
    QVERIFY(w()->ButCal->isEnabled() && w()->ButRead->isEnabled() && w()->ButWrite->isEnabled());
    QVERIFY(!link()->ReplyHold);
    QCOMPARE(link()->checkendtimer.interval(), 100);
    QVERIFY(!flow()->getbacktimer.isActive());
}

void TestWorkflow::factory_failedReadReportsAndReenablesButton()
{
    m_sim->setFaultForAll(*SimFault::parse(u"silent"));
    w()->ButCal->click();
    QVERIFY(!w()->ButCal->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(logContains("Kalibriervorgang kann nicht gestartet werden!"), 5000);
    const Lines lines = newLines();
    QCOMPARE(lines.mid(lines.size() - 2),
             (Lines{{TimeLine, Red}, {"Kalibriervorgang kann nicht gestartet werden!", Red}}));
    QVERIFY(w()->ButCal->isEnabled());
    QVERIFY(!flow()->FactoryRequest);
    QVERIFY(!m_program->Fcal()->isVisible());
}

void TestWorkflow::otherCommandsReply_needsNoFollowUp()
{
    link()->ReplyOk = 1; // as left by an earlier success
    link()->BtestClick(); // carrier on
    QTRY_VERIFY(link()->CarrierOn);
    QTRY_VERIFY(!flow()->getbacktimer.isActive());
    QVERIFY(newLines().isEmpty());
    QVERIFY(w()->ButRead->isEnabled() && w()->ButWrite->isEnabled());
}

void TestWorkflow::connectionIndicator_mirrorsThePortMenu()
{
    QTRY_COMPARE(w()->statusPanelText(0), QStringLiteral("COM1"));
    QVERIFY(w()->MCOM[1]->isChecked() && w()->MCOM[1]->isEnabled());
    for (int n = 2; n <= 4; ++n)
        QTRY_VERIFY2(!w()->MCOM[n]->isEnabled(), "the probe finds no such port");
    QVERIFY(!w()->MUSB->isVisible());

    w()->MCOMClick(3); // a port that does not exist
    QTRY_COMPARE(w()->statusPanelText(0), QStringLiteral("---"));
    QVERIFY(w()->MCOM[3]->isChecked() && !w()->MCOM[1]->isChecked());
    w()->MCOM[1]->trigger();
    QTRY_COMPARE(w()->statusPanelText(0), QStringLiteral("COM1"));
    QVERIFY(w()->MCOM[1]->isChecked() && !w()->MCOM[3]->isChecked());
}

void TestWorkflow::connectionIndicator_reportsAdapterComingAndGoing()
{
    QTRY_COMPARE(w()->statusPanelText(0), QStringLiteral("COM1"));
    link()->UsbMode = 1;
    link()->AdapterDescription = QStringLiteral("QVK00815");
    link()->LUSB = QStringLiteral("USB-Adapter: QVK00815 gefunden");
    emit link()->connectionChanged();
    QTRY_COMPARE(w()->statusPanelText(0), QStringLiteral("USB"));
    QCOMPARE(w()->MUSB->text(), QStringLiteral("!!! using USB-Adapter QVK00815!!!"));
    QVERIFY(w()->MUSB->isVisible() && !w()->MCOM[1]->isVisible());
    emit link()->connectionChanged(); // still the adapter: nothing more to say
    QTRY_VERIFY(!w()->ComNews->isActive());
    QCOMPARE(newLines(), (Lines{{TimeLine, Black}, {"USB-Adapter: QVK00815 gefunden", Black}, {"", QColor()}}));

    link()->UsbMode = 0;
    emit link()->connectionChanged();
    QTRY_COMPARE(w()->statusPanelText(0), QStringLiteral("COM1"));
    QCOMPARE(newLines().mid(3), (Lines{{TimeLine, Red}, {"USB-Adapter nicht mehr vorhanden!", Red},
                                       {"verwende nun seriellen Port: COM1", Red}, {"", QColor()}}));
    QVERIFY(!w()->MUSB->isVisible() && w()->MCOM[1]->isVisible());
}

QTEST_MAIN(TestWorkflow)
#include "tst_workflow.moc"
