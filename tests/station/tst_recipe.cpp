// The production recipe: its text read and written, and checked against its files as a station
// checks it before it touches a port.
#include "FirmwareFileWriter.h"
#include "ModuleFirmware.h"
#include "core/files/ConfigFile.h"
#include "core/station/Recipe.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(LoadedRecipe::Problem)

namespace {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray firmwareBytes(int checksumError = 0)
{
    FirmwareFileWriter writer;
    writer.instructions = {0x040200, 0x000000, 0x123456, 0x00ABCD};
    writer.checksumError = checksumError;
    return writer.bytes();
}

QByteArray configBytes()
{
    return ConfigFile::encode(ConfigFile::build(ModuleFirmware::factoryImage()));
}

// A recipe's text with one field of the good one replaced (or removed, for an undefined value).
QByteArray withField(const QString &key, const QJsonValue &value)
{
    Recipe recipe;
    recipe.name = QStringLiteral("Linie 1");
    recipe.configPath = QStringLiteral("unit.VMC");
    recipe.configSha256 = QByteArray(64, 'a');
    QJsonObject object = QJsonDocument::fromJson(recipeText(recipe)).object();
    if (value.isUndefined())
        object.remove(key);
    else
        object.insert(key, value);
    return QJsonDocument(object).toJson();
}

} // namespace

class TestRecipe : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void text_readsBackWhatWasWritten();
    void badText_isRefusedWithItsReason_data();
    void badText_isRefusedWithItsReason();
    void load_checksTheFilesBeforeAnyPort_data();
    void load_checksTheFilesBeforeAnyPort();
    void stamp_refusesAFileTheWindowsRefuse();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    // A recipe in a folder of its own with its two files, stamped as velka-cli recipe does.
    QString goodRecipe();

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestRecipe::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString TestRecipe::goodRecipe()
{
    QDir(m_dir->path()).mkpath(QStringLiteral("line/files"));
    if (!writeBytes(path("line/files/update.qvx"), firmwareBytes()) || !writeBytes(path("line/files/unit.VMC"), configBytes()))
        return {};
    Recipe recipe;
    recipe.name = QStringLiteral("Linie 1");
    recipe.firmwarePath = path("line/files/update.qvx");
    recipe.configPath = path("line/files/unit.VMC");
    QString error;
    const std::optional<Recipe> stamped = stampRecipe(recipe, path("line/LINE.recipe"), &error);
    if (!stamped || !writeBytes(path("line/LINE.recipe"), recipeText(*stamped)))
        return {};
    return path("line/LINE.recipe");
}

void TestRecipe::text_readsBackWhatWasWritten()
{
    Recipe recipe;
    recipe.name = QStringLiteral("Prüfplatz Ü");
    recipe.firmwarePath = QStringLiteral("fw/update.qvx");
    recipe.firmwareSha256 = sha256Hex("firmware");
    recipe.configPath = QStringLiteral("unit.VMC");
    recipe.configSha256 = sha256Hex("configuration");
    recipe.skipSameFirmware = true;
    recipe.radioCheck = Recipe::RadioCheck{5, -90, -40};
    recipe.normalTiming = true;
    recipe.firstReadAttempts = 1;
    recipe.retryFirmware = true;
    recipe.absenceMs = 7500;
    const RecipeParse parse = parseRecipe(recipeText(recipe));
    QVERIFY2(parse.recipe, qPrintable(parse.error));
    QCOMPARE(*parse.recipe, recipe);

    // The defaults are what an absent field means.
    const RecipeParse minimal = parseRecipe(R"({"format": "velka-recipe", "formatVersion": 1, "name": "x",
        "configuration": {"file": "a.VMC", "sha256": ")" + QByteArray(64, '0') + R"("}})");
    QVERIFY2(minimal.recipe, qPrintable(minimal.error));
    QCOMPARE(minimal.recipe->firstReadAttempts, 3);
    QCOMPARE(minimal.recipe->absenceMs, 5000);
    QVERIFY(!minimal.recipe->normalTiming && !minimal.recipe->radioCheck && minimal.recipe->firmwarePath.isEmpty());
}

void TestRecipe::badText_isRefusedWithItsReason_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("error");
    const QJsonValue absent(QJsonValue::Undefined);
    QTest::newRow("not JSON") << QByteArray("[Recipe]\nname=x\n") << "not a recipe (no JSON object: ";
    QTest::newRow("another format") << withField("format", "velka-plan") << "not a recipe (its format is not \"velka-recipe\")";
    QTest::newRow("newer version") << withField("formatVersion", 2)
                                   << "the recipe has format version 2; this program reads up to version 1";
    QTest::newRow("version missing") << withField("formatVersion", absent) << "formatVersion is missing";
    QTest::newRow("version not whole") << withField("formatVersion", 1.5) << "formatVersion must be a whole number";
    QTest::newRow("name missing") << withField("name", absent) << "name is missing";
    QTest::newRow("name blank") << withField("name", " ") << "a recipe needs a name";
    QTest::newRow("no file at all") << withField("configuration", absent)
                                    << "a recipe needs a firmware file, a configuration file or both";
    QTest::newRow("a file of the wrong kind") << withField("configuration", "unit.VMC") << "configuration must be an object";
    QTest::newRow("a file without its hash") << withField("configuration", QJsonObject{{"file", "unit.VMC"}})
                                             << "configuration.sha256 is missing";
    QTest::newRow("an upper-case hash")
        << withField("configuration", QJsonObject{{"file", "u.VMC"}, {"sha256", QString(64, 'A')}})
        << "configuration.sha256 must be 64 lower-case hex digits";
    QTest::newRow("a mistyped field") << withField("absenceSecond", 3) << "absenceSecond is not a field of a recipe";
    QTest::newRow("a flag as text") << withField("retryFirmware", "no") << "retryFirmware must be true or false";
    QTest::newRow("retry without firmware") << withField("retryFirmware", true)
                                            << "skipping or retrying the firmware step needs a firmware file";
    QTest::newRow("unknown timing") << withField("timing", "slow") << "timing must be \"fast\" or \"normal\"";
    QTest::newRow("no read at all") << withField("firstReadAttempts", 0) << "firstReadAttempts must lie within 1..10";
    QTest::newRow("most reads") << withField("firstReadAttempts", 10) << "";
    QTest::newRow("too many reads") << withField("firstReadAttempts", 11) << "firstReadAttempts must lie within 1..10";
    QTest::newRow("shortest absence") << withField("absenceSeconds", 0.5) << "";
    QTest::newRow("absence too short") << withField("absenceSeconds", 0.499)
                                       << "the absence time must lie within 0.5..600 s";
    QTest::newRow("absence too long") << withField("absenceSeconds", 600.001)
                                      << "the absence time must lie within 0.5..600 s";
    QTest::newRow("equal limits") << withField("radioCheck", QJsonObject{{"minDbm", -60}, {"maxDbm", -60}}) << "";
    QTest::newRow("limits crossed") << withField("radioCheck", QJsonObject{{"minDbm", -59}, {"maxDbm", -60}})
                                    << "the radio check's limits must lie within -150..0 dBm, the minimum not above the maximum";
    QTest::newRow("a limit missing") << withField("radioCheck", QJsonObject{{"minDbm", -60}}) << "radioCheck.maxDbm is missing";
    QTest::newRow("a positive limit") << withField("radioCheck", QJsonObject{{"minDbm", -60}, {"maxDbm", 1}})
                                      << "radioCheck.maxDbm must lie within -150..0";
    QTest::newRow("no reading") << withField("radioCheck", QJsonObject{{"minDbm", -60}, {"maxDbm", -1}, {"readings", 0}})
                                << "radioCheck.readings must lie within 1..25";
}

void TestRecipe::badText_isRefusedWithItsReason()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, error);
    const RecipeParse parse = parseRecipe(text);
    // Qt words the JSON syntax error itself.
    QCOMPARE(parse.error.left(error.endsWith(QLatin1String(": ")) ? error.size() : -1), error);
    QCOMPARE(parse.recipe.has_value(), error.isEmpty());
}

void TestRecipe::load_checksTheFilesBeforeAnyPort_data()
{
    QTest::addColumn<QString>("file");     // in the recipe's folder, replaced
    QTest::addColumn<QByteArray>("bytes"); // by these; removed when null
    QTest::addColumn<LoadedRecipe::Problem>("problem");
    QTest::addColumn<QString>("error"); // the error's end
    using P = LoadedRecipe::Problem;
    QTest::newRow("as made") << "" << QByteArray() << P::None << "";
    QTest::newRow("firmware gone") << "files/update.qvx" << QByteArray() << P::FileMissing << "";
    QTest::newRow("configuration changed") << "files/unit.VMC" << QByteArray(configBytes()).replace("\r\n0\r\n", "\r\n1\r\n")
                                           << P::FileChanged << "the file changed since the recipe was made";
    QTest::newRow("recipe not a recipe") << "LINE.recipe" << QByteArray("{}") << P::Invalid
                                         << "not a recipe (its format is not \"velka-recipe\")";
    QTest::newRow("recipe too large") << "LINE.recipe" << QByteArray(64 * 1024 + 1, ' ') << P::Unreadable << "";
}

void TestRecipe::load_checksTheFilesBeforeAnyPort()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    QFETCH(LoadedRecipe::Problem, problem);
    QFETCH(QString, error);
    const QString recipeFile = goodRecipe();
    QVERIFY(!recipeFile.isEmpty());
    if (!file.isEmpty()) {
        const QString target = path("line/" + file);
        QVERIFY(bytes.isNull() ? QFile::remove(target) : writeBytes(target, bytes));
    }
    // From another working folder: the paths are the recipe's folder's.
    const QString before = QDir::currentPath();
    QDir::setCurrent(QDir::tempPath());
    const LoadedRecipe loaded = loadRecipe(recipeFile);
    QDir::setCurrent(before);
    QVERIFY2(loaded.problem == problem && (error.isEmpty() || loaded.error.endsWith(error)), qPrintable(loaded.error));
    if (problem != LoadedRecipe::Problem::None)
        return;
    QCOMPARE(loaded.recipe.firmwarePath, QStringLiteral("files/update.qvx"));
    QCOMPARE(loaded.recipeSha256, sha256Hex(readBytes(recipeFile)));
    QCOMPARE(loaded.recipe.configSha256, sha256Hex(configBytes()));
    QCOMPARE(loaded.config, ModuleFirmware::factoryImage());
    QVERIFY(loaded.firmware);
    QCOMPARE(loaded.firmwareFile, path("line/files/update.qvx"));
}

void TestRecipe::stamp_refusesAFileTheWindowsRefuse()
{
    QVERIFY(writeBytes(path("bad.qvx"), firmwareBytes(1)));
    QVERIFY(writeBytes(path("short.VMC"), configBytes().left(300)));
    Recipe recipe;
    recipe.name = QStringLiteral("x");
    recipe.firmwarePath = path("bad.qvx");
    QString error;
    QVERIFY(!stampRecipe(recipe, path("a.recipe"), &error));
    QVERIFY2(error.startsWith(QStringLiteral("Kein Update möglich: ")), qPrintable(error));

    recipe.firmwarePath.clear();
    recipe.configPath = path("short.VMC");
    QVERIFY(!stampRecipe(recipe, path("a.recipe"), &error));
    QCOMPARE(error, QStringLiteral("keine gültige Konfigurationsdatei: ") + path("short.VMC"));
}

QTEST_GUILESS_MAIN(TestRecipe)
#include "tst_recipe.moc"
