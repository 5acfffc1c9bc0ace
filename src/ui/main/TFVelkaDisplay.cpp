// The display refresh: makes the image consistent and shows every word of it.

#include "ui/main/TFVelka.h"

#include "ui/main/MainWindowTexts.h"
#include "core/config/ConsistencyRules.h"
#include "core/config/NumberText.h"
#include "ui/factory/TFcal.h"
#include "core/link/TFRX.h"
#include "ui/outputs/OutputGrid.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

namespace {
const QColor White(255, 255, 255);
const QColor RedText(255, 0, 0);
const QColor BlackText(0, 0, 0);

void setBackground(QLineEdit *field, const QColor &colour)
{
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, colour);
    field->setPalette(palette);
}

void setTextColour(QLineEdit *field, const QColor &colour)
{
    QPalette palette = field->palette();
    palette.setColor(QPalette::Text, colour);
    field->setPalette(palette);
}

QString hex2(quint8 value)
{
    return QStringLiteral("%1").arg(uint(value), 2, 16, QLatin1Char('0')).toUpper();
}

QString sourceName(quint16 word)
{
    return word == 0 ? MainTexts::MasterSource : MainTexts::SlaveSource + QString::number(word);
}
} // namespace

void TFVelka::selectRadio(QRadioButton *button)
{
    // Checking a button that was not checked runs its handler through toggled().
    if (!button->isChecked())
        button->setChecked(true);
}

void TFVelka::showTime(QLineEdit *field, int word)
{
    field->setText(realvalue(ConfigImage[word] / 100.0, 99999, 3, 3, QLatin1Char(' '),
                             MainTexts::TimeUnit));
}

void TFVelka::showPresence(QLineEdit *field, int word)
{
    setBackground(field, ConfigImage[word] != 0 ? presentColour() : White);
}

void TFVelka::showRole()
{
    if (ConfigImage[Word::ConfigBits] & MasterBit) {
        selectRadio(RBmaster);
        ConfigImage[Word::Station] = 0;
    } else {
        const quint16 station = ConfigImage[Word::Station];
        if (station >= 1 && station <= 4)
            selectRadio(RBslave[station]);
    }
}

void TFVelka::showExtensionChannels()
{
    const quint16 groups = ConfigImage[Word::ExtensionGroups];
    Tabwerte->setGridRowCount(gridRowCount(groups));
    selectRadio(RBdig[extensionGroupsShown(groups)]);
}

void TFVelka::showdata()
{
    QStringList diagnostic;
    for (int i = 0; i < 128; ++i)
        diagnostic << QStringLiteral("%1: %2").arg(i).arg(ConfigImage[i], 4, 16, QLatin1Char('0')).toUpper();
    Memo1->setPlainText(diagnostic.join(QLatin1Char('\n')));

    showRole();

    const bool rs485 = ConfigImage[Word::ConfigBits] & Rs485Bit;
    CBmitRS485->setChecked(rs485); // a change runs CBconfig1Click through toggled()
    PanRS485->setVisible(rs485);

    showExtensionChannels();

    applyTimeoutRule(ConfigImage);
    applyRs485CycleRule(ConfigImage);
    setTextColour(E_RStimeout, rs485TimeoutTooShort(ConfigImage) ? RedText : BlackText);
    applyRadioCycleRule(ConfigImage);
    setTextColour(E_HFtimeout, radioTimeoutTooShort(ConfigImage) ? RedText : BlackText);

    showTime(E_HFzyklus, Word::RadioCycle);
    showTime(E_HFtimeout, Word::RadioTimeout);
    showTime(E_RSzyklus, Word::Rs485Cycle);
    showTime(E_RStimeout, Word::Rs485Timeout);

    applyTimerNo1Rule(ConfigImage);
    applyTimerNo2Rule(ConfigImage);
    showTime(E_timerNo1, Word::TimerNo1);
    showTime(E_TimerNo2, Word::TimerNo2);
    showTime(E_HFresettime, Word::ResetTime);
    applySelfSentRule(ConfigImage);

    const quint8 version1 = m_link ? m_link->ReplyByte2 : 0;
    const quint8 version2 = m_link ? m_link->ReplyByte3 : 0;
    LFirmware->setText(hex2(version1) + QLatin1Char('.') + hex2(version2));

    const quint16 monthYear = ConfigImage[Word::MonthYear];
    // The year is zero-padded like the month, so 2005 reads "2005" and not "20 5".
    Llast->setText(fillString(2, QLatin1Char(' '), ConfigImage[Word::Day]) + QLatin1Char('.')
                   + fillString(2, QLatin1Char('0'), monthYear >> 8) + QStringLiteral(".20")
                   + fillString(2, QLatin1Char('0'), monthYear & 0xFF));
    LSeriennummer->setText(QString::number(ConfigImage[Word::Customer]) + QLatin1Char('.')
                           + fillString(5, QLatin1Char('0'), ConfigImage[Word::Serial]));
    LDateCode->setText(fillString(4, QLatin1Char('0'), ConfigImage[Word::DateCode]));
    LKunde->setText(MainTexts::CustomerPrefix + fillString(5, QLatin1Char('0'), ConfigImage[Word::Customer]));

    E_HFkanal->setText(fillString(3, QLatin1Char(' '), ConfigImage[Word::Channel]));
    E_systemID->setText(fillString(3, QLatin1Char(' '), ConfigImage[Word::SystemId]));
    E_HFpower->setText(fillString(3, QLatin1Char(' '), ConfigImage[Word::Power]));

    applyAddressRule(ConfigImage);
    for (int i = 0; i <= 4; ++i)
        E_adresse[i]->setText(fillString(3, QLatin1Char(' '), ConfigImage[Word::MasterAddress + 2 * i]));
    setBackground(E_adresse[0], presentColour());
    for (int i = 1; i <= 4; ++i)
        showPresence(E_adresse[i], Word::MasterAddress + 2 * i);

    E_RS485adr1->setText(fillString(3, QLatin1Char(' '), ConfigImage[Word::Rs485Address1]));
    E_RS485adr2->setText(fillString(3, QLatin1Char(' '), ConfigImage[Word::Rs485Address2]));

    applyAnalogSourceRule(ConfigImage);
    E_Qana1->setText(fillString(2, QLatin1Char(' '), ConfigImage[Word::AnalogSource1]));
    E_Qana2->setText(fillString(2, QLatin1Char(' '), ConfigImage[Word::AnalogSource2]));
    L_Qana1->setText(sourceName(ConfigImage[Word::AnalogSource1]));
    L_Qana2->setText(sourceName(ConfigImage[Word::AnalogSource2]));

    showPresence(E_RS485adr1, Word::Rs485Address1);
    showPresence(E_RS485adr2, Word::Rs485Address2);

    E_selfsent->setText(fillString(3, QLatin1Char(' '), ConfigImage[Word::SelfSent]));

    if (m_factory)
        m_factory->showFactoryWords(ConfigImage);

    showdigTab();
}
