#pragma once

#include "core/config/ConfigImage.h"
#include "core/outputs/DigTab.h"

#include <QObject>
#include <QString>
#include <QTimer>

class TFRX;

// What the read/verify/write sequence needs from the window that shows it.
class WorkflowView
{
public:
    virtual ~WorkflowView() = default;
    virtual void showinfo(const QString &inhalt, int farbe, int option) = 0;
    virtual bool confirm(const QString &text) = 0;
    virtual void beep() = 0;
    virtual void setReadWriteEnabled(bool enabled) = 0; // "Gerät auslesen" and "Gerät programmieren"
    virtual void setFactoryButtonEnabled(bool enabled) = 0;
    virtual void addDiagnosticLine(const QString &line) = 0;
    virtual void showdata() = 0;
    virtual void showReadPanel() = 0;         // the module's system data are now known
    virtual ProgrammingDate programmingDate() const = 0; // the date a write stamps
    virtual void openFactoryWindow() = 0;     // modal; returns when it is closed
    virtual void factoryDataStored() = 0;     // a factory write was verified
};

// Reading the module, and writing it with the read before, the verify read and the restart:
// a chain of timer events, each step started from the follow-up of the step before.
class ConfigWorkflow : public QObject
{
    Q_OBJECT
public:
    ConfigWorkflow(TFRX &link, ConfigWords &configImage, ConfigWords &readBackImage,
                   ConfigWords &writeImage, DigTable &digTab, WorkflowView &view,
                   QObject *parent = nullptr);

    // 0: no write; 1: the read before a write runs; 2: the write image is sent or being sent.
    int WriteState = 0;
    bool VerifyPending = false; // the next configuration read is a write's verify read
    int KnockCount = 0;         // wake-up bursts still to send
    bool FactoryRequest = false; // the read opens the factory data window
    bool FactoryWrite = false;   // the write stores factory data: no restart after the verify

    QTimer praetimer;   // 40 ms between the wake-up bursts
    QTimer getbacktimer; // the follow-up after every exchange; its interval comes from the link

    void ButReadClick();
    void ButWriteClick();
    void BklopfClick();
    void praetimerTimer();
    void NowWrite();
    void getbacktimerTimer();

    // The factory data window closed: no follow-up pending, the buttons usable again.
    void factoryWindowClosed();

private:
    void verifyRead();
    void plainRead();
    void reportChecksum(int greenOption, const QString &success);
    void communicationError();

    TFRX &m_link;
    ConfigWords &m_config;
    ConfigWords &m_readBack;
    ConfigWords &m_write;
    DigTable &m_digTab;
    WorkflowView &m_view;
};
