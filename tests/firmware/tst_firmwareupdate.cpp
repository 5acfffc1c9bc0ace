// A firmware update end to end: the firmware window (offscreen) on the whole program, the
// simulated module on a real pseudo-terminal, a firmware file made for the test.
#include "BootFault.h"
#include "FirmwareFileWriter.h"
#include "common/RunningProgram.h"
#include "core/firmware/FirmwareUpdate.h"
#include "core/link/DeviceLink.h"
#include "ui/firmware/PieGauge.h"
#include "ui/firmware/TFhexfile.h"
#include "ui/main/Program.h"
#include "ui/main/TFVelka.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <functional>
#include <memory>

namespace {
using Lines = QList<QPair<QString, QColor>>;
const QColor Black(0, 0, 0);
const QColor Red(255, 0, 0);
const QColor Green(0, 128, 0);
const QString TimeLine = QStringLiteral(" -14:05:09-");
const QString Confirmation = QStringLiteral("Bitte bestätigen Sie die Aktion \"FirmwareUpdate\"!");
constexpr quint32 Erased = 0xFFFFFF;
constexpr int CountdownMs = 250;

quint32 instruction(int address)
{
    return quint32(address * 2654435761u >> 7) & 0x7FFFFF;
}

// `rows` rows of code from 0x0800, or erased rows where `erased` says so.
FirmwareFileWriter firmware(int rows, const QString &version = QStringLiteral("1.30"),
                            const std::function<bool(int row)> &erased = {})
{
    FirmwareFileWriter writer;
    writer.version = version;
    writer.startAddress = 0x0800;
    for (int row = 0; row < rows; ++row) {
        for (int i = 0; i < 64; ++i) {
            const int address = 0x0800 + row * 128 + 2 * i;
            writer.instructions << (erased && erased(row) ? Erased : instruction(address));
        }
    }
    return writer;
}
} // namespace

class TestFirmwareUpdate : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void completeUpdate_writesTheFileIntoTheModule();
    void nothingToWrite_isDoneAtTheFirstTick();
    void versions_data();
    void versions();
    void noBootReply_reportsAndLaterCountdownStillOffersTheStart();
    void startWindowOver_andCancelledConfirmation_startNothing();
    void rowFailure_endsWithoutReset_data();
    void rowFailure_endsWithoutReset();
    void refusedFile_offersNoUpdate_data();
    void refusedFile_offersNoUpdate();
    void ende_duringTransferResetsAtOnce();
    void closeBox_sendsNoResetAndSecondShowingStartsClean();
    void noFile_leavesTheModuleAlone_data();
    void noFile_leavesTheModuleAlone();
    void cutOffUpdate_isRepeatedOnTheModuleStuckInItsBootloader();

private:
    // Opens the window through its menu entry; `body` runs while it is open (it closes after).
    void withWindow(const std::function<void(TFhexfile *window)> &body);
    QString fileWith(const FirmwareFileWriter &writer);
    Lines logLinesOf(TFhexfile *window);
    template <class T>
    T *control(TFhexfile *window, const char *name) { return ::control<T>(window, name); }
    // Waits for the start window, then answers the confirmation with `confirm` and presses
    // "start update".
    bool startWhenOffered(TFhexfile *window);

    std::unique_ptr<RunningProgram> m_run;
    QTemporaryDir m_dir;
};

void TestFirmwareUpdate::init()
{
    m_run = std::make_unique<RunningProgram>();
    QString error;
    QVERIFY2(m_run->start(&error), qPrintable(error));
    m_run->sim().setCountdownInterval(CountdownMs);
}

void TestFirmwareUpdate::cleanup()
{
    m_run.reset();
}

QString TestFirmwareUpdate::fileWith(const FirmwareFileWriter &writer)
{
    static int count = 0;
    const QString path = m_dir.filePath(QStringLiteral("update%1.qvx").arg(++count));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(writer.bytes()) < 0)
        return QString();
    return path;
}

Lines TestFirmwareUpdate::logLinesOf(TFhexfile *window)
{
    Lines lines;
    for (const LogLine &line : logLines(control<QTextEdit>(window, "MInfo")))
        lines << qMakePair(line.text, line.text.isEmpty() ? QColor() : line.colour);
    return lines;
}

void TestFirmwareUpdate::withWindow(const std::function<void(TFhexfile *window)> &body)
{
    bool ran = false;
    whileModal([&](QWidget *dialog) {
        auto *window = qobject_cast<TFhexfile *>(dialog);
        QVERIFY(window);
        ran = true;
        body(window);
    });
    m_run->control<QAction>(QStringLiteral("MFirmware"))->trigger(); // returns when it is closed
    QVERIFY(ran);
}

bool TestFirmwareUpdate::startWhenOffered(TFhexfile *window)
{
    auto *start = control<QPushButton>(window, "ButProg");
    if (!QTest::qWaitFor([start] { return start->isEnabled(); }, 5000))
        return false;
    start->click();
    return true;
}

void TestFirmwareUpdate::completeUpdate_writesTheFileIntoTheModule()
{
    const FirmwareFileWriter writer = firmware(3);
    m_run->ui.openNames << fileWith(writer);
    QList<int> bar;
    std::vector<quint32> expected = m_run->sim().programMemory();
    for (int address = 0x0800; address < 0x0800 + 1024; address += 2)
        expected[size_t(address / 2)] = Erased;
    for (int i = 0; i < writer.instructions.size(); ++i)
        expected[size_t(0x0800 / 2 + i)] = writer.instructions[i];

    withWindow([&](TFhexfile *window) {
        auto *progress = control<QProgressBar>(window, "progress");
        connect(progress, &QProgressBar::valueChanged, this, [&](int value) { bar << value; });
        QTRY_VERIFY(m_run->sim().bootloaderRunning());
        QTRY_VERIFY(control<QLabel>(window, "countdown")->isVisible());
        QVERIFY(control<PieGauge>(window, "gaugecountdown")->isVisible());
        QVERIFY(startWhenOffered(window));
        QCOMPARE(m_run->ui.questions.last(), Confirmation);
        QCOMPARE(m_run->ui.preferred.last(), UserInteraction::DefaultButton::Cancel);
        QTRY_VERIFY_WITH_TIMEOUT(!m_run->sim().bootloaderRunning(), 10000); // the reset came
        QCOMPARE(m_run->program().firmwareUpdate().stage(), FirmwareUpdate::Stage::Done);
        // A count still on its way when the transfer began offers no second start.
        QVERIFY(!control<QPushButton>(window, "ButProg")->isEnabled());
        QVERIFY(!m_run->program().firmwareUpdate().start());

        const Lines lines = logLinesOf(window);
        QVERIFY(lines.contains(qMakePair(QStringLiteral("momentane Firmwareversion:  1.28"), Black)));
        QVERIFY(lines.contains(qMakePair(QStringLiteral("zukünftige Firmwareversion: 1.30"), Black)));
        QVERIFY(lines.contains(qMakePair(QStringLiteral("Übertrage Daten..."), Black)));
        QVERIFY(lines.contains(qMakePair(QStringLiteral("!!! VERBINDUNG NICHT TRENNEN !!!"), Red)));
        QCOMPARE(lines.mid(lines.size() - 3),
                 (Lines{{TimeLine, Green}, {"Firmware-Update abgeschlossen", Green}, {"", QColor()}}));
        window->findChild<QPushButton *>(QStringLiteral("ButClose"))->click();
    });
    QCOMPARE(bar, (QList<int>{0, 33, 66, 100}));
    QVERIFY(m_run->sim().programMemory() == expected);
}

void TestFirmwareUpdate::nothingToWrite_isDoneAtTheFirstTick()
{
    m_run->ui.openNames << fileWith(firmware(2, QStringLiteral("1.30"), [](int) { return true; }));
    QSignalSpy written(&m_run->sim(), &ModuleSimulator::rowWritten);
    withWindow([&](TFhexfile *window) {
        QVERIFY(startWhenOffered(window));
        QTRY_COMPARE(m_run->program().firmwareUpdate().stage(), FirmwareUpdate::Stage::Done);
        QVERIFY(logLinesOf(window).contains(qMakePair(QStringLiteral("Firmware-Update abgeschlossen"), Green)));
        QTRY_VERIFY(!m_run->sim().bootloaderRunning()); // the reset still goes out
        QCOMPARE(written.count(), 0);
        control<QPushButton>(window, "ButClose")->click();
    });
}

void TestFirmwareUpdate::versions_data()
{
    QTest::addColumn<QByteArray>("module"); // the module's two version bytes
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("same");
    QTest::newRow("1.05 and 1.5") << QByteArray("\x01\x05", 2) << "1.5" << "1.05" << true;
    QTest::newRow("1.28 and 1.30") << QByteArray("\x01\x28", 2) << "1.30" << "1.28" << false;
    // A byte whose digits are not decimal is shown as it came and is never the same version.
    QTest::newRow("1.0A and 1.0") << QByteArray("\x01\x0A", 2) << "1.0" << "1.0A" << false;
    QTest::newRow("B1.28 and 0.28") << QByteArray("\xB1\x28", 2) << "0.28" << "B1.28" << false;
}

void TestFirmwareUpdate::versions()
{
    QFETCH(QByteArray, module);
    QFETCH(QString, file);
    QFETCH(QString, shown);
    QFETCH(bool, same);
    m_run->sim().module().version = {quint8(module[0]), quint8(module[1])};
    m_run->ui.openNames << fileWith(firmware(1, file));
    withWindow([&](TFhexfile *window) {
        QTRY_VERIFY(logLinesOf(window).contains(qMakePair(QStringLiteral("zukünftige Firmwareversion: ") + file, Black)));
        const Lines lines = logLinesOf(window);
        QVERIFY(lines.contains(qMakePair(QStringLiteral("momentane Firmwareversion:  ") + shown, Black)));
        QCOMPARE(lines.contains(qMakePair(QStringLiteral("Achtung, die Firmwareversionen sind identisch!"), Red)),
                 same);
        window->close();
    });
}

void TestFirmwareUpdate::noBootReply_reportsAndLaterCountdownStillOffersTheStart()
{
    m_run->sim().setFault('w', *SimFault::parse(u"silent"), 1);
    // As with a real module, the count begins after the window's first look at 500 ms.
    m_run->sim().setCountdownInterval(900);
    m_run->ui.openNames << fileWith(firmware(1));
    withWindow([&](TFhexfile *window) {
        QTRY_VERIFY(control<QLabel>(window, "Ausrufezeichen")->isVisible());
        const Lines lines = logLinesOf(window);
        const Lines report{{TimeLine, Red},
                           {"Achtung, keine korrekte Verbindung zu Gerät erkannt!  Daher kein Update möglich!", Red},
                           {"", QColor()},
                           {" 1. dieses Fenster schließen", Red},
                           {" 2. Verbindung und Versorgung überprüfen", Red},
                           {" 3. kompletten Vorgang erneut starten", Red},
                           {"", QColor()}};
        QCOMPARE(lines.mid(lines.size() - report.size()), report);
        // The module did enter its bootloader: its count offers the start all the same.
        QTRY_VERIFY(control<QPushButton>(window, "ButProg")->isEnabled());
        QVERIFY(control<QLabel>(window, "countdown")->isVisible());
        window->close();
    });
    QVERIFY(!control<QLabel>(m_run->program().Fhexfile(), "Ausrufezeichen")->isVisible());
    QVERIFY(!m_run->logContains("Fehler bei Kommunikation")); // its time-out was given up
}

void TestFirmwareUpdate::startWindowOver_andCancelledConfirmation_startNothing()
{
    m_run->sim().setCountdownInterval(200);
    m_run->ui.openNames << fileWith(firmware(1));
    m_run->ui.answers << false;
    withWindow([&](TFhexfile *window) {
        auto *start = control<QPushButton>(window, "ButProg");
        QVERIFY(startWhenOffered(window)); // answered with Cancel
        QCOMPARE(m_run->ui.questions.size(), 1);
        QVERIFY(start->isEnabled());
        QCOMPARE(m_run->program().firmwareUpdate().stage(), FirmwareUpdate::Stage::Watching);
        QVERIFY(!control<QProgressBar>(window, "progress")->isVisible());

        // The count runs out: the start is no longer offered.
        QTRY_VERIFY_WITH_TIMEOUT(!start->isEnabled(), 10000);
        QVERIFY(!control<QLabel>(window, "countdown")->isVisible());
        QVERIFY(!control<PieGauge>(window, "gaugecountdown")->isVisible());
        QTRY_VERIFY(!m_run->sim().bootloaderRunning());
        window->close();
    });
}

void TestFirmwareUpdate::rowFailure_endsWithoutReset_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("reason"); // the line after the failure: why
    QTest::newRow("time-out") << 0x03 << "silent" << "timeout";
    QTest::newRow("error reply") << 0x05 << "error-reply:42" << "Fehlermeldung [42] vom Gerät erhalten";
    QTest::newRow("bad checksum") << 0x07 << "bad-checksum" << "Fehler Checksumme";
    QTest::newRow("wrong length") << 0x03 << "wrong-length" << "fehlerhafte Datenanzahl erhalten6";
    QTest::newRow("missing end byte") << 0x05 << "missing-end" << "fehlerhafter Empfangsabschluss";
    QTest::newRow("wrong reply command") << 0x07 << "other-command" << "ungültige Antwort bei Schreibbefehl#3";
}

void TestFirmwareUpdate::rowFailure_endsWithoutReset()
{
    QFETCH(int, command);
    QFETCH(QString, fault);
    QFETCH(QString, reason);
    m_run->sim().setBootFault(1, quint8(command), *BootFault::parse(fault)); // the second row
    m_run->ui.openNames << fileWith(firmware(3));
    withWindow([&](TFhexfile *window) {
        QVERIFY(startWhenOffered(window));
        QTRY_VERIFY_WITH_TIMEOUT(m_run->program().firmwareUpdate().stage() == FirmwareUpdate::Stage::Failed, 8000);
        const Lines lines = logLinesOf(window);
        const int at = int(lines.indexOf(qMakePair(QStringLiteral(" !!! FEHLER bei Firmware-Update !!!"), Red)));
        QVERIFY(at > 0);
        QCOMPARE(lines.value(at + 2), qMakePair(reason, Red));
        QVERIFY(!lines.contains(qMakePair(QStringLiteral("Firmware-Update abgeschlossen"), Green)));
        QVERIFY(control<QProgressBar>(window, "progress")->styleSheet().contains(QStringLiteral("#ff0000")));
        QCOMPARE(control<QProgressBar>(window, "progress")->value(), 66);
        QVERIFY(m_run->sim().bootloaderRunning()); // no reset until "ENDE"

        control<QPushButton>(window, "ButClose")->click();
        QTRY_VERIFY(!m_run->sim().bootloaderRunning());
    });
}

void TestFirmwareUpdate::refusedFile_offersNoUpdate_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("reason");
    QTest::newRow("version without a point") << "version" << "die Firmwareversion der Datei hat keinen Punkt";
    QTest::newRow("start off a page") << "start" << "die Startadresse liegt nicht am Anfang einer Seite";
    QTest::newRow("too many rows") << "size" << "die Datei hat zu viele Daten";
    QTest::newRow("wrong checksum") << "checksum" << "die Datei hat eine falsche Checksumme";
}

void TestFirmwareUpdate::refusedFile_offersNoUpdate()
{
    QFETCH(QString, how);
    QFETCH(QString, reason);
    FirmwareFileWriter writer = firmware(how == QLatin1String("size") ? 162 : 1);
    if (how == QLatin1String("version"))
        writer.version = QStringLiteral("130");
    else if (how == QLatin1String("start"))
        writer.startAddress = 0x0A00;
    else if (how == QLatin1String("checksum"))
        writer.checksumError = 1;
    m_run->ui.openNames << fileWith(writer);
    QSignalSpy written(&m_run->sim(), &ModuleSimulator::rowWritten);
    withWindow([&](TFhexfile *window) {
        QTRY_VERIFY(control<QLabel>(window, "countdown")->isVisible()); // the start window is open
        // A wrong checksum hides the button; the procedure refuses all the same.
        window->ButProgClick();
        const Lines lines = logLinesOf(window);
        QCOMPARE(lines.mid(lines.size() - 3),
                 (Lines{{TimeLine, Red}, {QStringLiteral("Kein Update möglich: ") + reason, Red}, {"", QColor()}}));
        QVERIFY(m_run->ui.questions.isEmpty()); // nothing to confirm
        QCOMPARE(m_run->program().firmwareUpdate().stage(), FirmwareUpdate::Stage::Watching);
        window->close();
    });
    QCOMPARE(written.count(), 0);
}

void TestFirmwareUpdate::ende_duringTransferResetsAtOnce()
{
    m_run->sim().setPaced(true);
    m_run->ui.openNames << fileWith(firmware(8));
    QSignalSpy written(&m_run->sim(), &ModuleSimulator::rowWritten);
    QSignalSpy left(&m_run->sim(), &ModuleSimulator::bootloaderLeft);
    withWindow([&](TFhexfile *window) {
        QVERIFY(startWhenOffered(window));
        QTRY_VERIFY_WITH_TIMEOUT(written.count() >= 1, 5000);
        control<QPushButton>(window, "ButClose")->click(); // no question
    });
    QVERIFY(left.wait(3000));
    QVERIFY(written.count() < 8);
    QCOMPARE(m_run->ui.questions.size(), 1); // only the update's own confirmation
    QVERIFY(!m_run->program().Fhexfile()->isVisible());
}

void TestFirmwareUpdate::closeBox_sendsNoResetAndSecondShowingStartsClean()
{
    FirmwareFileWriter spoilt = firmware(1);
    spoilt.checksumError = 1;
    m_run->ui.openNames << fileWith(spoilt) << fileWith(firmware(1));
    withWindow([&](TFhexfile *window) {
        QTRY_VERIFY(control<QLabel>(window, "countdown")->isVisible());
        QVERIFY(control<QPushButton>(window, "ButProg")->isHidden()); // a wrong checksum hides the start
        m_run->sim().clearReceived();
        window->close(); // the close box
    });
    QVERIFY(m_run->sim().bootloaderRunning());
    QVERIFY(m_run->sim().received().isEmpty()); // no reset frame

    withWindow([&](TFhexfile *window) {
        auto *start = control<QPushButton>(window, "ButProg");
        QVERIFY(!start->isHidden());
        QVERIFY(!start->isEnabled());
        const Lines lines = logLinesOf(window);
        QCOMPARE(lines.mid(0, 3), (Lines{{TimeLine, Black}, {"-FirmwareUpdate-", Black}, {"", QColor()}}));
        QVERIFY(!lines.contains(qMakePair(QStringLiteral("Fehlerhafte Datei - \"Datei Laden\" abgebrochen!"), Red)));
        window->close();
    });
}

void TestFirmwareUpdate::noFile_leavesTheModuleAlone_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("dialog cancelled") << QString() << "Datei Laden abgebrochen";
    QTest::newRow("no such file") << "missing.qvx" << "Fehler bei Datei Laden";
    QTest::newRow("malformed number") << "malformed" << "Fehler bei Datei Laden";
}

void TestFirmwareUpdate::noFile_leavesTheModuleAlone()
{
    QFETCH(QString, name);
    QFETCH(QString, message);
    if (name == QLatin1String("malformed")) {
        FirmwareFileWriter writer = firmware(1);
        writer.rawLines[6] = QStringLiteral(":12x45");
        name = fileWith(writer);
    } else if (!name.isEmpty()) {
        name = m_dir.filePath(name);
    }
    if (!name.isEmpty())
        m_run->ui.openNames << name;
    withWindow([&](TFhexfile *window) {
        QTRY_VERIFY(logLinesOf(window).contains(qMakePair(message, Red)));
        QCOMPARE(m_run->program().firmwareUpdate().stage(), FirmwareUpdate::Stage::Idle);
        window->close();
    });
    QCOMPARE(m_run->sim().received(), QByteArray());
}

void TestFirmwareUpdate::cutOffUpdate_isRepeatedOnTheModuleStuckInItsBootloader()
{
    // A count that never pauses longer than the window's first look: a frame from the module
    // stuck in its bootloader comes before it, every time.
    m_run->sim().setCountdownInterval(100);
    const FirmwareFileWriter writer = firmware(8);
    const QString file = fileWith(writer);
    const std::vector<quint32> old = m_run->sim().programMemory();
    // The memory after the first `rows` rows of the file: the first erased the file's page.
    const auto memoryAfter = [&](int rows) {
        std::vector<quint32> memory = old;
        std::fill_n(memory.begin() + 0x0800 / 2, 512, Erased);
        for (int i = 0; i < rows * 64; ++i)
            memory[size_t(0x0800 / 2 + i)] = writer.instructions[i];
        return memory;
    };

    // The line goes as row 5 is announced, once: rows 0 to 4 are in.
    bool cutOff = false;
    QObject cut;
    connect(&m_run->sim(), &ModuleSimulator::answered, &cut, [this, &cutOff](quint8 request) {
        if (!cutOff && request == 0x03 && m_run->sim().module().bootloader().rowsAnnounced() == 6) {
            cutOff = true;
            m_run->sim().vanish();
        }
    });
    m_run->ui.openNames << file;
    withWindow([&](TFhexfile *window) {
        QVERIFY(startWhenOffered(window));
        QTRY_COMPARE_WITH_TIMEOUT(m_run->program().firmwareUpdate().stage(), FirmwareUpdate::Stage::Failed, 8000);
        const Lines lines = logLinesOf(window);
        const int at = int(lines.indexOf(qMakePair(QStringLiteral(" !!! FEHLER bei Firmware-Update !!!"), Red)));
        QVERIFY(at > 0);
        // The port's own reason follows.
        QVERIFY(!lines.value(at + 2).first.isEmpty());
        QCOMPARE(control<QProgressBar>(window, "progress")->value(), 75); // 6 of 8 rows handed over
        control<QPushButton>(window, "ButClose")->click(); // the reset cannot go out
    });
    QVERIFY(!m_run->sim().isOpen());
    QVERIFY(m_run->sim().programMemory() == memoryAfter(5));
    QVERIFY(!m_run->sim().applicationComplete());

    // The module back on the line: its bootloader counts down and does not answer the boot
    // command. The window reports so, and still offers the start while the count runs.
    QString error;
    QVERIFY2(m_run->moduleBack(&error), qPrintable(error));
    QVERIFY(m_run->sim().bootloaderRunning());
    m_run->ui.openNames << file;
    withWindow([&](TFhexfile *window) {
        QTRY_VERIFY(control<QLabel>(window, "Ausrufezeichen")->isVisible());
        const Lines report{{TimeLine, Red},
                           {"Achtung, keine korrekte Verbindung zu Gerät erkannt!  Daher kein Update möglich!", Red},
                           {"", QColor()},
                           {" 1. dieses Fenster schließen", Red},
                           {" 2. Verbindung und Versorgung überprüfen", Red},
                           {" 3. kompletten Vorgang erneut starten", Red},
                           {"", QColor()}};
        Lines lines = logLinesOf(window);
        QCOMPARE(lines.mid(lines.size() - report.size()), report);
        QVERIFY(startWhenOffered(window));
        QTRY_COMPARE_WITH_TIMEOUT(m_run->program().firmwareUpdate().stage(), FirmwareUpdate::Stage::Done, 8000);
        lines = logLinesOf(window);
        QVERIFY(lines.contains(qMakePair(QStringLiteral("Firmware-Update abgeschlossen"), Green)));
        // The module never said which version it has: none is shown.
        for (const auto &line : lines)
            QVERIFY2(!line.first.startsWith(QLatin1String("momentane Firmwareversion")), qPrintable(line.first));
        control<QPushButton>(window, "ButClose")->click();
    });
    QVERIFY(m_run->sim().programMemory() == memoryAfter(8));
    QTRY_VERIFY(!m_run->sim().bootloaderRunning());
    QVERIFY(m_run->sim().applicationComplete());

    // The new firmware runs and answers.
    m_run->control<QPushButton>(QStringLiteral("ButRead"))->click();
    QTRY_VERIFY(m_run->logContains(QStringLiteral("Daten ausgelesen")));
}

QTEST_MAIN(TestFirmwareUpdate)
#include "tst_firmwareupdate.moc"
