#include "ui/main/StationPanel.h"

#include "core/workflow/ConfigDocument.h"
#include "ui/common/ClickLabel.h"
#include "ui/common/PixelFont.h"
#include "ui/main/MainWindowTexts.h"
#include "ui/main/PanelParts.h"
#include "ui/main/WordField.h"

#include <QLabel>
#include <QRadioButton>

namespace {
const QString HintSlaves[4] = {MainTexts::HintAdresseSlave.arg(1), MainTexts::HintAdresseSlave.arg(2),
                               MainTexts::HintAdresseSlave.arg(3), MainTexts::HintAdresseSlave.arg(4)};

const FieldRow AddressFields[] = {
    {"E_adresse0", Word::MasterAddress, FieldKind::Integer, 5, {8, 39, 60, 20}, &MainTexts::HintAdresse0},
    {"E_adresse1", Word::Slave1Address, FieldKind::Integer, 5, {90, 39, 60, 20}, &HintSlaves[0]},
    {"E_adresse2", Word::Slave2Address, FieldKind::Integer, 5, {172, 39, 60, 20}, &HintSlaves[1]},
    {"E_adresse3", Word::Slave3Address, FieldKind::Integer, 5, {254, 39, 60, 20}, &HintSlaves[2]},
    {"E_adresse4", Word::Slave4Address, FieldKind::Integer, 5, {336, 39, 60, 20}, &HintSlaves[3]},
};
} // namespace

StationPanel::StationPanel(ConfigDocument &document, QWidget *parent)
    : QFrame(parent)
    , m_document(document)
{
    setupPanel(this, "Panel2", MainTexts::Geraeteadressen, QRect(19, 8, 419, 64));
    for (int i = 0; i <= 4; ++i) {
        const int x = 8 + i * 82;
        const QString name = i == 0 ? QStringLiteral("RBmaster") : QStringLiteral("RBslave%1").arg(i);
        m_roles[i] = makeRadio(this, name, QString(), QRect(x, 20, 16, 16));
        m_captions[i] = new ClickLabel(i == 0 ? MainTexts::CaptionMaster : MainTexts::CaptionSlave.arg(i), this);
        m_captions[i]->setObjectName(i == 0 ? QStringLiteral("LMaster") : QStringLiteral("LSlave%1").arg(i));
        m_captions[i]->setFont(arialFont(13));
        m_captions[i]->setGeometry(x + 17, 20, 60, 16);
        m_addresses << buildField(document, AddressFields[i], this);
    }

    connect(m_roles[0], &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            RBmasterClick();
    });
    connect(m_captions[0], &ClickLabel::clicked, this, &StationPanel::RBmasterClick);
    for (int i = 1; i <= 4; ++i) {
        connect(m_roles[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                RBslaveClick(i);
        });
        connect(m_captions[i], &ClickLabel::clicked, this, [this, i] { RBslaveClick(i); });
    }
}

void StationPanel::RBmasterClick()
{
    m_document.edit([](ConfigWords &image) {
        image[Word::ConfigBits] |= MasterBit;
        image[Word::Station] = 0;
    });
}

void StationPanel::RBslaveClick(int slave)
{
    m_document.edit([slave](ConfigWords &image) {
        image[Word::ConfigBits] &= quint16(~MasterBit);
        image[Word::Station] = quint16(slave);
    });
}

void StationPanel::showRole()
{
    if (m_document.word(Word::ConfigBits) & MasterBit) {
        selectRadio(m_roles[0]);
        return;
    }
    const quint16 station = m_document.word(Word::Station);
    if (station >= 1 && station <= 4)
        selectRadio(m_roles[station]);
}

void StationPanel::showPresence(const QColor &present)
{
    setBackground(m_addresses[0], present);
    for (int i = 1; i <= 4; ++i)
        setBackground(m_addresses[i], m_document.word(m_addresses[i]->word()) != 0 ? present : PanelColour::White);
}
