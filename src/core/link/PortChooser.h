#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <array>

class AdapterBackend;
class AdapterChannel;
class Channel;

// One entry of the port menu, kept as data: the main window mirrors it in its own menu.
struct PortMenuItem
{
    QString caption;
    bool checked = false;
    bool enabled = true;
};

// The choice of the line to the module: COM1..COM4 (which of them exist, which one the user
// chose, the menu that offers them), and the maker's USB adapter, searched for every second
// and, once found, used instead of the serial port and watched every two seconds until it is
// gone. Says what the status bar names as the link in use.
class PortChooser : public QObject
{
    Q_OBJECT
public:
    PortChooser(Channel &channel, AdapterBackend &adapters, AdapterChannel &adapter,
                QObject *parent = nullptr);

    // The adapter is the link.
    bool usbMode() const { return m_usbMode; }
    // What the search has found: "___" before it ran, "USB-Adapter gefunden" once any adapter
    // is listed, "USB-Adapter: QVK00042 gefunden" once one is open, empty after it was lost.
    QString adapterText() const { return m_adapterText; }
    // The first eight characters of the open adapter's serial number.
    QString adapterDescription() const { return m_adapterDescription; }
    // How often the search or the watch runs now.
    int searchInterval() const { return m_adapterTimer.interval(); }
    bool isSearching() const { return m_adapterTimer.isActive(); }

    // "COM&1".."COM&4" (index 0..3): checked is the choice, enabled means the port exists.
    const std::array<PortMenuItem, 4> &portItems() const { return m_items; }
    // "&Kommunikation".
    const PortMenuItem &menu() const { return m_menu; }
    // What the status bar names as the link in use.
    QString statusText() const { return m_statusText; }
    // The port the user chose ("COM1".."COM4").
    QString chosenPort() const { return m_chosen; }

    // The person chooses COM`number` (1..4).
    void selectPort(int number);
    // The probe: which of COM1..COM4 can be opened. It leaves the port closed, named "COM4".
    void probePorts();
    // The status refresh: back to the chosen port, its item checked, the status text.
    void refreshStatus();
    // The start-up, 100 ms after creation.
    void start();
    // The adapter search (while the serial port is the link) or watch (while the adapter is).
    void searchOrWatchAdapter();
    // Opens the first adapter whose serial number begins with "QVK".
    void openAdapter();
    bool isStarting() const { return m_startTimer.isActive(); }

signals:
    // The menu or the status text changed: the main window mirrors them.
    void connectionChanged();
    // The chosen port could not be opened again under its new name.
    void portFailed(const QString &errorText);
    // The adapter became the link, or stopped being it.
    void usbModeChanged(bool usbMode);

private:
    bool renamePort(const QString &name);
    void checkOnly(int number);

    void adapterLost();

    Channel &m_channel;
    AdapterBackend &m_adapters;
    AdapterChannel &m_adapter;
    bool m_usbMode = false;
    QString m_adapterText;
    QString m_adapterDescription;
    QTimer m_adapterTimer;
    std::array<PortMenuItem, 4> m_items;
    PortMenuItem m_menu;
    QString m_statusText;
    QString m_chosen;
    QTimer m_startTimer;
};
