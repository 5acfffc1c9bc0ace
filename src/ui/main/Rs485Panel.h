#pragma once

#include <QFrame>
#include <QList>

class ConfigDocument;
class QCheckBox;
class QLabel;
class WordField;

// "RS485-Peripherie": whether a peripheral on the RS485 bus is included, and its addresses,
// cycle, timeout and the sources of the two analogue outputs.
class Rs485Panel : public QFrame
{
    Q_OBJECT
public:
    Rs485Panel(ConfigDocument &document, QWidget *parent);

    const QList<WordField *> &fields() const { return m_fields; }

    // The box follows bit 1 of word 41; the details show only
    // while it is checked.
    void showIncluded();
    // An RS485 timeout too short for its cycle is shown in red.
    void markTimeout(bool tooShort);
    // "Master" or "Slave1".."Slave4" beside each analogue source, and the converters that exist.
    void showSources(const QColor &present);

    void CBconfig1Click();

private:
    ConfigDocument &m_document;
    QCheckBox *m_included = nullptr; // CBmitRS485
    QWidget *m_details = nullptr;    // PanRS485
    QList<WordField *> m_fields;
    QLabel *m_sourceNames[2] = {};   // L_Qana1, L_Qana2
};
