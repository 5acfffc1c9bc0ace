#pragma once

#include <QString>

// Every text the firmware update procedure logs, in one place.
namespace UpdateTexts {

inline const QString Loading = QStringLiteral("Lade Datei: ");

inline const QString NoConnection = QStringLiteral(
    "Achtung, keine korrekte Verbindung zu Gerät erkannt!  Daher kein Update möglich!");
inline const QString NoConnectionStep1 = QStringLiteral(" 1. dieses Fenster schließen");
inline const QString NoConnectionStep2 = QStringLiteral(" 2. Verbindung und Versorgung überprüfen");
inline const QString NoConnectionStep3 = QStringLiteral(" 3. kompletten Vorgang erneut starten");
inline const QString CurrentVersion = QStringLiteral("momentane Firmwareversion:  ");
inline const QString FutureVersion = QStringLiteral("zukünftige Firmwareversion: ");
inline const QString SameVersion = QStringLiteral("Achtung, die Firmwareversionen sind identisch!");

// %1: why the file cannot be used
inline const QString Refused = QStringLiteral("Kein Update möglich: %1");
inline const QString ReasonNoFile = QStringLiteral("keine Firmware-Update-Datei gelesen");
inline const QString ReasonChecksum = QStringLiteral("die Datei hat eine falsche Checksumme");
inline const QString ReasonVersion = QStringLiteral("die Firmwareversion der Datei hat keinen Punkt");
inline const QString ReasonStart = QStringLiteral("die Startadresse liegt nicht am Anfang einer Seite");
inline const QString ReasonSize = QStringLiteral("die Datei hat zu viele Daten");

inline const QString Transferring = QStringLiteral("Übertrage Daten...");
inline const QString DoNotDisconnect = QStringLiteral("!!! VERBINDUNG NICHT TRENNEN !!!");
inline const QString Failed = QStringLiteral(" !!! FEHLER bei Firmware-Update !!!");
inline const QString Completed = QStringLiteral("Firmware-Update abgeschlossen");

// The hidden diagnostic list
inline const QString DiagnosticFailed = QStringLiteral("FEHLER");
inline const QString SkipRow = QStringLiteral("überspringe row: ");
inline const QString WriteRow = QStringLiteral("schreibe row: ");
inline const QString DiagnosticDone = QStringLiteral("-fertig-");

} // namespace UpdateTexts
