// velka-sim: a simulated Velka module on a pseudo-terminal.
#include "FirmwareFileWriter.h"
#include "MemoryFile.h"
#include "ModuleSimulator.h"
#include "core/config/ProgramInfo.h"
#include "core/files/BoundedFile.h"
#include "core/files/ConfigFile.h"
#include "core/files/WholeFileSave.h"
#include "core/link/Frames.h"
#include "core/firmware/ProgramMemory.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>
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

// "ROW:CMD=mode": ROW a number or '*', CMD 3, 5 or 7 (any base, e.g. 0x05).
void addBootFault(ModuleSimulator &sim, QStringView entry)
{
    const QString usage = QStringLiteral("--boot-fault wants ROW:CMD=mode, e.g. '*:5=silent' or '2:0x07=error-reply:21'");
    const qsizetype eq = entry.indexOf(QLatin1Char('='));
    const QStringView target = eq < 0 ? QStringView() : entry.left(eq);
    const qsizetype colon = target.indexOf(QLatin1Char(':'));
    if (colon <= 0)
        fail(usage);
    const QStringView rowText = target.left(colon);
    bool rowOk = true;
    const int row = rowText == u"*" ? BootFault::EveryRow : rowText.toInt(&rowOk);
    bool commandOk = false;
    const uint command = target.mid(colon + 1).toUInt(&commandOk, 0);
    if (!rowOk || (row < 0 && rowText != u"*") || !commandOk || (command != 0x03 && command != 0x05 && command != 0x07))
        fail(usage);
    QString error;
    const std::optional<BootFault> mode = BootFault::parse(entry.mid(eq + 1), &error);
    if (!mode)
        fail(error);
    sim.setBootFault(row, quint8(command), *mode);
}

// The configuration image as a configuration file.
void writeConfig(const QString &path, const ConfigWords &image)
{
    QString error;
    if (!saveWholeFile(path, ConfigFile::encode(ConfigFile::build(image)), &error))
        std::fprintf(stderr, "velka-sim: %s: %s\n", qPrintable(path), qPrintable(error));
}

// A firmware update file to try the update with: the reset vector jumps over the interrupt
// table, whose entries all lead to one handler at 0x0204, and code follows from 0x0200. The
// code differs from the old firmware the simulated module starts with, so the update shows in
// its memory, and no row of it is erased, so every row is written.
QByteArray demoFirmware(const QString &version, int rows)
{
    constexpr int VectorEnd = 0x0200 / 2; // instructions
    FirmwareFileWriter writer;
    writer.version = version;
    writer.startAddress = 0;
    for (int i = 0; i < rows * ProgramMemory::InstructionsPerRow; ++i) {
        quint32 instruction = 0;
        if (i == 0)
            instruction = 0x040200; // goto 0x0200
        else if (i == 1)
            instruction = 0x000000;
        else if (i < VectorEnd)
            instruction = 0x000204;
        else
            instruction = (quint32(i) * 0x2545F491u >> 7) & 0xFFFFFF;
        writer.instructions << (instruction == ModuleBootloader::Erased ? 0 : instruction);
    }
    return writer.bytes();
}

void writeDemoFirmware(const QString &path, const QString &version, const QString &rowsText)
{
    // The tool refuses a version without a point; digits on both sides keep it plausible.
    if (!QRegularExpression(QStringLiteral("^\\d+\\.\\d+$")).match(version).hasMatch())
        fail(QStringLiteral("--firmware-version wants a version such as 1.30"));
    bool ok = false;
    const int rows = rowsText.toInt(&ok);
    if (!ok || rows < 1 || rows > ProgramMemory::MaxRows)
        fail(QStringLiteral("--firmware-rows wants a number of rows 1..%1").arg(ProgramMemory::MaxRows));
    const QByteArray bytes = demoFirmware(version, rows);
    QString error;
    if (!saveWholeFile(path, bytes, &error))
        fail(path + QStringLiteral(": ") + error);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velka-sim"));
    QCoreApplication::setApplicationVersion(ProgramInfo::versionText());

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A simulated Velka radio I/O module on a pseudo-terminal.\n"
                       "Prints the device path of its serial line as the first line, then serves\n"
                       "the module's application protocol, and after the boot command its bootloader,\n"
                       "until it is stopped (SIGINT, SIGTERM).\n"
                       "Point the tool at it with VELKA_COM1=<path>.\n"
                       "With --usb-serial it plays the maker's USB adapter instead: it then also prints\n"
                       "on stderr the pair to give the tool, VELKA_USB_ADAPTERS=<serial>=<path>.\n"
                       "With --write-firmware it only writes a firmware update file to try the update with.\n\n"
                       "Fault modes:\n")
        + SimFault::helpText() + QStringLiteral("\nBootloader fault modes:\n") + BootFault::helpText());
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption firmware(QStringLiteral("firmware"),
                                      QStringLiteral("Firmware version bytes, two hex bytes (default 01.28)."),
                                      QStringLiteral("HH.HH"), QStringLiteral("01.28"));
    const QCommandLineOption rssi(QStringLiteral("rssi"), QStringLiteral("Raw signal strength 0..255 (default 40)."),
                                  QStringLiteral("value"), QStringLiteral("40"));
    const QCommandLineOption config(QStringLiteral("config"),
                                    QStringLiteral("Start with the configuration in this file (\">>DATA\" and 256 values)."),
                                    QStringLiteral("file"));
    const QCommandLineOption pace(QStringLiteral("pace"), QStringLiteral("Send and receive at the real 38400 baud (3840 bytes/s)."));
    const QCommandLineOption fault(QStringLiteral("fault"), QStringLiteral("Fault mode for every application command (see above)."),
                                   QStringLiteral("mode"));
    const QCommandLineOption faultOn(QStringLiteral("fault-on"),
                                     QStringLiteral("Fault mode for one command, e.g. '!=bad-checksum', '0x60=silent', "
                                                    "'3=delay:2500' (the data frame). May be repeated."),
                                     QStringLiteral("cmd=mode"));
    const QCommandLineOption chatter(QStringLiteral("reset-chatter"),
                                     QStringLiteral("Print a start-up line after the reset reply, as a restarting module does."));
    const QCommandLineOption countdown(QStringLiteral("countdown-ms"),
                                       QStringLiteral("Interval of the bootloader's countdown frames in ms (default 1000)."),
                                       QStringLiteral("ms"), QStringLiteral("1000"));
    const QCommandLineOption flash(QStringLiteral("flash-ms"),
                                   QStringLiteral("The bootloader takes this long to erase a page, and a quarter of it to "
                                                  "write a row, before it replies to the row's finish frame (default 0)."),
                                   QStringLiteral("ms"), QStringLiteral("0"));
    const QCommandLineOption bootFault(QStringLiteral("boot-fault"),
                                       QStringLiteral("Bootloader fault mode for one command (3, 5, 7) of one row (counted from 0, "
                                                      "or '*' for every row), e.g. '0:5=bad-checksum', '*:7=silent'. "
                                                      "May be repeated."),
                                       QStringLiteral("row:cmd=mode"));
    const QCommandLineOption memoryOut(QStringLiteral("memory-out"),
                                       QStringLiteral("Write the program memory to this file (\"AAAA: IIIIII\" per instruction "
                                                      "that is not erased) whenever the bootloader ends, and on exit."),
                                       QStringLiteral("file"));
    const QCommandLineOption configOut(QStringLiteral("config-out"),
                                       QStringLiteral("Write the configuration image to this file (a configuration "
                                                      "file) at the start, after every write and on exit."),
                                       QStringLiteral("file"));
    const QCommandLineOption incomplete(QStringLiteral("incomplete"),
                                        QStringLiteral("Start as a module whose last update was cut off: its application is "
                                                       "incomplete, so it stays in its bootloader, counting down again and "
                                                       "again without answering the boot command, until an update is "
                                                       "completed."));
    const QCommandLineOption writeFirmware(QStringLiteral("write-firmware"),
                                           QStringLiteral("Write a firmware update file (*.qvx) from address 0 to try the "
                                                          "update with, and exit."),
                                           QStringLiteral("file"));
    const QCommandLineOption firmwareVersion(QStringLiteral("firmware-version"),
                                             QStringLiteral("Version of the file --write-firmware writes (default 1.30)."),
                                             QStringLiteral("X.YY"), QStringLiteral("1.30"));
    const QCommandLineOption firmwareRows(QStringLiteral("firmware-rows"),
                                          QStringLiteral("Rows of 64 instructions in the file --write-firmware writes, "
                                                         "1..161 (default 20)."),
                                          QStringLiteral("rows"), QStringLiteral("20"));
    const QCommandLineOption usbSerial(QStringLiteral("usb-serial"),
                                       QStringLiteral("Present the line as a USB adapter with this serial number, e.g. "
                                                      "QVK00042 (the tool takes only those beginning with QVK): prints "
                                                      "VELKA_USB_ADAPTERS=<serial>=<path> on stderr after the path."),
                                       QStringLiteral("serial"));
    parser.addOptions({firmware, rssi, config, pace, fault, faultOn, chatter, countdown, flash, bootFault, memoryOut,
                       configOut, incomplete, writeFirmware, firmwareVersion, firmwareRows, usbSerial});
    parser.process(app);

    if (parser.isSet(writeFirmware)) {
        writeDemoFirmware(parser.value(writeFirmware), parser.value(firmwareVersion), parser.value(firmwareRows));
        return 0;
    }

    // The serial number goes into a list of SERIAL=DEVICE pairs separated by commas.
    const QString adapterSerial = parser.value(usbSerial);
    if (parser.isSet(usbSerial)
        && !QRegularExpression(QStringLiteral("^[\\x21-\\x7E]+$")).match(adapterSerial).hasMatch())
        fail(QStringLiteral("--usb-serial wants a serial number of printable characters, e.g. QVK00042"));
    if (adapterSerial.contains(QLatin1Char(',')) || adapterSerial.contains(QLatin1Char('=')))
        fail(QStringLiteral("--usb-serial: a serial number cannot hold ',' or '='"));

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
        // A FIFO or a device would hang the start, a huge file swell it: refused unread.
        const BoundedFile file = readBoundedFile(parser.value(config), ConfigFileMaxBytes);
        if (!file.ok())
            fail(QStringLiteral("--config: ") + file.errorText(parser.value(config), ConfigFileMaxBytes));
        const std::optional<ConfigWords> image = ConfigFile::read(ConfigFile::decode(file.bytes));
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

    const int countdownMs = parser.value(countdown).toInt(&ok);
    if (!ok || countdownMs < 1)
        fail(QStringLiteral("--countdown-ms wants a number of milliseconds above 0"));
    sim.setCountdownInterval(countdownMs);
    const int flashMs = parser.value(flash).toInt(&ok);
    if (!ok || flashMs < 0)
        fail(QStringLiteral("--flash-ms wants a number of milliseconds, 0 or more"));
    sim.setFlashTime(flashMs);
    for (const QString &entry : parser.values(bootFault))
        addBootFault(sim, entry);
    const QString memoryFile = parser.value(memoryOut);
    if (!memoryFile.isEmpty()) {
        const auto write = [&sim, memoryFile] { MemoryFile::write(memoryFile, sim.programMemory()); };
        QObject::connect(&sim, &ModuleSimulator::bootloaderLeft, &sim, write);
        QObject::connect(&sim, &ModuleSimulator::bootloaderRestarted, &sim, write);
    }

    const QString configFile = parser.value(configOut);
    if (!configFile.isEmpty()) {
        writeConfig(configFile, module.image());
        QObject::connect(&sim, &ModuleSimulator::answered, &sim, [&module, configFile](quint8 request) {
            if (request == Command::WriteData)
                writeConfig(configFile, module.image());
        });
    }
    if (parser.isSet(incomplete))
        sim.setApplicationComplete(false);

    if (::pipe2(signalPipe, O_CLOEXEC) != 0)
        fail(QStringLiteral("cannot create the signal pipe"));
    QSocketNotifier stop(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    QString error;
    if (!sim.open(&error))
        fail(QStringLiteral("cannot open a pseudo-terminal: ") + error);
    // The path comes first in any case: whoever starts the simulator reads it from there.
    std::printf("%s\n", qPrintable(sim.devicePath()));
    std::fflush(stdout);
    if (!adapterSerial.isEmpty()) {
        std::fprintf(stderr, "VELKA_USB_ADAPTERS=%s=%s\n", qPrintable(adapterSerial), qPrintable(sim.devicePath()));
        std::fflush(stderr);
    }
    QObject::connect(&sim, &ModuleSimulator::vanished, &app, &QCoreApplication::quit);

    const int status = app.exec();
    if (!memoryFile.isEmpty())
        MemoryFile::write(memoryFile, sim.programMemory());
    if (!configFile.isEmpty())
        writeConfig(configFile, module.image());
    return status;
}
