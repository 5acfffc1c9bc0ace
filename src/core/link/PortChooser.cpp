#include "core/link/PortChooser.h"

#include "core/link/AdapterBackend.h"
#include "core/link/AdapterChannel.h"
#include "core/link/Channel.h"
#include "core/link/DeviceConstants.h"
#include "core/link/LinkTexts.h"

namespace {

constexpr int SearchMs = 1000;
constexpr int WatchMs = 2000;

QString comName(int number)
{
    return QStringLiteral("COM%1").arg(number);
}

// "COM1".."COM3" name their item; any other name counts as the fourth.
int portNumber(const QString &name)
{
    for (int n = 1; n <= 3; ++n) {
        if (name == comName(n))
            return n;
    }
    return 4;
}

} // namespace

PortChooser::PortChooser(Channel &channel, AdapterBackend &adapters, AdapterChannel &adapter,
                         QObject *parent)
    : QObject(parent)
    , m_channel(channel)
    , m_adapters(adapters)
    , m_adapter(adapter)
    , m_adapterText(LinkTexts::NoAdapterYet)
{
    m_menu = {LinkTexts::MenuKommunikation, false, true};
    for (int n = 1; n <= 4; ++n)
        m_items[n - 1] = {LinkTexts::MenuCom.arg(n), n == 1, true};
    m_statusText = LinkTexts::InitialPort;
    m_chosen = LinkTexts::InitialPort;
    m_channel.setPortName(LinkTexts::InitialPort);

    m_startTimer.setSingleShot(true);
    m_startTimer.setInterval(100);
    connect(&m_startTimer, &QTimer::timeout, this, &PortChooser::start);
    m_adapterTimer.setInterval(SearchMs);
    // An adapter plugged in is taken within one search interval, not a little later.
    m_adapterTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_adapterTimer, &QTimer::timeout, this, &PortChooser::searchOrWatchAdapter);
    m_startTimer.start();
}

void PortChooser::start()
{
    m_startTimer.stop();
    // The menu reports its first build like any later change: the probe tells which ports
    // exist before the user picks one.
    probePorts();
    refreshStatus();
}

void PortChooser::checkOnly(int number)
{
    for (int n = 1; n <= 4; ++n)
        m_items[n - 1].checked = n == number;
}

void PortChooser::selectPort(int number)
{
    if (number < 1 || number > 4)
        return;
    const bool menuChanges = !m_items[number - 1].checked;
    checkOnly(number);
    if (menuChanges)
        probePorts();
    m_chosen = comName(number);
    if (!renamePort(m_chosen)) {
        emit portFailed(m_channel.errorString());
        return;
    }
    emit connectionChanged();
    refreshStatus();
}

bool PortChooser::renamePort(const QString &name)
{
    if (name == m_channel.portName())
        return true;
    m_channel.setPortName(name);
    if (!m_channel.isOpen())
        return true;
    m_channel.close();
    return m_channel.open();
}

void PortChooser::probePorts()
{
    for (int n = 1; n <= 4; ++n) {
        m_channel.close();
        m_channel.setPortName(comName(n));
        const bool present = m_channel.open();
        m_channel.close();
        m_items[n - 1].enabled = present;
    }
    emit connectionChanged();
}

void PortChooser::refreshStatus()
{
    if (m_usbMode) {
        m_statusText = LinkTexts::UsbPanel;
        m_adapterTimer.start(WatchMs);
        const bool menuChanges = m_menu.enabled;
        m_menu.enabled = false;
        if (menuChanges)
            probePorts();
        return;
    }
    // A change of the menu starts the probe, which leaves the port closed under "COM4"; it
    // runs first so that the chosen name below is what stays.
    const int chosen = portNumber(m_chosen);
    if (!m_items[chosen - 1].checked || !m_menu.enabled)
        probePorts();
    if (!renamePort(m_chosen)) {
        emit portFailed(m_channel.errorString());
        return;
    }
    checkOnly(portNumber(m_channel.portName()));
    m_adapterTimer.start(SearchMs);
    m_statusText = m_channel.portName();
    m_menu.enabled = true;
}

void PortChooser::searchOrWatchAdapter()
{
    if (m_usbMode) {
        if (!m_adapters.status())
            adapterLost();
        return;
    }
    openAdapter();
    if (m_usbMode) {
        m_adapterTimer.stop();
        refreshStatus();
        emit connectionChanged();
    }
}

void PortChooser::openAdapter()
{
    m_usbMode = false;
    const QString prefix = QString::fromLatin1(Device::AdapterPrefix);
    for (const QString &serial : m_adapters.serialNumbers()) {
        m_adapterText = LinkTexts::AdapterListed;
        // A serial number shorter than eight characters is its own description.
        const QString description = serial.left(8);
        if (!description.startsWith(prefix))
            continue;
        m_adapter.setSerialNumber(serial);
        if (!m_adapter.open())
            continue;
        m_adapterDescription = description;
        m_adapterText = LinkTexts::AdapterFound.arg(description);
        m_usbMode = true;
        emit usbModeChanged(true);
        refreshStatus();
        // The first one that opens is the link; no other is opened beside it.
        return;
    }
}

void PortChooser::adapterLost()
{
    m_usbMode = false;
    m_adapterTimer.stop();
    m_adapter.close();
    m_adapterText.clear();
    emit usbModeChanged(false);
    refreshStatus();
    emit connectionChanged();
}
