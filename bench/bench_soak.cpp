// Many read-and-write cycles in one process, as "Gerät auslesen" and then "Gerät programmieren"
// (read, write, verify, restart) run them, through the core classes over a real
// pseudo-terminal to velka-sim, unpaced. Prints the failures, the resident memory and the
// open file descriptors before the first cycle, after it (when everything that is made once
// has been made) and at the end, and the time. Expected: no failure, less than 5 MB of
// growth from the first cycle to the end, the same descriptors.
//
//   bench_soak [cycles] [path-to-velka-sim]        (1000 cycles by default)
#include "SimProcess.h"
#include "core/link/RequestEngine.h"
#include "core/link/SerialChannel.h"
#include "core/session/ModuleSession.h"
#include "core/workflow/Clock.h"
#include "core/workflow/LogEntry.h"
#include "core/workflow/WorkflowTexts.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

constexpr int CycleTimeoutMs = 20000;

// Resident memory in KiB, from /proc/self/status; -1 if it cannot be read.
long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    // readAll: a file under /proc has no size, so atEnd() holds from the start.
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return std::atol(line.constData() + 6);
    }
    return -1;
}

long openDescriptors()
{
    return long(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size());
}

struct Mark
{
    long residentKiB;
    long descriptors;
};

Mark mark()
{
    return {residentKiB(), openDescriptors()};
}

// Starts `action` and runs the event loop until the workflow logs `done` and is idle again;
// false, with the red line that came instead, on a failure or after the time-out.
bool runUntil(ConfigWorkflow &flow, const std::function<void()> &action, const QString &done, QString *failure)
{
    QEventLoop loop;
    bool ok = false;
    const auto connection = QObject::connect(&flow, &ConfigWorkflow::logged, &loop,
                                             [&](const LogEntry &entry) {
        if (entry.text == done) {
            ok = true;
        } else if (entry.kind == LogKind::Failure) {
            // The reason follows the first failure line at once: keep them all.
            *failure += (failure->isEmpty() ? QString() : QStringLiteral(" / ")) + entry.text;
            loop.exit(1);
        }
    });
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (ok && flow.step() == ConfigWorkflow::Step::Idle && !flow.isPauseDue() && !flow.isKnocking())
            loop.quit();
    });
    poll.start();
    QTimer::singleShot(CycleTimeoutMs, &loop, [&] {
        if (failure->isEmpty())
            *failure = QStringLiteral("no \"%1\" within %2 ms").arg(done).arg(CycleTimeoutMs);
        loop.exit(1);
    });
    action();
    const bool finished = loop.exec() == 0;
    QObject::disconnect(connection);
    return finished && ok;
}

void printMark(const char *when, const Mark &m)
{
    std::printf("  %-22s %10.1f MB %8ld descriptors\n", when, m.residentKiB / 1024.0, m.descriptors);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int cycles = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    const QString simulator = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral(VELKA_SIM_PATH);

    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel); // its complaints, if any
    const QString device = startSimulatorProcess(sim, simulator);
    if (device.isEmpty()) {
        std::fprintf(stderr, "cannot start %s\n", qPrintable(simulator));
        return 1;
    }

    SerialChannel channel([device](const QString &) { return device; });
    channel.setPortName(QStringLiteral("COM1"));
    SystemClock systemClock;
    ModuleSession session(channel, systemClock);
    ConfigWorkflow &flow = session.configuration();

    int cycle = 0;
    QObject::connect(&sim, &QProcess::finished, [&cycle](int code, QProcess::ExitStatus status) {
        std::fprintf(stderr, "velka-sim ended during cycle %d (%s, %d)\n", cycle,
                     status == QProcess::CrashExit ? "crashed or killed" : "exit code", code);
    });

    std::printf("soak: %d read-and-write cycles against velka-sim (unpaced)\n", cycles);
    const Mark before = mark();
    Mark warm = before;
    int failures = 0;
    QElapsedTimer clock;
    clock.start();
    for (cycle = 1; cycle <= cycles; ++cycle) {
        QString failure;
        const bool read = runUntil(flow, [&flow] { flow.readConfiguration(); }, WorkflowTexts::DataRead, &failure);
        const bool written = read
            && runUntil(flow, [&flow] { flow.writeConfiguration(); }, WorkflowTexts::Restarted, &failure);
        if (!written) {
            ++failures;
            std::fprintf(stderr, "cycle %d failed in the %s: %s\n", cycle, read ? "write" : "read",
                         qPrintable(failure));
            // Let whatever is still under way run out before the next cycle.
            QEventLoop settle;
            QTimer::singleShot(3000, &settle, &QEventLoop::quit);
            settle.exec();
        }
        if (cycle == 1)
            warm = mark();
        if (cycle % 100 == 0)
            std::fprintf(stderr, "  %d cycles, %d failures, %.0f s\n", cycle, failures, clock.elapsed() / 1000.0);
    }
    const double seconds = clock.nsecsElapsed() / 1e9;
    const Mark end = mark();

    QObject::disconnect(&sim, &QProcess::finished, nullptr, nullptr);
    sim.terminate();
    sim.waitForFinished(5000);

    const double growthMB = (end.residentKiB - warm.residentKiB) / 1024.0;
    const long leaked = end.descriptors - warm.descriptors;
    std::printf("  failures               %10d\n", failures);
    printMark("before the first cycle", before);
    printMark("after the first cycle", warm);
    printMark("at the end", end);
    std::printf("  memory growth          %10.1f MB (after the first cycle to the end; target < 5 MB)\n", growthMB);
    std::printf("  descriptors leaked     %10ld\n", leaked);
    std::printf("  time                   %10.1f s (%.0f ms per cycle)\n", seconds, 1000.0 * seconds / cycles);
    const bool ok = failures == 0 && growthMB < 5.0 && leaked <= 0;
    std::printf("%s\n", ok ? "soak ok" : "soak FAILED");
    return ok ? 0 : 1;
}
