#include "core/workflow/ConfigDocument.h"

ConfigDocument::ConfigDocument(QObject *parent)
    : QObject(parent)
{
}

const DigEntry *ConfigDocument::output(int number) const
{
    return digEntry(m_outputs, number);
}

void ConfigDocument::edit(const std::function<void(ConfigWords &)> &change)
{
    change(m_config);
    emit configChanged();
}

void ConfigDocument::setWord(int address, quint16 value)
{
    edit([address, value](ConfigWords &image) { image[size_t(address)] = value; });
}

void ConfigDocument::normalise(void (*rule)(ConfigWords &))
{
    const ConfigWords before = m_config;
    rule(m_config);
    if (m_config != before)
        emit configChanged();
}

void ConfigDocument::takeImage(const ConfigWords &image)
{
    m_config = image;
    readOutputWords(m_config, m_outputs);
    emit outputsChanged();
    emit configChanged();
}

void ConfigDocument::resetToDefaults()
{
    setDefaultWords(m_config);
    setDefaultAssignment(m_outputs);
    emit outputsChanged();
    emit configChanged();
}

void ConfigDocument::foldOutputs()
{
    writeOutputWords(m_outputs, m_config);
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
