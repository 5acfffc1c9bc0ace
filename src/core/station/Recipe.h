#pragma once

#include "core/config/ConfigImage.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

class FirmwareFile;

// What a production station does to every module: a readable JSON text that names its files
// (relative to the recipe's folder) with their SHA-256, so that a unit's record says exactly
// what went into the module.
struct Recipe
{
    static constexpr int FormatVersion = 1;

    // The fixture's reference transmitter sends; the module measures. The median of the
    // readings must lie within the limits, both inclusive.
    struct RadioCheck
    {
        int readings = 3;
        int minDbm = 0;
        int maxDbm = 0;
        friend bool operator==(const RadioCheck &, const RadioCheck &) = default;
    };

    QString name;
    QString firmwarePath; // empty: no firmware step, the recipe only configures
    QByteArray firmwareSha256; // lower-case hex
    QString configPath;
    QByteArray configSha256;
    bool skipSameFirmware = false; // no update for a module that runs the file's version already
    std::optional<RadioCheck> radioCheck;
    bool normalTiming = false; // the fast timing unless asked
    int firstReadAttempts = 3; // contacts settle when a module is put in
    bool retryFirmware = false; // the firmware step once more after it failed
    int absenceMs = 5000;       // how long a line is silent before the next unit may start

    friend bool operator==(const Recipe &, const Recipe &) = default;
};

// The limits a recipe's numbers must keep; the text reader and velka-cli recipe both hold them.
namespace RecipeLimits {
inline constexpr int MaxReadings = 25;
inline constexpr int MinDbm = -150;
inline constexpr int MaxDbm = 0;
inline constexpr int MaxFirstReadAttempts = 10;
inline constexpr int MinAbsenceMs = 500;
inline constexpr int MaxAbsenceMs = 600000;
inline constexpr qint64 MaxFileBytes = 64 * 1024;
} // namespace RecipeLimits

// Why `recipe` breaks a rule of its fields (a missing name, no file at all, a limit outside
// its range); empty when it keeps them all.
QString recipeFieldProblem(const Recipe &recipe);

// The recipe as its file holds it: UTF-8 JSON, indented, ending in a new line.
QByteArray recipeText(const Recipe &recipe);

struct RecipeParse
{
    std::optional<Recipe> recipe;
    QString error; // why the text is no recipe this program can use
};
RecipeParse parseRecipe(const QByteArray &text);

// The SHA-256 of `bytes` as lower-case hex, as a recipe stamps its files.
QByteArray sha256Hex(const QByteArray &bytes);

// A recipe file checked as the station checks it before it touches a port: read within its
// limit, parsed, its files there, unchanged since it was made, and usable as the windows
// would use them.
struct LoadedRecipe
{
    enum class Problem {
        None,
        Unreadable,     // the recipe file cannot be read
        Invalid,        // not a recipe, a newer format, a field missing or of the wrong kind
        FileMissing,    // a file it names cannot be read
        FileChanged,    // a file's hash is no longer the one stamped
        FirmwareRefused,
        ConfigRefused,
    };

    Problem problem = Problem::None;
    QString error;
    Recipe recipe;
    QByteArray recipeSha256; // of the recipe file's bytes, recorded with every unit
    QString firmwareFile;    // absolute paths
    QString configFile;
    std::shared_ptr<const FirmwareFile> firmware; // null without a firmware step
    ConfigWords config{};

    bool ok() const { return problem == Problem::None; }
};
LoadedRecipe loadRecipe(const QString &path);

// A new recipe whose files are given as paths as the user typed them: both checked as the
// windows check them, their hashes stamped, their paths made relative to `recipeFile`'s
// folder. The recipe's own fields are checked too. Empty, with the reason in `error`, when a
// file is refused.
std::optional<Recipe> stampRecipe(Recipe recipe, const QString &recipeFile, QString *error);
