// The simulated module as a device, its application side, and the velka-sim program's options:
// driven through a plain QSerialPort on its pseudo-terminal, without the tool's link, so the two
// do not vouch for each other. The bootloader has tests of its own (tst_simbootloader).
#include "ModuleSimulator.h"
#include "SimProcess.h"
#include "SimTestSupport.h"
#include "core/config/ConfigImage.h"
#include "core/firmware/FirmwareFile.h"
#include "core/firmware/FirmwareReport.h"
#include "core/firmware/RowTable.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

using namespace SimTest;

class TestSim : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void factoryImage_isPlausible();
    void rejectedFrames_getNoAnswer_data();
    void rejectedFrames_getNoAnswer();
    void writeThenRead_returnsImageWithEvenWordsCut();
    void faultModes_shapeTheAnswer_data();
    void faultModes_shapeTheAnswer();
    void pacingAndDelay_takeTheirTime_data();
    void pacingAndDelay_takeTheirTime();
    void vanish_closesTheLineAfterHalfTheAnswer();

    void program_printsPathServesOptionsAndStopsOnTerm();
    void program_refusesConfigItCannotRead_data();
    void program_refusesConfigItCannotRead();
    void program_writesDemoFirmwareFile_data();
    void program_writesDemoFirmwareFile();
    void program_refusesDemoFirmwareItCannotWrite_data();
    void program_refusesDemoFirmwareItCannotWrite();
    void program_usbSerial_printsPathThenAdapterPair();
    void program_usbSerial_refusesWhatTheListCannotHold_data();
    void program_usbSerial_refusesWhatTheListCannotHold();

private:
    std::unique_ptr<ModuleSimulator> m_sim;
    std::unique_ptr<Line> m_line;
};

void TestSim::init()
{
    m_sim = std::make_unique<ModuleSimulator>();
    QVERIFY(m_sim->open());
    m_line = std::make_unique<Line>();
    QVERIFY(m_line->open(m_sim->devicePath()));
}

void TestSim::cleanup()
{
    m_line.reset();
    m_sim.reset();
}

void TestSim::factoryImage_isPlausible()
{
    const ConfigWords image = m_sim->module().image();
    QCOMPARE(image[1], quint16(7));
    QCOMPARE(image[2], quint16(5));
    QCOMPARE(image[3], quint16(0x030D));
    QCOMPARE(image[5], quint16(345));
    QCOMPARE(image[7], quint16(1234));
    QCOMPARE(image[9], quint16(12));
    for (int w = 20; w <= 29; ++w)
        QVERIFY(image[w] != 0);
    QCOMPARE(image[31], quint16(786)); // defaults after the consistency rules
    QCOMPARE(image[35], quint16(1200));
    QCOMPARE(image[38], quint16(5));
    QCOMPARE(image[255], imageChecksum(image));
    for (int w = 0; w < 256; w += 2)
        QVERIFY(image[w] <= 255);
}

void TestSim::rejectedFrames_getNoAnswer_data()
{
    QTest::addColumn<QByteArray>("rejected");
    QByteArray badChecksum = request('!', "\0\0\0\x80");
    badChecksum[badChecksum.size() - 1] = char(badChecksum.back() ^ 1);
    QTest::newRow("bad checksum") << badChecksum;
    QTest::newRow("boot without guard") << request('w', "BOOX");
    QTest::newRow("unknown command") << request('Z');
}

void TestSim::rejectedFrames_getNoAnswer()
{
    QFETCH(QByteArray, rejected);
    QSignalSpy answered(m_sim.get(), &ModuleSimulator::answered);
    // Followed by a good request: the only answer must be that one's.
    const QByteArray reply = m_line->exchange(rejected + request('a'), 6);
    QCOMPARE(reply.toHex(), QByteArray("ff610028fe77"));
    QCOMPARE(answered.count(), 1);
    QCOMPARE(m_sim->received(), rejected + request('a'));
}

void TestSim::writeThenRead_returnsImageWithEvenWordsCut()
{
    ConfigWords written;
    QRandomGenerator random(77);
    for (quint16 &w : written)
        w = quint16(random.bounded(65536));
    std::array<quint8, PayloadBytes> payload;
    packImage(written, payload);

    QCOMPARE(m_line->exchange(request('1', "\x01\0\x01\x80"), 6).toHex(), QByteArray("ff320000fece"));
    const QByteArray data = frame(QByteArray("\xFF\x33", 2) + QByteArray(reinterpret_cast<const char *>(payload.data()), 384));
    QCOMPARE(m_line->exchange(data, 6).toHex(), QByteArray("ff340000fecc"));
    const QByteArray reply = m_line->exchange(request('!', "\0\0\0\x80"), 390);
    QCOMPARE(reply.size(), 390);
    QCOMPARE(reply.left(4).toHex(), QByteArray("ff220128"));
    QCOMPARE(frame(reply.left(388)), reply);

    std::array<quint8, PayloadBytes> readPayload;
    std::copy_n(reinterpret_cast<const quint8 *>(reply.constData()) + 4, 384, readPayload.begin());
    const ConfigWords read = unpackImage(readPayload);
    for (int w = 0; w < 256; ++w)
        QCOMPARE(read[w], w % 2 == 0 ? quint16(written[w] & 0xFF) : written[w]);
    QCOMPARE(m_sim->module().image(), read);
}

void TestSim::faultModes_shapeTheAnswer_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArray>("answer"); // to the RSSI request, module RSSI 40
    QTest::newRow("none") << "none" << QByteArray("ff610028fe77");
    QTest::newRow("wrong start") << "wrong-start" << QByteArray("fe610028fe77");
    QTest::newRow("bad checksum") << "bad-checksum" << QByteArray("ff610028fe2d");
    QTest::newRow("truncated") << "truncated" << QByteArray("ff6100");
    QTest::newRow("trailing") << "trailing:2" << QByteArray("ff610028fe77a5a5");
    QTest::newRow("other command") << "other-command:51" << QByteArray("ff510028fe87");
}

void TestSim::faultModes_shapeTheAnswer()
{
    QFETCH(QString, fault);
    QFETCH(QByteArray, answer);
    m_sim->setFault('a', *SimFault::parse(fault), 1);
    m_line->exchange(request('a'), 1);
    QTRY_COMPARE(m_sim->sentCount(), qint64(answer.size() / 2));
    QTRY_COMPARE(m_line->collect().toHex(), answer);
    // Only once: the next answer is right again.
    QCOMPARE(m_line->exchange(request('a'), 6).toHex(), QByteArray("ff610028fe77"));
}

void TestSim::pacingAndDelay_takeTheirTime_data()
{
    QTest::addColumn<bool>("paced");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("minimumMs");
    // 58 bytes in and 390 out at 3840 bytes/s.
    QTest::newRow("paced read") << true << "none" << 110;
    QTest::newRow("delayed read") << false << "delay:300" << 300;
}

void TestSim::pacingAndDelay_takeTheirTime()
{
    QFETCH(bool, paced);
    QFETCH(QString, fault);
    QFETCH(int, minimumMs);
    m_sim->setPaced(paced);
    m_sim->setFaultForAll(*SimFault::parse(fault));
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(m_line->exchange(request('!', "\0\0\0\x80"), 390).size(), 390);
    QVERIFY2(clock.elapsed() >= minimumMs, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(clock.elapsed() < minimumMs + 1000);
}

void TestSim::vanish_closesTheLineAfterHalfTheAnswer()
{
    m_sim->setFault('!', *SimFault::parse(u"vanish"));
    QSignalSpy vanished(m_sim.get(), &ModuleSimulator::vanished);
    QSignalSpy errors(&m_line->port, &QSerialPort::errorOccurred);
    QCOMPARE(m_line->exchange(request('!', "\0\0\0\x80"), 195).size(), 195);
    QTRY_COMPARE(vanished.count(), 1);
    QVERIFY(!m_sim->isOpen());
    QTRY_VERIFY(!errors.isEmpty() && errors.last().first().value<QSerialPort::SerialPortError>() != QSerialPort::NoError);
}

void TestSim::program_printsPathServesOptionsAndStopsOnTerm()
{
    QTemporaryFile config;
    QVERIFY(config.open());
    QByteArray text = ">>DATA\r\n";
    for (int w = 0; w < 256; ++w)
        text += QByteArray::number(w == 1 ? 4242 : 0) + "\r\n";
    config.write(text + "<<DATA\r\n");
    config.close();

    QProcess program;
    program.start(QStringLiteral(VELKA_SIM_PATH), {QStringLiteral("--rssi"), QStringLiteral("91"), QStringLiteral("--firmware"),
                                                   QStringLiteral("02.05"), QStringLiteral("--config"), config.fileName()});
    QVERIFY(program.waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(program.canReadLine(), 5000);
    const QString device = QString::fromLocal8Bit(program.readLine()).trimmed();
    QVERIFY2(device.startsWith(QLatin1String("/dev/")), qPrintable(device));

    Line line;
    QVERIFY(line.open(device));
    QCOMPARE(line.exchange(request('a'), 6).mid(3, 1).toHex(), QByteArray("5b"));
    const QByteArray reply = line.exchange(request('!', "\0\0\0\x80"), 390);
    QCOMPARE(reply.mid(4, 3).toHex(), QByteArray("001092")); // word 1 = 4242
    QCOMPARE(line.exchange(request('w', "BOOT"), 6).mid(2, 2).toHex(), QByteArray("0205"));

    program.terminate();
    QVERIFY(program.waitForFinished(5000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
}

namespace {
// Runs velka-sim to completion; its exit code, or -1 when it did not end by itself.
int runSimProgram(const QStringList &arguments)
{
    QProcess program;
    program.start(QStringLiteral(VELKA_SIM_PATH), arguments);
    if (!program.waitForFinished(10000) || program.exitStatus() != QProcess::NormalExit)
        return -1;
    return program.exitCode();
}
} // namespace

void TestSim::program_writesDemoFirmwareFile_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("version");
    QTest::addColumn<int>("rows");
    QTest::newRow("defaults") << QStringList{} << "1.30" << 20;
    QTest::newRow("one row") << QStringList{"--firmware-rows", "1", "--firmware-version", "2.07"} << "2.07" << 1;
    QTest::newRow("full image") << QStringList{"--firmware-version", "12.345", "--firmware-rows", "161"} << "12.345"
                                << 161;
}

void TestSim::program_writesDemoFirmwareFile()
{
    QFETCH(QStringList, options);
    QFETCH(QString, version);
    QFETCH(int, rows);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("demo.qvx"));
    QCOMPARE(runSimProgram(QStringList{QStringLiteral("--write-firmware"), path} + options), 0);

    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    SilentFirmwareReport report;
    FirmwareFile file;
    QCOMPARE(file.parse(FirmwareFile::decode(written.readAll()), report), FirmwareFile::Outcome::Usable);
    QCOMPARE(file.versionText(), version);
    QCOMPARE(file.fileVersionMajor(), version.section(QLatin1Char('.'), 0, 0).toInt());
    QCOMPARE(file.fileVersionMinor(), version.section(QLatin1Char('.'), 1).toInt());
    QCOMPARE(file.startAddress(), quint16(0));
    QCOMPARE(int(file.addressCount()), rows * 128);
    // The reset vector at address 0: goto 0x0200.
    QCOMPARE(file.progImage()[0], quint16(0x04));
    QCOMPARE(file.progImage()[1], quint16(0x0200));
    RowTable table;
    QVERIFY(table.build(file, report));
    QCOMPARE(table.rowCount(), rows);
    QCOMPARE(table.rowsToWrite(), rows);
    // Not the code the simulated module starts with, or the update would change nothing.
    const std::vector<quint32> old = ModuleBootloader::oldFirmware();
    int differing = 0;
    for (int i = 0; i < rows * 64; ++i)
        differing += (quint32(file.progImage()[2 * i]) << 16 | file.progImage()[2 * i + 1]) != old[size_t(i)];
    QVERIFY2(differing > rows * 32, qPrintable(QString::number(differing)));
}

void TestSim::program_refusesDemoFirmwareItCannotWrite_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::newRow("no rows") << QStringList{"--firmware-rows", "0"};
    QTest::newRow("more rows than the module takes") << QStringList{"--firmware-rows", "162"};
    QTest::newRow("version without a point") << QStringList{"--firmware-version", "130"};
    QTest::newRow("version no number") << QStringList{"--firmware-version", "1.3x"};
}

void TestSim::program_refusesDemoFirmwareItCannotWrite()
{
    QFETCH(QStringList, options);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("demo.qvx"));
    QCOMPARE(runSimProgram(QStringList{QStringLiteral("--write-firmware"), path} + options), 2);
    QVERIFY(!QFile::exists(path));
}

void TestSim::program_refusesConfigItCannotRead_data()
{
    QTest::addColumn<QString>("config");
    QTest::addColumn<QString>("reason");
    QTest::newRow("device") << "/dev/zero" << "keine gewöhnliche Datei: /dev/zero";
    QTest::newRow("folder") << "/" << "keine gewöhnliche Datei: /";
    QTest::newRow("missing") << "/nonexistent/plant.VMC" << "Datei nicht gefunden: /nonexistent/plant.VMC";
}

void TestSim::program_refusesConfigItCannotRead()
{
    QFETCH(QString, config);
    QFETCH(QString, reason);
    QProcess program;
    program.start(QStringLiteral(VELKA_SIM_PATH), {QStringLiteral("--config"), config});
    // A device read whole would never end: the refusal comes at once.
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitCode(), 2);
    QCOMPARE(program.readAllStandardOutput(), QByteArray()); // no line was opened
    QCOMPARE(QString::fromUtf8(program.readAllStandardError()), QStringLiteral("velka-sim: --config: ") + reason + '\n');
}

void TestSim::program_usbSerial_printsPathThenAdapterPair()
{
    QProcess program;
    const QString device = startSimulatorProcess(program, QStringLiteral(VELKA_SIM_PATH),
                                                 {QStringLiteral("--usb-serial"), QStringLiteral("QVK00042")});
    QVERIFY2(device.startsWith(QLatin1String("/dev/")), qPrintable(device));
    QByteArray errors;
    QTRY_VERIFY_WITH_TIMEOUT((errors += program.readAllStandardError()).endsWith('\n'), 5000);
    QCOMPARE(errors, "VELKA_USB_ADAPTERS=QVK00042=" + device.toLocal8Bit() + '\n');

    // Only the announcement differs: the module answers on that line as always.
    Line line;
    QVERIFY(line.open(device));
    QCOMPARE(line.exchange(request('a'), 6).toHex(), QByteArray("ff610028fe77"));

    program.terminate();
    QVERIFY(program.waitForFinished(5000));
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(program.readAllStandardError(), QByteArray());
}

void TestSim::program_usbSerial_refusesWhatTheListCannotHold_data()
{
    QTest::addColumn<QString>("serial");
    QTest::newRow("empty") << "";
    QTest::newRow("comma") << "QVK1,QVK2";
    QTest::newRow("equals sign") << "QVK1=2";
    QTest::newRow("space") << "QVK 1";
}

void TestSim::program_usbSerial_refusesWhatTheListCannotHold()
{
    QFETCH(QString, serial);
    QProcess program;
    program.start(QStringLiteral(VELKA_SIM_PATH), {QStringLiteral("--usb-serial"), serial});
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 2);
    QCOMPARE(program.readAllStandardOutput(), QByteArray()); // no device path: nothing was opened
    QVERIFY(program.readAllStandardError().startsWith("velka-sim: --usb-serial"));
}

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"
