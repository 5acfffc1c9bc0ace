#pragma once

#include <QString>

// The texts of the read, verify and write sequence.
namespace WorkflowTexts {
inline const QString ReadBeforeWrite = QStringLiteral("alte Parameter vor Neuprogrammierung auslesen...");
inline const QString DataRead = QStringLiteral("Daten ausgelesen");
inline const QString DataReadToCompare = QStringLiteral("Daten zum Vergleich ausgelesen");
inline const QString ChecksumError = QStringLiteral("!!! Fehler Checksumme !!!");
inline const QString Inconsistent = QStringLiteral("ausgelesene Daten sind inkonsistent");
inline const QString DataWritten = QStringLiteral("Daten geschrieben");
inline const QString VerifyNow = QStringLiteral("jetzt verify...");
inline const QString VerifyDifference = QStringLiteral("Adresse [%1]: soll:%2  ist:%3");
inline const QString VerifyOk = QStringLiteral("Verify ok");
inline const QString VerifyFailed = QStringLiteral("!!! FEHLER Verify !!!");
inline const QString Restarted = QStringLiteral("Gerät neu gestartet");
inline const QString CommunicationError = QStringLiteral("Fehler bei Kommunikation");
inline const QString FactoryImpossible = QStringLiteral("Kalibriervorgang kann nicht gestartet werden!");
inline const QString DiagnosticError = QStringLiteral("Fehler: ");
inline const QString FactoryCancelled = QStringLiteral("Vorgang \"Werksdaten\" vom Anwender ABGEBROCHEN!");
// The radio test's stop when the carrier has been on for the longest time allowed.
inline const QString CarrierStopped = QStringLiteral(
    "HF-Dauerträger nach 6 Minuten automatisch beendet (max. 6 Minuten pro Stunde erlaubt)");
} // namespace WorkflowTexts
