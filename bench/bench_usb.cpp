// How soon the link takes the maker's USB adapter once it appears, and what the search for it
// costs while none is there. velka-sim plays the adapter (--usb-serial); it "appears" when
// VELKA_USB_ADAPTERS names it, at a random moment within the search rhythm, and goes again
// when the variable is taken away.
//
//   bench_usb [path-to-velka-sim] [repetitions] [idle seconds]
#include "ProcessCpu.h"
#include "SimProcess.h"
#include "core/link/DeviceLink.h"
#include "core/session/ModuleSession.h"
#include "core/workflow/Clock.h"
#include "core/link/PendingReply.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QRandomGenerator>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int SearchIntervalMs = 1000;
const QString Serial = QStringLiteral("QVK00042");


// Runs the event loop until the chooser reports `usbMode`; false after `timeoutMs`.
bool waitForUsbMode(PortChooser &ports, bool usbMode, int timeoutMs)
{
    if (ports.usbMode() == usbMode)
        return true;
    QEventLoop loop;
    const QMetaObject::Connection connection =
        QObject::connect(&ports, &PortChooser::usbModeChanged, &loop, [&](bool now) {
            if (now == usbMode)
                loop.quit();
        });
    QTimer::singleShot(timeoutMs, &loop, [&] { loop.exit(1); });
    const bool done = loop.exec() == 0;
    QObject::disconnect(connection);
    return done;
}

// Lets the event loop run for `ms`: the link's timers go on meanwhile.
void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// One request over the adapter, to show the link really runs on it; its time in ms, or a
// negative value when it got no reply.
double requestOverAdapter(RequestEngine &link, QString *error)
{
    QEventLoop loop;
    QTimer::singleShot(5000, &loop, [&] { loop.exit(1); });
    QElapsedTimer clock;
    clock.start();
    QObject::connect(link.send(applicationRequest(Command::Rssi, 1000)), &PendingReply::finished, &loop,
                     [&](const ReplyOutcome &outcome) {
                         *error = outcome.text;
                         loop.exit(outcome.accepted() ? 0 : 1);
                     });
    const bool done = loop.exec() == 0;
    return done ? double(clock.nsecsElapsed()) / 1e6 : -1.0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString simulator = args.size() > 1 ? args[1] : QStringLiteral(VELKA_SIM_PATH);
    const int repetitions = args.size() > 2 ? std::max(1, args[2].toInt()) : 10;
    const int idleSeconds = args.size() > 3 ? std::max(1, args[3].toInt()) : 60;

    qunsetenv("VELKA_USB_ADAPTERS");
    // The serial ports lead nowhere, so nothing of this machine's own ports takes part; the
    // adapters are the system's (none with a QVK serial number here) and the environment's.
    DeviceLink deviceLink([](const QString &name) { return QStringLiteral("/nonexistent/") + name; });
    PortChooser &ports = deviceLink.ports();
    SystemClock clock;
    ModuleSession session(deviceLink.channel(), clock);
    followLink(session, deviceLink);
    ports.start();

    QProcess sim;
    const QString device = startSimulatorProcess(sim, simulator, {QStringLiteral("--usb-serial"), Serial});
    if (device.isEmpty()) {
        std::fprintf(stderr, "bench_usb: cannot start %s\n", qPrintable(simulator));
        return 1;
    }
    const QByteArray pair = (Serial + QLatin1Char('=') + device).toLocal8Bit();

    std::printf("adapter %s on %s, search every %d ms\n", qPrintable(Serial), qPrintable(device),
                ports.searchInterval());
    std::printf("\nfrom the adapter appearing to the link using it (%d runs)\n", repetitions);
    QList<double> times;
    for (int run = 0; run < repetitions; ++run) {
        // The search interval restarts when the adapter goes, so a random wait from then on
        // lands anywhere in its rhythm.
        runFor(int(QRandomGenerator::global()->bounded(SearchIntervalMs)));
        QElapsedTimer clock;
        clock.start();
        qputenv("VELKA_USB_ADAPTERS", pair);
        if (!waitForUsbMode(ports, true, 5 * SearchIntervalMs)) {
            std::printf("  run %d: the adapter was not taken within %d ms\n", run + 1, 5 * SearchIntervalMs);
            return 1;
        }
        times << double(clock.nsecsElapsed()) / 1e6;
        if (run == 0) {
            QString error;
            const double request = requestOverAdapter(session.engine(), &error);
            if (request < 0) {
                std::printf("  no reply over the adapter: %s\n", qPrintable(error));
                return 1;
            }
            std::printf("  a request over the adapter (signal strength): %.1f ms\n", request);
        }
        qunsetenv("VELKA_USB_ADAPTERS");
        if (!waitForUsbMode(ports, false, 3 * SearchIntervalMs)) {
            std::printf("  run %d: the adapter was not given up\n", run + 1);
            return 1;
        }
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    const double longest = times.last();
    std::printf("  median %.1f ms, longest %.1f ms, shortest %.1f ms (expected at most %d ms: %s)\n", median,
                longest, times.first(), SearchIntervalMs, longest <= SearchIntervalMs ? "met" : "exceeded");

    sim.terminate();
    sim.waitForFinished(5000);

    // No adapter: the search goes on every second, and that must cost next to nothing.
    std::printf("\nsearching with no adapter present (every %d ms: %s)\n", ports.searchInterval(),
                ports.isSearching() && !ports.usbMode() ? "yes" : "no");
    const double cpuBefore = processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    runFor(idleSeconds * 1000);
    const double cpu = processCpuSeconds() - cpuBefore;
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    std::printf("  CPU %.4f s in %.2f s: %.3f %% of one core (target < 0.1 %%)\n", cpu, seconds,
                100.0 * cpu / seconds);
    return 0;
}
