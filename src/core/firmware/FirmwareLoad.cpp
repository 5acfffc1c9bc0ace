#include "core/firmware/FirmwareLoad.h"

#include "core/files/BoundedFile.h"
#include "core/firmware/FirmwareReport.h"
#include "core/firmware/FirmwareTexts.h"
#include "core/firmware/UpdateTexts.h"

#include <QDir>
#include <QFileInfo>

FirmwareLoad loadFirmwareFile(const QString &path, FirmwareReport &report)
{
    FirmwareLoad load;
    // Refused before a byte is read.
    const BoundedFile source = readBoundedFile(path, FirmwareFileMaxBytes);
    if (!source.ok()) {
        load.reason = source.errorText(path, FirmwareFileMaxBytes);
        return load;
    }
    return firmwareFromBytes(source.bytes, path, report);
}

FirmwareLoad firmwareFromBytes(const QByteArray &bytes, const QString &path, FirmwareReport &report)
{
    FirmwareLoad load;
    const QStringList lines = FirmwareFile::decode(bytes);
    report.fileLines(lines);
    report.report({LogKind::Progress, UpdateTexts::Loading + QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()),
                   LogLayout::Framed});
    auto file = std::make_shared<FirmwareFile>();
    switch (file->parse(lines, report)) {
    case FirmwareFile::Outcome::Failed:
        load.reason = FirmwareTexts::LoadFailed;
        break;
    case FirmwareFile::Outcome::Refused:
        load.outcome = FirmwareLoad::Outcome::Refused;
        load.reason = file->refusalText();
        break;
    case FirmwareFile::Outcome::Usable:
        load.outcome = FirmwareLoad::Outcome::Usable;
        break;
    }
    load.file = std::move(file);
    return load;
}

QString refusalReason(FirmwareFile::Refusal refusal)
{
    switch (refusal) {
    case FirmwareFile::Refusal::WrongChecksum: return UpdateTexts::ReasonChecksum;
    case FirmwareFile::Refusal::NoVersionPoint: return UpdateTexts::ReasonVersion;
    case FirmwareFile::Refusal::StartNotOnPage: return UpdateTexts::ReasonStart;
    case FirmwareFile::Refusal::TooManyRows:
    case FirmwareFile::Refusal::BeyondMemory: return UpdateTexts::ReasonSize;
    default: return UpdateTexts::ReasonNoFile;
    }
}

QString loadProblem(const FirmwareLoad &load, const QString &path)
{
    switch (load.outcome) {
    case FirmwareLoad::Outcome::Unreadable:
        return load.file ? FirmwareTexts::LoadFailed + QStringLiteral(": ") + path : load.reason;
    case FirmwareLoad::Outcome::Refused:
        return UpdateTexts::Refused.arg(refusalReason(load.file->refusal())) + QStringLiteral(" (")
            + load.reason.trimmed() + QLatin1Char(')');
    case FirmwareLoad::Outcome::Usable:
        break;
    }
    return {};
}
