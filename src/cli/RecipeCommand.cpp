#include "cli/Commands.h"

#include "cli/Console.h"
#include "cli/PortOutcome.h"
#include "core/files/WholeFileSave.h"
#include "core/station/Recipe.h"

#include <QJsonObject>

int runRecipe(const CliOptions &options, Console &console)
{
    QString error;
    const std::optional<Recipe> recipe = stampRecipe(options.recipe, options.output, &error);
    int exitCode = ExitCode::Ok;
    if (!recipe) {
        exitCode = ExitCode::FileRefused;
    } else if (!saveWholeFile(options.output, recipeText(*recipe), &error)) {
        exitCode = ExitCode::FileRefused;
        error = saveRefusedText(options.output, error);
    }

    if (console.json()) {
        QJsonObject result{{QStringLiteral("recipe"), options.output},
                           {QStringLiteral("outcome"), outcomeName(exitCode)},
                           {QStringLiteral("message"), error}};
        if (exitCode == ExitCode::Ok) {
            result.insert(QStringLiteral("name"), recipe->name);
            result.insert(QStringLiteral("firmware"), recipe->firmwarePath);
            result.insert(QStringLiteral("firmwareSha256"), QString::fromLatin1(recipe->firmwareSha256));
            result.insert(QStringLiteral("configuration"), recipe->configPath);
            result.insert(QStringLiteral("configurationSha256"), QString::fromLatin1(recipe->configSha256));
        }
        console.printJson(result);
    } else if (exitCode != ExitCode::Ok) {
        Console::printError(error);
    } else {
        console.printLine(QStringLiteral("recipe \"%1\" written to %2").arg(recipe->name, options.output));
        if (!recipe->firmwarePath.isEmpty())
            console.printLine(QStringLiteral("  firmware:      %1  sha256 %2")
                                  .arg(recipe->firmwarePath, QString::fromLatin1(recipe->firmwareSha256)));
        if (!recipe->configPath.isEmpty())
            console.printLine(QStringLiteral("  configuration: %1  sha256 %2")
                                  .arg(recipe->configPath, QString::fromLatin1(recipe->configSha256)));
    }
    return exitCode;
}
