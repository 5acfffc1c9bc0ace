#include "core/session/ModuleSession.h"

#include "core/link/DeviceLink.h"
#include "core/link/Frames.h"
#include "core/workflow/WorkflowTexts.h"

ModuleSession::ModuleSession(Channel &channel, const Clock &clock, QObject *parent)
    : QObject(parent)
    , m_engine(channel)
    , m_monitor(m_engine)
    , m_configuration(m_engine, m_turn, m_document, m_date)
    , m_factoryRecord(m_engine, m_turn, m_document, m_date)
    , m_bootloader(m_engine)
    , m_firmwareUpdate(m_bootloader, m_turn)
    , m_radioTest(m_engine, m_turn, clock)
{
    for (ConfigExchange *exchange : {static_cast<ConfigExchange *>(&m_configuration),
                                     static_cast<ConfigExchange *>(&m_factoryRecord)}) {
        connect(exchange, &ConfigExchange::logged, this, &ModuleSession::logged);
        connect(exchange, &ConfigExchange::diagnosticLine, this, &ModuleSession::diagnosticLine);
        connect(exchange, &ConfigExchange::beepRequested, this, &ModuleSession::beepRequested);
    }
    // The radio test's failures, and the restarts it causes, are told as the workflow's own.
    connect(&m_radioTest, &RadioTest::exchangeFailed, this, &ModuleSession::reportFailure);
    connect(&m_radioTest, &RadioTest::moduleRestarted, this,
            [this] { emit logged({LogKind::Progress, WorkflowTexts::Restarted, LogLayout::Framed}); });
    connect(&m_radioTest, &RadioTest::logged, this, &ModuleSession::logged);
    connect(&m_firmwareUpdate, &FirmwareUpdate::exchangeFailed, this, &ModuleSession::reportFailure);
    connect(&m_engine, &RequestEngine::replyJudged, this, &ModuleSession::onReplyJudged);
}

ModuleSession::~ModuleSession()
{
    // Nothing reports into a half-destroyed session.
    disconnect(&m_engine, nullptr, this, nullptr);
}

void ModuleSession::setProgrammingDate(const ProgrammingDate &date)
{
    m_date = date;
    emit programmingDateChanged();
}

void ModuleSession::reportFailure(const OperationEnd &end)
{
    emit diagnosticLine(diagnosticFailure(end.text));
    for (const LogEntry &entry : communicationFailure(end.text))
        emit logged(entry);
}

void ModuleSession::onReplyJudged(const JudgedReply &reply)
{
    // Only an accepted read or boot reply carries the version; a restart's or a
    // measurement's bytes 2 and 3 are something else.
    if (!reply.application || !reply.application->accepted)
        return;
    if (reply.pending != Command::ReadConfig && reply.pending != Command::Boot)
        return;
    const FirmwareVersion version{reply.application->byte2, reply.application->byte3};
    if (version == m_moduleVersion)
        return;
    m_moduleVersion = version;
    emit moduleVersionChanged();
}

void followLink(ModuleSession &session, DeviceLink &link)
{
    session.setChannel(link.currentChannel());
    QObject::connect(&link.ports(), &PortChooser::portFailed, &session.monitor(), &LinkMonitor::noteError);
    QObject::connect(&link.ports(), &PortChooser::usbModeChanged, &session,
                     [&session, &link] { session.setChannel(link.currentChannel()); });
}
