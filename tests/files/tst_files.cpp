#include "ConfigFileChecks.h"
#include "core/config/ConfigImage.h"
#include "core/files/ConfigFile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>

class TestFiles : public QObject
{
    Q_OBJECT
private slots:
    void saved_has264LinesEndingCrLfWithVersion();
    void saveThenRead_restoresRandomImages();
    void read_data();
    void read();
    void fuzzCorpus_holdsTogetherAndSeedsAsNamed_data();
    void fuzzCorpus_holdsTogetherAndSeedsAsNamed();
};

namespace {
ConfigWords numbered()
{
    ConfigWords image;
    for (int i = 0; i < ImageWords; ++i)
        image[i] = quint16(i * 257);
    return image;
}

QStringList dataLines(const ConfigWords &image)
{
    QStringList lines;
    for (quint16 word : image)
        lines << QString::number(word);
    return lines;
}
} // namespace

void TestFiles::saved_has264LinesEndingCrLfWithVersion()
{
    const QByteArray bytes = ConfigFile::encode(ConfigFile::build(numbered()));
    QCOMPARE(bytes.count("\r\n"), 264);
    QVERIFY(bytes.endsWith("<<COMMENT\r\n"));
    QCOMPARE(bytes.count('\n'), 264); // no bare line feeds
    QCOMPARE(bytes.count('\r'), 264);
    const QList<QByteArray> lines = bytes.split('\n');
    QCOMPARE(lines[0], QByteArray(">>DATA\r"));
    QCOMPARE(lines[1 + 255], QByteArray("65535\r"));
    QCOMPARE(lines[257], QByteArray("<<DATA\r"));
    QCOMPARE(lines[259], QByteArray("1.30\r"));
    QVERIFY(lines[262].endsWith(" 03/2013\r"));
    QCOMPARE(lines[263], QByteArray("<<COMMENT\r"));
}

void TestFiles::saveThenRead_restoresRandomImages()
{
    QRandomGenerator random(20261209);
    for (int round = 0; round < 300; ++round) {
        ConfigWords image;
        for (quint16 &word : image)
            word = quint16(random.bounded(65536));
        const auto back = ConfigFile::read(ConfigFile::decode(ConfigFile::encode(ConfigFile::build(image))));
        QVERIFY(back);
        QCOMPARE(*back, image);
    }
}

void TestFiles::read_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<int>("word0");

    const QStringList plain = dataLines(numbered());
    QTest::newRow("bare numbers") << plain << true << 0;
    QTest::newRow("last data marker wins")
        << (QStringList{">>DATA", "1", "2"} + QStringList{">>DATA"} + plain + QStringList{"<<DATA"})
        << true << 0;
    QTest::newRow("marker with blank is no marker")
        << (QStringList{"77"} + plain.mid(1) + QStringList{">>DATA "}) << true << 77;
    QTest::newRow("255 values") << (QStringList{">>DATA"} + plain.mid(1)) << false << 0;
    auto with = [&](const QString &first) {
        QStringList lines = plain;
        lines[0] = first;
        return QStringList{">>DATA"} + lines;
    };
    QTest::newRow("leading blank") << with(" 12") << true << 12;
    QTest::newRow("trailing blank") << with("12 ") << false << 0;
    QTest::newRow("dollar hex") << with("$FF") << true << 255;
    QTest::newRow("0x hex") << with("0x10") << true << 16;
    QTest::newRow("minus one") << with("-1") << true << 65535;
    QTest::newRow("above 16 bits") << with("70000") << true << 4464;
    QTest::newRow("largest 32-bit") << with("2147483647") << true << 65535;
    QTest::newRow("smallest 32-bit") << with("-2147483648") << true << 0;
    QTest::newRow("beyond 32 bits") << with("2147483648") << false << 0;
    QTest::newRow("empty line") << with("") << false << 0;
    QTest::newRow("decimal point") << with("1.5") << false << 0;
}

void TestFiles::read()
{
    QFETCH(QStringList, lines);
    QFETCH(bool, taken);
    const auto image = ConfigFile::read(lines);
    QCOMPARE(bool(image), taken);
    if (taken) {
        QTEST(int((*image)[0]), "word0");
        QCOMPARE(int((*image)[255]), 65535);
    }
}

void TestFiles::fuzzCorpus_holdsTogetherAndSeedsAsNamed_data()
{
    QTest::addColumn<QString>("path");
    const QDir corpus(QStringLiteral(VELKA_CONFIG_CORPUS));
    const QStringList names = corpus.entryList(QDir::Files);
    QVERIFY(names.size() >= 10);
    for (const QString &name : names)
        QTest::newRow(qPrintable(name)) << corpus.filePath(name);
}

void TestFiles::fuzzCorpus_holdsTogetherAndSeedsAsNamed()
{
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    std::optional<ConfigWords> image;
    const char *fault = configFileFault(file.readAll(), image);
    QVERIFY2(!fault, fault);
    // Seeds name their outcome; inputs the fuzzer found only have to hold together.
    const QString name = QFileInfo(path).fileName();
    if (name.startsWith(u"ok_") || name.startsWith(u"bad_"))
        QCOMPARE(bool(image), name.startsWith(u"ok_"));
    if (image && path.contains("defaults")) {
        ConfigWords defaults;
        setDefaultWords(defaults);
        QCOMPARE(int((*image)[35]), int(defaults[35]));
        QCOMPARE(int((*image)[255]), int(imageChecksum(*image)));
    }
    if (image && path.contains("number_syntax")) {
        QCOMPARE(int((*image)[0]), 12);
        QCOMPARE(int((*image)[1]), 255);
        QCOMPARE(int((*image)[2]), 65535);
        QCOMPARE(int((*image)[3]), 4464);
    }
    if (image && path.contains("second_data_section"))
        QCOMPARE(int((*image)[70]), 300);
}

QTEST_APPLESS_MAIN(TestFiles)
#include "tst_files.moc"
