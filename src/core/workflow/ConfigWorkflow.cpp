#include "core/workflow/ConfigWorkflow.h"

#include "core/workflow/LogStyle.h"
#include "core/workflow/WorkflowTexts.h"
#include "core/link/TFRX.h"

namespace {
constexpr quint8 ReadCommand = '!';
constexpr quint8 DataSentCommand = '3';
constexpr quint8 RestartCommand = 'Q';
constexpr int KnockBursts = 8;
constexpr int KnockBytes = 11;
} // namespace

ConfigWorkflow::ConfigWorkflow(TFRX &link, ConfigWords &configImage, ConfigWords &readBackImage,
                               ConfigWords &writeImage, DigTable &digTab, WorkflowView &view,
                               QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_config(configImage)
    , m_readBack(readBackImage)
    , m_write(writeImage)
    , m_digTab(digTab)
    , m_view(view)
{
    praetimer.setInterval(40);
    getbacktimer.setInterval(10);
    connect(&praetimer, &QTimer::timeout, this, &ConfigWorkflow::praetimerTimer);
    connect(&getbacktimer, &QTimer::timeout, this, &ConfigWorkflow::getbacktimerTimer);

    // The link arms the follow-up after every exchange; setting the interval restarts a
    // running timer, enabling leaves a running one alone.
    connect(&link, &TFRX::followUpIntervalChanged, this, [this](int ms) { getbacktimer.setInterval(ms); });
    connect(&link, &TFRX::followUpEnabled, this, [this] {
        if (!getbacktimer.isActive())
            getbacktimer.start();
    });
    connect(&link, &TFRX::readWriteButtonsEnabled, this, [this] { m_view.setReadWriteEnabled(true); });
}

void ConfigWorkflow::ButReadClick()
{
    if (!m_view.confirm(FactoryRequest ? WorkflowTexts::AskFactoryRead : WorkflowTexts::AskRead)) {
        if (FactoryRequest) {
            m_view.showinfo(WorkflowTexts::FactoryCancelled, LogColour::Red, LogOption::Framed);
            FactoryRequest = false;
            m_view.setFactoryButtonEnabled(true);
        } else {
            m_view.showinfo(WorkflowTexts::ReadCancelled, LogColour::Red, LogOption::Framed);
        }
        return;
    }
    m_link.ReplyOk = 0;
    WriteState = 0;
    m_view.setReadWriteEnabled(false);
    m_link.fehlertimer.setInterval(1000);
    BklopfClick();
    VerifyPending = false;
}

void ConfigWorkflow::ButWriteClick()
{
    FactoryWrite = false;
    DigTabToFlash(m_digTab, m_config);
    if (!m_view.confirm(WorkflowTexts::AskWrite)) {
        m_view.showinfo(WorkflowTexts::WriteCancelled, LogColour::Red, LogOption::Framed);
        return;
    }
    WriteState = 1;
    m_link.ReplyOk = 0;
    VerifyPending = false;
    m_view.showinfo(WorkflowTexts::ReadBeforeWrite, LogColour::Black, LogOption::Plain);
    BklopfClick();
}

void ConfigWorkflow::BklopfClick()
{
    KnockCount = KnockBursts;
    if (!praetimer.isActive())
        praetimer.start();
}

void ConfigWorkflow::praetimerTimer()
{
    praetimer.stop();
    // The start-up probe leaves the port closed; bursts into a closed port would be lost
    // and the module would sleep through the first read.
    if (!m_link.UsbMode && !m_link.RS232.isOpen())
        m_link.setupport(m_link.portName());
    std::fill_n(m_link.TxBuf.begin(), 13, quint8(0));
    m_link.TxConfigOut(KnockBytes);
    if (KnockCount > 0)
        --KnockCount;
    if (KnockCount > 0)
        praetimer.start();
    else
        m_link.BRXconfigClick();
}

void ConfigWorkflow::NowWrite()
{
    WriteState = 2;
    m_write = prepareWriteImage(m_config, m_readBack, m_view.programmingDate());
    packImage(m_write, m_link.payload());
    m_link.ReplyOk = 0;
    m_view.setReadWriteEnabled(false);
    m_link.fehlertimer.setInterval(2000);
    m_link.BTxConfigClick();
}

void ConfigWorkflow::getbacktimerTimer()
{
    getbacktimer.stop();
    if (!m_link.ReplyOk) {
        communicationError();
        return;
    }
    if (m_link.PendingCommand == ReadCommand && VerifyPending) {
        verifyRead();
    } else if (m_link.PendingCommand == ReadCommand) {
        plainRead();
    } else if (m_link.PendingCommand == DataSentCommand) {
        VerifyPending = true;
        m_view.showinfo(WorkflowTexts::DataWritten, LogColour::Green, LogOption::Plain);
        m_view.showinfo(WorkflowTexts::VerifyNow, LogColour::Black, LogOption::TimeLine);
        m_link.ReplyOk = 0;
        m_link.fehlertimer.setInterval(1000);
        m_link.BRXconfigClick();
    } else if (m_link.PendingCommand == RestartCommand) {
        m_view.showinfo(WorkflowTexts::Restarted, LogColour::Black, LogOption::Framed);
        m_view.setReadWriteEnabled(true);
    }
    // Replies to other commands (the radio test's) need nothing here.
}

void ConfigWorkflow::reportChecksum(int greenOption, const QString &success)
{
    if (imageChecksum(m_config) == m_config[Word::Checksum]) {
        m_view.showinfo(success, LogColour::Green, greenOption);
        return;
    }
    m_view.beep();
    m_view.showinfo(WorkflowTexts::ChecksumError, LogColour::Red, LogOption::TimeLine);
    m_view.showinfo(WorkflowTexts::Inconsistent, LogColour::Red, LogOption::EmptyLine);
}

void ConfigWorkflow::verifyRead()
{
    VerifyPending = false;
    m_readBack = unpackImage(m_link.payload());
    bool differs = false;
    for (int i = 0; i < ImageWords; ++i) {
        if (m_readBack[i] == m_write[i])
            continue;
        differs = true;
        m_view.showinfo(WorkflowTexts::VerifyDifference.arg(i).arg(m_write[i]).arg(m_readBack[i]),
                        LogColour::Red, LogOption::Plain);
    }
    if (differs) {
        // The module keeps running with what it has; the user may write again.
        m_view.showinfo(WorkflowTexts::VerifyFailed, LogColour::Red, LogOption::Plain);
        m_view.setReadWriteEnabled(true);
        return;
    }
    m_config = m_readBack;
    reportChecksum(LogOption::Plain, WorkflowTexts::VerifyOk);
    FlashToDigTab(m_config, m_digTab);
    m_view.showdata();
    if (FactoryWrite)
        m_view.factoryDataStored();
    else
        m_link.BresetDeviceClick();
}

void ConfigWorkflow::plainRead()
{
    m_readBack = unpackImage(m_link.payload());
    if (WriteState == 1) {
        // The module's own words are now known; the user's settings are what gets written.
        WriteState = 2;
        NowWrite();
        return;
    }
    m_config = m_readBack;
    reportChecksum(LogOption::Framed, WorkflowTexts::DataRead);
    FlashToDigTab(m_config, m_digTab);
    m_view.showReadPanel();
    m_view.showdata();
    m_view.setReadWriteEnabled(true);
    if (FactoryRequest) {
        FactoryRequest = false;
        m_view.openFactoryWindow();
    }
}

void ConfigWorkflow::communicationError()
{
    m_view.addDiagnosticLine(WorkflowTexts::DiagnosticError + m_link.ErrorText);
    m_view.showinfo(WorkflowTexts::CommunicationError, LogColour::Red, LogOption::TimeLine);
    m_view.showinfo(m_link.ErrorText, LogColour::Red, LogOption::EmptyLine);
    WriteState = 0;
    m_link.PendingCommand = 0;
    m_view.setReadWriteEnabled(true);
    if (FactoryRequest) {
        m_view.showinfo(WorkflowTexts::FactoryImpossible, LogColour::Red, LogOption::TimeLine);
        m_view.setFactoryButtonEnabled(true);
        FactoryRequest = false;
    }
}

void ConfigWorkflow::factoryWindowClosed()
{
    getbacktimer.stop();
    m_view.setFactoryButtonEnabled(true);
    m_view.setReadWriteEnabled(true);
}
