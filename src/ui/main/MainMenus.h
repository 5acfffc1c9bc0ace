#pragma once

#include <QObject>
#include <QString>

#include <array>

class InfoLog;
class PortChooser;
class QAction;
class QLabel;
class QMainWindow;

// The main window's menu bar and status bar: the items and panels, and which way the link
// goes as they show it (the port items, or the USB adapter's item in their place, and the
// connection panel). The window connects the items to its handlers.
class MainMenus : public QObject
{
    Q_OBJECT
public:
    enum Item { New, Load, Save, Print, SavePdf, Exit, Read, Write, Compare, Firmware, Test, Homepage, About, ItemCount };

    // `log` tells when the adapter comes and goes.
    MainMenus(QMainWindow &window, const PortChooser &ports, InfoLog &log);

    QAction *item(Item which) const { return m_items[which]; }
    // COM1..COM4.
    QAction *portItem(int number) const { return m_portItems[size_t(number - 1)]; }

    // Status bar panel texts (0: connection, 1: file).
    QString panelText(int panel) const;
    // The full path of the file last loaded or saved.
    void showFile(const QString &path);
    // Shows what the port chooser says now.
    void showConnection();

private:
    void buildMenus(QMainWindow &window);
    void buildStatusBar(QMainWindow &window);

    const PortChooser &m_ports;
    InfoLog &m_log;
    std::array<QAction *, ItemCount> m_items = {};
    QAction *m_adapterItem = nullptr; // MUSB
    std::array<QAction *, 4> m_portItems = {};
    QLabel *m_panels[2] = {};
    QString m_connectionText;
};
