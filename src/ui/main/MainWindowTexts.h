#pragma once

#include "core/config/SettingTexts.h"
#include "core/files/ConfigFile.h"
#include "core/workflow/WorkflowTexts.h"

#include <QString>
#include <QStringList>

// Every text the main window shows or logs, in one place.
namespace MainTexts {
inline const QString TitlePrefix = QStringLiteral("   Velka Funksystem Konfiguration   (v");

inline const QString Programmstart = QStringLiteral("Programmstart");
inline const QString NoConnection = QStringLiteral("-no connection-");
inline const QString PanelNoLink = QStringLiteral("-no-");
inline const QString PanelNoFile = QStringLiteral("-file-");
inline const QString MissingPort = QStringLiteral("---");
inline const QString UsbConnection = QStringLiteral("USB");
inline const QString UsbGone = QStringLiteral("USB-Adapter nicht mehr vorhanden!");
inline const QString UsingSerialPort = QStringLiteral("verwende nun seriellen Port: ");
inline const QString UsbMenu = QStringLiteral("!!! using USB-Adapter %1!!!");

// Groups
inline const QString Geraeteadressen = SettingTexts::Geraeteadressen;
inline const QString Funkparameter = SettingTexts::Funkparameter;
inline const QString Erweiterungskanaele = SettingTexts::Erweiterungskanaele;
inline const QString AusgangsZuordnung = SettingTexts::AusgangsZuordnung;
inline const QString Rs485Peripherie = SettingTexts::Rs485Peripherie;

// Captions
inline const QString CaptionMaster = SettingTexts::CaptionMaster;
inline const QString CaptionSlave = SettingTexts::CaptionSlave;
inline const QString CaptionSystemId = SettingTexts::CaptionSystemId;
inline const QString CaptionKanal = SettingTexts::CaptionKanal;
inline const QString CaptionLeistung = SettingTexts::CaptionLeistung;
inline const QString CaptionZyklus = SettingTexts::CaptionZyklus;
inline const QString CaptionTimeout = SettingTexts::CaptionTimeout;
inline const QString CaptionEinbinden = SettingTexts::CaptionEinbinden;
inline const QString CaptionFremdquelle = QStringLiteral("Fremdquelle:");
inline const QString CaptionAdresse1 = SettingTexts::CaptionAdresse1;
inline const QString CaptionAdresse2 = SettingTexts::CaptionAdresse2;
inline const QString CaptionSendezyk = SettingTexts::CaptionSendezyk;
inline const QString CaptionRsTimeout = SettingTexts::CaptionRsTimeout;
inline const QString CaptionTimerNo1 = QStringLiteral("timerNo1:");
inline const QString CaptionTimerNo2 = QStringLiteral("timerNo2:");
inline const QString CaptionResetTime = QStringLiteral("HFresettime:");
inline const QString CaptionSelfSent = QStringLiteral("selfsent:");
inline const QString CaptionFirmware = SettingTexts::CaptionFirmware;
inline const QString CaptionSerial = SettingTexts::CaptionSerial;
inline const QString CaptionDateCode = QStringLiteral("Date Code:");
inline const QString CaptionKunde = SettingTexts::CaptionKunde;
inline const QString CaptionLast = QStringLiteral("letzte Konfiguration am:");
inline const QString Panel1Line1 = QStringLiteral("diese Informationen sind erst");
inline const QString Panel1Line2 = QStringLiteral("nach einer Datenübertragung");
inline const QString Panel1Line3 = QStringLiteral("mit dem Gerät verfügbar");
inline const QString LogoLine1 = QStringLiteral("Software: Velka Funktechnik");

// Extension buttons
inline const QString Dig0 = SettingTexts::Dig0;
inline const QString Dig8 = SettingTexts::Dig8;
inline const QString Dig16 = SettingTexts::Dig16;
inline const QString Dig24 = SettingTexts::Dig24;
inline const QString Dig32 = SettingTexts::Dig32;

// Buttons
inline const QString ButRead = QStringLiteral("Gerät auslesen");
inline const QString ButWrite = QStringLiteral("Gerät programmieren");
inline const QString Bklopf = QStringLiteral("Anklopfen");
inline const QString ButCal = QStringLiteral("Schreibe Werksdaten");

// Hints
inline const QString HintRead = QStringLiteral("Konfigurationsdaten vom Gerät auslesen");
inline const QString HintWrite = QStringLiteral("neue Konfigurationsdaten ins Gerät schreiben");
inline const QString HintCal = QStringLiteral("Analogeingang und Analogausgang kalibrieren");
inline const QString HintPread = QStringLiteral("Systemdaten (read only)");
inline const QString HintAdresse0 = QStringLiteral("Adresse des Masters im Funkverbund (1..99)");
inline const QString HintAdresseSlave = QStringLiteral("Adresse Slave%1 im Funkverbund (1..99)");
inline const QString HintSystemId = QStringLiteral("Adresse des Funksystems (alle Teilnehmer müssen dieselbe System-ID haben)");
inline const QString HintKanal = QStringLiteral("Frequenzkanal (1-5)");
inline const QString HintLeistung = QStringLiteral("Sendeleistung 1(min)..5(max)");
inline const QString HintZyklus = QStringLiteral("Sendeintervall der gegenseitigen Funkdaten");
inline const QString HintTimeout = QStringLiteral("Timeout Funkverbindung (nach dieser Zeit ohne Empfang der Gegenstelle wird ein Fehler erzeugt)");
inline const QString HintMitRs485 = QStringLiteral("selektiert, wenn eine Peripherieschaltung am RS485-Bus angesprochen werden soll");
inline const QString HintRs485Adr1 = QStringLiteral("RS485-Identifikationsadresse des 1. eigenen Datenwandlers");
inline const QString HintRs485Adr2 = QStringLiteral("RS485-Identifikationsadresse des 2. eigenen Datenwandlers");
inline const QString HintRsZyklus = QStringLiteral("Daten-Sendeintervall mit RS485-Peripherie");
inline const QString HintRsTimeout = QStringLiteral("Timeout RS485-Verbindung (nach dieser Zeit ohne Empfang der Peripherie wird ein Fehler erzeugt)");
inline const QString HintQana = QStringLiteral("Ausgabe-Analogwert von diesem Funkpartner");
inline const QString HintTabwerte = QStringLiteral("Definition Zuordnung der Ausgangswerte");

// Menus
inline const QString MenuDatei = QStringLiteral("&Datei");
inline const QString MenuNeu = QStringLiteral("&Neu");
inline const QString MenuLaden = QStringLiteral("&Laden");
inline const QString MenuSpeichern = QStringLiteral("&Speichern");
inline const QString MenuExit = QStringLiteral("E&xit");
inline const QString MenuDrucken = QStringLiteral("Drucken…");
inline const QString MenuPdf = QStringLiteral("Als PDF speichern…");
inline const QString ReportPrinted = QStringLiteral("Bericht gedruckt");
inline const QString PrintCancelled = QStringLiteral("Drucken abgebrochen");
inline const QString ReportTitle = QStringLiteral("Bericht als PDF speichern");
inline const QString ReportFilter = QStringLiteral("PDF-Datei|*.pdf");
inline const QString ReportExtension = QStringLiteral("pdf");
inline const QString ReportName = QStringLiteral("Bericht.pdf");
inline const QString ReportSaved = QStringLiteral("Bericht gespeichert: ");
inline const QString ReportFailed = QStringLiteral("Fehler beim Speichern des Berichts: ");
inline const QString ReportCancelled = QStringLiteral("Speichern des Berichts abgebrochen");
inline const QString MenuKommunikation = QStringLiteral("&Kommunikation");
inline const QString MenuRead = QStringLiteral("Konfigration auslesen");
inline const QString MenuWrite = QStringLiteral("Konfiguration programmieren");
inline const QString MenuCom = QStringLiteral("COM&%1");
inline const QString MenuFirmware = QStringLiteral("Firmware Update");
inline const QString OnlyFirstFile = QStringLiteral("%1 Dateien übergeben, nur die erste wird geladen: %2");
inline const QString FirmwareNotOpened = QStringLiteral(
    "Firmware-Dateien werden nur im Fenster \"Firmware Update\" geöffnet: ");
inline const QString MenuCompare = QStringLiteral("Mit Gerät vergleichen");
inline const QString CompareTitle = QStringLiteral("Vergleich mit Gerät");
inline const QString NoDifferences = QStringLiteral("Keine Unterschiede");
inline const QStringList CompareColumns{QStringLiteral("Adresse"), QStringLiteral("Einstellung"),
                                        QStringLiteral("Fenster"), QStringLiteral("Gerät")};
inline const QString CompareCopy = QStringLiteral("Kopieren");
inline const QString CompareClose = QStringLiteral("Schließen");
inline const QString MenuTest = QStringLiteral("&Testfunktionen");
inline const QString MenuHilfe = QStringLiteral("&Hilfe");
inline const QString MenuHomepage = QStringLiteral("&homepage (%1)");
inline const QString MenuInfo = QStringLiteral("&Info");

// File menu
inline const QString FileFilter = QStringLiteral("Velka Konfigurationsfiles|*.VMC|all files|*.*");
inline const QString FileExtension = QStringLiteral("VMC");
inline const QString FileInitialName = QStringLiteral("default.VMC");
inline const QString OpenConfigTitle = QStringLiteral("Konfigurationsdaten aus Datei laden");
inline const QString SaveConfigTitle = QStringLiteral("Konfigurationsdateien archivieren");

// Read, write and the factory record: the questions before, and when they are declined
inline const QString AskRead = QStringLiteral("Daten vom Gerät auslesen?\r\n"
                                              " (die PC-Einstellungen werden überschrieben!)");
inline const QString AskFactoryRead = QStringLiteral(
    "vor dem Schreiben der Werksdaten wird das Gerät ausgelesen!\r\n"
    " (die aktuellen PC-Einstellungen werden dabei überschrieben!)");
inline const QString AskWrite = QStringLiteral("Gerät mit Daten programmieren?\r\n"
                                               " (Gerätedaten werden überschrieben!)");
inline const QString ReadCancelled = QStringLiteral("Vorgang \"Gerät auslesen\" vom Anwender ABGEBROCHEN!");
inline const QString FactoryCancelled = WorkflowTexts::FactoryCancelled;
// The comparison overwrites nothing and says so.
inline const QString AskCompare = QStringLiteral("Gerät auslesen und mit den PC-Einstellungen vergleichen?\r\n"
                                                 " (die PC-Einstellungen bleiben unverändert)");
inline const QString CompareCancelled = QStringLiteral("Vorgang \"Vergleich\" vom Anwender ABGEBROCHEN!");
inline const QString WriteCancelled = QStringLiteral("Vorgang \"Gerät programmieren\" vom Anwender ABGEBROCHEN!");

// File menu, continued
inline const QString AskNeu = QStringLiteral("Alle Konfigurationsdaten auf Defaultwerte rücksetzen?\r\n"
                                             "(die alten Werte werden nicht automatisch gesichert!)");
inline const QString NeuAbgebrochen = QStringLiteral("\"Datei Neu\" abgebrochen!");
inline const QString DefaultGeladen = QStringLiteral("Default-Einstellung geladen");
inline const QString DateiGeladen = QStringLiteral("Datei geladen: ");
inline const QString LadenAbgebrochen = QStringLiteral("Datei Laden abgebrochen");
inline const QString LadenFehler = ConfigFile::LoadFailed;
inline const QString Gespeichert = QStringLiteral("Daten erfolgreich gespeichert");
inline const QString SpeichernAbgebrochen = QStringLiteral("Speichern abgebrochen");
inline const QString SpeichernFehler = QStringLiteral("Fehler bei \"Datei speichern\"");
// Saving the information log
inline const QString ProtokollSpeichern = QStringLiteral("Protokoll speichern…");
inline const QString ProtokollTitle = QStringLiteral("Protokoll speichern");
inline const QString ProtokollFilter = QStringLiteral("Textdatei|*.txt|HTML-Datei (mit Farben)|*.html");
inline const QString ProtokollExtension = QStringLiteral("txt");
inline const QString ProtokollName = QStringLiteral("Protokoll.txt");
inline const QString ProtokollGespeichert = QStringLiteral("Protokoll gespeichert: ");
inline const QString ProtokollFehler = QStringLiteral("Fehler beim Speichern des Protokolls: ");

// Display
inline const QString MasterSource = QStringLiteral("Master");
inline const QString SlaveSource = QStringLiteral("Slave");
inline const QString TimeUnit = SettingTexts::TimeUnit;
} // namespace MainTexts
