#pragma once

#include "ModuleAnswer.h"
#include "ModuleBootloader.h"

#include "core/config/ConfigImage.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <array>

// The firmware of a simulated module: its own configuration image, firmware version, signal
// strength and carrier, the application protocol it speaks on its serial line and, after the
// boot command, its bootloader. Bytes go in as they arrive; the answers come out as the module
// would send them. No timing and no I/O here (see ModuleSimulator).
class ModuleFirmware
{
public:
    using Answer = ModuleAnswer;

    ModuleFirmware();

    // A module as it leaves the factory: counter 7, last programmed 05.03.13, serial number
    // 345, date code 1234, customer 12, calibrated, configured with the defaults.
    static ConfigWords factoryImage();

    QList<Answer> receive(QByteArrayView bytes);

    const ConfigWords &image() const { return m_image; }
    // Stores an image as the module keeps it: even words with 8 bits only.
    void setImage(const ConfigWords &image);

    std::array<quint8, 2> version{0x01, 0x28};
    quint8 rssi = 40;
    QByteArray resetChatter; // what the module prints while it restarts after 'Q'

    bool carrierOn() const { return m_carrier; }
    int bootRequests() const { return m_bootRequests; }
    int rejectedFrames() const { return m_rejectedFrames; }
    bool awaitsData() const { return m_expectData; }

    // While it runs, every byte goes to the bootloader and the application answers nothing.
    ModuleBootloader &bootloader() { return m_bootloader; }
    const ModuleBootloader &bootloader() const { return m_bootloader; }

private:
    QList<Answer> receiveApplication(QByteArrayView bytes);
    bool answerRequest(QByteArrayView frame, Answer &answer);
    void enterBootloader();

    ModuleBootloader m_bootloader;
    ConfigWords m_image{};
    QByteArray m_input;
    bool m_expectData = false;
    bool m_carrier = false;
    int m_bootRequests = 0;
    int m_rejectedFrames = 0;
};
