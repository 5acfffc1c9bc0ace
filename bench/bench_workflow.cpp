// How long a read and a complete write take in the tool, against velka-sim on a
// pseudo-terminal, unpaced and at the real line speed, compared with the least time the
// sequence can take: the knock, the line time of every byte, every quiet time and every
// follow-up interval. The verify read waits for the module's acknowledgement of the data
// and starts no sooner than 200 ms after the data frame.
//
//   bench_workflow [path-to-velka-sim] [repetitions]
#include "SimProcess.h"
#include "core/workflow/Clock.h"
#include "core/workflow/UserInteraction.h"
#include "ui/main/Program.h"
#include "ui/main/TFVelka.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Nobody sits in front of the benchmark: every question is answered with OK, no file dialog
// is expected and nothing is handed to the desktop.
class UnattendedInteraction final : public UserInteraction
{
public:
    bool confirm(const QString &, DefaultButton) override { return true; }
    QString askOpenFileName(const FileDialogRequest &) override { return {}; }
    QString askSaveFileName(const FileDialogRequest &) override { return {}; }
    void openUrl(const QUrl &) override {}
};

constexpr double MsPerByte = 1000.0 / 3840.0;
constexpr double KnockMs = 8 * 40;
constexpr double QuietMs = 100;
constexpr double FollowUpMs = 20;
constexpr double AfterDataMs = 200;

// A request with its preamble: (bytes sent, bytes received).
double exchangeMs(int sent, int received, bool paced)
{
    return (paced ? (sent + received) * MsPerByte : 0.0) + QuietMs + FollowUpMs;
}

double readMinimumMs(bool paced)
{
    // The last knock burst goes out right before the request.
    return KnockMs + exchangeMs(11 + 50 + 8, 390, paced);
}

double writeMinimumMs(bool paced)
{
    const double wire = paced ? MsPerByte : 0.0;
    double ms = readMinimumMs(paced);
    ms += (50 + 8 + 6) * wire + QuietMs;                        // write request, acknowledged
    ms += std::max(AfterDataMs, (388 + 6) * wire + QuietMs + FollowUpMs); // data frame, acknowledged
    ms += exchangeMs(50 + 8, 390, paced);                        // verify read
    ms += exchangeMs(50 + 8, 6, paced);                          // restart
    return ms;
}

const QTextEdit *informationLog(const TFVelka &window)
{
    return window.findChild<QTextEdit *>(QStringLiteral("MInfo"));
}

// Clicks `button` and runs the event loop until the log shows `done`; the time in ms, or -1.
double timeUntilLogged(TFVelka &window, QPushButton *button, const QString &done)
{
    QEventLoop loop;
    const QTextEdit *text = informationLog(window);
    const auto connection = QObject::connect(text, &QTextEdit::textChanged, &loop, [&] {
        if (text->toPlainText().endsWith(done + QStringLiteral("\n\n")))
            loop.quit();
    });
    QTimer::singleShot(20000, &loop, [&] { loop.exit(1); });
    QElapsedTimer clock;
    clock.start();
    button->click();
    const bool ok = loop.exec() == 0;
    const double ms = clock.nsecsElapsed() / 1e6;
    QObject::disconnect(connection);
    // Let the last step finish (buttons enabled) before the next run.
    QTimer::singleShot(50, &loop, &QEventLoop::quit);
    loop.exec();
    return ok ? ms : -1;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString simulator = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(VELKA_SIM_PATH);
    const int repetitions = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    std::printf("workflow against velka-sim (%d runs each, median)\n", repetitions);
    std::printf("  %-22s %10s %10s %7s\n", "sequence", "time [ms]", "min [ms]", "ratio");
    for (const bool paced : {false, true}) {
        QProcess sim;
        const QString device = startSimulatorProcess(
            sim, simulator, paced ? QStringList{QStringLiteral("--pace")} : QStringList{});
        if (device.isEmpty()) {
            std::fprintf(stderr, "cannot start %s\n", qPrintable(simulator));
            return 1;
        }
        SystemClock clock;
        UnattendedInteraction ui;
        Program program(clock, ui, [device](const QString &) { return device; });
        TFVelka &window = *program.FVelka();
        window.show();
        while (!window.firstActivationDone())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

        struct Sequence
        {
            const char *name;
            QPushButton *button;
            QString done;
            double minimum;
        };
        const Sequence sequences[] = {
            {"read", window.findChild<QPushButton *>(QStringLiteral("ButRead")),
             QStringLiteral("Daten ausgelesen"), readMinimumMs(paced)},
            {"write, verify, restart", window.findChild<QPushButton *>(QStringLiteral("ButWrite")),
             QStringLiteral("Gerät neu gestartet"),
             writeMinimumMs(paced)},
        };
        std::printf("%s\n", paced ? "paced at 3840 bytes/s" : "unpaced");
        for (const Sequence &sequence : sequences) {
            std::vector<double> times;
            for (int run = 0; run < repetitions; ++run) {
                const double ms = timeUntilLogged(window, sequence.button, sequence.done);
                if (ms < 0) {
                    std::fprintf(stderr, "%s did not finish; the log says:\n%s\n", sequence.name,
                                 qPrintable(informationLog(window)->toPlainText()));
                    return 1;
                }
                times.push_back(ms);
            }
            const double ms = median(times);
            std::printf("  %-22s %10.1f %10.1f %7.3f\n", sequence.name, ms, sequence.minimum,
                        ms / sequence.minimum);
        }
        sim.terminate();
        sim.waitForFinished(5000);
    }
    return 0;
}
