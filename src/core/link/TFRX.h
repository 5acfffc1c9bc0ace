#pragma once

#include "core/link/PortNames.h"
#include "core/link/ReceivePoll.h"
#include "core/link/TraceMemo.h"

#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>

#include <array>
#include <span>

// The link state shown by the radio buttons "aktiv", "ok" and "error"; none at start.
enum class LinkStates { none, aktiv, ok, error };

// One entry of the port menu, kept as data: the main window mirrors it in its own menu.
struct MenuItemState
{
    QString caption;
    bool checked = false;
    bool enabled = true;
};

// The service link to the module: owns the serial port, frames and sends the module's
// commands, collects and evaluates the replies and keeps the status values through which the
// windows learn the outcome. It holds what a never-shown service window would hold, but it
// touches no window: where a window has to act it emits a signal.
class TFRX : public QObject
{
    Q_OBJECT
public:
    explicit TFRX(QObject *parent = nullptr);
    ~TFRX() override;

    // ---- Port and port menu ----
    QSerialPort RS232;                 // opened under the device its name maps to
    MenuItemState MKommunikation;      // "&Kommunikation"; disabled while the adapter is the link
    MenuItemState COM11, COM21, COM31, COM41; // "COM&1".."COM&4": choice and probe result
    std::array<QString, 2> SB1;        // panel 0: the active link; panel 1: update file name
    QString Lsavecom;                  // the port the user chose
    QString LUSB;                      // adapter search text, read by the main window
    LinkStates LinkState = LinkStates::none;
    QString Lfehler;                   // progress or error text of the current wait
    QString LL;                        // received byte count on the adapter path
    QString Version;

    // ---- Bootloader row parameters, filled by the firmware window ----
    QString E_TxAdresse;
    QString E_TxAnzahl;
    QString E_pageclear;
    std::array<quint8, 197> RowBuffer{}; // bytes 1..196 are used
    QString OpenDialog1FileName;         // shown in status panel 1

    // ---- Traces (bounded) ----
    TraceMemo TM{QStringLiteral("TM")};       // plain sends, received bytes, checksums
    TraceMemo M1{QStringLiteral("M1")};       // request frames
    TraceMemo MC{QStringLiteral("MC")};       // recognised commands
    TraceMemo Mread{QStringLiteral("Mread")}; // announce frames

    // ---- Timers ----
    QTimer inittimer;        // 100 ms after creation: start-up
    ReceivePoll receivetimer; // active while a wait collects bytes
    QTimer checkendtimer;    // quiet time after the last byte: evaluation
    QTimer fehlertimer;      // reply time-out, counted from the request
    QTimer timerUSBsearch;   // adapter search (1000 ms) and watch (2000 ms)

    // ---- Buffers ----
    std::array<quint8, 2001> TxBuf{};
    std::array<quint8, 4001> RxBuf{};
    qint32 RxCount = 0;
    std::array<quint8, 2001> ConfigPayload{};

    // ---- Status values ----
    quint8 PendingCommand = 0;
    quint8 AppMode = 0;     // 1: an application reply is awaited; 0: a bootloader reply
    quint8 ReplyOk = 0;
    quint8 ReplyError = 0;
    QString ErrorText;
    quint8 ReplyByte2 = 0;  // bytes 2 and 3 of the last accepted reply: the firmware version
    quint8 ReplyByte3 = 0;  // after a read, the raw signal strength after an RSSI request
    quint8 BootAck = 0;
    quint8 CarrierOn = 0;
    quint8 ReplyHold = 0;   // set by windows that read RxBuf themselves: no evaluation
    quint8 UsbMode = 0;     // stays 0 until the USB adapter backend exists
    QString AdapterPrefix;
    QString AdapterDescription;

    // The logical port name, "COM1".."COM4" (the device it maps to is RS232.portName()).
    QString portName() const { return m_portName; }
    // Where "COM1".."COM4" lead; the default is systemPortName.
    void setPortNameMapping(PortNameMapping mapping);

    // The first 384 bytes of ConfigPayload: the packed configuration image.
    std::span<quint8, 384> payload() { return std::span<quint8, 384>(ConfigPayload.data(), 384); }

    static QString fillString(int digits, QChar fill, qint64 data);

    // ---- Start-up ----
    void FormCreate();
    void inittimerTimer();

    // ---- Serial link ----
    bool setupport(const QString &auswahl);
    void TxConfigOut(int Count);  // plain: discards uncollected input, traces every byte
    bool TxOut(int Count);        // scrambled with the link mask; TxBuf is left as it is
    void receivetimerTimer();     // collects what the port holds into RxBuf
    void clearPortBuffers();      // discards received bytes not yet collected
    void COM11Click();
    void COM21Click();
    void COM31Click();
    void COM41Click();
    void MainMenu1Change();       // probes COM1..COM4
    void showdata();
    void timerUSBsearchTimer();

    // ---- Requests: each returns once its frame is sent ----
    void BRXconfigClick();    // read the configuration
    void BTxConfigClick();    // write request; the data frame follows on its acceptance
    void BresetDeviceClick(); // restart the module
    void BBootClick();        // enter the bootloader
    void BtestClick();        // continuous carrier on
    void BtestRSSIClick();    // measure the received signal strength

    // ---- Reply wait ----
    void RxStart(quint8 locstat);
    void checkendtimerTimer();
    void fehlertimerTimer();
    void raiseerror(const QString &locstring);

signals:
    // The main window's follow-up timer gets this interval (restarting it if it runs).
    void followUpIntervalChanged(int ms);
    // The main window's follow-up timer is enabled (started unless it runs).
    void followUpEnabled();
    // The main window's read and write buttons are enabled again.
    void readWriteButtonsEnabled();
    // The link changed: the main window mirrors the port menu and status panel 0.
    void connectionChanged();
    // An RSSI reply: bar value and label text such as "-77[dBm]".
    void rssiMeasured(int raw, const QString &dbmText);
    // A bootloader row ended (an error while AppMode is 0): the firmware window's
    // progresstimer is due with this interval.
    void bootloaderRowEnded(int ms);
    // The system's default beep.
    void beepRequested();

private:
    void sendRequest(quint8 command);
    void evaluateApplicationReply();
    void actOnReply(quint8 replyCommand, int length);
    void evaluateBootloaderReply();

    bool openPort();
    void closePort();
    bool renamePort(const QString &name);
    bool finishWrite(int count);
    void storeReceived(std::span<const quint8> bytes);
    void restartQuietTime();
    void onPortReadyRead();
    void onPortError(QSerialPort::SerialPortError error);

    void selectPort(int number);
    MenuItemState &comItem(int number);
    int portNumber(const QString &name) const;
    void checkOnly(MenuItemState &item);

    QString m_portName;
    PortNameMapping m_portNameMapping;
    qint64 m_rxDropped = 0; // bytes that found RxBuf full since it was last empty
};
