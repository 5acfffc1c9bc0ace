#include "ui/main/RadioPanel.h"

#include "core/config/ConfigImage.h"
#include "ui/main/MainWindowTexts.h"
#include "ui/main/PanelParts.h"
#include "ui/main/WordField.h"

namespace {
const FieldRow Fields[] = {
    {"E_systemID", Word::SystemId, FieldKind::Integer, 5, {110, 22, 60, 20}, &MainTexts::HintSystemId,
     &MainTexts::CaptionSystemId, {8, 22, 100, 20}},
    {"E_HFkanal", Word::Channel, FieldKind::Integer, 5, {110, 48, 60, 20}, &MainTexts::HintKanal,
     &MainTexts::CaptionKanal, {8, 48, 100, 20}},
    {"E_HFpower", Word::Power, FieldKind::Integer, 5, {110, 74, 60, 20}, &MainTexts::HintLeistung,
     &MainTexts::CaptionLeistung, {8, 74, 100, 20}},
    {"E_HFzyklus", Word::RadioCycle, FieldKind::Time, 9, {300, 22, 100, 20}, &MainTexts::HintZyklus,
     &MainTexts::CaptionZyklus, {200, 22, 100, 20}},
    {"E_HFtimeout", Word::RadioTimeout, FieldKind::Time, 9, {300, 48, 100, 20}, &MainTexts::HintTimeout,
     &MainTexts::CaptionTimeout, {200, 48, 100, 20}},
};
} // namespace

RadioPanel::RadioPanel(ConfigDocument &document, QWidget *parent)
    : QFrame(parent)
{
    setupPanel(this, "Panel3", MainTexts::Funkparameter, QRect(19, 78, 419, 104));
    m_fields = buildFields(document, Fields, this);
    m_timeout = m_fields.last();
}

void RadioPanel::markTimeout(bool tooShort)
{
    setTextColour(m_timeout, tooShort ? PanelColour::RedText : PanelColour::BlackText);
}
