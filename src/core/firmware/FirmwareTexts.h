#pragma once

#include <QString>

// Every text that reading a firmware update file and building its rows write, in one place.
namespace FirmwareTexts {

// Log: a file that can be used
inline const QString Opened = QStringLiteral("Firmware-Update-Datei geöffnet:");
inline const QString DeviceLine = QStringLiteral("Firmware für:    ");
inline const QString VersionLine = QStringLiteral("Firmwareversion: ");
inline const QString ReleaseDateLine = QStringLiteral("Ausgabedatum:    ");

// Log: a file that was read but cannot be used for an update
inline const QString WrongChecksum = QStringLiteral("Fehlerhafte Datei - \"Datei Laden\" abgebrochen!");
inline const QString NoVersionPoint = QStringLiteral(
    "Fehlerhafte Datei - Firmwareversion ohne Punkt, \"Datei Laden\" abgebrochen!");
// %1: the start address, four hexadecimal digits
inline const QString StartNotOnPage = QStringLiteral(
    "Fehlerhafte Datei - Startadresse $%1 liegt nicht am Anfang einer Seite, \"Datei Laden\" abgebrochen!");
// %1: the file's instructions, %2: the most the module takes
inline const QString TooManyRows = QStringLiteral(
    "Fehlerhafte Datei - zu viele Daten (%1 Befehle, höchstens %2), \"Datei Laden\" abgebrochen!");

inline const QString BeyondMemory = QStringLiteral(
    "Fehlerhafte Datei - Daten reichen über das Ende des Programmspeichers, \"Datei Laden\" abgebrochen!");

// Log: what whoever loads the file reports when the reading failed as a whole
inline const QString LoadFailed = QStringLiteral("Fehler bei Datei Laden");

// Diagnostic list: reading
inline const QString CountedAddressLines = QStringLiteral("gezählte adresszeilen: : ");

// Diagnostic list: the row table
inline const QString RowTableStart = QStringLiteral(" ---------- ");
inline const QString AddressLines = QStringLiteral("Adresszeilen: ");
inline const QString RowCount = QStringLiteral(" rowcount: ");
inline const QString PageCount = QStringLiteral(" pagecount: ");
inline const QString Row = QStringLiteral("row: ");
inline const QString StartAddress = QStringLiteral("  startadresse: ");
inline const QString Page = QStringLiteral("  page: ");
inline const QString RowInPage = QStringLiteral("    rowinpage: ");
inline const QString UseRowYes = QStringLiteral(" userow: YES ");
inline const QString UseRowNo = QStringLiteral(" userow: NO  ");
inline const QString ClearPageYes = QStringLiteral("  clearpage: YES ");
inline const QString ClearPageNo = QStringLiteral("  clearpage: NO  ");
inline const QString RowsPresent = QStringLiteral("Datensätze insgesamt vorhanden: ");
inline const QString RowsWritten = QStringLiteral(" davon werden rows geschrieben: ");

} // namespace FirmwareTexts
