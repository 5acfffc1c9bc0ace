// Start-up time and peak memory of the tool, measured over several fresh processes.
//
// Each run starts this program again as a child that brings the tool up exactly as main()
// does (offscreen), waits until the main window has been shown and its display filled, and
// reports the time since its own start and its peak resident memory.

#include "core/workflow/Clock.h"
#include "ui/main/Program.h"
#include "ui/main/TFVelka.h"
#include "ui/common/QtUserInteraction.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
int runChild(int argc, char **argv)
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication app(argc, argv);
    SystemClock clock;
    QtUserInteraction ui;
    Program program(clock, ui);
    program.FVelka()->show();

    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!program.FVelka()->firstActivationDone())
            return;
        poll.stop();
        program.FVelka()->repaint(); // the filled window painted once
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("ready %.3f %ld\n", sinceStart.nsecsElapsed() / 1e6, usage.ru_maxrss);
        std::fflush(stdout);
        app.quit();
    });
    poll.start(0);
    return app.exec();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}
} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::string(argv[1]) == "--child")
        return runChild(argc, argv);

    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    std::vector<double> processMs, inProcessMs, peakMb;
    for (int i = 0; i < runs; ++i) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(env);
        QElapsedTimer wall;
        wall.start();
        child.start(QString::fromLocal8Bit(argv[0]), {QStringLiteral("--child")});
        if (!child.waitForStarted(10000)) {
            std::fprintf(stderr, "cannot start the child: %s\n", qPrintable(child.errorString()));
            return 1;
        }
        QByteArray line;
        while (!line.contains('\n') && child.waitForReadyRead(30000))
            line += child.readAllStandardOutput();
        const double elapsed = wall.nsecsElapsed() / 1e6;
        child.waitForFinished(10000);
        const QList<QByteArray> parts = line.trimmed().split(' ');
        if (parts.size() != 3 || parts[0] != "ready") {
            std::fprintf(stderr, "unexpected child output: %s\n", line.constData());
            return 1;
        }
        processMs.push_back(elapsed);
        inProcessMs.push_back(parts[1].toDouble());
        peakMb.push_back(parts[2].toDouble() / 1024.0);
    }
    std::printf("start-up over %d runs (offscreen), medians:\n", runs);
    std::printf("  process start until window shown and filled: %8.1f ms  (target < 300 ms)\n",
                median(processMs));
    std::printf("  main() until window shown and filled:        %8.1f ms\n", median(inProcessMs));
    std::printf("  peak resident memory:                        %8.1f MB  (target < 60 MB)\n",
                median(peakMb));
    return 0;
}
