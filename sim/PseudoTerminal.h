#pragma once

#include <QString>

// A pseudo-terminal whose master side plays the module's serial line. The slave side is what
// the tool opens as its serial port (devicePath()).
class PseudoTerminal
{
public:
    PseudoTerminal() = default;
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;
    ~PseudoTerminal() { close(); }

    bool open(QString *error = nullptr);
    void close();

    bool isOpen() const { return m_master >= 0; }
    int masterFd() const { return m_master; }
    QString devicePath() const { return m_path; }

private:
    int m_master = -1;
    // Held open by the simulator itself: without it the master side would report an error
    // each time the tool closes its port, and the line settings would be lost in between.
    int m_slave = -1;
    QString m_path;
};
