// The read, verify and write sequence end to end: the whole program on a real
// pseudo-terminal, with the simulated module on the other side.
#include "common/RunningProgram.h"
#include "core/link/DeviceLink.h"
#include "core/link/Request.h"
#include "core/link/RequestEngine.h"
#include "core/workflow/ConfigDocument.h"
#include "core/workflow/ConfigWorkflow.h"
#include "core/outputs/DigTab.h"
#include "core/workflow/RadioTest.h"
#include "ui/main/Program.h"
#include "ui/main/TFVelka.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QTableWidget>
#include <QTextEdit>

#include <memory>

namespace {
using Lines = QList<QPair<QString, QColor>>;
const QColor Black(0, 0, 0);
const QColor Red(255, 0, 0);
const QColor Green(0, 128, 0);
const QString TimeLine = QStringLiteral(" -14:05:09-");
const Lines CommunicationError(const QString &text)
{
    return {{TimeLine, Red}, {"Fehler bei Kommunikation", Red}, {text, Red}, {"", QColor()}};
}
} // namespace

class TestWorkflow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void write_runsTheWholeSequenceAndRestartsTheModule();
    void write_verifyStartsOnTheAcknowledgementAndNotBefore200ms();
    void write_lateAcknowledgementAtLineSpeedStillVerifies();
    void write_badAcknowledgementEndsTheWrite_data();
    void write_badAcknowledgementEndsTheWrite();
    void read_wakesTheModuleThenSendsTheRequest();
    void read_takesTheModulesImage();
    void read_withWrongImageChecksumStillTakesIt();
    void read_replyWithoutImageIsRefusedAndWriteKeepsModuleWords();
    void noModule_reportsTimeoutAfterKnockAndWait();
    void compare_listsWhatAWriteWouldChange_data();
    void compare_listsWhatAWriteWouldChange();
    void cancelled_logsAndChangesNothing_data();
    void cancelled_logsAndChangesNothing();
    void verifyMismatch_reportsAddressAndKeepsModuleRunning();
    void linkFault_endsInTheErrorStep_data();
    void linkFault_endsInTheErrorStep();
    void otherCommandsReply_needsNoFollowUp();
    void radioTestFailure_isReportedInTheMainLog();
    void connectionIndicator_mirrorsThePortMenu();

private:
    TFVelka *w() { return &m_run->window(); }
    ConfigDocument &doc() { return m_run->document(); }
    ConfigWorkflow &flow() { return m_run->workflow(); }
    ModuleSimulator &sim() { return m_run->sim(); }
    QPushButton *button(const char *name) { return m_run->control<QPushButton>(QLatin1String(name)); }
    bool buttonsEnabled() { return button("ButRead")->isEnabled() && button("ButWrite")->isEnabled(); }

    std::unique_ptr<RunningProgram> m_run;
};

void TestWorkflow::init()
{
    m_run = std::make_unique<RunningProgram>();
    QString error;
    QVERIFY2(m_run->start(&error), qPrintable(error));
}

void TestWorkflow::cleanup()
{
    m_run.reset();
}

void TestWorkflow::write_runsTheWholeSequenceAndRestartsTheModule()
{
    doc().setWord(30, 5);                           // edited channel
    doc().setOutput(4, DigEntry{StatusSource, 2, 0x03}); // edited output, folded in by the write
    doc().setWord(5, 999);                          // the PC's copy of the serial number is never written

    QMap<QString, bool> buttonsAtLine; // ButWrite's state when each line appeared
    auto *log = m_run->control<QTextEdit>("MInfo");
    connect(log, &QTextEdit::textChanged, this, [&] {
        const QStringList lines = log->toPlainText().split('\n', Qt::SkipEmptyParts);
        if (!lines.isEmpty() && !buttonsAtLine.contains(lines.last()))
            buttonsAtLine[lines.last()] = button("ButWrite")->isEnabled();
    });
    QSignalSpy results(&flow(), &ConfigWorkflow::writeFinished);
    button("ButWrite")->click();
    QCOMPARE(m_run->ui.questions.last(), QStringLiteral("Gerät mit Daten programmieren?\r\n (Gerätedaten werden überschrieben!)"));
    QTRY_COMPARE(flow().step(), ConfigWorkflow::Step::RequestingWrite);
    QVERIFY(!button("ButRead")->isEnabled());
    QVERIFY(!button("ButWrite")->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(m_run->logContains("Gerät neu gestartet"), 10000);
    QVERIFY(buttonsEnabled());
    QCOMPARE(flow().step(), ConfigWorkflow::Step::Idle);

    const Lines expected{{"alte Parameter vor Neuprogrammierung auslesen...", Black},
                         {"Daten geschrieben", Green},
                         {TimeLine, Black},
                         {"jetzt verify...", Black},
                         {"Verify ok", Green},
                         {TimeLine, Black},
                         {"Gerät neu gestartet", Black},
                         {"", QColor()}};
    QCOMPARE(m_run->newLogLines(), expected);
    // Enabled during the read before the write, disabled from the write until the restart.
    QCOMPARE(buttonsAtLine.value("alte Parameter vor Neuprogrammierung auslesen..."), true);
    QCOMPARE(buttonsAtLine.value("Daten geschrieben"), false);
    QCOMPARE(buttonsAtLine.value("Verify ok"), false);
    QCOMPARE(buttonsAtLine.value("Gerät neu gestartet"), false);

    QCOMPARE(results.count(), 1);
    const WriteResult written = results.first().first().value<WriteResult>();
    QVERIFY(written.end.succeeded());
    const ConfigWords &module = sim().module().image();
    QCOMPARE(module, written.written);
    QCOMPARE(int(module[30]), 5);
    QCOMPARE(int(module[109]), 0x0203);                        // out4: status 2, bits 3
    QCOMPARE(int(module[1]), 8);                               // counter 7 + 1
    QCOMPARE(int(module[2]), 7);                               // the program's start date
    QCOMPARE(int(module[3]), 3 * 256 + 26);
    QCOMPARE(int(module[5]), 345);
    QCOMPARE(module[21], ModuleFirmware::factoryImage()[21]);  // calibration kept
    QCOMPARE(int(module[255]), int(imageChecksum(module)));
    QCOMPARE(m_run->restarts(), 1);
    QCOMPARE(doc().configImage(), written.written);            // the verified image is shown
    QCOMPARE(m_run->control<QLabel>("Llast")->text(), QStringLiteral(" 7.03.2026"));
}

void TestWorkflow::write_verifyStartsOnTheAcknowledgementAndNotBefore200ms()
{
    QElapsedTimer clock;
    qint64 dataSent = -1, dataAcknowledged = -1, verifyArrived = -1;
    connect(&m_run->engine(), &RequestEngine::requestStarted, this, [&](const Request &request) {
        if (request.command == '3')
            dataSent = clock.elapsed();
    });
    connect(&sim(), &ModuleSimulator::answered, this, [&](quint8 request) {
        if (request == '3')
            dataAcknowledged = clock.elapsed();
        else if (request == '!' && dataAcknowledged >= 0 && verifyArrived < 0)
            verifyArrived = clock.elapsed();
    });
    clock.start();
    button("ButWrite")->click();
    QTRY_VERIFY_WITH_TIMEOUT(m_run->logContains("Gerät neu gestartet"), 10000);
    QVERIFY(dataSent >= 0 && dataAcknowledged >= dataSent);
    // The module answers the data frame at once here; the verify still waits its 200 ms from
    // the data frame (less the timer's tolerance).
    QVERIFY2(verifyArrived - dataSent >= 190, qPrintable(QString::number(verifyArrived - dataSent)));
}

void TestWorkflow::write_lateAcknowledgementAtLineSpeedStillVerifies()
{
    // At the real line speed the data frame takes 100 ms to arrive; an acknowledgement 150 ms
    // later comes after the 200 ms a fixed step would have waited before the verify read.
    sim().setPaced(true);
    sim().setFault('3', *SimFault::parse(u"delay:150"), 1);
    button("ButWrite")->click();
    QTRY_VERIFY_WITH_TIMEOUT(m_run->logContains("Gerät neu gestartet") || m_run->logContains("Fehler bei Kommunikation"),
                             15000);
    QVERIFY(m_run->logContains("Verify ok"));
    QVERIFY(!m_run->logContains("Fehler bei Kommunikation"));
    QCOMPARE(m_run->restarts(), 1);
}

void TestWorkflow::write_badAcknowledgementEndsTheWrite_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("paced");
    QTest::addColumn<QString>("error");
    const QString checksum = QStringLiteral("fehlerhafte Checksumme in Antwort von Gerät");
    QTest::newRow("corrupt") << "bad-checksum" << false << checksum;
    // At the line speed the acknowledgement comes after the 200 ms a fixed step would wait.
    QTest::newRow("corrupt at line speed") << "bad-checksum" << true << checksum;
    QTest::newRow("wrong command") << "other-command:61" << false << "ungültige Antwort bei Schreibbefehl#4";
    QTest::newRow("missing") << "silent" << false << "timeout";
}

void TestWorkflow::write_badAcknowledgementEndsTheWrite()
{
    QFETCH(QString, fault);
    QFETCH(bool, paced);
    QFETCH(QString, error);
    sim().setPaced(paced);
    // Only the data frame's acknowledgement goes wrong: the module stores the data and would
    // answer the verify read.
    sim().setFault('3', *SimFault::parse(fault), 1);
    int verifyReads = 0;
    connect(&sim(), &ModuleSimulator::answered, this, [&](quint8 request) {
        if (request == '!' && sim().module().image()[1] == 8)
            ++verifyReads;
    });
    button("ButWrite")->click();
    QTRY_VERIFY_WITH_TIMEOUT(m_run->logContains("Fehler bei Kommunikation"), 15000);
    const Lines lines = m_run->newLogLines();
    QCOMPARE(lines.mid(lines.size() - 4), CommunicationError(error));
    QVERIFY(!m_run->logContains("Daten geschrieben"));
    QCOMPARE(verifyReads, 0);
    QCOMPARE(m_run->restarts(), 0);
    QVERIFY(buttonsEnabled());
    QCOMPARE(flow().step(), ConfigWorkflow::Step::Idle);
}

void TestWorkflow::read_wakesTheModuleThenSendsTheRequest()
{
    QList<QPair<qint64, qsizetype>> arrivals; // time, bytes so far
    QElapsedTimer clock;
    connect(&sim(), &ModuleSimulator::bytesArrived, this,
            [&] { arrivals << qMakePair(clock.elapsed(), sim().received().size()); });
    clock.start();
    button("ButRead")->click();
    QTRY_VERIFY(m_run->logContains("Daten ausgelesen"));

    const QByteArray wire = sim().received();
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
    m_run->ui.answers << true;
    button("ButRead")->click();
    QCOMPARE(m_run->ui.questions.last(),
             QStringLiteral("Daten vom Gerät auslesen?\r\n (die PC-Einstellungen werden überschrieben!)"));
    QVERIFY(!button("ButRead")->isEnabled());
    QTRY_VERIFY(m_run->logContains("Daten ausgelesen"));
    QCOMPARE(m_run->newLogLines(), (Lines{{TimeLine, Green}, {"Daten ausgelesen", Green}, {"", QColor()}}));
    QCOMPARE(doc().configImage(), sim().module().image());
    QVERIFY(m_run->control<QWidget>("Pread")->isVisible());
    QVERIFY(buttonsEnabled());
    QCOMPARE(m_run->control<QLabel>("LFirmware")->text(), QStringLiteral("01.28"));
    QCOMPARE(m_run->control<QLabel>("LSeriennummer")->text(), QStringLiteral("12.00345"));
    QCOMPARE(m_run->control<QLabel>("Llast")->text(), QStringLiteral(" 5.03.2013"));
    // The report tells what the read told.
    const std::optional<ReportModule> module = w()->reportInput().module;
    QVERIFY(module);
    QCOMPARE(module->firmware + '|' + module->serial + '|' + module->customer, QStringLiteral("01.28|12.00345|D000012"));
}

void TestWorkflow::read_withWrongImageChecksumStillTakesIt()
{
    ConfigWords image = ModuleFirmware::factoryImage();
    image[255] ^= 0x0101;
    image[30] = 4;
    sim().module().setImage(image);
    QSignalSpy beeps(w(), &TFVelka::beeped);
    button("ButRead")->click();
    QTRY_VERIFY(m_run->logContains("ausgelesene Daten sind inkonsistent"));
    QCOMPARE(m_run->newLogLines(), (Lines{{TimeLine, Red}, {"!!! Fehler Checksumme !!!", Red},
                                          {"ausgelesene Daten sind inkonsistent", Red}, {"", QColor()}}));
    QCOMPARE(beeps.count(), 1);
    QCOMPARE(int(doc().word(30)), 4);
    QVERIFY(m_run->control<QWidget>("Pread")->isVisible());
}

void TestWorkflow::read_replyWithoutImageIsRefusedAndWriteKeepsModuleWords()
{
    // A good read first: the tool knows the module's words as they were.
    button("ButRead")->click();
    QTRY_VERIFY(m_run->logContains("Daten ausgelesen"));
    ConfigWords module = sim().module().image();
    module[1] = 40; // the module has been programmed elsewhere since
    module[255] = imageChecksum(module);
    sim().module().setImage(module);

    // The read before the write gets a well-formed reply without the image.
    sim().setFault('!', *SimFault::parse(u"shortened"), 1);
    button("ButWrite")->click();
    QTRY_VERIFY_WITH_TIMEOUT(m_run->logContains("Fehler bei Kommunikation"), 10000);
    const Lines lines = m_run->newLogLines();
    QCOMPARE(lines.mid(lines.size() - 4),
             CommunicationError("fehlerhafte Länge der Antwort von Gerät (6 statt 390 Bytes)"));
    QCOMPARE(sim().module().image(), module); // nothing written from the stale words
    QVERIFY(buttonsEnabled());
}

void TestWorkflow::compare_listsWhatAWriteWouldChange_data()
{
    QTest::addColumn<bool>("edited"); // three settings changed in the window after a read
    QTest::addColumn<QString>("fault"); // on the module's read reply
    QTest::newRow("three words differ") << true << "";
    QTest::newRow("nothing differs") << false << "";
    QTest::newRow("the read fails") << true << "silent";
}

void TestWorkflow::compare_listsWhatAWriteWouldChange()
{
    QFETCH(bool, edited);
    QFETCH(QString, fault);
    m_run->ui.answers << true;
    button("ButRead")->click();
    QTRY_VERIFY(m_run->logContains("Daten ausgelesen"));
    const ConfigWords module = sim().module().image();
    const quint16 channel = module[Word::Channel] == 3 ? 4 : 3;
    if (edited) {
        doc().setWord(Word::Channel, channel);
        doc().setWord(Word::SystemId, 77);
        DigEntry out2 = *digEntry(doc().outputs(), 2);
        out2.source = 3; // in the table only: the comparison folds it in as a write would
        doc().setOutput(2, out2);
        doc().setWord(Word::Serial, 999); // a factory word: never compared
    }
    if (!fault.isEmpty())
        sim().setFault('!', *SimFault::parse(fault));
    const ConfigWords shown = doc().configImage();

    m_run->ui.answers << true;
    m_run->control<QAction>("Mcompare")->trigger();
    // It overwrites nothing, and says so.
    QCOMPARE(m_run->ui.questions.last(),
             QStringLiteral("Gerät auslesen und mit den PC-Einstellungen vergleichen?\r\n"
                            " (die PC-Einstellungen bleiben unverändert)"));
    if (!fault.isEmpty()) {
        QTRY_VERIFY_WITH_TIMEOUT(m_run->logContains("Fehler bei Kommunikation"), 10000);
        QTRY_VERIFY(buttonsEnabled());
        QVERIFY(!w()->findChild<QDialog *>("FVergleich"));
        QCOMPARE(doc().configImage(), shown);
        return;
    }
    QDialog *dialog = nullptr;
    QTRY_VERIFY((dialog = w()->findChild<QDialog *>("FVergleich")));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Vergleich mit Gerät"));
    // The window's image and table are as they were.
    QCOMPARE(doc().configImage(), shown);
    auto *differences = dialog->findChild<QTableWidget *>("Unterschiede");
    if (!edited) {
        QVERIFY(!differences);
        QCOMPARE(dialog->findChild<QLabel *>("LKeineUnterschiede")->text(), QStringLiteral("Keine Unterschiede"));
        return;
    }
    QVERIFY(differences);
    differences->sortByColumn(3, Qt::DescendingOrder); // any column; back by address
    differences->sortByColumn(0, Qt::AscendingOrder);
    QStringList rows;
    for (int row = 0; row < differences->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < 4; ++column)
            cells << differences->item(row, column)->text();
        rows << cells.join('|');
    }
    QCOMPARE(rows, (QStringList{QStringLiteral("30|Frequenzkanal|%1|%2").arg(channel).arg(module[Word::Channel]),
                                QStringLiteral("34|System-ID|77|%1").arg(module[Word::SystemId]),
                                QStringLiteral("104|out2= Quelle|3|%1").arg(module[104])}));
    // Copied as tab-separated lines, with the heading.
    dialog->findChild<QPushButton *>("ButKopieren")->click();
    QCOMPARE(QApplication::clipboard()->text().split('\n').mid(0, 2),
             (QStringList{"Adresse\tEinstellung\tFenster\tGerät", rows[0].replace('|', '\t')}));
}

void TestWorkflow::noModule_reportsTimeoutAfterKnockAndWait()
{
    sim().setFaultForAll(*SimFault::parse(u"silent"));
    doc().setWord(30, 5);
    const ConfigWords before = doc().configImage();
    QElapsedTimer elapsed;
    elapsed.start();
    button("ButRead")->click();
    QTRY_VERIFY_WITH_TIMEOUT(m_run->logContains("timeout"), 5000);
    QVERIFY2(elapsed.elapsed() >= 1250, "knock (320 ms) and the read's time-out (1000 ms)");
    QCOMPARE(m_run->newLogLines(), CommunicationError("timeout"));
    QVERIFY(buttonsEnabled());
    QCOMPARE(doc().configImage(), before);
    QVERIFY(m_run->control<QPlainTextEdit>("Memo1")->toPlainText().endsWith("Fehler: timeout"));
}

void TestWorkflow::cancelled_logsAndChangesNothing_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("message");
    QTest::newRow("read") << "read" << "Vorgang \"Gerät auslesen\" vom Anwender ABGEBROCHEN!";
    QTest::newRow("write") << "write" << "Vorgang \"Gerät programmieren\" vom Anwender ABGEBROCHEN!";
    QTest::newRow("factory") << "factory" << "Vorgang \"Werksdaten\" vom Anwender ABGEBROCHEN!";
    QTest::newRow("compare") << "compare" << "Vorgang \"Vergleich\" vom Anwender ABGEBROCHEN!";
}

void TestWorkflow::cancelled_logsAndChangesNothing()
{
    QFETCH(QString, how);
    QFETCH(QString, message);
    m_run->ui.answers << false;
    DigEntry first = doc().outputs()[0];
    first.source = 4;
    doc().setOutput(1, first);
    const ConfigWords before = doc().configImage();
    if (how == "read")
        button("ButRead")->click();
    else if (how == "write")
        button("ButWrite")->click();
    else if (how == "compare")
        m_run->control<QAction>("Mcompare")->trigger();
    else
        QTest::keySequence(w(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W));
    QCOMPARE(m_run->ui.questions.size(), 1);
    if (how == "factory")
        QCOMPARE(m_run->ui.questions.last(),
                 QStringLiteral("vor dem Schreiben der Werksdaten wird das Gerät ausgelesen!\r\n"
                                " (die aktuellen PC-Einstellungen werden dabei überschrieben!)"));
    QCOMPARE(m_run->newLogLines(), (Lines{{TimeLine, Red}, {message, Red}, {"", QColor()}}));
    QCOMPARE(doc().configImage(), before); // the output edit is in it already
    QVERIFY(buttonsEnabled() && button("ButCal")->isEnabled());
    QCOMPARE(flow().step(), ConfigWorkflow::Step::Idle);
    QVERIFY(!flow().isKnocking());
    QCOMPARE(sim().received().size(), 0);
}

void TestWorkflow::verifyMismatch_reportsAddressAndKeepsModuleRunning()
{
    doc().setWord(70, 300); // an even word no rule touches, as a file may bring it
    button("ButWrite")->click();
    QTRY_VERIFY_WITH_TIMEOUT(m_run->logContains("!!! FEHLER Verify !!!"), 10000);
    const Lines lines = m_run->newLogLines();
    QCOMPARE(lines.mid(lines.size() - 2),
             (Lines{{"Adresse [70]: soll:300  ist:44", Red}, {"!!! FEHLER Verify !!!", Red}}));
    QCOMPARE(lines.size(), 6); // read note, written, time, verify, the one difference, failure
    QCOMPARE(m_run->restarts(), 0);
    QVERIFY(buttonsEnabled());
    QCOMPARE(int(doc().word(70)), 300);

    // The user corrects the value and writes again: the whole sequence runs.
    doc().setWord(70, 44);
    sim().clearReceived();
    button("ButWrite")->click();
    QTRY_VERIFY_WITH_TIMEOUT(m_run->logContains("Gerät neu gestartet"), 10000);
    QCOMPARE(sim().received().left(88), QByteArray(88, '\0')); // knocked again
    QCOMPARE(m_run->restarts(), 1);
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
    QTest::newRow("silence after the write request") << int('1') << "silent" << "timeout";
    QTest::newRow("another reply to the write request") << int('1') << "other-command:51"
                                                        << "ungültige Antwort bei Schreibbefehl#2";
}

void TestWorkflow::linkFault_endsInTheErrorStep()
{
    QFETCH(int, command);
    QFETCH(QString, fault);
    sim().setFault(quint8(command), *SimFault::parse(fault));
    doc().setWord(30, 5);
    const ConfigWords before = doc().configImage();
    button("ButWrite")->click();
    QTRY_VERIFY_WITH_TIMEOUT(m_run->logContains("Fehler bei Kommunikation"), 10000);
    QFETCH(QString, error);
    const Lines lines = m_run->newLogLines();
    QCOMPARE(lines.mid(lines.size() - 4), CommunicationError(error));
    QVERIFY(buttonsEnabled());
    QCOMPARE(flow().step(), ConfigWorkflow::Step::Idle);
    QCOMPARE(doc().configImage(), before);
    QCOMPARE(m_run->restarts(), 0);
}

void TestWorkflow::otherCommandsReply_needsNoFollowUp()
{
    m_run->program().radioTest().toggleCarrier(); // carrier on
    QTRY_VERIFY(m_run->program().radioTest().carrierOn());
    QVERIFY(!flow().isPauseDue());
    QVERIFY(!QTest::qWaitFor([this] { return !m_run->newLogLines().isEmpty(); }, 100));
    QVERIFY(buttonsEnabled());
}

void TestWorkflow::radioTestFailure_isReportedInTheMainLog()
{
    RadioTest &test = m_run->program().radioTest();
    sim().setFault(0x60, *SimFault::parse(u"bad-checksum"), 1);
    test.toggleCarrier();
    QTRY_VERIFY(m_run->logContains("Fehler bei Kommunikation"));
    QCOMPARE(m_run->newLogLines(), CommunicationError("fehlerhafte Checksumme in Antwort von Gerät"));
    QVERIFY(buttonsEnabled());

    // The next attempt brings the carrier; the restart that stops it is reported too.
    QTRY_VERIFY(test.carrierOn() && !test.isStartPending());
    test.toggleCarrier();
    QTRY_VERIFY(m_run->logContains("Gerät neu gestartet"));
}

void TestWorkflow::connectionIndicator_mirrorsThePortMenu()
{
    QTRY_COMPARE(w()->statusPanelText(0), QStringLiteral("COM1"));
    auto port = [this](int n) { return m_run->control<QAction>(QStringLiteral("MCOM%1").arg(n)); };
    QVERIFY(port(1)->isChecked() && port(1)->isEnabled());
    for (int n = 2; n <= 4; ++n)
        QTRY_VERIFY2(!port(n)->isEnabled(), "the probe finds no such port");
    QVERIFY(!m_run->control<QAction>("MUSB")->isVisible());

    w()->MCOMClick(3); // a port that does not exist
    QTRY_COMPARE(w()->statusPanelText(0), QStringLiteral("---"));
    QVERIFY(port(3)->isChecked() && !port(1)->isChecked());
    port(1)->trigger();
    QTRY_COMPARE(w()->statusPanelText(0), QStringLiteral("COM1"));
    QVERIFY(port(1)->isChecked() && !port(3)->isChecked());
}

QTEST_MAIN(TestWorkflow)
#include "tst_workflow.moc"
