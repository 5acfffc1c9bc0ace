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
    // An edit of an output's words is an edit of that output.
    DigTable outputs{};
    readOutputWords(m_config, outputs);
    writeOutputWords(outputs, m_config);
    const bool outputsEdited = outputs != m_outputs;
    m_outputs = outputs;
    if (outputsEdited)
        emit outputsChanged();
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
    // The output words as the table holds them: a source's high byte, which no output uses,
    // is gone as a save or a write always dropped it.
    writeOutputWords(m_outputs, m_config);
    emit outputsChanged();
    emit configChanged();
}

void ConfigDocument::resetToDefaults()
{
    setDefaultWords(m_config);
    makeConsistent();
    setDefaultAssignment(m_outputs);
    writeOutputWords(m_outputs, m_config);
    emit outputsChanged();
    emit configChanged();
}

void ConfigDocument::setOutput(int number, const DigEntry &entry)
{
    if (!digEntry(m_outputs, number))
        return;
    m_outputs[size_t(number - 1)] = entry;
    writeOutputWords(m_outputs, m_config);
    emit outputsChanged();
}
