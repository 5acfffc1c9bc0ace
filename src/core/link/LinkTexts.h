#pragma once

#include <QString>

// Every text the link shows, records or traces, in one place.
namespace LinkTexts {

// Status texts
inline const QString InitialPort = QStringLiteral("COM1");
inline const QString UsbPanel = QStringLiteral(" USB ");
inline const QString NoAdapterYet = QStringLiteral("___");
inline const QString AdapterListed = QStringLiteral("USB-Adapter gefunden");
inline const QString AdapterFound = QStringLiteral("USB-Adapter: %1 gefunden");
inline const QString AdapterUnavailable = QStringLiteral("USB-Adapter %1 nicht verfügbar");
inline const QString Running = QStringLiteral("Übertragung läuft");
inline const QString Done = QStringLiteral("...fertig");
inline const QString Good = QStringLiteral("gut");
inline const QString ErrorMessage = QStringLiteral("error-message");

// Menu captions
inline const QString MenuKommunikation = QStringLiteral("&Kommunikation");
inline const QString MenuCom = QStringLiteral("COM&%1");

// Errors
inline const QString PortError = QStringLiteral("Fehler Kommunikationsport");
inline const QString BadStart = QStringLiteral("fehlerhafte Antwort von Gerät (SystemInfo:%1@%2)");
inline const QString BadChecksum = QStringLiteral("fehlerhafte Checksumme in Antwort von Gerät");
inline const QString BadWriteReply = QStringLiteral("ungültige Antwort bei Schreibbefehl#2");
inline const QString BadDataReply = QStringLiteral("ungültige Antwort bei Schreibbefehl#4");
inline const QString BadLength = QStringLiteral("fehlerhafte Länge der Antwort von Gerät (%1 statt %2 Bytes)");
inline const QString Timeout = QStringLiteral("timeout");
inline const QString BadBootLength = QStringLiteral("fehlerhafte Datenanzahl erhalten");
inline const QString BadBootEnd = QStringLiteral("fehlerhafter Empfangsabschluss");
inline const QString BadBootChecksum = QStringLiteral("Fehler Checksumme");
inline const QString BadAnnounceReply = QStringLiteral("ungültige Antwort bei Schreibbefehl");
inline const QString BadFinishReply = QStringLiteral("ungültige Antwort bei Schreibbefehl#3");
inline const QString BootErrorReply = QStringLiteral("Fehlermeldung [%1] vom Gerät erhalten");
inline const QString Unspecified = QStringLiteral("Fehler nicht spezifiziert");

// Trace lines
inline const QString TxLine = QStringLiteral("TX[%1] = %2");
inline const QString FrameLine = QStringLiteral("%1 = %2");
inline const QString DataReceived = QStringLiteral("Daten erhalten:");
inline const QString RxLine = QStringLiteral("RX: [%1] : 0x%2");
inline const QString ReceivedChecksum = QStringLiteral("empfangene Checksumme: %1 %2 ");
inline const QString ComputedChecksum = QStringLiteral("errechnete Checksumme: %1 %2 ");
inline const QString SendingData = QStringLiteral("jetzt Daten übertragen...");
inline const QString ResetSeen = QStringLiteral("RESET-Befehl erkannt");
inline const QString BootSeen = QStringLiteral("Boot-Befehl erkannt");
inline const QString CarrierSeen = QStringLiteral("Dauerträger-Befehl erkannt");
inline const QString RssiSeen = QStringLiteral("RSSI-Befehl erkannt");
inline const QString AnnounceLine = QStringLiteral("Tx %1 = %2");
inline const QString RowFrameLine = QStringLiteral("Tx2: %1 = %2");
inline const QString CommandReceived = QStringLiteral("Befehl erhalten:");
inline const QString ErrorReceived = QStringLiteral("Fehlermeldung [%1] erhalten:");
inline const QString RowDataDone = QStringLiteral("-writeFlash2-");
inline const QString FinishDone = QStringLiteral("-writeFlash3-");

} // namespace LinkTexts
