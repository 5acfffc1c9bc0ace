#pragma once

#include <QFrame>

class ConfigDocument;
class QRadioButton;

// "Anzahl digitale Erweiterungskanäle:": none, 8, 16, 24 or 32 further outputs (word 100).
class ExtensionPanel : public QFrame
{
    Q_OBJECT
public:
    ExtensionPanel(ConfigDocument &document, QWidget *parent);

    // The button of word 100; a word that names no choice counts as none.
    void showChoice();
    void RBdigClick(int groups);

private:
    ConfigDocument &m_document;
    QRadioButton *m_choices[5] = {}; // RBdig0, RBdig8, RBdig16, RBdig24, RBdig32
};
