#include "core/link/TFRX.h"

#include "core/config/NumberText.h"
#include "core/link/DeviceConstants.h"
#include "core/link/LinkTexts.h"

TFRX::TFRX(QObject *parent)
    : QObject(parent)
    , m_portNameMapping(systemPortName)
{
    setObjectName(QStringLiteral("FRX"));
    RS232.setObjectName(QStringLiteral("RS232"));

    MKommunikation = {LinkTexts::MenuKommunikation, false, true};
    COM11 = {LinkTexts::MenuCom.arg(1), true, true};
    COM21 = {LinkTexts::MenuCom.arg(2), false, true};
    COM31 = {LinkTexts::MenuCom.arg(3), false, true};
    COM41 = {LinkTexts::MenuCom.arg(4), false, true};
    SB1 = {LinkTexts::InitialPort, QString()};
    Lsavecom = LinkTexts::InitialPort;
    LUSB = LinkTexts::NoAdapterYet;
    Lfehler = QStringLiteral("Lfehler");
    LL = QStringLiteral("LL");
    Version = QStringLiteral("1.1");
    E_TxAdresse = QStringLiteral("0");
    E_TxAnzahl = QStringLiteral("192");
    E_pageclear = QStringLiteral("0");

    inittimer.setObjectName(QStringLiteral("inittimer"));
    receivetimer.setObjectName(QStringLiteral("receivetimer"));
    checkendtimer.setObjectName(QStringLiteral("checkendtimer"));
    fehlertimer.setObjectName(QStringLiteral("fehlertimer"));
    timerUSBsearch.setObjectName(QStringLiteral("timerUSBsearch"));
    inittimer.setInterval(100);
    receivetimer.setInterval(2);
    checkendtimer.setInterval(100);
    // The quiet time is a minimum: a coarse timer may fire up to 5 % early and cut a reply.
    checkendtimer.setTimerType(Qt::PreciseTimer);
    fehlertimer.setInterval(1000);
    timerUSBsearch.setInterval(1000);

    connect(&inittimer, &QTimer::timeout, this, &TFRX::inittimerTimer);
    connect(&receivetimer, &ReceivePoll::timeout, this, &TFRX::receivetimerTimer);
    connect(&checkendtimer, &QTimer::timeout, this, &TFRX::checkendtimerTimer);
    connect(&fehlertimer, &QTimer::timeout, this, &TFRX::fehlertimerTimer);
    connect(&timerUSBsearch, &QTimer::timeout, this, &TFRX::timerUSBsearchTimer);
    connect(&RS232, &QSerialPort::readyRead, this, &TFRX::onPortReadyRead);
    connect(&RS232, &QSerialPort::errorOccurred, this, &TFRX::onPortError);

    FormCreate();
}

TFRX::~TFRX()
{
    // The port's own signals must not reach a half-destroyed link.
    RS232.disconnect(this);
    closePort();
}

void TFRX::setPortNameMapping(PortNameMapping mapping)
{
    m_portNameMapping = mapping ? std::move(mapping) : PortNameMapping(systemPortName);
}

QString TFRX::fillString(int digits, QChar fill, qint64 data)
{
    return ::fillString(digits, fill, data);
}

void TFRX::FormCreate()
{
    m_portName = LinkTexts::InitialPort;
    OpenDialog1FileName = LinkTexts::UpdateFileName;
    PendingCommand = 0;
    inittimer.start();
}

void TFRX::inittimerTimer()
{
    inittimer.stop();
    AdapterPrefix = QString::fromLatin1(Device::AdapterPrefix);
    // The menu reports its first build like any later change: the probe tells which ports
    // exist before the user picks one.
    MainMenu1Change();
    showdata();
}

// ---- Port menu ----

MenuItemState &TFRX::comItem(int number)
{
    switch (number) {
    case 1: return COM11;
    case 2: return COM21;
    case 3: return COM31;
    default: return COM41;
    }
}

int TFRX::portNumber(const QString &name) const
{
    if (name == QLatin1String("COM1"))
        return 1;
    if (name == QLatin1String("COM2"))
        return 2;
    if (name == QLatin1String("COM3"))
        return 3;
    return 4;
}

void TFRX::checkOnly(MenuItemState &item)
{
    for (int n = 1; n <= 4; ++n)
        comItem(n).checked = false;
    item.checked = true;
}

void TFRX::COM11Click() { selectPort(1); }
void TFRX::COM21Click() { selectPort(2); }
void TFRX::COM31Click() { selectPort(3); }
void TFRX::COM41Click() { selectPort(4); }

void TFRX::selectPort(int number)
{
    MenuItemState &item = comItem(number);
    const bool menuChanges = !item.checked;
    checkOnly(item);
    if (menuChanges)
        MainMenu1Change();
    Lsavecom = QStringLiteral("COM%1").arg(number);
    if (!renamePort(Lsavecom)) {
        raiseerror(RS232.errorString());
        return;
    }
    emit connectionChanged();
    showdata();
}

void TFRX::MainMenu1Change()
{
    for (int n = 1; n <= 4; ++n) {
        closePort();
        m_portName = QStringLiteral("COM%1").arg(n);
        const bool present = openPort();
        closePort();
        comItem(n).enabled = present;
    }
    emit connectionChanged();
}

void TFRX::showdata()
{
    Version = LinkTexts::VersionShown;
    if (UsbMode == 0) {
        MenuItemState &item = comItem(portNumber(Lsavecom));
        // A change of the menu starts the probe, which leaves the port closed under "COM4";
        // it runs first so that the chosen name below is what stays.
        if (!item.checked || !MKommunikation.enabled)
            MainMenu1Change();
        if (!renamePort(Lsavecom)) {
            raiseerror(RS232.errorString());
            return;
        }
        checkOnly(comItem(portNumber(m_portName)));
        timerUSBsearch.start(1000);
        SB1[0] = m_portName;
        MKommunikation.enabled = true;
    } else {
        SB1[0] = LinkTexts::UsbPanel;
        timerUSBsearch.start(2000);
        const bool menuChanges = MKommunikation.enabled;
        MKommunikation.enabled = false;
        if (menuChanges)
            MainMenu1Change();
    }
    SB1[1] = OpenDialog1FileName;
}

void TFRX::timerUSBsearchTimer()
{
    // The adapter search and watch belong to the USB backend, which this link does not have
    // yet: without it no adapter is ever found, and the serial port stays the link.
}
