#include "core/workflow/ConfigResults.h"

#include "core/workflow/WorkflowTexts.h"

QString verifyDifferenceText(const VerifyDifference &difference)
{
    return WorkflowTexts::VerifyDifference.arg(difference.address).arg(difference.written).arg(difference.read);
}

QList<VerifyDifference> verifyDifferences(const ConfigWords &written, const ConfigWords &read)
{
    QList<VerifyDifference> differences;
    for (int address = 0; address < ImageWords; ++address) {
        if (written[size_t(address)] != read[size_t(address)])
            differences.append({address, written[size_t(address)], read[size_t(address)]});
    }
    return differences;
}

ReadResult readResult(const OperationEnd &end, const ConfigWords &image, const FirmwareVersion &version)
{
    if (!end.succeeded())
        return {end, {}, {}, {}, false};
    return {end, image, version, systemData(image, version), imageChecksum(image) == image[Word::Checksum]};
}
