#include "core/link/PortChooser.h"

#include "core/link/Channel.h"
#include "core/link/LinkTexts.h"

namespace {

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

PortChooser::PortChooser(Channel &channel, QObject *parent)
    : QObject(parent)
    , m_channel(channel)
{
    m_menu = {LinkTexts::MenuKommunikation, false, true};
    for (int n = 1; n <= 4; ++n)
        m_items[n - 1] = {LinkTexts::MenuCom.arg(n), n == 1, true};
    m_statusText = LinkTexts::InitialPort;
    m_chosen = LinkTexts::InitialPort;
    m_channel.setPortName(LinkTexts::InitialPort);

    m_inittimer.setSingleShot(true);
    m_inittimer.setInterval(100);
    connect(&m_inittimer, &QTimer::timeout, this, &PortChooser::inittimerTimer);
    m_inittimer.start();
}

void PortChooser::inittimerTimer()
{
    m_inittimer.stop();
    // The menu reports its first build like any later change: the probe tells which ports
    // exist before the user picks one.
    MainMenu1Change();
    showdata();
}

void PortChooser::checkOnly(int number)
{
    for (int n = 1; n <= 4; ++n)
        m_items[n - 1].checked = n == number;
}

void PortChooser::selectPort(int number)
{
    const bool menuChanges = !m_items[number - 1].checked;
    checkOnly(number);
    if (menuChanges)
        MainMenu1Change();
    m_chosen = comName(number);
    if (!renamePort(m_chosen)) {
        emit portFailed(m_channel.errorString());
        return;
    }
    emit connectionChanged();
    showdata();
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

void PortChooser::MainMenu1Change()
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

void PortChooser::showdata()
{
    // A change of the menu starts the probe, which leaves the port closed under "COM4"; it
    // runs first so that the chosen name below is what stays.
    const int chosen = portNumber(m_chosen);
    if (!m_items[chosen - 1].checked || !m_menu.enabled)
        MainMenu1Change();
    if (!renamePort(m_chosen)) {
        emit portFailed(m_channel.errorString());
        return;
    }
    checkOnly(portNumber(m_channel.portName()));
    m_statusText = m_channel.portName();
    m_menu.enabled = true;
}
