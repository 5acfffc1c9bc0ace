#pragma once

#include <QFrame>
#include <QList>

class ConfigDocument;
class WordField;

// "Funkparameter": system ID, channel, power, transmit cycle and radio timeout.
class RadioPanel : public QFrame
{
    Q_OBJECT
public:
    RadioPanel(ConfigDocument &document, QWidget *parent);

    const QList<WordField *> &fields() const { return m_fields; }
    // A radio timeout too short for the cycle is shown in red.
    void markTimeout(bool tooShort);

private:
    QList<WordField *> m_fields;
    WordField *m_timeout = nullptr;
};
