// A firmware update end to end: the firmware window (offscreen) on the whole program, the
// simulated module on a real pseudo-terminal, a firmware file made for the test.
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
        QVERIFY(!control<QPushButton>(window, "ButProg")->isEnabled());

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

QTEST_MAIN(TestFirmwareUpdate)
#include "tst_firmwareupdate.moc"
