#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <array>

class Channel;

// One entry of the port menu, kept as data: the main window mirrors it in its own menu.
struct PortMenuItem
{
    QString caption;
    bool checked = false;
    bool enabled = true;
};

// The choice among COM1..COM4: which of them exist (the probe), which one the user chose,
// the menu that offers them and the status text that names the active link.
class PortChooser : public QObject
{
    Q_OBJECT
public:
    explicit PortChooser(Channel &channel, QObject *parent = nullptr);

    // "COM&1".."COM&4" (index 0..3): checked is the choice, enabled means the port exists.
    const std::array<PortMenuItem, 4> &portItems() const { return m_items; }
    // "&Kommunikation".
    const PortMenuItem &menu() const { return m_menu; }
    // What status panel 0 shows: the active link.
    QString statusText() const { return m_statusText; }
    // The port the user chose ("COM1".."COM4").
    QString chosenPort() const { return m_chosen; }

    void COM11Click() { selectPort(1); }
    void COM21Click() { selectPort(2); }
    void COM31Click() { selectPort(3); }
    void COM41Click() { selectPort(4); }
    // The probe: which of COM1..COM4 can be opened. It leaves the port closed, named "COM4".
    void MainMenu1Change();
    // The status refresh: back to the chosen port, its item checked, the status text.
    void showdata();
    // The start-up, 100 ms after creation.
    void inittimerTimer();
    bool isStarting() const { return m_inittimer.isActive(); }

signals:
    // The menu or the status text changed: the main window mirrors them.
    void connectionChanged();
    // The chosen port could not be opened again under its new name.
    void portFailed(const QString &errorText);

private:
    void selectPort(int number);
    bool renamePort(const QString &name);
    void checkOnly(int number);

    Channel &m_channel;
    std::array<PortMenuItem, 4> m_items;
    PortMenuItem m_menu;
    QString m_statusText;
    QString m_chosen;
    QTimer m_inittimer;
};
