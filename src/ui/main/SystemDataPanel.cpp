#include "ui/main/SystemDataPanel.h"

#include "core/config/SystemData.h"
#include "core/workflow/ConfigDocument.h"
#include "ui/common/PixelFont.h"
#include "ui/main/MainWindowTexts.h"
#include "ui/main/PanelParts.h"

#include <QFrame>
#include <QLabel>

SystemDataPanel::SystemDataPanel(const ConfigDocument &document, QWidget *parent)
    : QWidget(parent)
    , m_document(document)
{
    setGeometry(444, 8, 192, 103);
    m_note = makePanel(this, "Panel1", QString(), QRect(0, 0, 192, 103));
    const QString lines[3] = {MainTexts::Panel1Line1, MainTexts::Panel1Line2, MainTexts::Panel1Line3};
    for (int i = 0; i < 3; ++i) {
        QLabel *line = makeCaption(m_note, lines[i], QRect(4, 22 + i * 20, 184, 18));
        line->setAlignment(Qt::AlignHCenter);
        line->setEnabled(false);
    }

    m_data = makePanel(this, "Pread", QString(), QRect(0, 0, 192, 103));
    m_data->setToolTip(MainTexts::HintPread);
    m_data->setAutoFillBackground(true);
    // A smaller font: the longest caption and its date share one line.
    const QFont small = arialFont(11);
    const struct
    {
        const QString &caption;
        const char *name;
        QLabel **value;
        int valueLeft;
    } rows[] = {{MainTexts::CaptionFirmware, "LFirmware", &m_firmware, 96},
                {MainTexts::CaptionSerial, "LSeriennummer", &m_serial, 96},
                {MainTexts::CaptionDateCode, "LDateCode", &m_dateCode, 96},
                {MainTexts::CaptionKunde, "LKunde", &m_customer, 96},
                {MainTexts::CaptionLast, "Llast", &m_last, 128}};
    int y = 6;
    for (const auto &row : rows) {
        makeCaption(m_data, row.caption, QRect(6, y, 124, 18))->setFont(small);
        *row.value = makeValueLabel(m_data, row.name, QRect(row.valueLeft, y, 186 - row.valueLeft, 18));
        (*row.value)->setFont(small);
        y += 18;
    }
    m_data->hide();
}

void SystemDataPanel::showData(const std::array<quint8, 2> &firmware)
{
    const SystemData data = systemData(m_document.configImage(), firmware);
    m_firmware->setText(data.firmware);
    m_last->setText(data.lastConfiguration);
    m_serial->setText(data.serial);
    m_dateCode->setText(data.dateCode);
    m_customer->setText(data.customer);
}

void SystemDataPanel::showModuleData()
{
    m_data->show();
    m_data->raise();
}
