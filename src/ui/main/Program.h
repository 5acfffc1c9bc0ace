#pragma once

#include "core/link/AdapterBackend.h"
#include "core/link/PortNames.h"

#include <QList>

#include <memory>

class BootloaderSession;
class Clock;
class ConfigDocument;
class ConfigWorkflow;
class DeviceLink;
class FactoryRecord;
class FirmwareUpdate;
class ModuleSession;
class RadioTest;
class QObject;
class TFabout;
class TFcal;
class TFdigout;
class TFhexfile;
class TFtest;
class TFVelka;
class UserInteraction;

// The program as it runs: the lines to the module, the module session on the chosen one, and
// every window once, created in a fixed order and bound to the session. Only the main window
// is shown.
class Program
{
public:
    // `portNames` says which device each of "COM1".."COM4" is; `adapters` where the maker's USB
    // adapters are found (without it, where the operating system reports them).
    Program(const Clock &clock, UserInteraction &ui, PortNameMapping portNames = systemPortName,
            std::unique_ptr<AdapterBackend> adapters = {});
    ~Program();

    DeviceLink &link() const { return *m_link; }
    ModuleSession &session() const { return *m_session; }
    ConfigDocument &document() const;
    ConfigWorkflow &workflow() const;
    FactoryRecord &factoryRecord() const;
    BootloaderSession &bootloader() const;
    FirmwareUpdate &firmwareUpdate() const;
    RadioTest &radioTest() const;

    TFVelka *FVelka() const { return m_velka.get(); }
    TFcal *Fcal() const { return m_factory.get(); }
    TFhexfile *Fhexfile() const { return m_firmware.get(); }
    TFabout *Fabout() const { return m_about.get(); }
    TFtest *Ftest() const { return m_radioTestWindow.get(); }
    TFdigout *Fdigout() const { return m_editor.get(); }

    // The windows in the order they were created.
    QList<QObject *> windows() const;

private:
    std::unique_ptr<DeviceLink> m_link;
    std::unique_ptr<ModuleSession> m_session;
    std::unique_ptr<TFVelka> m_velka;
    std::unique_ptr<TFcal> m_factory;
    std::unique_ptr<TFhexfile> m_firmware;
    std::unique_ptr<TFabout> m_about;
    std::unique_ptr<TFtest> m_radioTestWindow;
    std::unique_ptr<TFdigout> m_editor;
};
