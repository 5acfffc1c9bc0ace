// The simulated module as a device: driven through a plain QSerialPort on its pseudo-terminal,
// without the tool's link, so the two do not vouch for each other.
#include "ModuleSimulator.h"
#include "core/config/ConfigImage.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryFile>
#include <QTest>

namespace {

// A frame as the tool would build it, with the checksum worked out here.
QByteArray frame(QByteArray bytes)
{
    quint16 sum = 0;
    for (const char c : bytes)
        sum = quint16(sum + quint8(c));
    sum = quint16(~sum);
    return bytes.append(char(sum >> 8)).append(char(sum & 0xFF));
}

QByteArray request(char command, const char *parameters = "\0\0\0\0")
{
    return QByteArray(50, '\0') + frame(QByteArray(1, char(0xFF)) + command + QByteArray(parameters, 4));
}

// The tool's side of the line.
class Line
{
public:
    bool open(const QString &device)
    {
        port.setPortName(device);
        port.setBaudRate(38400);
        return port.open(QIODevice::ReadWrite);
    }
    // Sends `bytes` and collects until `expected` bytes are in (or `ms` passed).
    QByteArray exchange(const QByteArray &bytes, int expected, int ms = 3000)
    {
        received.clear();
        port.write(bytes);
        (void)QTest::qWaitFor([&] {
            received += port.readAll();
            return received.size() >= expected;
        }, ms);
        return received;
    }
    QByteArray collect()
    {
        received += port.readAll();
        return received;
    }

    QSerialPort port;
    QByteArray received;
};

} // namespace

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
    QCOMPARE(line.exchange(request('w', "BOOT"), 6).mid(2, 2).toHex(), QByteArray("0205"));
    const QByteArray reply = line.exchange(request('!', "\0\0\0\x80"), 390);
    QCOMPARE(reply.mid(4, 3).toHex(), QByteArray("001092")); // word 1 = 4242

    program.terminate();
    QVERIFY(program.waitForFinished(5000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"
