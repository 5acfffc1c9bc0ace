#include "ui/main/Rs485Panel.h"

#include "core/config/NumberText.h"
#include "core/workflow/ConfigDocument.h"
#include "ui/main/MainWindowTexts.h"
#include "ui/main/PanelParts.h"
#include "ui/main/WordField.h"

#include <QCheckBox>
#include <QLabel>
#include <QSignalBlocker>

namespace {
const FieldRow Fields[] = {
    {"E_RS485adr1", Word::Rs485Address1, FieldKind::Integer, 5, {88, 0, 96, 20}, &MainTexts::HintRs485Adr1,
     &MainTexts::CaptionAdresse1, {6, 0, 80, 20}},
    {"E_RS485adr2", Word::Rs485Address2, FieldKind::Integer, 5, {88, 21, 96, 20}, &MainTexts::HintRs485Adr2,
     &MainTexts::CaptionAdresse2, {6, 21, 80, 20}},
    {"E_RSzyklus", Word::Rs485Cycle, FieldKind::Time, 9, {88, 42, 96, 20}, &MainTexts::HintRsZyklus,
     &MainTexts::CaptionSendezyk, {6, 42, 80, 20}},
    {"E_RStimeout", Word::Rs485Timeout, FieldKind::Time, 9, {88, 63, 96, 20}, &MainTexts::HintRsTimeout,
     &MainTexts::CaptionRsTimeout, {6, 63, 80, 20}},
    {"E_Qana1", Word::AnalogSource1, FieldKind::Integer, 2, {88, 84, 28, 16}, &MainTexts::HintQana,
     nullptr, {}, 2},
    {"E_Qana2", Word::AnalogSource2, FieldKind::Integer, 2, {88, 102, 28, 16}, &MainTexts::HintQana,
     nullptr, {}, 2},
};
constexpr int Address1 = 0, Address2 = 1, Timeout = 3, Source1 = 4, Source2 = 5;

QString sourceName(quint16 word)
{
    return word == 0 ? MainTexts::MasterSource : MainTexts::SlaveSource + QString::number(word);
}
} // namespace

Rs485Panel::Rs485Panel(ConfigDocument &document, QWidget *parent)
    : QFrame(parent)
    , m_document(document)
{
    setupPanel(this, "Panel6", MainTexts::Rs485Peripherie, QRect(444, 155, 192, 160));
    m_included = new QCheckBox(MainTexts::CaptionEinbinden, this);
    m_included->setObjectName(QStringLiteral("CBmitRS485"));
    m_included->setProperty("Tag", 1); // bit 1 of word 41
    m_included->setGeometry(8, 19, 120, 18);
    m_included->setToolTip(MainTexts::HintMitRs485);

    m_details = new QWidget(this);
    m_details->setObjectName(QStringLiteral("PanRS485"));
    m_details->setGeometry(2, 38, 188, 120);
    m_fields = buildFields(document, std::span(Fields).first(Source1 + 1), m_details);
    m_sourceNames[0] = makeCaption(m_details, QString(), QRect(122, 84, 64, 16));
    m_sourceNames[0]->setObjectName(QStringLiteral("L_Qana1"));
    m_fields << buildField(document, Fields[Source2], m_details);
    m_sourceNames[1] = makeCaption(m_details, QString(), QRect(122, 102, 64, 16));
    m_sourceNames[1]->setObjectName(QStringLiteral("L_Qana2"));
    // The caption belongs to the group, not to the details, and stays when they hide.
    makeCaption(this, MainTexts::CaptionFremdquelle, QRect(8, 122, 80, 16));

    connect(m_included, &QCheckBox::toggled, this, &Rs485Panel::CBconfig1Click);
}

void Rs485Panel::CBconfig1Click()
{
    const auto bit = quint16(powerOfTwo(m_included->property("Tag").toInt()));
    const bool included = m_included->isChecked();
    m_document.edit([bit, included](ConfigWords &image) {
        if (included)
            image[Word::ConfigBits] |= bit;
        else
            image[Word::ConfigBits] &= quint16(~bit);
    });
}

void Rs485Panel::showIncluded()
{
    const bool included = m_document.word(Word::ConfigBits) & Rs485Bit;
    const QSignalBlocker quiet(m_included); // showing is not choosing
    m_included->setChecked(included);
    m_details->setVisible(included);
}

void Rs485Panel::markTimeout(bool tooShort)
{
    setTextColour(m_fields[Timeout], tooShort ? PanelColour::RedText : PanelColour::BlackText);
}

void Rs485Panel::showSources(const QColor &present)
{
    m_sourceNames[0]->setText(sourceName(m_document.word(Word::AnalogSource1)));
    m_sourceNames[1]->setText(sourceName(m_document.word(Word::AnalogSource2)));
    for (int i : {Address1, Address2})
        setBackground(m_fields[i], m_document.word(m_fields[i]->word()) != 0 ? present : PanelColour::White);
}
