// How long a read and a complete write take in the tool, against velka-sim on a
// pseudo-terminal, unpaced and at the real line speed, compared with the least time the
// sequence can take: the knock, the line time of every byte, every quiet time and the
// follow-up interval before every request that follows a reply. The verify read waits for
// the module's acknowledgement of the data and starts no sooner than 200 ms after the data
// frame.
// Then the same with replies judged as soon as they are whole (`velka-cli --fast`): there the
// least time keeps only the module's own gaps, the knock and the 200 ms before the verify.
//
//   bench_workflow [path-to-velka-sim] [repetitions]
#include "SimProcess.h"
#include "core/session/ModuleSession.h"
#include "core/workflow/Clock.h"
#include "ui/common/UserInteraction.h"
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

struct Timing
{
    bool paced = false;
    bool fast = false; // replies judged when whole: no quiet time, no follow-up interval
    double quietMs() const { return fast ? 0.0 : QuietMs; }
    double followUpMs() const { return fast ? 0.0 : FollowUpMs; }
    double wireMs(int bytes) const { return paced ? bytes * MsPerByte : 0.0; }
};

// A request with its preamble and its reply: (bytes sent, bytes received).
double exchangeMs(int sent, int received, const Timing &t)
{
    return t.wireMs(sent + received) + t.quietMs();
}

double readMinimumMs(const Timing &t)
{
    // The last knock burst goes out right before the request; the reply is acted on at once.
    return KnockMs + exchangeMs(11 + 50 + 8, 390, t);
}

double writeMinimumMs(const Timing &t)
{
    // The follow-up interval comes before each request that follows a reply.
    double ms = readMinimumMs(t) + t.followUpMs();
    ms += exchangeMs(50 + 8, 6, t);                                                // write request, acknowledged
    ms += std::max(AfterDataMs, exchangeMs(388, 6, t) + t.followUpMs());           // data frame, acknowledged
    ms += exchangeMs(50 + 8, 390, t) + t.followUpMs();                             // verify read
    ms += exchangeMs(50 + 8, 6, t);                                                // restart
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
    for (const Timing timing : {Timing{false, false}, Timing{true, false}, Timing{false, true}, Timing{true, true}}) {
        const bool paced = timing.paced;
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
        if (timing.fast)
            program.session().setReplyTiming(ReplyTiming::WhenComplete);
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
             QStringLiteral("Daten ausgelesen"), readMinimumMs(timing)},
            {"write, verify, restart", window.findChild<QPushButton *>(QStringLiteral("ButWrite")),
             QStringLiteral("Gerät neu gestartet"),
             writeMinimumMs(timing)},
        };
        std::printf("%s%s\n", paced ? "paced at 3840 bytes/s" : "unpaced",
                    timing.fast ? ", replies judged when whole (--fast)" : "");
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
