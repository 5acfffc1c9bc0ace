// The link end to end: TFRX on QSerialPort over a real pseudo-terminal, with the simulated
// module on the other side, both in this process's event loop.
#include "ModuleSimulator.h"
#include "SimProcess.h"
#include "core/link/PortNames.h"
#include "core/link/TFRX.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <memory>

using Operation = std::function<void(TFRX &)>;
Q_DECLARE_METATYPE(Operation)

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

QByteArray bytesOf(const auto &buffer, int count)
{
    return QByteArray(reinterpret_cast<const char *>(buffer.data()), count);
}

const QString ChecksumText = QStringLiteral("fehlerhafte Checksumme in Antwort von Gerät");

} // namespace

class TestLink : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void request_wireBytesAndOutcome_data();
    void request_wireBytesAndOutcome();
    void write_sendsDataFrameOnAcceptanceAndModuleKeepsIt();
    void scrambledSend_masksTheWireAndKeepsTxBuf();
    void readReply_fillsConfigPayloadOnly();
    void resetReplyWithChatter_isJudgedOnItsFirstSixBytes();
    void faultyReply_reportsOneError_data();
    void faultyReply_reportsOneError();
    void replyForAnotherCommand_leavesReplyOkAndFollowsUp_data();
    void replyForAnotherCommand_leavesReplyOkAndFollowsUp();
    void lateReply_isEvaluatedButCannotSucceed();
    void newRequest_discardsThePreviousWaitsPendingEvaluation();
    void replyHold_storesBytesAndEvaluatesNothing();
    void timeoutInterval_persistsAcrossWaits();
    void rssi_rawValueToDbm_data();
    void rssi_rawValueToDbm();
    void selectingSelectedPort_keepsPortOpenAndRefreshes();
    void probe_withOnlyCom1_disablesOthersUntilShowdataRestores();
    void selectingMissingPort_requestFailsWithPortError();
    void send_discardsOrKeepsUncollectedBytes_data();
    void send_discardsOrKeepsUncollectedBytes();
    void flood_staysInRxBufAndNextRequestWorks();
    void killedModule_closesPortOnceAndReportsOnce();
    void portNames_followTheEnvironment_data();
    void portNames_followTheEnvironment();
    void environment_leadsTheDefaultLinkToTheModule();

private:
    void pointCom1At(const QString &device) { m_com1 = device; }
    bool startSimProcess(QProcess &process, const QStringList &arguments);

    std::unique_ptr<ModuleSimulator> m_sim;
    std::unique_ptr<TFRX> m_link;
    QString m_com1;
};

void TestLink::init()
{
    m_sim = std::make_unique<ModuleSimulator>();
    QVERIFY(m_sim->open());
    pointCom1At(m_sim->devicePath());
    m_link = std::make_unique<TFRX>();
    m_link->setPortNameMapping([this](const QString &name) {
        return name == QLatin1String("COM1") ? m_com1 : QStringLiteral("/nonexistent/velka-") + name;
    });
    m_link->inittimerTimer(); // start-up now rather than 100 ms later in the middle of a test
}

void TestLink::cleanup()
{
    m_link.reset();
    m_sim.reset();
}

bool TestLink::startSimProcess(QProcess &process, const QStringList &arguments)
{
    pointCom1At(startSimulatorProcess(process, QStringLiteral(VELKA_SIM_PATH), arguments));
    return !m_com1.isEmpty();
}

void TestLink::request_wireBytesAndOutcome_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<int>("preamble");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("recognised"); // MC line

    QTest::newRow("read") << Operation(&TFRX::BRXconfigClick) << 50 << hex("ff21000000 80fe5f") << QString();
    QTest::newRow("reset") << Operation(&TFRX::BresetDeviceClick) << 50 << hex("ff51000000 00feaf")
                           << QStringLiteral("RESET-Befehl erkannt");
    QTest::newRow("boot") << Operation(&TFRX::BBootClick) << 50 << hex("ff77424f4f54fd55")
                          << QStringLiteral("Boot-Befehl erkannt");
    QTest::newRow("carrier") << Operation(&TFRX::BtestClick) << 100 << hex("ff60000001 00fe9f")
                             << QStringLiteral("Dauerträger-Befehl erkannt");
    QTest::newRow("rssi") << Operation(&TFRX::BtestRSSIClick) << 100 << hex("ff61000000 00fe9f")
                          << QStringLiteral("RSSI-Befehl erkannt");
}

void TestLink::request_wireBytesAndOutcome()
{
    QFETCH(Operation, operation);
    QFETCH(int, preamble);
    QFETCH(QByteArray, frame);
    QFETCH(QString, recognised);
    QSignalSpy followUp(m_link.get(), &TFRX::followUpEnabled);
    QSignalSpy interval(m_link.get(), &TFRX::followUpIntervalChanged);

    operation(*m_link);
    QCOMPARE(m_link->PendingCommand, quint8(frame[1]));
    QCOMPARE(m_link->AppMode, quint8(1));
    QCOMPARE(m_link->Lfehler, QStringLiteral("Übertragung läuft"));
    QCOMPARE(m_link->LinkState, LinkStates::aktiv);
    QTRY_COMPARE(followUp.count(), 1);

    QCOMPARE(m_sim->received(), QByteArray(preamble, '\0') + frame);
    QStringList frameLines;
    for (int i = 0; i < frame.size(); ++i)
        frameLines << QStringLiteral("%1 = %2").arg(i).arg(quint8(frame[i]));
    QCOMPARE(m_link->M1.lines().mid(m_link->M1.lineCount() - 8), frameLines);
    QVERIFY(m_link->TM.lines().contains(QStringLiteral("TX[%1] = 0").arg(preamble - 1)));
    QVERIFY(m_link->TM.lines().contains(QStringLiteral("TX[7] = %1").arg(quint8(frame[7]))));
    QVERIFY(m_link->Mread.lines().isEmpty());

    QCOMPARE(m_link->ReplyOk, quint8(1));
    QCOMPARE(m_link->ErrorText, QStringLiteral("Fehler nicht spezifiziert"));
    QCOMPARE(m_link->Lfehler, QStringLiteral("...fertig"));
    QCOMPARE(interval.first().first().toInt(), 20);
    QCOMPARE(m_link->MC.lastLine(), recognised.isEmpty() ? QStringLiteral("MC") : recognised);
    QCOMPARE(m_link->CarrierOn, quint8(frame[1] == 0x60));
    QCOMPARE(m_link->BootAck, quint8(frame[1] == 'w'));
}

void TestLink::write_sendsDataFrameOnAcceptanceAndModuleKeepsIt()
{
    for (int i = 0; i < 384; ++i)
        m_link->ConfigPayload[i] = quint8(i * 7 + 3);
    QSignalSpy followUp(m_link.get(), &TFRX::followUpEnabled);
    QSignalSpy interval(m_link.get(), &TFRX::followUpIntervalChanged);

    m_link->BTxConfigClick();
    QTRY_COMPARE(followUp.count(), 2);

    const QByteArray payload = bytesOf(m_link->ConfigPayload, 384);
    QCOMPARE(m_sim->received(),
             QByteArray(50, '\0') + hex("ff31010001 80fe4d") + hex("ff33") + payload + hex("438d"));
    QCOMPARE(m_link->PendingCommand, quint8('3'));
    QCOMPARE(m_link->ReplyOk, quint8(1));
    QCOMPARE(m_link->RxCount, 6);
    QVERIFY(m_link->TM.lines().contains(QStringLiteral("jetzt Daten übertragen...")));
    QCOMPARE(interval.count(), 3);
    QCOMPARE(interval[0].first().toInt(), 20);
    QCOMPARE(interval[1].first().toInt(), 200);
    QCOMPARE(interval[2].first().toInt(), 20);
    // Group 0 carried 3, 10, 17: word 0 = 3, word 1 = 10 * 256 + 17.
    QCOMPARE(m_sim->module().image()[0], quint16(3));
    QCOMPARE(m_sim->module().image()[1], quint16(10 * 256 + 17));
}

void TestLink::scrambledSend_masksTheWireAndKeepsTxBuf()
{
    QVERIFY(m_link->setupport(QString()));
    const QByteArray frame = hex("030041000080ff3b");
    std::copy(frame.begin(), frame.end(), m_link->TxBuf.begin());
    const qsizetype traced = m_link->TM.lineCount();

    QVERIFY(m_link->TxOut(8));
    QTRY_COMPARE(m_sim->received(), hex("c6c584c5c5453afe"));
    QCOMPARE(bytesOf(m_link->TxBuf, 8), frame);
    QCOMPARE(m_link->TM.lineCount(), traced);
}

void TestLink::readReply_fillsConfigPayloadOnly()
{
    m_link->ConfigPayload.fill(0xAA);
    QSignalSpy followUp(m_link.get(), &TFRX::followUpEnabled);
    m_link->BRXconfigClick();
    QTRY_COMPARE(followUp.count(), 1);

    QCOMPARE(m_link->RxCount, 390);
    std::array<quint8, PayloadBytes> expected;
    packImage(m_sim->module().image(), expected);
    QCOMPARE(bytesOf(m_link->ConfigPayload, 384), bytesOf(expected, 384));
    // Counter 7 (word 1), then day 5 and month/year 0x030D (words 2 and 3).
    QCOMPARE(bytesOf(m_link->ConfigPayload, 6), hex("000007 05030d"));
    QCOMPARE(m_link->ConfigPayload[384], quint8(0xAA));
    QCOMPARE(m_link->ReplyByte2, quint8(0x01));
    QCOMPARE(m_link->ReplyByte3, quint8(0x28));
    QCOMPARE(m_link->TM.lines().filter(QStringLiteral("RX: [")).size(), 390);
    QVERIFY(m_link->TM.lines().contains(QStringLiteral("RX: [1] : 0x22")));
}

void TestLink::resetReplyWithChatter_isJudgedOnItsFirstSixBytes()
{
    m_sim->module().resetChatter = QByteArrayLiteral("\r\nVelka start\r\n");
    m_link->CarrierOn = 1;
    QSignalSpy followUp(m_link.get(), &TFRX::followUpEnabled);
    m_link->BresetDeviceClick();
    QTRY_COMPARE(followUp.count(), 1);

    QVERIFY(m_link->TM.lines().contains(QStringLiteral("RX: [20] : 0x0A"))); // all 21 bytes traced
    QCOMPARE(m_link->RxCount, 6);
    QCOMPARE(m_link->ReplyOk, quint8(1));
    QCOMPARE(m_link->CarrierOn, quint8(0));
    QCOMPARE(m_link->MC.lastLine(), QStringLiteral("RESET-Befehl erkannt"));
}

void TestLink::faultyReply_reportsOneError_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<quint8>("command");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("error");

    QTest::newRow("wrong start and checksum") << Operation(&TFRX::BRXconfigClick) << quint8('!')
        << "wrong-start" << QStringLiteral("fehlerhafte Antwort von Gerät (SystemInfo:FE@21)");
    QTest::newRow("bad checksum") << Operation(&TFRX::BRXconfigClick) << quint8('!') << "bad-checksum"
                                  << ChecksumText;
    QTest::newRow("one byte") << Operation(&TFRX::BtestRSSIClick) << quint8('a') << "truncated:1" << ChecksumText;
    QTest::newRow("bytes after a read reply") << Operation(&TFRX::BRXconfigClick) << quint8('!') << "trailing:4"
                                              << ChecksumText;
    // The first, good reset reply leaves its bytes in RxBuf: the short one must not borrow them.
    QTest::newRow("reset reply cut short") << Operation(&TFRX::BresetDeviceClick) << quint8('Q') << "truncated:4"
                                           << ChecksumText;
    QTest::newRow("write not accepted") << Operation(&TFRX::BTxConfigClick) << quint8('1') << "other-command:34"
                                        << QStringLiteral("ungültige Antwort bei Schreibbefehl#2");
}

void TestLink::faultyReply_reportsOneError()
{
    QFETCH(Operation, operation);
    QFETCH(quint8, command);
    QFETCH(QString, fault);
    QFETCH(QString, error);
    QSignalSpy followUp(m_link.get(), &TFRX::followUpEnabled);
    QSignalSpy beeps(m_link.get(), &TFRX::beepRequested);

    operation(*m_link); // a good exchange first (a write is two)
    QTRY_VERIFY(followUp.count() >= 1 && !m_link->fehlertimer.isActive());
    QCOMPARE(m_link->ReplyOk, quint8(1));
    QCOMPARE(beeps.count(), 0);

    m_sim->setFault(command, *SimFault::parse(fault), 1);
    const qsizetype followUps = followUp.count();
    operation(*m_link);
    QTRY_COMPARE(followUp.count(), followUps + 1);

    QCOMPARE(m_link->ErrorText, error);
    QCOMPARE(beeps.count(), 1); // the first error found is the one reported
    QCOMPARE(m_link->ReplyOk, quint8(0));
    QCOMPARE(m_link->ReplyError, quint8(1));
    QCOMPARE(m_link->LinkState, LinkStates::error);
    QCOMPARE(m_link->PendingCommand, command);
}

void TestLink::replyForAnotherCommand_leavesReplyOkAndFollowsUp_data()
{
    QTest::addColumn<quint8>("replyOkBefore");
    QTest::newRow("cleared before") << quint8(0);
    QTest::newRow("set before") << quint8(1);
}

void TestLink::replyForAnotherCommand_leavesReplyOkAndFollowsUp()
{
    QFETCH(quint8, replyOkBefore);
    m_link->ReplyOk = replyOkBefore;
    m_link->ConfigPayload.fill(0x55);
    m_sim->setFault('!', *SimFault::parse(u"other-command:61"));
    QSignalSpy followUp(m_link.get(), &TFRX::followUpEnabled);

    m_link->BRXconfigClick();
    QTRY_COMPARE(followUp.count(), 1);
    QCOMPARE(m_link->ReplyOk, replyOkBefore);
    QCOMPARE(m_link->Lfehler, QStringLiteral("...fertig"));
    QCOMPARE(m_link->ErrorText, QStringLiteral("Fehler nicht spezifiziert"));
    QCOMPARE(m_link->ConfigPayload[0], quint8(0x55));
    QCOMPARE(m_link->MC.lastLine(), QStringLiteral("MC"));
}

void TestLink::lateReply_isEvaluatedButCannotSucceed()
{
    m_link->fehlertimer.setInterval(200);
    m_sim->setFault('a', *SimFault::parse(u"delay:400"));
    QSignalSpy followUp(m_link.get(), &TFRX::followUpEnabled);
    QSignalSpy rssi(m_link.get(), &TFRX::rssiMeasured);

    m_link->BtestRSSIClick();
    QTRY_COMPARE(followUp.count(), 1);
    QCOMPARE(m_link->ErrorText, QStringLiteral("timeout"));
    QCOMPARE(m_link->Lfehler, QStringLiteral("timeout"));
    QCOMPARE(m_link->PendingCommand, quint8(0));
    QVERIFY(m_link->receivetimer.isActive()); // still collecting

    QTRY_COMPARE(followUp.count(), 2); // the late reply is evaluated
    QCOMPARE(m_link->RxCount, 6);
    QCOMPARE(m_link->TM.lastLine(), QStringLiteral("errechnete Checksumme: FE 77 "));
    QCOMPARE(m_link->Lfehler, QStringLiteral("...fertig"));
    QCOMPARE(m_link->ReplyOk, quint8(0));
    QCOMPARE(rssi.count(), 0);
    QCOMPARE(m_link->MC.lastLine(), QStringLiteral("MC"));
}

void TestLink::newRequest_discardsThePreviousWaitsPendingEvaluation()
{
    m_link->BresetDeviceClick();
    QTRY_VERIFY(m_link->checkendtimer.isActive()); // the reply is in, its quiet time runs
    QSignalSpy followUp(m_link.get(), &TFRX::followUpEnabled);
    m_sim->setFault('!', *SimFault::parse(u"delay:250"), 1); // nothing new within that quiet time
    m_link->BRXconfigClick();
    QTRY_COMPARE(followUp.count(), 1);
    QCOMPARE(m_link->ReplyOk, quint8(1));
    QCOMPARE(m_link->RxCount, 390);
    QCOMPARE(m_link->ErrorText, QStringLiteral("Fehler nicht spezifiziert"));
}

void TestLink::replyHold_storesBytesAndEvaluatesNothing()
{
    m_link->ReplyHold = 1;
    QSignalSpy followUp(m_link.get(), &TFRX::followUpEnabled);
    m_link->BRXconfigClick();
    QTRY_COMPARE(m_link->RxCount, 390);
    QVERIFY(!m_link->checkendtimer.isActive());
    QVERIFY(!m_link->TM.lines().contains(QStringLiteral("Daten erhalten:")));
    QCOMPARE(m_link->RxBuf[1], quint8(0x22));

    // An evaluation armed before the flag was set runs, but starts no follow-up.
    m_link->checkendtimerTimer();
    QCOMPARE(m_link->ReplyOk, quint8(1));
    QCOMPARE(followUp.count(), 0);
}

void TestLink::timeoutInterval_persistsAcrossWaits()
{
    m_sim->setFaultForAll(*SimFault::parse(u"silent"));
    m_link->fehlertimer.setInterval(250);
    QSignalSpy followUp(m_link.get(), &TFRX::followUpEnabled);
    for (int wait = 1; wait <= 2; ++wait) {
        QElapsedTimer clock;
        clock.start();
        m_link->BtestRSSIClick();
        QTRY_COMPARE(followUp.count(), wait);
        QVERIFY2(clock.elapsed() >= 240 && clock.elapsed() < 900, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(m_link->ErrorText, QStringLiteral("timeout"));
        QCOMPARE(m_link->fehlertimer.interval(), 250);
    }
}

void TestLink::rssi_rawValueToDbm_data()
{
    QTest::addColumn<int>("raw");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << QStringLiteral("-137[dBm]");
    QTest::newRow("1") << 1 << QStringLiteral("-135[dBm]");
    QTest::newRow("91") << 91 << QStringLiteral("0[dBm]");
    QTest::newRow("255") << 255 << QStringLiteral("245[dBm]");
}

void TestLink::rssi_rawValueToDbm()
{
    QFETCH(int, raw);
    QFETCH(QString, text);
    m_sim->module().rssi = quint8(raw);
    QSignalSpy rssi(m_link.get(), &TFRX::rssiMeasured);
    m_link->BtestRSSIClick();
    QTRY_COMPARE(rssi.count(), 1);
    QCOMPARE(rssi.first().at(0).toInt(), raw);
    QCOMPARE(rssi.first().at(1).toString(), text);
    QCOMPARE(m_link->ReplyByte3, quint8(raw));
}

void TestLink::selectingSelectedPort_keepsPortOpenAndRefreshes()
{
    QVERIFY(m_link->setupport(QString()));
    m_link->SB1[0] = QStringLiteral("stale");
    QSignalSpy closing(&m_link->RS232, &QSerialPort::aboutToClose);
    QSignalSpy mirror(m_link.get(), &TFRX::connectionChanged);

    m_link->COM11Click();
    QCOMPARE(closing.count(), 0);
    QVERIFY(m_link->RS232.isOpen());
    QCOMPARE(m_link->SB1[0], QStringLiteral("COM1"));
    QCOMPARE(mirror.count(), 1);
    QVERIFY(m_link->COM11.checked);
}

void TestLink::probe_withOnlyCom1_disablesOthersUntilShowdataRestores()
{
    QSignalSpy mirror(m_link.get(), &TFRX::connectionChanged);
    m_link->MainMenu1Change();
    QCOMPARE(mirror.count(), 1);
    QVERIFY(m_link->COM11.enabled);
    QVERIFY(!m_link->COM21.enabled);
    QVERIFY(!m_link->COM31.enabled);
    QVERIFY(!m_link->COM41.enabled);
    QCOMPARE(m_link->portName(), QStringLiteral("COM4"));
    QVERIFY(!m_link->RS232.isOpen());

    m_link->showdata();
    QCOMPARE(m_link->portName(), QStringLiteral("COM1"));
    QCOMPARE(m_link->SB1[0], QStringLiteral("COM1"));
    QCOMPARE(m_link->SB1[1], QStringLiteral("update.qvx"));
    QCOMPARE(m_link->Version, QStringLiteral("01.00"));
    QCOMPARE(m_link->timerUSBsearch.interval(), 1000);
}

void TestLink::selectingMissingPort_requestFailsWithPortError()
{
    QSignalSpy buttons(m_link.get(), &TFRX::readWriteButtonsEnabled);
    m_link->COM21Click();
    QVERIFY(m_link->COM21.checked && !m_link->COM11.checked);
    QVERIFY(!m_link->COM21.enabled);
    QCOMPARE(m_link->Lsavecom, QStringLiteral("COM2"));
    QCOMPARE(m_link->SB1[0], QStringLiteral("COM2"));

    QSignalSpy failure(m_link.get(), &TFRX::followUpEnabled);
    m_link->BRXconfigClick();
    QCOMPARE(m_link->ErrorText, QStringLiteral("Fehler Kommunikationsport"));
    QCOMPARE(buttons.count(), 1);
    QCOMPARE(failure.count(), 1); // the waiting window reports it
    QVERIFY(!m_link->fehlertimer.isActive());
    QVERIFY(m_sim->received().isEmpty());

    m_link->COM11Click();
    QCOMPARE(m_link->portName(), QStringLiteral("COM1"));
    QSignalSpy followUp(m_link.get(), &TFRX::followUpEnabled);
    m_link->BRXconfigClick();
    QTRY_COMPARE(followUp.count(), 1);
    QCOMPARE(m_link->ReplyOk, quint8(1));
}

void TestLink::send_discardsOrKeepsUncollectedBytes_data()
{
    QTest::addColumn<bool>("plain");
    QTest::addColumn<QByteArray>("collected");
    QTest::newRow("plain send discards") << true << QByteArray("Z");
    QTest::newRow("scrambled send keeps") << false << QByteArray("abcZ");
}

void TestLink::send_discardsOrKeepsUncollectedBytes()
{
    QFETCH(bool, plain);
    QFETCH(QByteArray, collected);
    QVERIFY(m_link->setupport(QString()));
    m_sim->sendUnsolicited("abc");
    QTRY_COMPARE(m_link->RS232.bytesAvailable(), qint64(3)); // arrived, not collected
    m_link->TxBuf[0] = 0;
    if (plain)
        m_link->TxConfigOut(1);
    else
        QVERIFY(m_link->TxOut(1));

    m_link->receivetimer.start();
    m_sim->sendUnsolicited("Z");
    QTRY_COMPARE(bytesOf(m_link->RxBuf, m_link->RxCount), collected);
}

void TestLink::flood_staysInRxBufAndNextRequestWorks()
{
    m_link->ConfigPayload.fill(0x5A);
    m_sim->setFault('!', *SimFault::parse(u"flood:10000"), 1);
    QSignalSpy followUp(m_link.get(), &TFRX::followUpEnabled);

    m_link->BRXconfigClick();
    QTRY_COMPARE_WITH_TIMEOUT(followUp.count(), 1, 10000);
    QCOMPARE(m_sim->sentCount(), qint64(10000));
    QCOMPARE(m_link->RxCount, qint32(m_link->RxBuf.size()));
    QVERIFY2(m_link->ErrorText == ChecksumText || m_link->ErrorText.startsWith(u"fehlerhafte Antwort"),
             qPrintable(m_link->ErrorText));
    QCOMPARE(m_link->ReplyOk, quint8(0));
    QCOMPARE(m_link->ConfigPayload[0], quint8(0x5A));

    m_link->BRXconfigClick();
    QTRY_COMPARE(followUp.count(), 2);
    QCOMPARE(m_link->ReplyOk, quint8(1));
    QCOMPARE(m_link->RxCount, 390);
}

void TestLink::killedModule_closesPortOnceAndReportsOnce()
{
    QProcess module;
    QVERIFY(startSimProcess(module, {QStringLiteral("--pace")}));
    QSignalSpy followUp(m_link.get(), &TFRX::followUpEnabled);
    QSignalSpy beeps(m_link.get(), &TFRX::beepRequested);
    QSignalSpy closing(&m_link->RS232, &QSerialPort::aboutToClose);
    QSignalSpy portErrors(&m_link->RS232, &QSerialPort::errorOccurred);

    m_link->BRXconfigClick();
    closing.clear(); // the request's own reopening
    QTRY_VERIFY(m_link->RxCount >= 40); // the paced reply is under way
    module.kill();
    QVERIFY(module.waitForFinished(5000));

    QTRY_VERIFY(!m_link->RS232.isOpen());
    QTRY_COMPARE(followUp.count(), 1);
    QVERIFY(!beeps.wait(300)); // and nothing after it: no error storm
    QCOMPARE(closing.count(), 1);
    QCOMPARE(beeps.count(), 1);
    int readErrors = 0;
    for (const QList<QVariant> &error : portErrors) {
        const auto code = error.first().value<QSerialPort::SerialPortError>();
        readErrors += code == QSerialPort::ReadError || code == QSerialPort::ResourceError;
    }
    QCOMPARE(readErrors, 1);
    QVERIFY(!m_link->ErrorText.isEmpty());
    QVERIFY(m_link->ErrorText != QStringLiteral("Fehler nicht spezifiziert"));
    QCOMPARE(m_link->Lfehler, m_link->ErrorText);
    QCOMPARE(m_link->ReplyOk, quint8(0));
    QVERIFY(!m_link->fehlertimer.isActive());

    QProcess again;
    QVERIFY(startSimProcess(again, {}));
    m_link->BRXconfigClick();
    QTRY_COMPARE(followUp.count(), 2);
    QCOMPARE(m_link->ReplyOk, quint8(1));
    again.terminate();
    QVERIFY(again.waitForFinished(5000));
}

void TestLink::portNames_followTheEnvironment_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("variable"); // VELKA_COM2, empty: unset
    QTest::addColumn<QString>("device");
    QTest::newRow("COM2 set") << "COM2" << QByteArray("/dev/pts/42") << "/dev/pts/42";
    QTest::newRow("COM2 unset") << "COM2" << QByteArray() << "/dev/ttyS1";
    QTest::newRow("COM4 unaffected") << "COM4" << QByteArray("/dev/pts/42") << "/dev/ttyS3";
    QTest::newRow("other name kept") << "COM5" << QByteArray("/dev/pts/42") << "COM5";
}

void TestLink::portNames_followTheEnvironment()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, variable);
    QFETCH(QString, device);
    if (variable.isEmpty())
        qunsetenv("VELKA_COM2");
    else
        qputenv("VELKA_COM2", variable);
    QCOMPARE(systemPortName(name), device);
    qunsetenv("VELKA_COM2");
}

void TestLink::environment_leadsTheDefaultLinkToTheModule()
{
    qputenv("VELKA_COM1", m_sim->devicePath().toLocal8Bit());
    m_link->setPortNameMapping({}); // back to the default
    QSignalSpy followUp(m_link.get(), &TFRX::followUpEnabled);
    m_link->BtestRSSIClick();
    qunsetenv("VELKA_COM1");
    QTRY_COMPARE(followUp.count(), 1);
    QCOMPARE(m_link->ReplyOk, quint8(1));
    QCOMPARE(m_sim->received().size(), 100 + 8);
}

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
