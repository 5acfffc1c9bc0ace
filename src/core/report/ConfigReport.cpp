#include "core/report/ConfigReport.h"

#include "core/config/NumberText.h"
#include "core/config/SettingTexts.h"
#include "core/outputs/OutputLists.h"

namespace {

namespace Texts {
const QString Title = QStringLiteral("Velka Konfiguration");
const QString Subtitle = QStringLiteral("Konfigurationsbericht");
const QString File = QStringLiteral("Datei:");
const QString NoFile = QStringLiteral("(nicht gespeichert)");
const QString Date = QStringLiteral("Datum:");
const QString Module = QStringLiteral("Gerät");
const QString Role = QStringLiteral("Rolle:");
const QString Yes = QStringLiteral("ja");
const QString No = QStringLiteral("nein");
const QString Checksum = QStringLiteral("Prüfsumme:");
} // namespace Texts

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

QString row(const QString &caption, const QString &value)
{
    return QStringLiteral("<tr><td>%1</td><td>%2</td></tr>\n").arg(escaped(caption), escaped(value));
}

QString section(const QString &heading, const QString &rows)
{
    return QStringLiteral("<h3>%1</h3>\n<table cellspacing=\"0\" cellpadding=\"2\">\n%2</table>\n")
        .arg(escaped(heading), rows);
}

QString seconds(quint16 word)
{
    return secondsText(word / 100.0, SettingTexts::TimeUnit).trimmed();
}

QString roleText(const ConfigWords &image)
{
    if (image[Word::ConfigBits] & MasterBit)
        return SettingTexts::CaptionMaster.chopped(1);
    return SettingTexts::CaptionSlave.arg(image[Word::Station]);
}

QString extensionText(quint16 word)
{
    const QString choices[5] = {SettingTexts::Dig0, SettingTexts::Dig8, SettingTexts::Dig16, SettingTexts::Dig24,
                                SettingTexts::Dig32};
    return choices[extensionGroupsShown(word)];
}

QString outputTable(const DigTable &outputs)
{
    QString html = QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"2\">\n<tr>");
    for (const QString &heading : SettingTexts::OutputColumns)
        html += QStringLiteral("<th>%1</th>").arg(escaped(heading));
    html += QStringLiteral("</tr>\n");
    for (int number = 1; number <= OutputCount; ++number) {
        const OutputRowTexts texts = outputRowTexts(*digEntry(outputs, number));
        html += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td></tr>\n")
                    .arg(escaped(outputName(number)), escaped(texts.source), escaped(texts.content),
                         escaped(texts.fault), escaped(texts.inversion));
    }
    return html + QStringLiteral("</table>\n");
}

} // namespace

QString configReportHtml(const ReportInput &input)
{
    const ConfigWords &image = input.image;
    QString html = QStringLiteral("<html><head><meta charset=\"utf-8\"><title>%1</title></head><body>\n")
                       .arg(escaped(Texts::Title + QStringLiteral(" – ") + Texts::Subtitle));
    html += QStringLiteral("<h1>%1</h1>\n<h2>%2</h2>\n").arg(escaped(Texts::Title), escaped(Texts::Subtitle));
    html += QStringLiteral("<table cellspacing=\"0\" cellpadding=\"2\">\n%1%2</table>\n")
                .arg(row(Texts::File, input.fileName.isEmpty() ? Texts::NoFile : input.fileName),
                     row(Texts::Date, input.date.toString(QStringLiteral("dd.MM.yyyy"))));

    if (input.module) {
        html += section(Texts::Module, row(SettingTexts::CaptionFirmware.trimmed(), input.module->firmware)
                                           + row(SettingTexts::CaptionSerial, input.module->serial)
                                           + row(SettingTexts::CaptionKunde, input.module->customer));
    }

    // The partners present: the master always, a slave when it has an address.
    QString stations = row(Texts::Role, roleText(image))
        + row(SettingTexts::CaptionMaster, QString::number(image[Word::MasterAddress]));
    const int slaveWords[4] = {Word::Slave1Address, Word::Slave2Address, Word::Slave3Address, Word::Slave4Address};
    for (int i = 0; i < 4; ++i) {
        if (image[size_t(slaveWords[i])] != 0)
            stations += row(SettingTexts::CaptionSlave.arg(i + 1) + QLatin1Char(':'),
                            QString::number(image[size_t(slaveWords[i])]));
    }
    html += section(SettingTexts::Geraeteadressen, stations);

    html += section(SettingTexts::Funkparameter,
                    row(SettingTexts::CaptionSystemId, QString::number(image[Word::SystemId]))
                        + row(SettingTexts::CaptionKanal, QString::number(image[Word::Channel]))
                        + row(SettingTexts::CaptionLeistung, QString::number(image[Word::Power]))
                        + row(SettingTexts::CaptionZyklus, seconds(image[Word::RadioCycle]))
                        + row(SettingTexts::CaptionTimeout, seconds(image[Word::RadioTimeout])));

    const bool rs485 = image[Word::ConfigBits] & Rs485Bit;
    QString rs485Rows = row(SettingTexts::CaptionEinbinden + QLatin1Char(':'), rs485 ? Texts::Yes : Texts::No);
    if (rs485) {
        rs485Rows += row(SettingTexts::CaptionAdresse1, QString::number(image[Word::Rs485Address1]))
            + row(SettingTexts::CaptionAdresse2, QString::number(image[Word::Rs485Address2]))
            + row(SettingTexts::CaptionSendezyk, seconds(image[Word::Rs485Cycle]))
            + row(SettingTexts::CaptionRsTimeout, seconds(image[Word::Rs485Timeout]));
    }
    html += section(SettingTexts::Rs485Peripherie, rs485Rows);
    html += section(SettingTexts::Erweiterungskanaele.chopped(1),
                    row(QString(), extensionText(image[Word::ExtensionGroups])));

    html += QStringLiteral("<h3>%1</h3>\n").arg(escaped(SettingTexts::AusgangsZuordnung.chopped(1)));
    html += outputTable(input.outputs);
    html += QStringLiteral("<p>%1 %2</p>\n")
                .arg(escaped(Texts::Checksum), QStringLiteral("0x") + hexText(imageChecksum(image), 4));
    return html + QStringLiteral("</body></html>\n");
}
