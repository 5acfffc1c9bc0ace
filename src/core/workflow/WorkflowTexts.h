#pragma once

#include <QString>

// The texts of the read, verify and write sequence.
namespace WorkflowTexts {
inline const QString AskRead = QStringLiteral("Daten vom Gerät auslesen?\r\n"
                                              " (die PC-Einstellungen werden überschrieben!)");
inline const QString AskFactoryRead = QStringLiteral(
    "vor dem Schreiben der Werksdaten wird das Gerät ausgelesen!\r\n"
    " (die aktuellen PC-Einstellungen werden dabei überschrieben!)");
inline const QString AskWrite = QStringLiteral("Gerät mit Daten programmieren?\r\n"
                                               " (Gerätedaten werden überschrieben!)");
inline const QString ReadCancelled = QStringLiteral("Vorgang \"Gerät auslesen\" vom Anwender ABGEBROCHEN!");
inline const QString FactoryCancelled = QStringLiteral("Vorgang \"Werksdaten\" vom Anwender ABGEBROCHEN!");
inline const QString WriteCancelled = QStringLiteral("Vorgang \"Gerät programmieren\" vom Anwender ABGEBROCHEN!");
inline const QString ReadBeforeWrite = QStringLiteral("alte Parameter vor Neuprogrammierung auslesen...");
inline const QString DataRead = QStringLiteral("Daten ausgelesen");
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
// The radio test's stop when the carrier has been on for the longest time allowed.
inline const QString CarrierStopped = QStringLiteral(
    "HF-Dauerträger nach 6 Minuten automatisch beendet (max. 6 Minuten pro Stunde erlaubt)");
} // namespace WorkflowTexts
