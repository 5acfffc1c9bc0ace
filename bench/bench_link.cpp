// How long each request takes from the call to the evaluation of its reply, against velka-sim
// on a pseudo-terminal, unpaced and at the real line speed; and what the link costs while it
// waits for bytes that never come.
//
//   bench_link [path-to-velka-sim] [repetitions]
#include "ProcessCpu.h"
#include "SimProcess.h"
#include "core/link/DeviceLink.h"
#include "core/link/Frames.h"
#include "core/link/Request.h"
#include "core/session/ModuleSession.h"
#include "core/workflow/Clock.h"
#include "core/link/PendingReply.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <cstdio>

namespace {

constexpr double BytesPerSecond = 3840.0;
constexpr double QuietSeconds = 0.100;

struct Exchange
{
    const char *name;
    quint8 command;
    int sent;         // preamble and frame (and the data frame of a write)
    int received;     // reply bytes (both acknowledgements of a write)
    int evaluations;  // quiet times until the outcome is known
    bool leaveBootloader = false; // the module runs its bootloader afterwards
};

const Exchange Exchanges[] = {
    {"read     '!'", Command::ReadConfig, 50 + 8, 390, 1},
    {"write    '1'", Command::WriteRequest, 50 + 8 + 388, 6 + 6, 2},
    {"reset    'Q'", Command::Reset, 50 + 8, 6, 1},
    {"boot     'w'", Command::Boot, 50 + 8, 6, 1, true},
    {"carrier 0x60", Command::Carrier, 100 + 8, 6, 1},
    {"rssi     'a'", Command::Rssi, 100 + 8, 6, 1},
};

// Sends the request for `command` (a write request with its data frame once accepted) and
// runs the event loop until its last reply is accepted: false with the reason otherwise.
bool exchange(RequestEngine &engine, quint8 command, int timeoutMs, QString *error)
{
    QEventLoop loop;
    const std::array<quint8, PayloadBytes> payload{};
    std::function<void(const ReplyOutcome &)> onOutcome = [&](const ReplyOutcome &outcome) {
        if (!outcome.accepted()) {
            *error = outcome.text;
            loop.exit(1);
        } else if (outcome.command == Command::WriteRequest) {
            QObject::connect(engine.send(writeDataRequest(payload, 2000)), &PendingReply::finished, &loop, onOutcome);
        } else {
            loop.quit();
        }
    };
    QObject::connect(engine.send(applicationRequest(command, 1000)), &PendingReply::finished, &loop, onOutcome);
    QTimer::singleShot(timeoutMs, &loop, [&] { loop.exit(1); });
    return loop.exec() == 0;
}

void runRequests(RequestEngine &engine, bool paced, int repetitions)
{
    std::printf("\n%s (%d runs each, median)\n", paced ? "paced at 3840 bytes/s" : "unpaced", repetitions);
    std::printf("  %-14s %10s %10s %7s\n", "request", "time [ms]", "min [ms]", "ratio");
    for (const Exchange &request : Exchanges) {
        QList<double> times;
        for (int run = 0; run < repetitions; ++run) {
            QElapsedTimer clock;
            clock.start();
            QString error;
            if (!exchange(engine, request.command, 5000, &error)) {
                std::printf("  %-14s failed: %s\n", request.name, qPrintable(error));
                break;
            }
            times << double(clock.nsecsElapsed()) / 1e6;
            // Back to the application, so the next request is answered (not timed).
            if (request.leaveBootloader)
                engine.send(bootloaderResetRequest());
        }
        if (times.size() != repetitions)
            continue;
        std::sort(times.begin(), times.end());
        const double wire = paced ? (request.sent + request.received) / BytesPerSecond : 0.0;
        const double minimum = 1000.0 * (wire + request.evaluations * QuietSeconds);
        const double median = times[times.size() / 2];
        std::printf("  %-14s %10.1f %10.1f %7.3f\n", request.name, median, minimum, median / minimum);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString simulator = args.size() > 1 ? args[1] : QStringLiteral(VELKA_SIM_PATH);
    const int repetitions = args.size() > 2 ? std::max(1, args[2].toInt()) : 5;

    QString device;
    DeviceLink deviceLink([&device](const QString &name) {
        return name == QLatin1String("COM1") ? device : QStringLiteral("/nonexistent/") + name;
    });
    deviceLink.ports().start();
    SystemClock clock;
    ModuleSession session(deviceLink.channel(), clock);
    followLink(session, deviceLink);
    RequestEngine &engine = session.engine();

    for (const bool paced : {false, true}) {
        QProcess sim;
        device = startSimulatorProcess(sim, simulator, paced ? QStringList{QStringLiteral("--pace")} : QStringList{});
        if (device.isEmpty()) {
            std::fprintf(stderr, "bench_link: cannot start %s\n", qPrintable(simulator));
            return 1;
        }
        runRequests(engine, paced, repetitions);
        sim.terminate();
        sim.waitForFinished(5000);
    }

    // A port that is there, but no module answers: after the time-out the link keeps
    // collecting (as it must), and that must cost nothing while the line is quiet.
    QProcess silent;
    device = startSimulatorProcess(silent, simulator, {QStringLiteral("--fault"), QStringLiteral("silent")});
    if (device.isEmpty())
        return 1;
    QString error;
    exchange(engine, Command::ReadConfig, 5000, &error);
    std::printf("\nafter the time-out (\"%s\", still collecting: %s)\n", qPrintable(error),
                deviceLink.channel().isReceiving() ? "yes" : "no");
    const double cpuBefore = processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QEventLoop idle;
    QTimer::singleShot(10000, Qt::PreciseTimer, &idle, &QEventLoop::quit);
    idle.exec();
    const double cpu = processCpuSeconds() - cpuBefore;
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    std::printf("  CPU %.4f s in %.2f s: %.3f %% of one core (target < 0.2 %%)\n", cpu, seconds,
                100.0 * cpu / seconds);
    silent.terminate();
    silent.waitForFinished(5000);
    return 0;
}
