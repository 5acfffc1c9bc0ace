#include "core/config/ProgramInfo.h"
#include "core/workflow/Clock.h"
#include "ui/main/Program.h"
#include "ui/main/TFVelka.h"
#include "ui/common/QtUserInteraction.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
const char HelpText[] =
    "Usage: velka [OPTIONS] [FILE.VMC]\n"
    "\n"
    "The configuration tool for Velka radio I/O modules: reads a module's configuration,\n"
    "edits it, writes it back with a verify, keeps configurations in files (*.VMC) and\n"
    "updates the module's firmware (*.qvx). The window and its texts are German; it needs\n"
    "a graphical display.\n"
    "\n"
    "FILE.VMC, if given, is loaded at the start as \"Laden\" loads it (a file dropped on the\n"
    "window too). A firmware file is not opened this way: an update starts only from the\n"
    "window \"Firmware Update\".\n"
    "\n"
    "Options:\n"
    "  -h, --help     Print this help and exit.\n"
    "      --version  Print the version and exit.\n"
    "Qt's own options (such as -style NAME) are taken as well.\n"
    "\n"
    "Environment:\n"
    "  VELKA_COM1 .. VELKA_COM4  The device the port COM1 .. COM4 opens (by default\n"
    "                            /dev/ttyS0 .. /dev/ttyS3), e.g. VELKA_COM1=/dev/ttyUSB0.\n"
    "  VELKA_USB_ADAPTERS        Further USB adapters, for tests: SERIAL=DEVICE pairs\n"
    "                            separated by commas.\n"
    "\n"
    "The maker's USB adapters (serial number beginning with QVK) are found by themselves.\n"
    "velka-cli reads, writes and compares modules from a terminal; velka-sim is a simulated\n"
    "module to try the tool on.\n";

// Answered before anything looks for a display, so a terminal without one (and help2man) gets them.
bool hasOption(int argc, char *argv[], const char *name, const char *shortName = nullptr)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0 || (shortName && std::strcmp(argv[i], shortName) == 0))
            return true;
    }
    return false;
}

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
    if (hasOption(argc, argv, "--help", "-h")) {
        std::fputs(HelpText, stdout);
        return 0;
    }
    if (hasOption(argc, argv, "--version")) {
        std::printf("velka %s\n", qUtf8Printable(ProgramInfo::versionText()));
        return 0;
    }
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
    // What is left after Qt took its own options: the files to open.
    QStringList files;
    for (const QString &argument : QApplication::arguments().mid(1)) {
        if (!argument.startsWith(QLatin1Char('-')))
            files << argument;
    }
    program.FVelka()->openFiles(files);
    return app.exec();
}
