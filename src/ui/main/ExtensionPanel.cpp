#include "ui/main/ExtensionPanel.h"

#include "core/outputs/DigTab.h"
#include "core/workflow/ConfigDocument.h"
#include "ui/main/MainWindowTexts.h"
#include "ui/main/PanelParts.h"

#include <QRadioButton>

ExtensionPanel::ExtensionPanel(ConfigDocument &document, QWidget *parent)
    : QFrame(parent)
    , m_document(document)
{
    setupPanel(this, "Panel7", MainTexts::Erweiterungskanaele, QRect(19, 188, 419, 40));
    const QString texts[5] = {MainTexts::Dig0, MainTexts::Dig8, MainTexts::Dig16, MainTexts::Dig24,
                              MainTexts::Dig32};
    for (int i = 0; i <= 4; ++i) {
        m_choices[i] = makeRadio(this, QStringLiteral("RBdig%1").arg(i * 8), texts[i],
                                 QRect(8 + i * 82, 19, 78, 18));
        connect(m_choices[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                RBdigClick(i);
        });
    }
}

void ExtensionPanel::RBdigClick(int groups)
{
    m_document.setWord(Word::ExtensionGroups, quint16(groups));
}

void ExtensionPanel::showChoice()
{
    selectRadio(m_choices[extensionGroupsShown(m_document.word(Word::ExtensionGroups))]);
}
