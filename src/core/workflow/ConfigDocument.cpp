#include "core/workflow/ConfigDocument.h"

#include "core/config/ConsistencyRules.h"

ConfigDocument::ConfigDocument(QObject *parent)
    : QObject(parent)
{
}

const DigEntry *ConfigDocument::output(int number) const
{
    return digEntry(m_outputs, number);
}

void ConfigDocument::makeConsistent()
{
    ConfigWords &image = m_config;
    // One pass leaves an image the rules accept; the loop only guards against a rule that
    // would undo another.
    for (int pass = 0; pass < 4; ++pass) {
        const ConfigWords before = image;
        applyRoleRule(image);
        const int groups = extensionGroupsShown(image[Word::ExtensionGroups]);
        if (groups != m_extensionChoice) {
            m_extensionChoice = groups;
            image[Word::ExtensionGroups] = quint16(groups);
        }
        applyConsistencyRules(image);
        if (image == before)
            return;
    }
}

void ConfigDocument::changed()
{
    makeConsistent();
    emit configChanged();
}

void ConfigDocument::edit(const std::function<void(ConfigWords &)> &change)
{
    change(m_config);
    changed();
}

void ConfigDocument::setWord(int address, quint16 value)
{
    edit([address, value](ConfigWords &image) { image[size_t(address)] = value; });
}

void ConfigDocument::takeImage(const ConfigWords &image)
{
    m_config = image;
    makeConsistent();
    readOutputWords(m_config, m_outputs);
    emit outputsChanged();
    emit configChanged();
}

void ConfigDocument::resetToDefaults()
{
    setDefaultWords(m_config);
    makeConsistent();
    setDefaultAssignment(m_outputs);
    emit outputsChanged();
    emit configChanged();
}

void ConfigDocument::foldOutputs()
{
    writeOutputWords(m_outputs, m_config);
}

ConfigWords ConfigDocument::foldedImage() const
{
    ConfigWords image = m_config;
    writeOutputWords(m_outputs, image);
    return image;
}

void ConfigDocument::setOutput(int number, const DigEntry &entry)
{
    if (!digEntry(m_outputs, number))
        return;
    m_outputs[size_t(number - 1)] = entry;
    emit outputsChanged();
}

void ConfigDocument::setProgrammingDate(const ProgrammingDate &date)
{
    m_date = date;
    emit programmingDateChanged();
}
