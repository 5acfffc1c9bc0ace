#pragma once

#include <QString>
#include <QStringList>

// The names the main window gives the settings, shared with the documents made of a
// configuration (the printed report), so both speak alike.
namespace SettingTexts {
inline const QString Geraeteadressen = QStringLiteral("Geräteadressen");
inline const QString Funkparameter = QStringLiteral("Funkparameter");
inline const QString Erweiterungskanaele = QStringLiteral("Anzahl digitale Erweiterungskanäle:");
inline const QString AusgangsZuordnung = QStringLiteral("Ausgangs-Zuordnung:");
inline const QString Rs485Peripherie = QStringLiteral("RS485-Peripherie");

inline const QString CaptionMaster = QStringLiteral("Master:");
inline const QString CaptionSlave = QStringLiteral("Slave%1");
inline const QString CaptionSystemId = QStringLiteral("System-ID:");
inline const QString CaptionKanal = QStringLiteral("Frequenzkanal:");
inline const QString CaptionLeistung = QStringLiteral("Sendeleistung:");
inline const QString CaptionZyklus = QStringLiteral("Sendezyklus:");
inline const QString CaptionTimeout = QStringLiteral("Funk-TimeOut:");
inline const QString CaptionEinbinden = QStringLiteral("einbinden");
inline const QString CaptionAdresse1 = QStringLiteral("Adresse1:");
inline const QString CaptionAdresse2 = QStringLiteral("Adresse2:");
inline const QString CaptionSendezyk = QStringLiteral("Sendezyk.:");
inline const QString CaptionRsTimeout = QStringLiteral("TimeOut:");
inline const QString CaptionFirmware = QStringLiteral("Firmware: ");
inline const QString CaptionSerial = QStringLiteral("Seriennummer:");
inline const QString CaptionKunde = QStringLiteral("Kunde:");

// The extension choices, for 0, 8, 16, 24 and 32 channels.
inline const QString Dig0 = QStringLiteral("-no-");
inline const QString Dig8 = QStringLiteral("8 I/O");
inline const QString Dig16 = QStringLiteral("16 I/O");
inline const QString Dig24 = QStringLiteral("24 I/O");
inline const QString Dig32 = QStringLiteral("32 I/O");

// The output table's column headings.
inline const QStringList OutputColumns{QStringLiteral("output"), QStringLiteral("Quelle"), QStringLiteral("Inhalt"),
                                       QStringLiteral("bei Fehler"), QStringLiteral("invertiert")};

inline const QString TimeUnit = QStringLiteral(" s");
} // namespace SettingTexts
