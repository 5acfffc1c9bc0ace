#include "core/workflow/ImageComparison.h"

#include "core/outputs/WordNames.h"

QList<WordDifference> compareImages(const ConfigWords &ours, const ConfigWords &module)
{
    QList<WordDifference> differences;
    for (int address = FirstComparedWord; address <= LastComparedWord; ++address) {
        const quint16 mine = ours[size_t(address)];
        const quint16 theirs = module[size_t(address)];
        if (mine != theirs)
            differences.append({address, wordName(address), mine, theirs});
    }
    return differences;
}
