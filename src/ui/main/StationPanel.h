#pragma once

#include <QFrame>
#include <QList>

class ClickLabel;
class ConfigDocument;
class QRadioButton;
class WordField;

// "Geräteadressen": the station's role (master or Slave1..4) and the radio addresses of the
// five stations.
class StationPanel : public QFrame
{
    Q_OBJECT
public:
    StationPanel(ConfigDocument &document, QWidget *parent);

    const QList<WordField *> &fields() const { return m_addresses; }

    // The role buttons follow words 41 and 36.
    void showRole();
    // The master always exists; a slave exists when its address is not 0.
    void showPresence(const QColor &present);

    void RBmasterClick();
    void RBslaveClick(int slave);

private:
    ConfigDocument &m_document;
    QRadioButton *m_roles[5] = {};   // RBmaster, RBslave1..RBslave4
    ClickLabel *m_captions[5] = {};  // "Master:", "Slave1".."Slave4"
    QList<WordField *> m_addresses;  // E_adresse0..E_adresse4
};
