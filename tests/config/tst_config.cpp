#include "core/config/ConfigImage.h"
#include "core/config/ConsistencyRules.h"
#include "core/config/NumberText.h"
#include "core/workflow/ConfigResults.h"
#include "core/workflow/ImageComparison.h"

#include <QRandomGenerator>
#include <QTest>

#include <array>

using WordValues = QList<QPair<int, int>>;
Q_DECLARE_METATYPE(WordValues)

class TestConfig : public QObject
{
    Q_OBJECT
private slots:
    void defaults_setListedWordsAndZeroElsewhere();
    void firstRefresh_derivesResetTimeSelfSentAndTimerNo2();
    void packing_group15BeforeAndAfterRefresh();
    void packing_roundTripsEvenWordsBelow256();
    void packing_evenWordAbove255TravelsAsLowByte();
    void writeImage_keepsModuleFactoryAndCalibrationWords();
    void writeImage_counterAdvancesAndWraps_data();
    void writeImage_counterAdvancesAndWraps();
    void consistencyRules_data();
    void consistencyRules();
    void timeoutTooShort_data();
    void timeoutTooShort();
    void roleRule_data();
    void roleRule();
    void singleWordDifference_data();
    void singleWordDifference();
    void paddedNumber_data();
    void paddedNumber();
    void fixedPointText_data();
    void fixedPointText();
    void clampedInteger_data();
    void clampedInteger();
    void decimalValue_data();
    void decimalValue();
};

void TestConfig::defaults_setListedWordsAndZeroElsewhere()
{
    ConfigWords image;
    image.fill(0xBEEF);
    setDefaultWords(image);
    const std::map<int, int> expected{{30, 3},  {32, 4},  {33, 250}, {34, 1},  {35, 1200},
                                      {37, 50}, {38, 4},  {39, 170}, {40, 1},  {41, 1},
                                      {42, 2},  {44, 3},  {50, 1},   {51, 50}, {52, 2},
                                      {53, 110}, {100, 4}};
    for (int i = 0; i < ImageWords; ++i) {
        const auto it = expected.find(i);
        QCOMPARE(int(image[i]), it == expected.end() ? 0 : it->second);
    }
}

void TestConfig::firstRefresh_derivesResetTimeSelfSentAndTimerNo2()
{
    ConfigWords image;
    setDefaultWords(image);
    applyConsistencyRules(image);
    QCOMPARE(int(image[31]), 786);
    QCOMPARE(int(image[38]), 5);
    QCOMPARE(int(image[39]), 220);
}

void TestConfig::packing_group15BeforeAndAfterRefresh()
{
    ConfigWords image;
    setDefaultWords(image);
    std::array<quint8, PayloadBytes> payload{};
    packImage(image, payload);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(&payload[45]), 3), QByteArray("\x03\x00\x00", 3));
    applyConsistencyRules(image);
    packImage(image, payload);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(&payload[45]), 3), QByteArray("\x03\x03\x12", 3));
}

void TestConfig::packing_roundTripsEvenWordsBelow256()
{
    QRandomGenerator random(4711);
    for (int round = 0; round < 50; ++round) {
        ConfigWords image;
        for (int i = 0; i < ImageWords; ++i)
            image[i] = quint16(random.bounded(i % 2 == 0 ? 256 : 65536));
        std::array<quint8, PayloadBytes> payload{};
        packImage(image, payload);
        QCOMPARE(unpackImage(payload), image);
    }
}

void TestConfig::packing_evenWordAbove255TravelsAsLowByte()
{
    ConfigWords config{};
    config[70] = 300;
    const ConfigWords written = prepareWriteImage(config, ConfigWords{}, {1, 1, 26});
    QCOMPARE(int(written[70]), 300);
    QCOMPARE(written[255], imageChecksum(written));

    std::array<quint8, PayloadBytes> payload{};
    packImage(written, payload);
    QCOMPARE(int(payload[3 * 35]), 44);
    QCOMPARE(int(unpackImage(payload)[70]), 44);
}

void TestConfig::writeImage_keepsModuleFactoryAndCalibrationWords()
{
    ConfigWords config;
    ConfigWords module;
    for (int i = 0; i < ImageWords; ++i) {
        config[i] = quint16(1000 + i);
        module[i] = quint16(5000 + i);
    }
    const ConfigWords written = prepareWriteImage(config, module, {9, 12, 26});

    for (int i = 0; i < ImageWords; ++i) {
        if (i == 1 || i == 2 || i == 3 || i == 255)
            continue;
        const ConfigWords &source = (i <= 29) ? module : config;
        QCOMPARE(written[i], source[i]);
    }
    QCOMPARE(int(written[1]), 5001 + 1);
    QCOMPARE(int(written[2]), 9);
    QCOMPARE(int(written[3]), 12 * 256 + 26);
    quint32 sum = 0;
    for (int i = 0; i < 255; ++i)
        sum += written[i];
    QCOMPARE(int(written[255]), int(sum & 0xFFFF));
}

void TestConfig::writeImage_counterAdvancesAndWraps_data()
{
    QTest::addColumn<int>("moduleCounter");
    QTest::addColumn<int>("writtenCounter");
    QTest::newRow("first write") << 0 << 1;
    QTest::newRow("seventh") << 7 << 8;
    QTest::newRow("last before the wrap") << 65534 << 65535;
    QTest::newRow("wraps") << 65535 << 0;
}

void TestConfig::writeImage_counterAdvancesAndWraps()
{
    QFETCH(int, moduleCounter);
    QFETCH(int, writtenCounter);
    ConfigWords module{};
    module[1] = quint16(moduleCounter);
    ConfigWords config{};
    config[1] = 4242; // the PC's copy never decides the counter
    QCOMPARE(int(prepareWriteImage(config, module, {1, 1, 0})[1]), writtenCounter);
}

void TestConfig::consistencyRules_data()
{
    QTest::addColumn<WordValues>("given");
    QTest::addColumn<WordValues>("expected");
    // Words not named start from the defaults.
    QTest::newRow("short radio timeout") << WordValues{{35, 100}} << WordValues{{35, 250}, {31, 150}};
    QTest::newRow("timeout 250 is the floor") << WordValues{{35, 250}} << WordValues{{35, 250}, {31, 150}};
    QTest::newRow("timeout 251 derives reset") << WordValues{{35, 251}} << WordValues{{35, 251}, {31, 243}};
    QTest::newRow("timeout 7500") << WordValues{{35, 7500}} << WordValues{{31, 4386}};
    QTest::newRow("timeout 7501") << WordValues{{35, 7501}} << WordValues{{31, 4400}};
    QTest::newRow("cycle too long") << WordValues{{33, 500}, {35, 1200}}
                                    << WordValues{{33, 400}, {39, 370}, {38, 8}};
    QTest::newRow("cycle too short") << WordValues{{33, 50}, {35, 1200}}
                                     << WordValues{{33, 90}, {39, 60}, {38, 1}};
    QTest::newRow("rs485 cycle") << WordValues{{51, 60}, {53, 110}} << WordValues{{51, 73}};
    // Just above a third of the timeout the cycle is cut to the nearest third, just below kept.
    QTest::newRow("radio cycle 401 of 1201") << WordValues{{33, 401}, {35, 1201}}
                                             << WordValues{{33, 400}, {39, 370}, {38, 8}};
    QTest::newRow("radio cycle 399 kept") << WordValues{{33, 399}} << WordValues{{33, 399}, {39, 369}, {38, 7}};
    QTest::newRow("radio cycle 89") << WordValues{{33, 89}} << WordValues{{33, 90}, {39, 60}, {38, 1}};
    QTest::newRow("rs485 cycle half of 110") << WordValues{{51, 55}, {53, 110}} << WordValues{{51, 73}};
    QTest::newRow("rs485 cycle below half of 111") << WordValues{{51, 55}, {53, 111}} << WordValues{{51, 55}};
    QTest::newRow("rs485 cycle 4") << WordValues{{51, 4}} << WordValues{{51, 5}};
    QTest::newRow("rs485 cycle 6 kept") << WordValues{{51, 6}} << WordValues{{51, 6}};
    QTest::newRow("rs485 timeout 0") << WordValues{{53, 0}} << WordValues{{51, 5}, {53, 0}};
    QTest::newRow("timerNo1") << WordValues{{37, 10}} << WordValues{{37, 50}};
    QTest::newRow("timerNo1 49") << WordValues{{37, 49}} << WordValues{{37, 50}};
    QTest::newRow("timerNo1 51 kept") << WordValues{{37, 51}} << WordValues{{37, 51}};
    QTest::newRow("addresses") << WordValues{{40, 0}, {42, 0}, {44, 250}, {46, 100}, {48, 99}}
                               << WordValues{{40, 1}, {42, 0}, {44, 99}, {46, 99}, {48, 99}};
    QTest::newRow("master 100") << WordValues{{40, 100}} << WordValues{{40, 99}};
    QTest::newRow("master 99, every slave 100")
        << WordValues{{40, 99}, {42, 100}, {44, 100}, {46, 100}, {48, 100}}
        << WordValues{{40, 99}, {42, 99}, {44, 99}, {46, 99}, {48, 99}};
    QTest::newRow("analogue sources") << WordValues{{62, 7}, {64, 4}} << WordValues{{62, 0}, {64, 4}};
    QTest::newRow("analogue sources 4 and 5") << WordValues{{62, 4}, {64, 5}} << WordValues{{62, 4}, {64, 0}};
    QTest::newRow("untouched words keep even 300") << WordValues{{70, 300}, {36, 9}, {100, 9}}
                                                   << WordValues{{70, 300}, {36, 9}, {100, 9}};
}

void TestConfig::consistencyRules()
{
    QFETCH(WordValues, given);
    QFETCH(WordValues, expected);
    ConfigWords image;
    setDefaultWords(image);
    for (const auto &[address, value] : given)
        image[address] = quint16(value);
    applyConsistencyRules(image);
    for (const auto &[address, value] : expected)
        QVERIFY2(image[address] == value,
                 qPrintable(QStringLiteral("word %1 is %2, expected %3").arg(address).arg(image[address]).arg(value)));
}

void TestConfig::timeoutTooShort_data()
{
    QTest::addColumn<int>("cycle51");
    QTest::addColumn<int>("timeout53");
    QTest::addColumn<int>("cycle33");
    QTest::addColumn<int>("timeout35");
    QTest::addColumn<bool>("rs485Red");
    QTest::addColumn<bool>("radioRed");
    QTest::newRow("defaults") << 50 << 110 << 250 << 1200 << false << false;
    QTest::newRow("rs485 at the limit") << 55 << 110 << 250 << 1200 << true << false;
    QTest::newRow("rs485 2x55 < 111") << 55 << 111 << 250 << 1200 << false << false;
    QTest::newRow("radio 4x150 = 600") << 50 << 110 << 150 << 600 << false << true;
    QTest::newRow("radio 4x150 < 601") << 50 << 110 << 150 << 601 << false << false;
    QTest::newRow("radio 4x160 >= 600") << 50 << 110 << 160 << 600 << false << true;
    QTest::newRow("radio 4x149 < 600") << 50 << 110 << 149 << 600 << false << false;
}

void TestConfig::timeoutTooShort()
{
    QFETCH(int, cycle51);
    QFETCH(int, timeout53);
    QFETCH(int, cycle33);
    QFETCH(int, timeout35);
    ConfigWords image{};
    image[51] = quint16(cycle51);
    image[53] = quint16(timeout53);
    image[33] = quint16(cycle33);
    image[35] = quint16(timeout35);
    QTEST(rs485TimeoutTooShort(image), "rs485Red");
    QTEST(radioTimeoutTooShort(image), "radioRed");
}

void TestConfig::roleRule_data()
{
    QTest::addColumn<int>("bits41");
    QTest::addColumn<int>("station");
    QTest::addColumn<int>("expected");
    QTest::newRow("master") << 0x0001 << 5 << 0;
    QTest::newRow("master with RS485") << 0x0003 << 5 << 0;
    QTest::newRow("slave with RS485") << 0x0002 << 5 << 5;
    QTest::newRow("slave, other bits set") << 0xFFFE << 7 << 7;
}

void TestConfig::roleRule()
{
    QFETCH(int, bits41);
    QFETCH(int, station);
    ConfigWords image{};
    image[41] = quint16(bits41);
    image[36] = quint16(station);
    applyRoleRule(image);
    QTEST(int(image[36]), "expected");
}

void TestConfig::singleWordDifference_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<bool>("compared"); // the comparison leaves out words 0..29 and 255
    QTest::newRow("word 0") << 0 << false;
    QTest::newRow("word 29") << 29 << false;
    QTest::newRow("word 30") << 30 << true;
    QTest::newRow("word 254") << 254 << true;
    QTest::newRow("word 255") << 255 << false;
}

void TestConfig::singleWordDifference()
{
    QFETCH(int, address);
    QFETCH(bool, compared);
    ConfigWords ours;
    setDefaultWords(ours);
    ConfigWords module = ours;
    module[address] = quint16(ours[address] + 7);

    const QList<WordDifference> differences = compareImages(ours, module);
    QCOMPARE(differences.size(), compared ? 1 : 0);
    if (compared) {
        QCOMPARE(differences[0].address, address);
        QCOMPARE(int(differences[0].ours), int(ours[address]));
        QCOMPARE(int(differences[0].module), int(module[address]));
    }
    // The verify read checks every word, the factory words and the checksum too.
    const QList<VerifyDifference> verified = verifyDifferences(ours, module);
    QCOMPARE(verified.size(), 1);
    QVERIFY(verified[0] == (VerifyDifference{address, ours[address], module[address]}));
}

void TestConfig::paddedNumber_data()
{
    QTest::addColumn<int>("digits");
    QTest::addColumn<QChar>("fill");
    QTest::addColumn<qint64>("data");
    QTest::addColumn<QString>("expected");
    QTest::newRow("blank pad") << 3 << QChar(' ') << qint64(5) << "  5";
    QTest::newRow("zero pad") << 5 << QChar('0') << qint64(345) << "00345";
    QTest::newRow("exact") << 2 << QChar('0') << qint64(13) << "13";
    QTest::newRow("never cut") << 3 << QChar(' ') << qint64(65535) << "65535";
    QTest::newRow("zero") << 4 << QChar('0') << qint64(0) << "0000";
}

void TestConfig::paddedNumber()
{
    QFETCH(int, digits);
    QFETCH(QChar, fill);
    QFETCH(qint64, data);
    QTEST(::paddedNumber(digits, fill, data), "expected");
}

void TestConfig::fixedPointText_data()
{
    QTest::addColumn<double>("wert");
    QTest::addColumn<int>("hinten");
    QTest::addColumn<QString>("einheit");
    QTest::addColumn<QString>("expected");
    QTest::newRow("cycle") << 2.5 << 3 << " s" << "  2,500 s";
    QTest::newRow("timeout") << 12.0 << 3 << " s" << " 12,000 s";
    QTest::newRow("hundredths") << 0.07 << 3 << " s" << "  0,070 s";
    QTest::newRow("largest word") << 655.35 << 3 << " s" << "655,350 s";
    QTest::newRow("rounds the fraction") << 1.23456 << 3 << "" << "  1,235";
    QTest::newRow("rounding carries into the integer part") << 2.9996 << 3 << "" << "  3,000";
    QTest::newRow("clamped to maxwert") << 123456.0 << 3 << " s" << "99999,000 s";
    QTest::newRow("one decimal") << 7.25 << 1 << "" << "  7,2"; // exact half to even
}

void TestConfig::fixedPointText()
{
    QFETCH(double, wert);
    QFETCH(int, hinten);
    QFETCH(QString, einheit);
    QTEST(::fixedPointText(wert, 99999, 3, hinten, QLatin1Char(' '), einheit), "expected");
}

void TestConfig::clampedInteger_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("max");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("plain") << "42" << qint64(255) << qint64(42);
    QTest::newRow("leading blanks") << "   12" << qint64(255) << qint64(12);
    QTest::newRow("trailing blank") << "3 " << qint64(255) << qint64(0);
    QTest::newRow("clamped") << "300" << qint64(255) << qint64(255);
    QTest::newRow("negative") << "-5" << qint64(255) << qint64(0);
    QTest::newRow("plus sign") << "+7" << qint64(255) << qint64(7);
    QTest::newRow("dollar hex") << "$1F" << qint64(255) << qint64(31);
    QTest::newRow("x hex") << "x1f" << qint64(255) << qint64(31);
    QTest::newRow("X hex") << "X10" << qint64(65535) << qint64(16);
    QTest::newRow("0x hex") << "0x1F" << qint64(255) << qint64(31);
    QTest::newRow("0X is not a prefix") << "0X1F" << qint64(255) << qint64(0);
    QTest::newRow("hex without digits") << "$" << qint64(255) << qint64(0);
    QTest::newRow("letters") << "abc" << qint64(255) << qint64(0);
    QTest::newRow("empty") << "" << qint64(255) << qint64(0);
    QTest::newRow("largest 64-bit") << "9223372036854775807" << qint64(65535) << qint64(65535);
    QTest::newRow("64-bit overflow") << "9223372036854775808" << qint64(65535) << qint64(0);
    QTest::newRow("decimal point") << "2.5" << qint64(255) << qint64(0);
}

void TestConfig::clampedInteger()
{
    QFETCH(QString, text);
    QFETCH(qint64, max);
    QTEST(::clampedInteger(text, max), "expected");
}

void TestConfig::decimalValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("point") << "2.5" << 2.5;
    QTest::newRow("comma with unit") << "2,5 s" << 2.5;
    QTest::newRow("shown format") << "  2,500 s" << 2.5;
    QTest::newRow("leading sign") << "-1" << -1.0;
    QTest::newRow("exponent") << "1e2" << 100.0;
    QTest::newRow("no digits") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("two separators") << "1.234,5" << 0.0;
}

void TestConfig::decimalValue()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(::decimalValue(text), expected);
}

QTEST_APPLESS_MAIN(TestConfig)
#include "tst_config.moc"
