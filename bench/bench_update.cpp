// How long a complete firmware update takes through FirmwareUpdate (the procedure behind the
// firmware window and `velka-cli firmware`, without either) against velka-sim paced at the real
// 3840 bytes per second: for a file of 20 rows and for a full image of 161 rows, both from
// address 0, with the replies judged after the quiet time (the windows) and, for 161 rows, as
// soon as they are whole (`velka-cli --fast`) against a module without and with flash time
// (velka-sim --flash-ms). It is driven through its verbs as the window drives them: the file is
// loaded, the module connected, and the update started the moment the start window opens,
// i.e. at the first countdown frame.
//
// The least possible times:
//   a row          its three frames and their replies on the line, (8+6) + (198+6) + (4+6)
//                  bytes at 3840 bytes/s = 59.4 ms, and the simulated flash: a quarter of the
//                  flash time to write the row, the whole of it to erase a page first; with
//                  the quiet time, 100 ms after each of the three replies
//   the transfer   (from the start to Done) the rows, plus the line time of the 4-byte reset
//                  frame
//   the update     (from connecting to Done) the boot command (50 zero bytes and the 8-byte
//                  frame) on the line, then velka-sim's countdown interval (1000 ms, it starts
//                  when the boot frame has arrived), the first countdown frame (2 bytes) on
//                  the line, then the transfer. The boot reply (6 bytes) and its 100 ms quiet
//                  time lie inside the countdown interval and add nothing.
// Done is set as the reset frame is queued; its 1 ms on the line is counted in the minimum all
// the same.
//
// After each update the simulator's program memory is compared with the file: a run that did
// not write the file fails, however fast it was.
//
//   bench_update [path-to-velka-sim] [fast]     (fast: only the cases with fast judgement)
#include "FirmwareFileWriter.h"
#include "MemoryFile.h"
#include "SimProcess.h"
#include "core/firmware/FirmwareUpdate.h"
#include "core/firmware/ProgramMemory.h"
#include "core/link/BootloaderSession.h"
#include "core/link/DeviceLink.h"
#include "core/link/RequestEngine.h"
#include "core/session/ModuleSession.h"
#include "core/workflow/Clock.h"
#include "core/workflow/LogEntry.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <optional>

namespace {

constexpr double MsPerByte = 1000.0 / 3840.0;
constexpr double QuietMs = 100.0;
constexpr int CountdownMs = 1000; // velka-sim's default, passed on so both agree
// Announce 8 + reply 6, row data 198 + reply 6, finish 4 + reply 6.
constexpr int RowLineBytes = (8 + 6) + (198 + 6) + (4 + 6);
constexpr int ResetFrameBytes = 4;
constexpr int BootRequestBytes = 50 + 8;
constexpr int CountdownFrameBytes = 2;

struct Mode
{
    bool fast = false; // replies judged as soon as they are whole
    int flashMs = 0;   // velka-sim --flash-ms
};

double rowMinimumMs(const Mode &mode)
{
    return RowLineBytes * MsPerByte + (mode.fast ? 0.0 : 3 * QuietMs) + mode.flashMs / 4.0;
}

double transferMinimumMs(int rows, const Mode &mode)
{
    // From address 0 every eighth row starts a page and erases it.
    const int pages = (rows + 7) / 8;
    return rows * rowMinimumMs(mode) + pages * double(mode.flashMs) + ResetFrameBytes * MsPerByte;
}

double startWindowMinimumMs()
{
    return (BootRequestBytes + CountdownFrameBytes) * MsPerByte + CountdownMs;
}

QList<quint32> image(int rows)
{
    QList<quint32> instructions;
    for (int i = 0; i < rows * ProgramMemory::InstructionsPerRow; ++i)
        instructions << quint32((i * 2654435761u) & 0x7FFFFF); // never the erased 0xFFFFFF
    return instructions;
}

bool writeFile(const QString &path, const QList<quint32> &instructions)
{
    FirmwareFileWriter writer;
    writer.version = QStringLiteral("1.30");
    writer.startAddress = 0;
    writer.instructions = instructions;
    QFile file(path);
    const QByteArray bytes = writer.bytes();
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

struct Timing
{
    double offeredMs = 0;  // loading the file to the start window's first count
    double transferMs = 0; // start to Done
    double updateMs = 0;   // loading the file to Done
    int rows = 0;          // rows the procedure wrote
};

std::optional<Timing> update(const QString &simulator, const QString &folder, int rows, const Mode &mode)
{
    const QString firmwarePath = folder + QStringLiteral("/update%1.qvx").arg(rows);
    const QString memoryPath = folder + QStringLiteral("/memory%1.txt").arg(rows);
    const QList<quint32> instructions = image(rows);
    if (!writeFile(firmwarePath, instructions)) {
        std::fprintf(stderr, "bench_update: cannot write %s\n", qPrintable(firmwarePath));
        return std::nullopt;
    }

    QProcess sim;
    const QString device = startSimulatorProcess(
        sim, simulator,
        {QStringLiteral("--pace"), QStringLiteral("--countdown-ms"), QString::number(CountdownMs),
         QStringLiteral("--flash-ms"), QString::number(mode.flashMs), QStringLiteral("--memory-out"), memoryPath});
    if (device.isEmpty()) {
        std::fprintf(stderr, "bench_update: cannot start %s\n", qPrintable(simulator));
        return std::nullopt;
    }
    DeviceLink deviceLink([&device](const QString &name) {
        return name == QLatin1String("COM1") ? device : QStringLiteral("/nonexistent/") + name;
    });
    deviceLink.ports().start();
    SystemClock systemClock;
    ModuleSession session(deviceLink.channel(), systemClock);
    followLink(session, deviceLink);
    if (mode.fast)
        session.setReplyTiming(ReplyTiming::WhenComplete);
    FirmwareUpdate &procedure = session.firmwareUpdate();

    Timing timing;
    QElapsedTimer clock;
    QEventLoop loop;
    QStringList redLines;
    bool clicked = false;
    QObject::connect(&procedure, &FirmwareUpdate::countdown, &loop, [&] {
        if (clicked)
            return;
        clicked = true;
        // As a person's click, from the event loop: queued, so it runs the moment the
        // announcement of the start window is done.
        QTimer::singleShot(0, &loop, [&] {
            timing.offeredMs = double(clock.nsecsElapsed()) / 1e6;
            procedure.start();
        });
    });
    QObject::connect(&procedure, &FirmwareUpdate::logged, &loop, [&](const LogEntry &entry) {
        if (entry.kind == LogKind::Failure)
            redLines << entry.text;
        if (procedure.stage() == FirmwareUpdate::Stage::Done) {
            timing.updateMs = double(clock.nsecsElapsed()) / 1e6;
            loop.quit();
        } else if (procedure.stage() == FirmwareUpdate::Stage::Failed) {
            loop.exit(1);
        }
    });
    QObject::connect(&procedure, &FirmwareUpdate::moduleAnswered, &loop, [&](bool answered) {
        if (!answered)
            loop.exit(1);
    });
    // Far beyond any sensible time; only a procedure that stopped moving gets here.
    QTimer::singleShot(CountdownMs + int(3 * transferMinimumMs(rows, mode)) + 10000, &loop, [&] {
        redLines << QStringLiteral("no outcome in time (stage %1)").arg(int(procedure.stage()));
        loop.exit(1);
    });

    clock.start();
    if (procedure.load(firmwarePath) != FirmwareLoad::Outcome::Usable) {
        std::fprintf(stderr, "bench_update: %s was refused\n", qPrintable(firmwarePath));
        return std::nullopt;
    }
    procedure.connectModule();
    const bool done = loop.exec() == 0;
    // Every row was acknowledged before Done, so the memory velka-sim writes on exit holds
    // them all.
    sim.terminate();
    sim.waitForFinished(5000);

    if (!done || procedure.stage() != FirmwareUpdate::Stage::Done) {
        std::fprintf(stderr, "bench_update: the update of %d rows failed\n", rows);
        for (const QString &line : redLines)
            std::fprintf(stderr, "  %s\n", qPrintable(line));
        return std::nullopt;
    }
    const QString difference = MemoryFile::difference(memoryPath, instructions);
    if (!difference.isEmpty()) {
        std::fprintf(stderr, "bench_update: the module's memory is not the file's: %s\n", qPrintable(difference));
        return std::nullopt;
    }
    timing.transferMs = timing.updateMs - timing.offeredMs;
    timing.rows = procedure.rows().rowsToWrite();
    return timing;
}

void printLine(const QString &what, double ms, double minimum)
{
    std::printf("  %-34s %10.1f %10.1f %7.3f\n", qPrintable(what), ms, minimum, ms / minimum);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString simulator = args.size() > 1 && !args[1].isEmpty() ? args[1] : QStringLiteral(VELKA_SIM_PATH);
    const bool onlyFast = args.size() > 2 && args[2] == QLatin1String("fast");
    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "bench_update: no temporary folder\n");
        return 1;
    }

    std::printf("firmware update through FirmwareUpdate against velka-sim, paced at 3840 bytes/s,\n"
                "countdown interval %d ms\n",
                CountdownMs);
    std::printf("  %-34s %10s %10s %7s\n", "", "time [ms]", "min [ms]", "ratio");
    struct Case
    {
        int rows;
        Mode mode;
    };
    const Case cases[] = {{20, {}},
                          {ProgramMemory::MaxRows, {}},
                          {ProgramMemory::MaxRows, {true, 0}},
                          {ProgramMemory::MaxRows, {true, 20}}};
    for (const Case &c : cases) {
        if (onlyFast && !c.mode.fast)
            continue;
        const std::optional<Timing> timing = update(simulator, folder.path(), c.rows, c.mode);
        if (!timing)
            return 1;
        std::printf("%d rows from address 0%s\n", timing->rows,
                    c.mode.fast ? qPrintable(QStringLiteral(", fast, --flash-ms %1").arg(c.mode.flashMs)) : "");
        printLine(QStringLiteral("connect to start window open"), timing->offeredMs, startWindowMinimumMs());
        printLine(QStringLiteral("start to Done"), timing->transferMs, transferMinimumMs(timing->rows, c.mode));
        printLine(QStringLiteral("connect to Done"), timing->updateMs,
                  startWindowMinimumMs() + transferMinimumMs(timing->rows, c.mode));
    }
    return 0;
}
