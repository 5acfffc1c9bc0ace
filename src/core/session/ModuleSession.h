#pragma once

#include "core/config/ConfigImage.h"
#include "core/config/SystemData.h"
#include "core/firmware/FirmwareUpdate.h"
#include "core/link/BootloaderSession.h"
#include "core/link/LinkMonitor.h"
#include "core/link/RequestEngine.h"
#include "core/workflow/ConfigDocument.h"
#include "core/workflow/ConfigWorkflow.h"
#include "core/workflow/FactoryRecord.h"
#include "core/workflow/OperationTurn.h"
#include "core/workflow/RadioTest.h"

#include <QObject>

class Channel;
class Clock;
class DeviceLink;

// Everything one module on one port needs, wired once: the request engine on the line it is
// handed, the monitor that keeps the link's traces, the user's configuration, and the
// workflows (read, compare and write; the factory record; the firmware update; the radio
// test), which take the module one operation at a time. The main window has one; velka-cli
// and the production station have one per port.
class ModuleSession : public QObject
{
    Q_OBJECT
public:
    ModuleSession(Channel &channel, const Clock &clock, QObject *parent = nullptr);
    ~ModuleSession() override;

    // The line the module is reached on now (the port chooser switched to the adapter, or back).
    void setChannel(Channel &channel) { m_engine.setChannel(channel); }
    // For the life of the session, before its first operation.
    void setReplyTiming(ReplyTiming timing) { m_engine.setReplyTiming(timing); }

    ConfigDocument &document() { return m_document; }
    RequestEngine &engine() { return m_engine; }
    LinkMonitor &monitor() { return m_monitor; }
    ConfigWorkflow &configuration() { return m_configuration; }
    FactoryRecord &factoryRecord() { return m_factoryRecord; }
    BootloaderSession &bootloader() { return m_bootloader; }
    FirmwareUpdate &firmwareUpdate() { return m_firmwareUpdate; }
    RadioTest &radioTest() { return m_radioTest; }

    // No operation holds the module.
    bool isIdle() const { return m_turn.isIdle(); }
    // The firmware version of the last reply that carries one (a read or a boot reply);
    // zeros before the first.
    FirmwareVersion moduleVersion() const { return m_moduleVersion; }
    // The date every write stamps into the module.
    ProgrammingDate programmingDate() const { return m_date; }
    void setProgrammingDate(const ProgrammingDate &date);

signals:
    // What the main log tells: every workflow's reports, and the failures and restarts of the
    // radio test and the firmware update.
    void logged(const LogEntry &entry);
    void diagnosticLine(const QString &line);
    // A read brought an image with a wrong checksum.
    void beepRequested();
    void moduleVersionChanged();
    void programmingDateChanged();

private:
    void reportFailure(const OperationEnd &end);
    void onReplyJudged(const JudgedReply &reply);

    ConfigDocument m_document;
    RequestEngine m_engine;
    LinkMonitor m_monitor;
    OperationTurn m_turn;
    ProgrammingDate m_date;
    FirmwareVersion m_moduleVersion{};
    ConfigWorkflow m_configuration;
    FactoryRecord m_factoryRecord;
    BootloaderSession m_bootloader;
    FirmwareUpdate m_firmwareUpdate;
    RadioTest m_radioTest;
};

// The session follows the lines of `link`: the adapter while it is the link, the serial line
// otherwise; a port that cannot be reopened under its new name is recorded as a link error.
void followLink(ModuleSession &session, DeviceLink &link);
