// velka-cli against velka-sim processes on pseudo-terminals: every command's good path, the
// exit code and message of each failure, several modules at once, and the JSON output.

#include "MemoryFile.h"
#include "PseudoTerminal.h"
#include "SimProcess.h"
#include "cli/CliOptions.h"
#include "cli/ModuleJob.h"
#include "ModuleSimulator.h"
#include "common/RunningProgram.h"
#include "core/config/ConsistencyRules.h"
#include "core/files/ConfigFile.h"
#include "core/firmware/FirmwareFile.h"
#include "core/firmware/FirmwareLoad.h"
#include "core/firmware/FirmwareReport.h"
#include "core/station/Recipe.h"
#include "ui/main/TFVelka.h"
#include "core/workflow/ConfigDocument.h"

#include <QJsonArray>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

struct CliRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

// A velka-sim process; its configuration is written to `configFile` after every write.
struct SimModule
{
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    QString device;
    QString configFile;
    QString memoryFile;

    ~SimModule()
    {
        if (process->state() != QProcess::NotRunning) {
            process->terminate();
            process->waitForFinished(5000);
        }
    }

    std::optional<ConfigWords> image() const
    {
        QFile file(configFile);
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return ConfigFile::read(ConfigFile::decode(file.readAll()));
    }
};

std::optional<ConfigWords> readConfig(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return ConfigFile::read(ConfigFile::decode(file.readAll()));
}

bool writeConfig(const QString &path, const ConfigWords &image)
{
    QFile file(path);
    const QByteArray bytes = ConfigFile::encode(ConfigFile::build(image));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void arguments_data();
    void arguments();
    void read_savesTheImageTheWindowLoadsByteForByte();
    void write_leavesFileImageInModuleWithFactoryWordsKept();
    void diff_listsDifferingWordsByNameAndValues();
    void report_writesThePdfOrHtmlOfAFile();
    void recipe_stampsItsFilesOrRefusesThem();
    void firmware_leavesProgramMemoryEqualToTheFile_data();
    void firmware_leavesProgramMemoryEqualToTheFile();
    void firmwareJob_endsWithOneResetFrame();
    void qvxInfo_describesFileWithoutAModule_data();
    void qvxInfo_describesFileWithoutAModule();
    void ports_listsComPortsAndAdapters();
    void failure_endsWithItsExitCodeAndMessage_data();
    void failure_endsWithItsExitCodeAndMessage();
    void parallelWrite_eachModuleEndsWithItsOwnOutcome();
    void terminal_asksAndRedrawsProgressInPlace_data();
    void terminal_asksAndRedrawsProgressInPlace();

private:
    SimModule &startSim(const QStringList &arguments = {});
    CliRun runCli(const QStringList &arguments, const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment());
    QString path(const QString &name) const { return m_dir->filePath(name); }
    QString demoFirmware(int rows, const QString &name = QStringLiteral("update.qvx"));

    std::unique_ptr<QTemporaryDir> m_dir;
    std::vector<std::unique_ptr<SimModule>> m_sims;
};

void TestCli::init()
{
    m_sims.clear();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

SimModule &TestCli::startSim(const QStringList &arguments)
{
    auto sim = std::make_unique<SimModule>();
    const int n = int(m_sims.size());
    sim->configFile = path(QStringLiteral("module%1.VMC").arg(n));
    sim->memoryFile = path(QStringLiteral("memory%1.txt").arg(n));
    sim->device = startSimulatorProcess(*sim->process, QStringLiteral(VELKA_SIM_PATH),
                                        QStringList{QStringLiteral("--config-out"), sim->configFile,
                                                    QStringLiteral("--memory-out"), sim->memoryFile,
                                                    QStringLiteral("--countdown-ms"), QStringLiteral("150")}
                                            + arguments);
    m_sims.push_back(std::move(sim));
    return *m_sims.back();
}

CliRun TestCli::runCli(const QStringList &arguments, const QProcessEnvironment &env)
{
    QProcess cli;
    cli.setProcessEnvironment(env);
    cli.setWorkingDirectory(m_dir->path());
    cli.start(QStringLiteral(VELKA_CLI_PATH), arguments);
    CliRun run;
    if (!cli.waitForFinished(90000)) {
        cli.kill();
        cli.waitForFinished();
        run.err = QStringLiteral("velka-cli did not end");
        return run;
    }
    run.exitCode = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    run.out = QString::fromUtf8(cli.readAllStandardOutput());
    run.err = QString::fromUtf8(cli.readAllStandardError());
    return run;
}

QString TestCli::demoFirmware(int rows, const QString &name)
{
    const QString file = path(name);
    QProcess writer;
    writer.start(QStringLiteral(VELKA_SIM_PATH), {QStringLiteral("--write-firmware"), file,
                                                 QStringLiteral("--firmware-rows"), QString::number(rows)});
    return writer.waitForFinished(10000) && writer.exitCode() == 0 ? file : QString();
}

void TestCli::arguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error"); // empty: accepted
    QTest::addColumn<QStringList>("ports");
    QTest::addColumn<QString>("file");

    const QStringList none;
    QTest::newRow("read") << QStringList{"read", "--port", "COM1", "-o", "a.VMC"} << "" << QStringList{"COM1"} << "";
    QTest::newRow("several ports, = forms") << QStringList{"write", "--port=COM1", "-p", "usb:QVK1", "f.VMC", "--yes"}
                                            << "" << QStringList{"COM1", "usb:QVK1"} << "f.VMC";
    QTest::newRow("file after --") << QStringList{"diff", "-p", "/dev/x", "--", "-odd.VMC"} << ""
                                   << QStringList{"/dev/x"} << "-odd.VMC";
    QTest::newRow("no command") << QStringList{"--json"} << "no command given" << none << "";
    QTest::newRow("unknown command") << QStringList{"flash"} << "unknown command: flash" << none << "";
    QTest::newRow("unknown option") << QStringList{"ports", "--quick"} << "unknown option: --quick" << none << "";
    QTest::newRow("fast read") << QStringList{"read", "--fast", "-p", "COM1", "-o", "a"} << "" << QStringList{"COM1"} << "";
    QTest::newRow("report") << QStringList{"report", "f.VMC", "-o", "r.PDF"} << "" << QStringList() << "f.VMC";
    QTest::newRow("report to a text file") << QStringList{"report", "f.VMC", "-o", "r.txt"}
                                           << "report needs -o FILE.pdf or -o FILE.html" << none << "";
    QTest::newRow("report with a port") << QStringList{"report", "f.VMC", "-p", "COM1", "-o", "r.pdf"}
                                        << "report takes no --port" << none << "";
    QTest::newRow("--fast without a module") << QStringList{"qvx-info", "f.qvx", "--fast"}
                                             << "only read, write, diff and firmware take --fast" << none << "";
    QTest::newRow("port twice") << QStringList{"read", "-p", "COM1", "-p", "COM1", "-o", "a"}
                                << "port given twice: COM1" << none << "";
    QTest::newRow("port without value") << QStringList{"read", "-o", "a", "--port"}
                                        << "--port needs a port: COM1..COM4, a device path or usb:SERIAL" << none << "";
    QTest::newRow("write without port") << QStringList{"write", "f.VMC"} << "write needs at least one --port" << none << "";
    QTest::newRow("write without file") << QStringList{"write", "-p", "COM1"} << "write needs exactly one file" << none << "";
    QTest::newRow("two files") << QStringList{"diff", "-p", "COM1", "a", "b"} << "diff needs exactly one file" << none << "";
    QTest::newRow("read without -o") << QStringList{"read", "-p", "COM1"} << "read needs -o FILE.VMC" << none << "";
    QTest::newRow("read, ports share a file") << QStringList{"read", "-p", "COM1", "-p", "COM2", "-o", "a.VMC"}
                                              << "read from several ports needs {port} in the -o file name" << none << "";
    QTest::newRow("qvx-info with port") << QStringList{"qvx-info", "-p", "COM1", "f.qvx"} << "qvx-info takes no --port"
                                        << none << "";
    QTest::newRow("--yes on a read") << QStringList{"diff", "-p", "COM1", "f", "-y"}
                                     << "only write and firmware take --yes" << none << "";
    QTest::newRow("recipe") << QStringList{"recipe", "-o", "L.recipe", "--name", "L", "--config", "c.VMC",
                                           "--rssi-min", "-80", "--rssi-max=-30", "--absence-s", "0.5"}
                            << "" << none << "";
    QTest::newRow("recipe without a name") << QStringList{"recipe", "-o", "L.recipe", "--config", "c.VMC"}
                                           << "recipe needs --name" << none << "";
    QTest::newRow("recipe without files") << QStringList{"recipe", "-o", "L.recipe", "--name", "L"}
                                          << "a recipe needs a firmware file, a configuration file or both" << none << "";
    QTest::newRow("one radio limit") << QStringList{"recipe", "-o", "L", "--name", "L", "--config", "c", "--rssi-max", "-3"}
                                     << "the radio check needs both --rssi-min and --rssi-max" << none << "";
    QTest::newRow("a limit in words") << QStringList{"recipe", "-o", "L", "--name", "L", "--rssi-min", "low"}
                                      << "--rssi-min needs a whole number, not low" << none << "";
    QTest::newRow("absence below its least")
        << QStringList{"recipe", "-o", "L", "--name", "L", "--config", "c", "--absence-s", "0.4"}
        << "the absence time must lie within 0.5..600 s" << none << "";
    QTest::newRow("recipe with a port") << QStringList{"recipe", "-o", "L", "--name", "L", "-p", "COM1"}
                                        << "recipe takes no --port" << none << "";
    QTest::newRow("a recipe option on a write") << QStringList{"write", "-p", "COM1", "f.VMC", "--skip-same-firmware"}
                                                << "only recipe takes --name, --firmware, --config and the recipe's settings"
                                                << none << "";
}

void TestCli::arguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    QFETCH(QStringList, ports);
    QFETCH(QString, file);
    const ParsedArguments parsed = parseArguments(arguments);
    QCOMPARE(parsed.error, error);
    if (error.isEmpty()) {
        QCOMPARE(parsed.options.ports, ports);
        QCOMPARE(parsed.options.file, file);
        QCOMPARE(parsed.options.fast, arguments.contains("--fast"));
    }
}

void TestCli::read_savesTheImageTheWindowLoadsByteForByte()
{
    SimModule &sim = startSim();
    QVERIFY(!sim.device.isEmpty());
    const CliRun run = runCli({"read", "--port", sim.device, "-o", "unit.VMC"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.contains(QStringLiteral("firmware 01.28, serial number 12.00345, date code 1234, customer D000012, "
                                             "last configuration 5.03.2013")),
             qPrintable(run.out));
    const std::optional<ConfigWords> module = sim.image();
    QVERIFY(module);
    QCOMPARE(readConfig(path("unit.VMC")), module);

    // The window loads the file and saves it again: the same bytes.
    RunningProgram program;
    QString error;
    QVERIFY2(program.start(&error, RunningProgram::Module::None), qPrintable(error));
    program.ui.openNames << path("unit.VMC");
    program.window().MLadenClick();
    QCOMPARE(program.document().configImage(), *module);
    program.ui.saveNames << path("again.VMC");
    program.window().MSpeichernClick();
    QCOMPARE(fileBytes(path("again.VMC")), fileBytes(path("unit.VMC")));
}

void TestCli::write_leavesFileImageInModuleWithFactoryWordsKept()
{
    SimModule &sim = startSim();
    const std::optional<ConfigWords> before = sim.image();
    QVERIFY(before);
    ConfigWords file = *before;
    file[Word::SystemId] = 77;
    file[Word::Channel] = 3;
    file[120] = 2;                 // an output's source
    file[Word::RadioCycle] = 5000; // beyond a third of the timeout: the rules shorten it
    file[Word::Serial] = 999;      // factory words of a file are not written
    QVERIFY(writeConfig(path("new.VMC"), file));

    const CliRun run = runCli({"write", "-p", sim.device, "new.VMC", "--yes"});
    QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
    QVERIFY(run.out.contains(QStringLiteral("Verify ok, Gerät neu gestartet")));

    ConfigDocument shown; // the file as the window would write it
    shown.takeImage(file);
    ConfigWords expected = shown.configImage();
    const QDate today = QDate::currentDate();
    expected = prepareWriteImage(expected, *before, {today.day(), today.month(), today.year() % 100});
    const std::optional<ConfigWords> after = sim.image();
    QVERIFY(after);
    for (int w = 0; w < ImageWords; w += 2)
        expected[size_t(w)] &= 0x00FF; // the module keeps 8 bits of an even word
    QCOMPARE(*after, expected);
    QCOMPARE(int((*after)[Word::Serial]), 345);
    QVERIFY((*after)[Word::RadioCycle] < 5000);
}

void TestCli::diff_listsDifferingWordsByNameAndValues()
{
    SimModule &sim = startSim();
    ConfigWords file = *sim.image();
    QVERIFY(writeConfig(path("same.VMC"), file));
    const CliRun same = runCli({"diff", "-p", sim.device, "same.VMC"});
    QCOMPARE(same.exitCode, 0);
    QVERIFY(same.out.contains(QStringLiteral("no difference")));

    file[Word::SystemId] = quint16(file[Word::SystemId] + 1);
    file[Word::Serial] = 1; // a factory word: never compared
    file[104] = 3;          // out2 source
    QVERIFY(writeConfig(path("other.VMC"), file));
    const CliRun run = runCli({"diff", "-p", sim.device, "other.VMC", "--json"});
    QCOMPARE(run.exitCode, 5);
    const QJsonObject result = QJsonDocument::fromJson(run.out.toUtf8()).object();
    QCOMPARE(result.value("outcome").toString(), QStringLiteral("differs"));
    const QJsonArray differences = result.value("differences").toArray();
    QCOMPARE(differences.size(), 2);
    QCOMPARE(differences[0].toObject().value("address").toInt(), Word::SystemId);
    QCOMPARE(differences[0].toObject().value("name").toString(), QStringLiteral("system ID"));
    QCOMPARE(differences[0].toObject().value("file").toInt(), int(file[Word::SystemId]));
    QCOMPARE(differences[0].toObject().value("module").toInt(), int(file[Word::SystemId]) - 1);
    QCOMPARE(differences[1].toObject().value("name").toString(), QStringLiteral("out2 source"));
    QCOMPARE(differences[1].toObject().value("file").toInt(), 3);

    // A module holding a radio cycle the rules do not allow (6 s with a 12 s time-out) is
    // compared as it is, as the window compares it: a write of the same file would change it.
    ConfigWords odd = *sim.image();
    odd[Word::RadioCycle] = 600;
    odd[Word::RadioTimeout] = 1200;
    odd[Word::Checksum] = imageChecksum(odd);
    QVERIFY(writeConfig(path("odd.VMC"), odd));
    SimModule &oddModule = startSim({"--config", path("odd.VMC")});
    const CliRun oddRun = runCli({"diff", "-p", oddModule.device, "odd.VMC", "--json"});
    QCOMPARE(oddRun.exitCode, 5);
    const QJsonArray oddDifferences =
        QJsonDocument::fromJson(oddRun.out.toUtf8()).object().value("differences").toArray();
    QVERIFY(!oddDifferences.isEmpty());
    QCOMPARE(oddDifferences[0].toObject().value("address").toInt(), Word::RadioCycle);
    QCOMPARE(oddDifferences[0].toObject().value("module").toInt(), 600);
}

void TestCli::report_writesThePdfOrHtmlOfAFile()
{
    ConfigWords file = ModuleFirmware::factoryImage();
    file[Word::SystemId] = 77;
    QVERIFY(writeConfig(path("unit.VMC"), file));
    const CliRun html = runCli({"report", "unit.VMC", "-o", "unit.html"});
    QVERIFY2(html.exitCode == 0, qPrintable(html.out + html.err));
    const QString text = QString::fromUtf8(fileBytes(path("unit.html")));
    QVERIFY(text.contains(QStringLiteral("<td>System-ID:</td><td>77</td>")));
    QVERIFY(text.contains(QStringLiteral("<td>Datei:</td><td>unit.VMC</td>")));
    const CliRun pdf = runCli({"report", "unit.VMC", "-o", "unit.pdf"});
    QVERIFY2(pdf.exitCode == 0, qPrintable(pdf.out + pdf.err));
    QVERIFY(fileBytes(path("unit.pdf")).startsWith("%PDF"));
}

void TestCli::recipe_stampsItsFilesOrRefusesThem()
{
    QVERIFY(writeConfig(path("unit.VMC"), ModuleFirmware::factoryImage()));
    QVERIFY(QDir(m_dir->path()).mkpath("line") && QDir(m_dir->path()).mkpath("files"));
    QVERIFY(!demoFirmware(2, "files/update.qvx").isEmpty());
    const CliRun run = runCli({"recipe", "-o", "line/LINE.recipe", "--name", "Linie 1", "--firmware",
                               "files/update.qvx", "--config", "unit.VMC", "--skip-same-firmware", "--json"});
    QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
    const QJsonObject result = QJsonDocument::fromJson(run.out.toUtf8()).object();
    QCOMPARE(result.value("configurationSha256").toString(), QString::fromLatin1(sha256Hex(fileBytes(path("unit.VMC")))));
    // What a station reads back: the files found from the recipe's own folder.
    const LoadedRecipe loaded = loadRecipe(path("line/LINE.recipe"));
    QVERIFY2(loaded.ok(), qPrintable(loaded.error));
    QCOMPARE(loaded.recipe.firmwarePath, QStringLiteral("../files/update.qvx"));
    QCOMPARE(loaded.recipe.configPath, QStringLiteral("../unit.VMC"));
    QVERIFY(loaded.recipe.skipSameFirmware);

    // A configuration that does not load makes no recipe, and leaves none behind.
    QFile::resize(path("unit.VMC"), 100);
    const CliRun refused = runCli({"recipe", "-o", "bad.recipe", "--name", "x", "--config", "unit.VMC"});
    QCOMPARE(refused.exitCode, 3);
    QVERIFY2(refused.err.contains(QStringLiteral("keine gültige Konfigurationsdatei")), qPrintable(refused.err));
    QVERIFY(!QFile::exists(path("bad.recipe")));
}

void TestCli::firmware_leavesProgramMemoryEqualToTheFile_data()
{
    QTest::addColumn<QStringList>("simArguments");
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("fast");
    QTest::newRow("running module") << QStringList{} << 5 << false;
    // Left in its bootloader by an interrupted update: no answer to the boot command, but its
    // start window still comes.
    QTest::newRow("interrupted before") << QStringList{"--incomplete"} << 5 << false;
    // Each reply is waited for, however long the flash takes, never a fixed time.
    QTest::newRow("slow flash") << QStringList{"--flash-ms", "20"} << 5 << false;
    QTest::newRow("whole memory, fast, slow flash") << QStringList{"--flash-ms", "20"} << 161 << true;
    QTest::newRow("fast, interrupted before") << QStringList{"--incomplete"} << 5 << true;
}

void TestCli::firmware_leavesProgramMemoryEqualToTheFile()
{
    QFETCH(QStringList, simArguments);
    QFETCH(int, rows);
    QFETCH(bool, fast);
    SimModule &sim = startSim(simArguments);
    const QString file = demoFirmware(rows);
    QVERIFY(!file.isEmpty());
    QStringList arguments{"firmware", "-p", sim.device, file, "-y"};
    if (fast)
        arguments << "--fast";
    const CliRun run = runCli(arguments);
    QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
    QVERIFY(run.out.contains(QStringLiteral("Firmware-Update abgeschlossen")));
    QVERIFY(run.out.contains(QStringLiteral("rows 100%"))); // plain progress lines, no terminal
    QCOMPARE(run.out.contains(QStringLiteral("no answer to the boot command, waiting for the bootloader")),
             simArguments.contains("--incomplete"));

    FirmwareFile parsed;
    SilentFirmwareReport report;
    QCOMPARE(parsed.parse(FirmwareFile::decode(fileBytes(file)), report), FirmwareFile::Outcome::Usable);
    QList<quint32> instructions;
    for (int a = 0; a < parsed.addressCount(); a += 2)
        instructions << (quint32(parsed.progImage()[size_t(a)]) << 16 | parsed.progImage()[size_t(a + 1)]);
    // The reset that ends the update makes the simulator write its memory.
    QTRY_COMPARE_WITH_TIMEOUT(MemoryFile::difference(sim.memoryFile, instructions), QString(), 5000);
}

void TestCli::firmwareJob_endsWithOneResetFrame()
{
    // In this process, so the module's side of the line can be read.
    ModuleSimulator module;
    QVERIFY(module.open());
    module.setCountdownInterval(200);
    const QString file = demoFirmware(2);
    SilentFirmwareReport report;
    const FirmwareLoad load = loadFirmwareFile(file, report);
    QCOMPARE(load.outcome, FirmwareLoad::Outcome::Usable);
    QString error;
    ModuleJob::Work work;
    work.command = CliOptions::Command::Firmware;
    work.firmware = load.file;
    ModuleJob job(PortTarget::parse(module.devicePath(), &error), work);
    QSignalSpy finished(&job, &ModuleJob::finished);
    job.start();
    QVERIFY(finished.wait(20000));
    QVERIFY2(job.outcome().ok(), qPrintable(job.outcome().message));
    QTRY_VERIFY(!module.bootloaderRunning());
    const QByteArray reset = masked(withChecksum(QByteArray::fromHex("10b0")));
    QVERIFY(!finished.wait(300)); // whatever the job still sends has arrived
    QCOMPARE(module.received().count(reset), 1);
}

void TestCli::qvxInfo_describesFileWithoutAModule_data()
{
    QTest::addColumn<bool>("corrupt");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("checksum");
    QTest::newRow("good") << false << 0 << "good";
    QTest::newRow("checksum bad") << true << 3 << "bad";
}

void TestCli::qvxInfo_describesFileWithoutAModule()
{
    QFETCH(bool, corrupt);
    QFETCH(int, exitCode);
    QFETCH(QString, checksum);
    QString file = demoFirmware(3);
    if (corrupt) {
        QByteArray bytes = fileBytes(file);
        const qsizetype data = bytes.indexOf("\n:", bytes.indexOf("\n:") + 1) + 2;
        bytes[data] = bytes[data] == '1' ? '2' : '1'; // one digit of an instruction
        QFile out(path("corrupt.qvx"));
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size());
        file = out.fileName();
    }
    const CliRun run = runCli({"qvx-info", file, "--json"});
    QCOMPARE(run.exitCode, exitCode);
    const QJsonObject info = QJsonDocument::fromJson(run.out.toUtf8()).object();
    QCOMPARE(info.value("checksum").toString(), checksum);
    QCOMPARE(info.value("version").toString(), QStringLiteral("1.30"));
    QCOMPARE(info.value("startAddress").toString(), QStringLiteral("0x0000"));
    QCOMPARE(info.value("instructions").toInt(), 3 * 64);
    if (!corrupt) {
        QCOMPARE(info.value("rowsToWrite").toInt(), 3);
        QCOMPARE(info.value("pagesToErase").toInt(), 1);
    }
}

void TestCli::ports_listsComPortsAndAdapters()
{
    SimModule &serial = startSim();
    SimModule &adapter = startSim();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("VELKA_COM1", serial.device);
    env.insert("VELKA_COM2", path("nothing-here"));
    env.insert("VELKA_USB_ADAPTERS", QStringLiteral("QVK00042=") + adapter.device);
    const CliRun run = runCli({"ports"}, env);
    QCOMPARE(run.exitCode, 0);
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 5);
    QVERIFY2(lines[0].startsWith(QStringLiteral("COM1")) && lines[0].contains(serial.device)
                 && lines[0].endsWith(QStringLiteral("available")),
             qPrintable(lines[0]));
    QVERIFY2(lines[1].contains(QStringLiteral("not available")), qPrintable(lines[1]));
    QVERIFY2(lines[4].startsWith(QStringLiteral("usb:QVK00042")) && lines[4].contains(adapter.device), qPrintable(lines[4]));

    // The adapter is reached by its serial number.
    const CliRun read = runCli({"read", "-p", "usb:QVK00042", "-o", "a.VMC"}, env);
    QCOMPARE(read.exitCode, 0);
    QCOMPARE(readConfig(path("a.VMC")), adapter.image());
}

void TestCli::failure_endsWithItsExitCodeAndMessage_data()
{
    QTest::addColumn<QStringList>("simArguments");
    QTest::addColumn<QStringList>("arguments"); // "DEV" is the module's device
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    QTest::newRow("silent module") << QStringList{"--fault", "silent"} << QStringList{"read", "-p", "DEV", "-o", "a.VMC"}
                                   << 1 << "Fehler bei Kommunikation: timeout";
    QTest::newRow("bad checksum") << QStringList{"--fault", "bad-checksum"}
                                  << QStringList{"read", "-p", "DEV", "-o", "a.VMC"} << 1
                                  << "fehlerhafte Checksumme in Antwort von Gerät";
    QTest::newRow("verify mismatch") << QStringList{} << QStringList{"write", "-p", "DEV", "-y", "w70.VMC"} << 4
                                     << "!!! FEHLER Verify !!! Adresse [70]: soll:300  ist:44";
    QTest::newRow("refused firmware file") << QStringList{} << QStringList{"firmware", "-p", "DEV", "-y", "nover.qvx"}
                                           << 3 << "Kein Update möglich: die Firmwareversion der Datei hat keinen Punkt";
    QTest::newRow("missing port") << QStringList{} << QStringList{"read", "-p", "/dev/velka-none", "-o", "a.VMC"} << 1
                                  << "Fehler Kommunikationsport: /dev/velka-none";
    QTest::newRow("missing adapter") << QStringList{} << QStringList{"diff", "-p", "usb:QVK99999", "w70.VMC"} << 1
                                     << "USB-Adapter QVK99999 nicht gefunden";
    QTest::newRow("bootloader error reply") << QStringList{"--boot-fault", "1:5=error-reply"}
                                            << QStringList{"firmware", "-p", "DEV", "-y", "update.qvx"} << 1
                                            << "Fehlermeldung [80] vom Gerät erhalten";
    QTest::newRow("not confirmed") << QStringList{} << QStringList{"write", "-p", "DEV", "w70.VMC"} << 2
                                   << "write changes the module: confirm at a terminal or give --yes";
    QTest::newRow("missing file") << QStringList{} << QStringList{"write", "-p", "DEV", "-y", "none.VMC"} << 3
                                  << "Datei nicht gefunden: none.VMC";
    QTest::newRow("usage") << QStringList{} << QStringList{"read", "-p", "DEV"} << 2 << "read needs -o FILE.VMC";
    // The same verdicts when replies are judged as soon as they are whole.
    QTest::newRow("silent module, fast") << QStringList{"--fault", "silent"}
                                         << QStringList{"read", "--fast", "-p", "DEV", "-o", "a.VMC"} << 1
                                         << "Fehler bei Kommunikation: timeout";
    QTest::newRow("bad checksum, fast") << QStringList{"--fault", "bad-checksum"}
                                        << QStringList{"diff", "--fast", "-p", "DEV", "w70.VMC"} << 1
                                        << "fehlerhafte Checksumme in Antwort von Gerät";
    QTest::newRow("trailing bytes, fast") << QStringList{"--fault", "trailing"}
                                          << QStringList{"read", "--fast", "-p", "DEV", "-o", "a.VMC"} << 1
                                          << "fehlerhafte Checksumme in Antwort von Gerät";
    // An output that cannot be made is found before any module is woken.
    QTest::newRow("read into a missing folder") << QStringList{} << QStringList{"read", "-p", "DEV", "-o", "none/a.VMC"}
                                                << 3 << "Datei kann nicht gespeichert werden: none/a.VMC (";
    QTest::newRow("{port} below a file") << QStringList{}
                                         << QStringList{"read", "-p", "DEV", "-p", "COM4", "-o", "w70.VMC/{port}.VMC"}
                                         << 3 << "Datei kann nicht gespeichert werden: w70.VMC/";
    QTest::newRow("report of a firmware file") << QStringList{} << QStringList{"report", "nover.qvx", "-o", "r.pdf"}
                                               << 3 << "Fehler bei Datei Laden: keine gültige Konfigurationsdatei: nover.qvx";
    QTest::newRow("report into a missing folder") << QStringList{} << QStringList{"report", "w70.VMC", "-o", "none/r.pdf"}
                                                  << 3 << "Datei kann nicht gespeichert werden: none/r.pdf (";
    QTest::newRow("{port} names that meet") << QStringList{}
                                            << QStringList{"read", "-p", "DEV", "-p", "PTS", "-o", "{port}.VMC"} << 3
                                            << "(two ports would save to it)";
}

void TestCli::failure_endsWithItsExitCodeAndMessage()
{
    QFETCH(QStringList, simArguments);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    SimModule &sim = startSim(simArguments);
    QVERIFY(!sim.device.isEmpty());
    ConfigWords w70 = *sim.image();
    w70[70] = 300; // the module keeps 8 bits of an even word: 44
    QVERIFY(writeConfig(path("w70.VMC"), w70));
    QVERIFY(!demoFirmware(3).isEmpty());
    QByteArray noPoint = fileBytes(path("update.qvx"));
    noPoint.replace("1.30", "1-30");
    QFile out(path("nover.qvx"));
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(noPoint) == noPoint.size());
    out.close();

    arguments.replaceInStrings(QRegularExpression("^DEV$"), sim.device);
    // The module's device without "/dev/": another port that saves under the same name.
    arguments.replaceInStrings(QRegularExpression("^PTS$"), sim.device.mid(5));
    const CliRun run = runCli(arguments);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2((run.out + run.err).contains(message), qPrintable(run.out + run.err));
    QVERIFY2(!run.err.contains(QStringLiteral("Aborted")), qPrintable(run.err));
    // One line per port, and no line for a file that was refused before any port was touched.
    const int resultLines = int(run.out.split('\n').filter(QRegularExpression("  [0-9]+\\.[0-9]{2} s  ")).size());
    QCOMPARE(resultLines, exitCode == 2 || exitCode == 3 ? 0 : 1);
}

void TestCli::parallelWrite_eachModuleEndsWithItsOwnOutcome()
{
    // Four modules at real line speed; the third never answers.
    for (int i = 0; i < 4; ++i)
        QVERIFY(!startSim(i == 2 ? QStringList{"--pace", "--fault", "silent"} : QStringList{"--pace"}).device.isEmpty());
    ConfigWords file = *m_sims[0]->image();
    const quint16 systemIdBefore = file[Word::SystemId];
    file[Word::SystemId] = 91;
    QVERIFY(writeConfig(path("fleet.VMC"), file));

    QStringList arguments{"write", "fleet.VMC", "--yes", "--json"};
    for (const auto &sim : m_sims)
        arguments << "--port" << sim->device;
    const CliRun run = runCli(arguments);
    QCOMPARE(run.exitCode, 1); // the first port that failed: the silent one
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 4);
    for (int i = 0; i < 4; ++i) {
        const QJsonObject result = QJsonDocument::fromJson(lines[i].toUtf8()).object();
        QCOMPARE(result.value("port").toString(), m_sims[size_t(i)]->device);
        if (i == 2) {
            QCOMPARE(result.value("outcome").toString(), QStringLiteral("communication-failed"));
            QCOMPARE(result.value("message").toString(), QStringLiteral("Fehler bei Kommunikation: timeout"));
            QCOMPARE((*m_sims[2]->image())[Word::SystemId], systemIdBefore);
            continue;
        }
        QCOMPARE(result.value("outcome").toString(), QStringLiteral("ok"));
        QCOMPARE(result.value("verify").toString(), QStringLiteral("ok"));
        QCOMPARE(result.value("serialNumber").toString(), QStringLiteral("12.00345"));
        QCOMPARE(int((*m_sims[size_t(i)]->image())[Word::SystemId]), 91);
    }
}

void TestCli::terminal_asksAndRedrawsProgressInPlace_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("yes") << QByteArray("y\n") << 0;
    QTest::newRow("no") << QByteArray("n\n") << 2;
}

void TestCli::terminal_asksAndRedrawsProgressInPlace()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, exitCode);
    SimModule &first = startSim();
    SimModule &second = startSim();
    QVERIFY(writeConfig(path("unit.VMC"), *first.image()));

    // velka-cli's input and outputs are a terminal; the test types the answer ahead.
    PseudoTerminal terminal;
    QVERIFY(terminal.open());
    QCOMPARE(::write(terminal.masterFd(), answer.constData(), size_t(answer.size())), ssize_t(answer.size()));
    QProcess cli;
    cli.setWorkingDirectory(m_dir->path());
    cli.setStandardInputFile(terminal.devicePath());
    cli.setStandardOutputFile(terminal.devicePath());
    cli.setStandardErrorFile(terminal.devicePath());
    cli.start(QStringLiteral(VELKA_CLI_PATH), {"write", "unit.VMC", "-p", first.device, "-p", second.device});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), exitCode);

    ::fcntl(terminal.masterFd(), F_SETFL, ::fcntl(terminal.masterFd(), F_GETFL) | O_NONBLOCK);
    QByteArray shown;
    char buffer[4096];
    for (ssize_t n; (n = ::read(terminal.masterFd(), buffer, sizeof buffer)) > 0;)
        shown.append(buffer, n);
    QVERIFY2(shown.contains(QByteArray("Write unit.VMC to ") + first.device.toUtf8() + ", "
                            + second.device.toUtf8() + "? [y/N]"),
             shown.constData());
    if (exitCode != 0) {
        QVERIFY(shown.contains("not confirmed, nothing was done"));
        QVERIFY(!shown.contains("reading"));
        return;
    }
    // Two progress lines, drawn again in place (two lines up) at every step.
    QVERIFY2(shown.contains("\x1b[2A\r\x1b[2K"), shown.constData());
    QVERIFY(shown.contains(first.device.toUtf8() + ": verifying"));
    QCOMPARE(shown.count("Verify ok, Gerät neu gestartet"), 2);
}

QTEST_MAIN(TestCli)
#include "tst_cli.moc"
