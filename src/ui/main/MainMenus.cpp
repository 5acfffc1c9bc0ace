#include "ui/main/MainMenus.h"

#include "core/config/ProgramInfo.h"
#include "core/link/PortChooser.h"
#include "ui/common/InfoLog.h"
#include "ui/main/MainWindowTexts.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>

MainMenus::MainMenus(QMainWindow &window, const PortChooser &ports, InfoLog &log)
    : QObject(&window)
    , m_ports(ports)
    , m_log(log)
    , m_connectionText(MainTexts::NoConnection)
{
    buildMenus(window);
    buildStatusBar(window);
}

void MainMenus::buildMenus(QMainWindow &window)
{
    QMenuBar *bar = window.menuBar();
    bar->setObjectName(QStringLiteral("MenueMain"));
    auto action = [](QMenu *menu, const char *name, const QString &text) {
        QAction *a = menu->addAction(text);
        a->setObjectName(QLatin1String(name));
        return a;
    };

    QMenu *datei = bar->addMenu(MainTexts::MenuDatei);
    datei->setObjectName(QStringLiteral("MDatei"));
    m_items[New] = action(datei, "MNeu", MainTexts::MenuNeu);
    datei->addSeparator();
    m_items[Load] = action(datei, "MLaden", MainTexts::MenuLaden);
    m_items[Save] = action(datei, "MSpeichern", MainTexts::MenuSpeichern);
    m_items[Print] = action(datei, "MDrucken", MainTexts::MenuDrucken);
    m_items[SavePdf] = action(datei, "MPdf", MainTexts::MenuPdf);
    datei->addSeparator();
    m_items[Exit] = action(datei, "Mexit", MainTexts::MenuExit);

    QMenu *link = bar->addMenu(MainTexts::MenuKommunikation);
    link->setObjectName(QStringLiteral("MKommunikation"));
    m_items[Read] = action(link, "Mread", MainTexts::MenuRead);
    m_items[Write] = action(link, "Mwrite", MainTexts::MenuWrite);
    m_items[Compare] = action(link, "Mcompare", MainTexts::MenuCompare);
    link->addSeparator();
    // Stands in for the port items while the maker's USB adapter is the link.
    m_adapterItem = action(link, "MUSB", QString());
    m_adapterItem->setVisible(false);
    auto *ports = new QActionGroup(&window);
    ports->setExclusive(true);
    for (int n = 1; n <= 4; ++n) {
        const QByteArray name = "MCOM" + QByteArray::number(n);
        QAction *port = action(link, name.constData(), MainTexts::MenuCom.arg(n));
        port->setCheckable(true);
        ports->addAction(port);
        m_portItems[size_t(n - 1)] = port;
    }
    m_portItems[0]->setChecked(true);
    link->addSeparator();
    m_items[Firmware] = action(link, "MFirmware", MainTexts::MenuFirmware);

    m_items[Test] = bar->addAction(MainTexts::MenuTest);
    m_items[Test]->setObjectName(QStringLiteral("Mtest"));

    QMenu *hilfe = bar->addMenu(MainTexts::MenuHilfe);
    hilfe->setObjectName(QStringLiteral("MHilfe"));
    m_items[Homepage] = action(hilfe, "Mhomepage", MainTexts::MenuHomepage.arg(QLatin1String(ProgramInfo::MakerHost)));
    m_items[About] = action(hilfe, "Mabout", MainTexts::MenuInfo);
}

void MainMenus::buildStatusBar(QMainWindow &window)
{
    QStatusBar *bar = window.statusBar();
    bar->setObjectName(QStringLiteral("SB"));
    bar->setSizeGripEnabled(false);
    const QString initial[2] = {MainTexts::PanelNoLink, MainTexts::PanelNoFile};
    for (int i = 0; i < 2; ++i) {
        m_panels[i] = new QLabel(initial[i], bar);
        m_panels[i]->setObjectName(QStringLiteral("SBPanel%1").arg(i));
        m_panels[i]->setAlignment(Qt::AlignCenter);
        m_panels[i]->setFrameShape(QFrame::Panel);
        m_panels[i]->setFrameShadow(QFrame::Sunken);
    }
    m_panels[0]->setFixedWidth(50);
    bar->addWidget(m_panels[0]);
    bar->addWidget(m_panels[1], 1);
}

QString MainMenus::panelText(int panel) const
{
    return m_panels[panel]->text();
}

void MainMenus::showFile(const QString &path)
{
    m_panels[1]->setText(path);
}

void MainMenus::showConnection()
{
    if (m_ports.usbMode()) {
        if (m_connectionText != MainTexts::UsbConnection)
            m_log.showinfo(m_ports.adapterText(), LogColour::Black, LogLayout::Framed);
        m_connectionText = MainTexts::UsbConnection;
    } else if (m_connectionText == MainTexts::UsbConnection) {
        // The adapter has just gone.
        m_connectionText = m_ports.statusText();
        m_log.showinfo(MainTexts::UsbGone, LogColour::Red, LogLayout::TimeLine);
        m_log.showinfo(MainTexts::UsingSerialPort + m_connectionText, LogColour::Red, LogLayout::EmptyLine);
    }

    if (m_connectionText == MainTexts::UsbConnection) {
        m_adapterItem->setText(MainTexts::UsbMenu.arg(m_ports.adapterDescription()));
        m_adapterItem->setVisible(true);
        for (QAction *port : m_portItems)
            port->setVisible(false);
    } else {
        m_adapterItem->setVisible(false);
        m_connectionText = m_ports.statusText();
        for (size_t n = 0; n < m_portItems.size(); ++n) {
            const PortMenuItem &item = m_ports.portItems()[n];
            m_portItems[n]->setVisible(true);
            m_portItems[n]->setChecked(item.checked);
            m_portItems[n]->setEnabled(item.enabled);
            // The chosen port does not exist.
            if (item.checked && !item.enabled)
                m_connectionText = MainTexts::MissingPort;
        }
    }
    m_panels[0]->setText(m_connectionText);
}
