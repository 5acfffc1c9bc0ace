// velka-sim: a simulated Velka module on a pseudo-terminal.
#include "ModuleSimulator.h"
#include "core/files/ConfigFile.h"

#include <QCommandLineParser>
#include <QFile>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
}

bool parseCommand(QStringView text, quint8 &command)
{
    if (text.size() == 1 && text[0].unicode() < 0x80) {
        command = quint8(text[0].unicode());
        return true;
    }
    bool ok = false;
    const uint value = text.toUInt(&ok, 0);
    command = quint8(value);
    return ok && value <= 0xFF;
}

[[noreturn]] void fail(const QString &text)
{
    std::fprintf(stderr, "velka-sim: %s\n", qPrintable(text));
    std::exit(2);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velka-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A simulated Velka radio I/O module on a pseudo-terminal.\n"
                       "Prints the device path of its serial line as the first line, then serves\n"
                       "the module's application protocol until it is stopped (SIGINT, SIGTERM).\n"
                       "Point the tool at it with VELKA_COM1=<path>.\n\nFault modes:\n")
        + SimFault::helpText());
    parser.addHelpOption();
    const QCommandLineOption firmware(QStringLiteral("firmware"),
                                      QStringLiteral("Firmware version bytes, two hex bytes (default 01.28)."),
                                      QStringLiteral("HH.HH"), QStringLiteral("01.28"));
    const QCommandLineOption rssi(QStringLiteral("rssi"), QStringLiteral("Raw signal strength 0..255 (default 40)."),
                                  QStringLiteral("value"), QStringLiteral("40"));
    const QCommandLineOption config(QStringLiteral("config"),
                                    QStringLiteral("Start with the configuration in this file (\">>DATA\" and 256 values)."),
                                    QStringLiteral("file"));
    const QCommandLineOption pace(QStringLiteral("pace"), QStringLiteral("Send and receive at the real 38400 baud (3840 bytes/s)."));
    const QCommandLineOption fault(QStringLiteral("fault"), QStringLiteral("Fault mode for every command (see above)."),
                                   QStringLiteral("mode"));
    const QCommandLineOption faultOn(QStringLiteral("fault-on"),
                                     QStringLiteral("Fault mode for one command, e.g. '!=bad-checksum', '0x60=silent', "
                                                    "'3=delay:2500' (the data frame). May be repeated."),
                                     QStringLiteral("cmd=mode"));
    const QCommandLineOption chatter(QStringLiteral("reset-chatter"),
                                     QStringLiteral("Print a start-up line after the reset reply, as a restarting module does."));
    parser.addOptions({firmware, rssi, config, pace, fault, faultOn, chatter});
    parser.process(app);

    ModuleSimulator sim;
    ModuleFirmware &module = sim.module();

    const QStringList version = parser.value(firmware).split(QLatin1Char('.'));
    bool ok1 = false, ok2 = false;
    if (version.size() != 2)
        fail(QStringLiteral("--firmware wants two hex bytes such as 01.28"));
    const uint major = version[0].toUInt(&ok1, 16), minor = version[1].toUInt(&ok2, 16);
    if (!ok1 || !ok2 || major > 0xFF || minor > 0xFF)
        fail(QStringLiteral("--firmware wants two hex bytes such as 01.28"));
    module.version = {quint8(major), quint8(minor)};

    bool ok = false;
    const uint rssiValue = parser.value(rssi).toUInt(&ok);
    if (!ok || rssiValue > 255)
        fail(QStringLiteral("--rssi wants a value 0..255"));
    module.rssi = quint8(rssiValue);

    if (parser.isSet(config)) {
        QFile file(parser.value(config));
        if (!file.open(QIODevice::ReadOnly))
            fail(parser.value(config) + QStringLiteral(": ") + file.errorString());
        const std::optional<ConfigWords> image = ConfigFile::read(ConfigFile::decode(file.readAll()));
        if (!image)
            fail(parser.value(config) + QStringLiteral(": not a configuration file (256 values after \">>DATA\")"));
        module.setImage(*image);
    }
    if (parser.isSet(chatter))
        module.resetChatter = QByteArrayLiteral("\r\nVelka 01.28 start\r\n");
    sim.setPaced(parser.isSet(pace));

    if (parser.isSet(fault)) {
        QString error;
        const std::optional<SimFault> mode = SimFault::parse(parser.value(fault), &error);
        if (!mode)
            fail(error);
        sim.setFaultForAll(*mode);
    }
    for (const QString &entry : parser.values(faultOn)) {
        const qsizetype eq = entry.indexOf(QLatin1Char('='));
        quint8 command = 0;
        if (eq <= 0 || !parseCommand(QStringView(entry).left(eq), command))
            fail(QStringLiteral("--fault-on wants cmd=mode, e.g. '!=silent'"));
        QString error;
        const std::optional<SimFault> mode = SimFault::parse(QStringView(entry).mid(eq + 1), &error);
        if (!mode)
            fail(error);
        sim.setFault(command, *mode);
    }

    if (::pipe2(signalPipe, O_CLOEXEC) != 0)
        fail(QStringLiteral("cannot create the signal pipe"));
    QSocketNotifier stop(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    QString error;
    if (!sim.open(&error))
        fail(QStringLiteral("cannot open a pseudo-terminal: ") + error);
    std::printf("%s\n", qPrintable(sim.devicePath()));
    std::fflush(stdout);
    QObject::connect(&sim, &ModuleSimulator::vanished, &app, &QCoreApplication::quit);

    return app.exec();
}
