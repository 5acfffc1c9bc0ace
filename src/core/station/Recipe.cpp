#include "core/station/Recipe.h"

#include "core/files/BoundedFile.h"
#include "core/firmware/FirmwareFile.h"
#include "core/firmware/FirmwareLoad.h"
#include "core/firmware/FirmwareReport.h"
#include "core/workflow/ConfigFileLoad.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <cmath>
#include <limits>
#include <optional>
#include <utility>

namespace {

const QString FormatName = QStringLiteral("velka-recipe");

// The reader's field names; the writer uses the same.
namespace Key {
const QString Format = QStringLiteral("format");
const QString Version = QStringLiteral("formatVersion");
const QString Name = QStringLiteral("name");
const QString Firmware = QStringLiteral("firmware");
const QString Configuration = QStringLiteral("configuration");
const QString File = QStringLiteral("file");
const QString Sha256 = QStringLiteral("sha256");
const QString SkipSameFirmware = QStringLiteral("skipSameFirmware");
const QString RadioCheck = QStringLiteral("radioCheck");
const QString Readings = QStringLiteral("readings");
const QString MinDbm = QStringLiteral("minDbm");
const QString MaxDbm = QStringLiteral("maxDbm");
const QString Timing = QStringLiteral("timing");
const QString FirstReadAttempts = QStringLiteral("firstReadAttempts");
const QString RetryFirmware = QStringLiteral("retryFirmware");
const QString AbsenceSeconds = QStringLiteral("absenceSeconds");
} // namespace Key

const QString Fast = QStringLiteral("fast");
const QString Normal = QStringLiteral("normal");

bool isSha256Hex(const QString &text)
{
    static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{64}$"));
    return hex.match(text).hasMatch();
}

// Reads one JSON object field by field; the first wrong field is the error.
class FieldReader
{
public:
    FieldReader(const QJsonObject &object, QString where)
        : m_object(object)
        , m_where(std::move(where))
    {}

    QString error() const { return m_error; }
    bool has(const QString &key) const { return m_object.contains(key); }

    QString text(const QString &key)
    {
        const QJsonValue value = field(key, true);
        if (!value.isUndefined() && !value.isString())
            return fail(key, QStringLiteral("must be a text")), QString();
        return value.toString();
    }
    bool flag(const QString &key, bool fallback)
    {
        const QJsonValue value = field(key, false);
        if (value.isUndefined())
            return fallback;
        if (!value.isBool())
            return fail(key, QStringLiteral("must be true or false")), fallback;
        return value.toBool();
    }
    // A whole number within [min, max]; `fallback` when the field is optional and absent.
    int integer(const QString &key, int min, int max, std::optional<int> fallback)
    {
        const QJsonValue value = field(key, !fallback);
        if (value.isUndefined())
            return fallback.value_or(0);
        const double number = value.toDouble(std::nan(""));
        if (!value.isDouble() || number != std::floor(number))
            return fail(key, QStringLiteral("must be a whole number")), 0;
        if (number < min || number > max)
            return fail(key, QStringLiteral("must lie within %1..%2").arg(min).arg(max)), 0;
        return int(number);
    }
    QJsonObject object(const QString &key)
    {
        const QJsonValue value = field(key, false);
        if (!value.isUndefined() && !value.isObject())
            fail(key, QStringLiteral("must be an object"));
        return value.toObject();
    }
    double number(const QString &key, double fallback)
    {
        const QJsonValue value = field(key, false);
        if (value.isUndefined())
            return fallback;
        if (!value.isDouble())
            return fail(key, QStringLiteral("must be a number")), fallback;
        return value.toDouble();
    }
    // Every field of the object is one the reader knows: a mistyped name is no silent default.
    void onlyKnown(const QStringList &keys)
    {
        for (const QString &key : m_object.keys()) {
            if (!keys.contains(key))
                fail(key, QStringLiteral("is not a field of a recipe"));
        }
    }
    void fail(const QString &key, const QString &what)
    {
        if (m_error.isEmpty())
            m_error = key.isEmpty() ? what : QStringLiteral("%1%2 %3").arg(m_where, key, what);
    }

private:
    QJsonValue field(const QString &key, bool required)
    {
        if (!m_object.contains(key)) {
            if (required)
                fail(key, QStringLiteral("is missing"));
            return QJsonValue(QJsonValue::Undefined);
        }
        return m_object.value(key);
    }

    QJsonObject m_object;
    QString m_where;
    QString m_error;
};

// A file entry: {"file": ..., "sha256": ...}.
void readFile(FieldReader &top, const QString &key, QString *path, QByteArray *sha256)
{
    if (!top.has(key))
        return;
    FieldReader entry(top.object(key), key + QLatin1Char('.'));
    entry.onlyKnown({Key::File, Key::Sha256});
    *path = entry.text(Key::File);
    const QString hash = entry.text(Key::Sha256);
    if (entry.error().isEmpty() && path->isEmpty())
        entry.fail(Key::File, QStringLiteral("is empty"));
    if (entry.error().isEmpty() && !isSha256Hex(hash))
        entry.fail(Key::Sha256, QStringLiteral("must be 64 lower-case hex digits"));
    *sha256 = hash.toLatin1();
    if (!entry.error().isEmpty())
        top.fail(QString(), entry.error());
}

QJsonObject fileEntry(const QString &path, const QByteArray &sha256)
{
    return {{Key::File, path}, {Key::Sha256, QString::fromLatin1(sha256)}};
}

QString absolutePath(const QString &folder, const QString &path)
{
    return QDir::cleanPath(QDir(folder).absoluteFilePath(path));
}

} // namespace

QString recipeFieldProblem(const Recipe &r)
{
    using namespace RecipeLimits;
    if (r.name.trimmed().isEmpty())
        return QStringLiteral("a recipe needs a name");
    if (r.firmwarePath.isEmpty() && r.configPath.isEmpty())
        return QStringLiteral("a recipe needs a firmware file, a configuration file or both");
    if (r.firmwarePath.isEmpty() && (r.skipSameFirmware || r.retryFirmware))
        return QStringLiteral("skipping or retrying the firmware step needs a firmware file");
    if (r.radioCheck) {
        const Recipe::RadioCheck &check = *r.radioCheck;
        if (check.readings < 1 || check.readings > MaxReadings)
            return QStringLiteral("the radio check takes 1..%1 readings").arg(MaxReadings);
        if (check.minDbm < MinDbm || check.maxDbm > MaxDbm || check.minDbm > check.maxDbm)
            return QStringLiteral("the radio check's limits must lie within %1..%2 dBm, the minimum not above the maximum")
                .arg(MinDbm)
                .arg(MaxDbm);
    }
    if (r.firstReadAttempts < 1 || r.firstReadAttempts > MaxFirstReadAttempts)
        return QStringLiteral("the first read is tried 1..%1 times").arg(MaxFirstReadAttempts);
    if (r.absenceMs < MinAbsenceMs || r.absenceMs > MaxAbsenceMs)
        return QStringLiteral("the absence time must lie within %1..%2 s")
            .arg(MinAbsenceMs / 1000.0)
            .arg(MaxAbsenceMs / 1000);
    return {};
}

QByteArray recipeText(const Recipe &r)
{
    QJsonObject root{{Key::Format, FormatName}, {Key::Version, Recipe::FormatVersion}, {Key::Name, r.name}};
    if (!r.firmwarePath.isEmpty())
        root.insert(Key::Firmware, fileEntry(r.firmwarePath, r.firmwareSha256));
    if (!r.configPath.isEmpty())
        root.insert(Key::Configuration, fileEntry(r.configPath, r.configSha256));
    root.insert(Key::SkipSameFirmware, r.skipSameFirmware);
    if (r.radioCheck) {
        root.insert(Key::RadioCheck, QJsonObject{{Key::Readings, r.radioCheck->readings},
                                                 {Key::MinDbm, r.radioCheck->minDbm},
                                                 {Key::MaxDbm, r.radioCheck->maxDbm}});
    }
    root.insert(Key::Timing, r.normalTiming ? Normal : Fast);
    root.insert(Key::FirstReadAttempts, r.firstReadAttempts);
    root.insert(Key::RetryFirmware, r.retryFirmware);
    root.insert(Key::AbsenceSeconds, r.absenceMs / 1000.0);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

RecipeParse parseRecipe(const QByteArray &text)
{
    RecipeParse parse;
    QJsonParseError syntax;
    const QJsonDocument document = QJsonDocument::fromJson(text, &syntax);
    if (syntax.error != QJsonParseError::NoError || !document.isObject()) {
        parse.error = QStringLiteral("not a recipe (no JSON object%1)")
                          .arg(syntax.error != QJsonParseError::NoError
                                   ? QStringLiteral(": %1 at byte %2").arg(syntax.errorString()).arg(syntax.offset)
                                   : QString());
        return parse;
    }
    FieldReader top(document.object(), QString());
    if (top.text(Key::Format) != FormatName) {
        parse.error = QStringLiteral("not a recipe (its format is not \"%1\")").arg(FormatName);
        return parse;
    }
    const int version = top.integer(Key::Version, 1, std::numeric_limits<int>::max(), std::nullopt);
    if (!top.error().isEmpty()) {
        parse.error = top.error();
        return parse;
    }
    if (version > Recipe::FormatVersion) {
        parse.error = QStringLiteral("the recipe has format version %1; this program reads up to version %2")
                          .arg(version)
                          .arg(Recipe::FormatVersion);
        return parse;
    }
    top.onlyKnown({Key::Format, Key::Version, Key::Name, Key::Firmware, Key::Configuration, Key::SkipSameFirmware,
                   Key::RadioCheck, Key::Timing, Key::FirstReadAttempts, Key::RetryFirmware, Key::AbsenceSeconds});

    Recipe r;
    r.name = top.text(Key::Name);
    readFile(top, Key::Firmware, &r.firmwarePath, &r.firmwareSha256);
    readFile(top, Key::Configuration, &r.configPath, &r.configSha256);
    r.skipSameFirmware = top.flag(Key::SkipSameFirmware, false);
    if (top.has(Key::RadioCheck)) {
        FieldReader check(top.object(Key::RadioCheck), Key::RadioCheck + QLatin1Char('.'));
        check.onlyKnown({Key::Readings, Key::MinDbm, Key::MaxDbm});
        Recipe::RadioCheck radio;
        radio.readings = check.integer(Key::Readings, 1, RecipeLimits::MaxReadings, 3);
        radio.minDbm = check.integer(Key::MinDbm, RecipeLimits::MinDbm, RecipeLimits::MaxDbm, std::nullopt);
        radio.maxDbm = check.integer(Key::MaxDbm, RecipeLimits::MinDbm, RecipeLimits::MaxDbm, std::nullopt);
        if (!check.error().isEmpty())
            top.fail(QString(), check.error());
        r.radioCheck = radio;
    }
    const QString timing = top.has(Key::Timing) ? top.text(Key::Timing) : Fast;
    if (timing != Fast && timing != Normal)
        top.fail(Key::Timing, QStringLiteral("must be \"fast\" or \"normal\""));
    r.normalTiming = timing == Normal;
    r.firstReadAttempts = top.integer(Key::FirstReadAttempts, 1, RecipeLimits::MaxFirstReadAttempts, 3);
    r.retryFirmware = top.flag(Key::RetryFirmware, false);
    const double absence = top.number(Key::AbsenceSeconds, 5.0);
    r.absenceMs = std::isfinite(absence) && std::abs(absence) < 1e6 ? int(std::lround(absence * 1000)) : -1;
    if (!top.error().isEmpty()) {
        parse.error = top.error();
        return parse;
    }
    if (const QString problem = recipeFieldProblem(r); !problem.isEmpty()) {
        parse.error = problem;
        return parse;
    }
    parse.recipe = r;
    return parse;
}

QByteArray sha256Hex(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

namespace {

// A file of the recipe read once: the bytes that are hashed are the bytes that are used.
struct RecipeFileBytes
{
    QString path;
    QByteArray bytes;
    QString error;
};

RecipeFileBytes readRecipeFile(const QString &path, qint64 maxBytes)
{
    const BoundedFile file = readBoundedFile(path, maxBytes);
    return {path, file.bytes, file.ok() ? QString() : file.errorText(path, maxBytes)};
}

} // namespace

LoadedRecipe loadRecipe(const QString &path)
{
    LoadedRecipe loaded;
    auto fail = [&loaded](LoadedRecipe::Problem problem, const QString &error) {
        loaded.problem = problem;
        loaded.error = error;
        return loaded;
    };
    const BoundedFile file = readBoundedFile(path, RecipeLimits::MaxFileBytes);
    if (!file.ok())
        return fail(LoadedRecipe::Problem::Unreadable, file.errorText(path, RecipeLimits::MaxFileBytes));
    const RecipeParse parse = parseRecipe(file.bytes);
    if (!parse.recipe)
        return fail(LoadedRecipe::Problem::Invalid, QStringLiteral("recipe %1: %2").arg(path, parse.error));
    loaded.recipe = *parse.recipe;
    loaded.recipeSha256 = sha256Hex(file.bytes);
    const QString folder = QFileInfo(path).absolutePath();

    std::optional<RecipeFileBytes> firmware;
    std::optional<RecipeFileBytes> config;
    if (!loaded.recipe.firmwarePath.isEmpty())
        firmware = readRecipeFile(absolutePath(folder, loaded.recipe.firmwarePath), FirmwareFileMaxBytes);
    if (!loaded.recipe.configPath.isEmpty())
        config = readRecipeFile(absolutePath(folder, loaded.recipe.configPath), ConfigFileMaxBytes);
    for (const auto &[read, stamped] : {std::pair{&firmware, loaded.recipe.firmwareSha256},
                                        std::pair{&config, loaded.recipe.configSha256}}) {
        if (!*read)
            continue;
        if (!(*read)->error.isEmpty())
            return fail(LoadedRecipe::Problem::FileMissing, (*read)->error);
        if (sha256Hex((*read)->bytes) != stamped)
            return fail(LoadedRecipe::Problem::FileChanged,
                        QStringLiteral("%1: the file changed since the recipe was made").arg((*read)->path));
    }
    if (firmware) {
        SilentFirmwareReport report;
        const FirmwareLoad load = firmwareFromBytes(firmware->bytes, firmware->path, report);
        if (const QString problem = loadProblem(load, firmware->path); !problem.isEmpty())
            return fail(LoadedRecipe::Problem::FirmwareRefused, problem);
        loaded.firmware = load.file;
        loaded.firmwareFile = firmware->path;
    }
    if (config) {
        QString error;
        const std::optional<ConfigWords> image = configurationFromBytes(config->bytes, config->path, &error);
        if (!image)
            return fail(LoadedRecipe::Problem::ConfigRefused, error);
        loaded.config = *image;
        loaded.configFile = config->path;
    }
    return loaded;
}

std::optional<Recipe> stampRecipe(Recipe recipe, const QString &recipeFile, QString *error)
{
    if (const QString problem = recipeFieldProblem(recipe); !problem.isEmpty()) {
        *error = problem;
        return std::nullopt;
    }
    const QDir folder = QFileInfo(recipeFile).absoluteDir();
    if (!recipe.firmwarePath.isEmpty()) {
        const RecipeFileBytes firmware = readRecipeFile(recipe.firmwarePath, FirmwareFileMaxBytes);
        SilentFirmwareReport report;
        const QString problem = !firmware.error.isEmpty()
            ? firmware.error
            : loadProblem(firmwareFromBytes(firmware.bytes, firmware.path, report), firmware.path);
        if (!problem.isEmpty()) {
            *error = problem;
            return std::nullopt;
        }
        recipe.firmwareSha256 = sha256Hex(firmware.bytes);
        recipe.firmwarePath = folder.relativeFilePath(QFileInfo(recipe.firmwarePath).absoluteFilePath());
    }
    if (!recipe.configPath.isEmpty()) {
        const RecipeFileBytes config = readRecipeFile(recipe.configPath, ConfigFileMaxBytes);
        if (!config.error.isEmpty()) {
            *error = config.error;
            return std::nullopt;
        }
        if (!configurationFromBytes(config.bytes, config.path, error))
            return std::nullopt;
        recipe.configSha256 = sha256Hex(config.bytes);
        recipe.configPath = folder.relativeFilePath(QFileInfo(recipe.configPath).absoluteFilePath());
    }
    return recipe;
}
