// How long the bootloader takes one row, and a whole 161-row image, through the tool's link to
// velka-sim on a pseudo-terminal, unpaced and at the real line speed, compared with the least
// time a row can take: its three frames and their replies on the line, and the quiet time
// after each reply.
//
//   bench_firmware [path-to-velka-sim] [repetitions]
#include "FirmwareFileWriter.h"
#include "SimProcess.h"
#include "core/firmware/FirmwareFile.h"
#include "core/firmware/FirmwareReport.h"
#include "core/firmware/RowTable.h"
#include "core/link/BootloaderSession.h"
#include "core/link/DeviceLink.h"
#include "core/session/ModuleSession.h"
#include "core/workflow/Clock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

constexpr double MsPerByte = 1000.0 / 3840.0;
constexpr double QuietMs = 100.0;
// Announce 8 + reply 6, row data 198 + reply 6, finish 4 + reply 6.
constexpr int RowLineBytes = 8 + 6 + 198 + 6 + 4 + 6;

double rowMinimumMs(bool paced)
{
    return (paced ? RowLineBytes * MsPerByte : 0.0) + 3 * QuietMs;
}

BootRow bootRow(const FirmwareRow &row)
{
    return {row.address, row.erasesPage, row.data};
}

// Sends the rows one after the other, each 1 ms after the previous one ended, as the update
// does; the time in ms, or -1 when a row failed.
double transfer(BootloaderSession &link, const QList<BootRow> &rows)
{
    QEventLoop loop;
    int next = 0;
    const auto sendNext = [&] { link.writeRow(rows[next++]); };
    const auto connection = QObject::connect(&link, &BootloaderSession::rowEnded, &loop,
                                             [&](bool written, const QString &error) {
        if (!written) {
            std::fprintf(stderr, "row %d failed: %s\n", next - 1, qPrintable(error));
            loop.exit(1);
        } else if (next == rows.size()) {
            loop.quit();
        } else {
            QTimer::singleShot(1, &loop, sendNext);
        }
    });
    QElapsedTimer clock;
    clock.start();
    sendNext();
    const bool done = loop.exec() == 0;
    QObject::disconnect(connection);
    return done ? double(clock.nsecsElapsed()) / 1e6 : -1.0;
}

bool enterBootloader(BootloaderSession &link)
{
    QEventLoop loop;
    const auto answered = QObject::connect(&link, &BootloaderSession::bootAnswered, &loop, [&] { loop.quit(); });
    const auto unanswered = QObject::connect(&link, &BootloaderSession::bootUnanswered, &loop, [&] { loop.exit(1); });
    link.enterBootloader();
    const bool done = loop.exec() == 0;
    QObject::disconnect(answered);
    QObject::disconnect(unanswered);
    return done;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString simulator = args.size() > 1 ? args[1] : QStringLiteral(VELKA_SIM_PATH);
    const int repetitions = args.size() > 2 ? std::max(1, args[2].toInt()) : 5;

    // A full image: 161 rows of code from address 0.
    FirmwareFileWriter writer;
    for (int i = 0; i < ProgramMemory::MaxInstructions; ++i)
        writer.instructions << quint32((i * 2654435761u) & 0x7FFFFF);
    SilentFirmwareReport report;
    FirmwareFile file;
    RowTable table;
    if (file.parse(writer.lines(), report) != FirmwareFile::Outcome::Usable || !table.build(file, report)) {
        std::fprintf(stderr, "bench_firmware: the generated file was refused\n");
        return 1;
    }
    QList<BootRow> image;
    for (const FirmwareRow &row : table.rows())
        image << bootRow(row);

    std::printf("bootloader rows against velka-sim (one row: %d runs, median)\n", repetitions);
    std::printf("  %-26s %10s %10s %7s\n", "transfer", "time [ms]", "min [ms]", "ratio");
    for (const bool paced : {false, true}) {
        QProcess sim;
        QString device = startSimulatorProcess(sim, simulator,
                                               paced ? QStringList{QStringLiteral("--pace")} : QStringList{});
        if (device.isEmpty()) {
            std::fprintf(stderr, "bench_firmware: cannot start %s\n", qPrintable(simulator));
            return 1;
        }
        DeviceLink deviceLink([&device](const QString &) { return device; });
        deviceLink.ports().start();
        SystemClock clock;
        ModuleSession session(deviceLink.channel(), clock);
        followLink(session, deviceLink);
        BootloaderSession &link = session.bootloader();
        if (!enterBootloader(link)) {
            std::fprintf(stderr, "bench_firmware: no bootloader\n");
            return 1;
        }
        std::printf("%s\n", paced ? "paced at 3840 bytes/s" : "unpaced");

        QList<double> times;
        for (int run = 0; run < repetitions; ++run) {
            const double ms = transfer(link, {image.first()});
            if (ms < 0)
                return 1;
            times << ms;
        }
        std::sort(times.begin(), times.end());
        const double row = times[times.size() / 2];
        std::printf("  %-26s %10.1f %10.1f %7.3f\n", "one row", row, rowMinimumMs(paced), row / rowMinimumMs(paced));

        const double all = transfer(link, image);
        if (all < 0)
            return 1;
        const double minimum = image.size() * rowMinimumMs(paced);
        std::printf("  %-26s %10.1f %10.1f %7.3f\n", qPrintable(QStringLiteral("%1 rows").arg(image.size())), all,
                    minimum, all / minimum);
        link.leave();
        sim.terminate();
        sim.waitForFinished(5000);
    }
    return 0;
}
