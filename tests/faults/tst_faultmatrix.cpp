// Every way the module or its line can fail, one row each, end to end: the whole program with
// its windows on the offscreen platform, the simulated module on a real pseudo-terminal (or
// behind the maker's USB adapter). Each row runs an operation into its fault, checks what the
// user is left with, clears the fault and runs the operation again.
#include "BootFault.h"
#include "FirmwareFileWriter.h"
#include "common/RunningProgram.h"
#include "core/firmware/FirmwareUpdate.h"
#include "core/link/DeviceLink.h"
#include "core/link/LinkMonitor.h"
#include "core/link/RequestEngine.h"
#include "core/workflow/ConfigDocument.h"
#include "core/workflow/ConfigWorkflow.h"
#include "ui/firmware/TFhexfile.h"
#include "ui/main/Program.h"
#include "ui/main/TFVelka.h"

#include <QAction>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <functional>

namespace {

enum class Operation { Read, Write, Update };

using Lines = QList<QPair<QString, QColor>>;
const QColor Red(255, 0, 0);
const QColor Green(0, 128, 0);
const QString TimeLine = QStringLiteral(" -14:05:09-");
constexpr int CountdownMs = 200;
constexpr quint32 Erased = 0xFFFFFF;
constexpr int FileRows = 3;
constexpr int FileStart = 0x0800; // the start of a page

// How the user is told, in the log of the window that ran the operation.
Lines report(Operation operation, const QString &reason)
{
    if (operation == Operation::Update)
        return {{TimeLine, Red}, {" !!! FEHLER bei Firmware-Update !!!", Red}, {"", QColor()}, {reason, Red},
                {"", QColor()}};
    return {{TimeLine, Red}, {"Fehler bei Kommunikation", Red}, {reason, Red}, {"", QColor()}};
}

int occurrences(const Lines &lines, const Lines &block)
{
    int found = 0;
    for (qsizetype i = 0; i + block.size() <= lines.size(); ++i)
        found += lines.mid(i, block.size()) == block;
    return found;
}

Lines logOf(const QTextEdit *log)
{
    Lines lines;
    for (const LogLine &line : logLines(log))
        lines << qMakePair(line.text, line.text.isEmpty() ? QColor() : line.colour);
    return lines;
}

// The fault in the simulator's words: "C=mode" spoils the application's reply to command C,
// "boot ROW:CMD=mode" the bootloader's reply to CMD (3, 5, 7) in row ROW.
bool applyFault(ModuleSimulator &sim, const QString &fault)
{
    const qsizetype eq = fault.indexOf(QLatin1Char('='));
    if (fault.startsWith(QLatin1String("boot "))) {
        const QStringList target = fault.mid(5, eq - 5).split(QLatin1Char(':'));
        const std::optional<BootFault> mode = BootFault::parse(QStringView(fault).mid(eq + 1));
        if (target.size() != 2 || !mode)
            return false;
        sim.setBootFault(target[0].toInt(), quint8(target[1].toInt()), *mode);
        return true;
    }
    const std::optional<SimFault> mode = SimFault::parse(QStringView(fault).mid(eq + 1));
    if (eq != 1 || !mode)
        return false;
    sim.setFault(quint8(fault[0].toLatin1()), *mode);
    return true;
}

quint32 instruction(int address)
{
    return quint32(address * 2654435761u >> 7) & 0x7FFFFF;
}

FirmwareFileWriter firmware()
{
    FirmwareFileWriter writer;
    writer.version = QStringLiteral("1.30");
    writer.startAddress = FileStart;
    for (int i = 0; i < FileRows * 64; ++i)
        writer.instructions << instruction(FileStart + 2 * i);
    return writer;
}

// The module's memory after the first `rows` rows of the file went in: the first row erased
// its page.
std::vector<quint32> memoryAfter(std::vector<quint32> memory, const FirmwareFileWriter &file, int rows)
{
    if (rows > 0)
        std::fill_n(memory.begin() + FileStart / 2, 512, Erased);
    for (int i = 0; i < rows * 64; ++i)
        memory[size_t(FileStart / 2 + i)] = file.instructions[i];
    return memory;
}

} // namespace

Q_DECLARE_METATYPE(Operation)

class TestFaultMatrix : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { m_run.reset(); }
    void faultThenRecovery_data();
    void faultThenRecovery();

private:
    bool buttonsUsable() const
    {
        return m_run->control<QPushButton>(QStringLiteral("ButRead"))->isEnabled()
            && m_run->control<QPushButton>(QStringLiteral("ButWrite"))->isEnabled();
    }
    // No timer of the protocol, the workflow or the update runs.
    bool nothingPolls() const
    {
        const FirmwareUpdate &update = m_run->program().firmwareUpdate();
        return !m_run->engine().isWaiting() && !m_run->workflow().isKnocking()
            && !m_run->workflow().isPauseDue() && !update.isWatching() && !update.isStartWindowOpen()
            && !update.isNextRowDue();
    }
    bool waitForAdapter() const
    {
        return QTest::qWaitFor([this] { return m_run->program().link().ports().usbMode(); }, 3000);
    }
    // Runs the operation; for an update `check` runs in the firmware window once it has ended
    // (done or failed), before "ENDE" closes it.
    void run(Operation operation, const std::function<void(TFhexfile *window)> &check = {});

    std::unique_ptr<RunningProgram> m_run;
    QTemporaryDir m_dir;
    QString m_file;
};

void TestFaultMatrix::faultThenRecovery_data()
{
    QTest::addColumn<bool>("fast"); // replies judged as soon as they are whole: the same verdicts
    QTest::addColumn<bool>("adapter");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<QString>("message"); // empty: the port's own text
    QTest::addColumn<int>("reports");
    const QString checksum = QStringLiteral("fehlerhafte Checksumme in Antwort von Gerät");
    for (const bool fast : {false, true}) {
        const auto row = [fast](const char *name) -> QTestData & {
            return QTest::newRow(qPrintable(QString::fromLatin1(name) + (fast ? " (fast)" : ""))) << fast;
        };

        row("silence") << false << "!=silent" << Operation::Read << "timeout" << 1;
        row("wrong start byte") << false << "!=wrong-start" << Operation::Read
                                    << "fehlerhafte Antwort von Gerät (SystemInfo:FE@21)" << 1;
        row("bad checksum") << false << "!=bad-checksum" << Operation::Read << checksum << 1;
        row("reply cut short") << false << "1=truncated" << Operation::Write << checksum << 1;
        row("trailing bytes") << false << "!=trailing" << Operation::Read << checksum << 1;
        // The simulator's garbage is the same every time: its first byte is 0xB0.
        row("flood of 10000 random bytes") << false << "!=flood" << Operation::Read
                                               << "fehlerhafte Antwort von Gerät (SystemInfo:B0@21)" << 1;
        // The late reply is judged as well, and like every judged reply it is followed up: with
        // nothing awaited any more it cannot succeed, and the failure is told once more.
        row("reply after the time-out") << false << "!=delay:1500" << Operation::Read << "timeout" << 2;
        row("reply for another command") << false << "1=other-command" << Operation::Write
                                             << "ungültige Antwort bei Schreibbefehl#2" << 1;
        row("port vanishes in a write") << false << "1=vanish" << Operation::Write << QString() << 1;
        row("USB adapter lost in a write") << true << "1=vanish" << Operation::Write
                                               << "USB-Adapter QVK00042 nicht verfügbar" << 1;
        row("bootloader error reply") << false << "boot 1:5=error-reply:42" << Operation::Update
                                          << "Fehlermeldung [42] vom Gerät erhalten" << 1;
        row("time-out in an update") << false << "boot 1:3=silent" << Operation::Update << "timeout" << 1;
    }
}

void TestFaultMatrix::run(Operation operation, const std::function<void(TFhexfile *window)> &check)
{
    switch (operation) {
    case Operation::Read:
        m_run->control<QPushButton>(QStringLiteral("ButRead"))->click();
        return;
    case Operation::Write:
        m_run->control<QPushButton>(QStringLiteral("ButWrite"))->click();
        return;
    case Operation::Update:
        break;
    }
    m_run->ui.openNames << m_file;
    bool ran = false;
    whileModal([&](QWidget *dialog) {
        auto *window = qobject_cast<TFhexfile *>(dialog);
        QVERIFY(window);
        ran = true;
        auto *start = ::control<QPushButton>(window, "ButProg");
        QVERIFY(QTest::qWaitFor([start] { return start->isEnabled(); }, 5000));
        start->click();
        const FirmwareUpdate &update = m_run->program().firmwareUpdate();
        QVERIFY(QTest::qWaitFor([&update] {
            return update.stage() == FirmwareUpdate::Stage::Done || update.stage() == FirmwareUpdate::Stage::Failed;
        }, 10000));
        if (check)
            check(window);
        ::control<QPushButton>(window, "ButClose")->click();
    });
    m_run->control<QAction>(QStringLiteral("MFirmware"))->trigger(); // returns when it is closed
    QVERIFY(ran);
}

void TestFaultMatrix::faultThenRecovery()
{
    QFETCH(bool, fast);
    QFETCH(bool, adapter);
    QFETCH(QString, fault);
    QFETCH(Operation, operation);
    QFETCH(QString, message);
    QFETCH(int, reports);

    m_run = std::make_unique<RunningProgram>();
    QString error;
    QVERIFY2(m_run->start(&error, adapter ? RunningProgram::Module::Adapter : RunningProgram::Module::Simulated),
             qPrintable(error));
    if (fast)
        m_run->engine().setReplyTiming(ReplyTiming::WhenComplete);
    if (adapter)
        QVERIFY(waitForAdapter());
    ModuleSimulator &sim = m_run->sim();
    sim.setCountdownInterval(CountdownMs);
    const FirmwareFileWriter file = firmware();
    m_file = m_dir.filePath(QStringLiteral("update.qvx"));
    QFile out(m_file);
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(file.bytes()) > 0);
    out.close();

    // What the fault must leave as it was: the tool's image (with an edit the write carries),
    // the module's, and its program memory but for the rows it acknowledged.
    m_run->document().setWord(30, 5);
    const ConfigWords image = m_run->document().configImage();
    const ConfigWords moduleImage = sim.module().image();
    const std::vector<quint32> memory = sim.programMemory();
    qint64 answeredBytes = 0;
    QObject row; // ends the count with this row, also when a check fails
    connect(&sim, &ModuleSimulator::answered, &row, [&answeredBytes](quint8, int bytes) { answeredBytes += bytes; });
    QVERIFY(applyFault(sim, fault));

    if (operation == Operation::Update) {
        const Lines expected = report(operation, message);
        run(operation, [&](TFhexfile *window) {
            const FirmwareUpdate &update = m_run->program().firmwareUpdate();
            QCOMPARE(update.stage(), FirmwareUpdate::Stage::Failed);
            // Nothing goes on while the window waits to be closed (the start window's end may
            // still be due from the last count).
            QVERIFY(!update.isWatching() && !update.isNextRowDue() && !m_run->engine().isWaiting());
            QTRY_VERIFY(!update.isStartWindowOpen());
            QCOMPARE(occurrences(logOf(::control<QTextEdit>(window, "MInfo")), expected), reports);
            QVERIFY(::control<QPushButton>(window, "ButClose")->isEnabled());
            QVERIFY(!::control<QPushButton>(window, "ButProg")->isEnabled());
            // Row 0 was acknowledged, the fault hit row 1.
            QCOMPARE(::control<QProgressBar>(window, "progress")->value(), 66);
            QVERIFY(sim.programMemory() == memoryAfter(memory, file, 1));
        });
        QVERIFY(!QTest::currentTestFailed());
    } else {
        const bool vanishes = fault.endsWith(QLatin1String("vanish"));
        run(operation);
        QTRY_VERIFY_WITH_TIMEOUT(m_run->logContains(QStringLiteral("Fehler bei Kommunikation")), 10000);
        if (message.isEmpty()) {
            // What the system said about the port that went, as the link recorded it.
            message = m_run->monitor().errorText();
            QVERIFY(!message.isEmpty());
            qInfo("the port's own text: %s", qPrintable(message));
        }
        // Whatever the module was going to send has come and been judged: a late reply too.
        if (!vanishes)
            QTRY_COMPARE_WITH_TIMEOUT(sim.sentCount(), answeredBytes, 5000);
        QTRY_VERIFY(nothingPolls());
        QCOMPARE(occurrences(m_run->newLogLines(), report(operation, message)), reports);
        QVERIFY(sim.programMemory() == memory);
        if (adapter) {
            QTRY_VERIFY(!m_run->program().link().ports().usbMode());
            QTRY_VERIFY(m_run->logContains(QStringLiteral("USB-Adapter nicht mehr vorhanden!")));
        }
    }
    QTRY_VERIFY(buttonsUsable());
    QTRY_VERIFY(nothingPolls());
    QCOMPARE(m_run->document().configImage(), image);
    QCOMPARE(sim.module().image(), moduleImage);

    // The fault cleared (the module back on a new terminal, the adapter plugged in again):
    // the same operation succeeds.
    sim.clearFaults();
    if (!sim.isOpen()) {
        QVERIFY2(m_run->moduleBack(&error), qPrintable(error));
        if (adapter)
            QVERIFY(waitForAdapter());
    }
    switch (operation) {
    case Operation::Read:
        run(operation);
        QTRY_VERIFY(m_run->logContains(QStringLiteral("Daten ausgelesen")));
        QCOMPARE(m_run->document().configImage(), sim.module().image());
        break;
    case Operation::Write:
        run(operation);
        QTRY_VERIFY_WITH_TIMEOUT(m_run->logContains(QStringLiteral("Gerät neu gestartet")), 10000);
        QCOMPARE(int(sim.module().image()[30]), 5);
        QCOMPARE(m_run->document().configImage(), sim.module().image());
        break;
    case Operation::Update:
        run(operation, [](TFhexfile *window) {
            const Lines lines = logOf(::control<QTextEdit>(window, "MInfo"));
            QVERIFY(lines.contains(qMakePair(QStringLiteral("Firmware-Update abgeschlossen"), Green)));
        });
        QVERIFY(!QTest::currentTestFailed());
        QCOMPARE(m_run->program().firmwareUpdate().stage(), FirmwareUpdate::Stage::Done);
        QTRY_VERIFY(!sim.bootloaderRunning());
        QVERIFY(sim.programMemory() == memoryAfter(memory, file, FileRows));
        break;
    }
    QTRY_VERIFY(buttonsUsable());
    QTRY_VERIFY(nothingPolls());
    m_run.reset();
}

QTEST_MAIN(TestFaultMatrix)
#include "tst_faultmatrix.moc"
