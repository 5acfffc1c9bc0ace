#include "core/workflow/Clock.h"
#include "ui/main/Program.h"
#include "ui/main/TFVelka.h"
#include "ui/common/QtUserInteraction.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace {
// Without any display Qt would abort; say what is missing instead.
bool displayAvailable()
{
#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)
    auto set = [](const char *name) {
        const char *value = std::getenv(name);
        return value && *value;
    };
    return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
#else
    return true;
#endif
}
} // namespace

int main(int argc, char *argv[])
{
    if (!displayAvailable()) {
        std::fprintf(stderr,
                     "velka: no graphical display found (DISPLAY and WAYLAND_DISPLAY are not set).\n"
                     "       Start the tool from a desktop session, or under a virtual display "
                     "such as xvfb-run.\n");
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velka"));

    SystemClock clock;
    QtUserInteraction ui;
    Program program(clock, ui);
    program.FVelka()->show();
    return app.exec();
}
