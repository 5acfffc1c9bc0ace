// velka-cli on one module against velka-cli on 4 and on 16 modules at once, as a production PC
// drives them through a USB hub, each module a velka-sim paced at the real 3840 bytes per
// second: for `write` (the whole sequence: read before, write, verify, restart) and for a
// 20-row `firmware` update, with the replies judged after the quiet time and with --fast.
// Every module has its own line and the line time dominates, so many at once should take
// hardly longer than one; the ratio printed is the parallel run's time over the single run's
// (median of the runs). The CPU time is velka-cli's own (user and system), per module.
//
// Each run is checked: every port must end with exit code 0, and after a firmware run every
// module's program memory must hold the file.
//
//   bench_cli [runs]   (default 3)

#include "MemoryFile.h"
#include "SimProcess.h"
#include "core/files/ConfigFile.h"
#include "core/firmware/FirmwareFile.h"
#include "core/firmware/FirmwareReport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace {

struct Sim
{
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    QString device;
    QString memoryFile;
};

// The instructions a firmware file fills from address 0.
QList<quint32> fileInstructions(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    FirmwareFile parsed;
    SilentFirmwareReport report;
    if (parsed.parse(FirmwareFile::decode(file.readAll()), report) != FirmwareFile::Outcome::Usable)
        return {};
    QList<quint32> instructions;
    for (int a = 0; a < parsed.addressCount(); a += 2)
        instructions << (quint32(parsed.progImage()[size_t(a)]) << 16 | parsed.progImage()[size_t(a + 1)]);
    return instructions;
}

// CPU time of the children that have ended, in ms.
double childrenCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

struct Run
{
    double ms = 0;    // wall time
    double cpuMs = 0; // velka-cli's CPU time
};

// One run of velka-cli on `modules` fresh simulators; its times, or nothing when a port failed
// or a module does not hold what was sent.
std::optional<Run> run(const QString &folder, const QString &command, const QString &file, int modules,
                       bool fast, const QList<quint32> &instructions)
{
    std::vector<Sim> sims(static_cast<size_t>(modules));
    QStringList arguments{command, file, QStringLiteral("--yes")};
    if (fast)
        arguments << QStringLiteral("--fast");
    for (int i = 0; i < modules; ++i) {
        Sim &sim = sims[size_t(i)];
        sim.memoryFile = folder + QStringLiteral("/memory%1.txt").arg(i);
        QFile::remove(sim.memoryFile);
        sim.device = startSimulatorProcess(*sim.process, QStringLiteral(VELKA_SIM_PATH),
                                           {QStringLiteral("--pace"), QStringLiteral("--memory-out"), sim.memoryFile});
        if (sim.device.isEmpty()) {
            std::fprintf(stderr, "bench_cli: velka-sim did not start\n");
            return std::nullopt;
        }
        arguments << QStringLiteral("--port") << sim.device;
    }
    QProcess cli;
    QElapsedTimer clock;
    // The simulators still run: only velka-cli ends and is counted here.
    const double cpuBefore = childrenCpuMs();
    clock.start();
    cli.start(QStringLiteral(VELKA_CLI_PATH), arguments);
    const bool ended = cli.waitForFinished(300000);
    const Run times{double(clock.nsecsElapsed()) / 1e6, childrenCpuMs() - cpuBefore};
    bool good = ended && cli.exitStatus() == QProcess::NormalExit && cli.exitCode() == 0;
    if (!good)
        std::fprintf(stderr, "bench_cli: %s failed:\n%s%s", qPrintable(command), cli.readAllStandardOutput().constData(),
                     cli.readAllStandardError().constData());
    for (Sim &sim : sims) {
        sim.process->terminate(); // velka-sim writes its memory as it ends
        sim.process->waitForFinished(5000);
        if (good && !instructions.isEmpty()) {
            const QString difference = MemoryFile::difference(sim.memoryFile, instructions);
            if (!difference.isEmpty()) {
                std::fprintf(stderr, "bench_cli: %s: %s\n", qPrintable(sim.device), qPrintable(difference));
                good = false;
            }
        }
    }
    return good ? std::optional<Run>(times) : std::nullopt;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 3;
    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;

    // The configuration written: the simulated module's own factory image, as a file.
    const QString config = folder.filePath(QStringLiteral("fleet.VMC"));
    {
        QProcess sim;
        const QString device = startSimulatorProcess(sim, QStringLiteral(VELKA_SIM_PATH),
                                                     {QStringLiteral("--config-out"), config});
        sim.terminate();
        sim.waitForFinished(5000);
        if (device.isEmpty() || !QFile::exists(config))
            return 1;
    }
    const QString firmware = folder.filePath(QStringLiteral("update.qvx"));
    QProcess writer;
    writer.start(QStringLiteral(VELKA_SIM_PATH), {QStringLiteral("--write-firmware"), firmware,
                                                 QStringLiteral("--firmware-rows"), QStringLiteral("20")});
    if (!writer.waitForFinished(10000) || writer.exitCode() != 0)
        return 1;
    const QList<quint32> instructions = fileInstructions(firmware);

    std::printf("velka-cli, velka-sim paced at 3840 bytes/s, median of %d runs\n", runs);
    std::printf("%-18s %-7s %8s %12s %10s %18s\n", "command", "timing", "modules", "time", "vs 1", "CPU per module");
    bool allGood = true;
    struct Case
    {
        const char *name;
        QString command;
        QString file;
        QList<quint32> instructions;
    };
    const Case cases[] = {{"write", QStringLiteral("write"), config, {}},
                          {"firmware 20 rows", QStringLiteral("firmware"), firmware, instructions}};
    for (const Case &c : cases) {
        for (const bool fast : {false, true}) {
            double single = 0;
            for (const int modules : {1, 4, 16}) {
                std::vector<double> times;
                std::vector<double> cpu;
                for (int i = 0; i < runs; ++i) {
                    const std::optional<Run> r = run(folder.path(), c.command, c.file, modules, fast, c.instructions);
                    if (!r) {
                        allGood = false;
                        break;
                    }
                    times.push_back(r->ms);
                    cpu.push_back(r->cpuMs / modules);
                }
                if (times.empty())
                    continue;
                const double ms = median(times);
                if (modules == 1)
                    single = ms;
                std::printf("%-18s %-7s %8d %9.1f ms %10.3f %15.1f ms\n", c.name, fast ? "fast" : "normal", modules,
                            ms, single > 0 ? ms / single : 0.0, median(cpu));
            }
        }
    }
    return allGood ? 0 : 1;
}
