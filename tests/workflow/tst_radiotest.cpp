// The radio test end to end: the window (offscreen) on the whole program, the simulated module
// on a real pseudo-terminal.
#include "common/RunningProgram.h"
#include "core/link/DeviceLink.h"
#include "core/workflow/RadioTest.h"
#include "ui/main/Program.h"
#include "ui/main/TFVelka.h"
#include "ui/radiotest/RadioTestDisplay.h"
#include "ui/radiotest/TFtest.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>

#include <functional>
#include <memory>

namespace {
const QColor Red(255, 0, 0);
const QColor Black(0, 0, 0);
const QString StartCaption = QStringLiteral("HF-Dauerträger Start");
const QString StopCaption = QStringLiteral("!!! HF-Dauerträger STOP !!!");
} // namespace

class TestRadioTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void display_followsCarrierAndMeasurement_data();
    void display_followsCarrierAndMeasurement();
    void carrier_acknowledgedAtOnce_thenStoppedByTheSecondPress();
    void carrier_noAnswer_countsAttemptsAndReportsOncePerTimeout();
    void carrier_missingPort_everyAttemptOnlyBeeps();
    void carrierOn_closingResetsAtOnce();
    void rssi_showsTheLevel_data();
    void rssi_showsTheLevel();
    void rssi_queriesEvery333msAndClearsWhenStopped();
    void carrier_stoppedAfterSixMinutes();
    void rssiStartedWhileCarrierStarts_windowCanStillBeLeft();

private:
    void withWindow(const std::function<void(TFtest *window)> &body);
    template <class T>
    T *control(TFtest *window, const char *name) { return ::control<T>(window, name); }
    static QColor panelColour(QFrame *panel) { return panel->palette().color(QPalette::Window); }
    int answers(quint8 request) const { return int(m_answers.count(request)); }
    int logCount(const QString &text);

    std::unique_ptr<RunningProgram> m_run;
    QList<quint8> m_answers;
};

void TestRadioTest::init()
{
    m_run = std::make_unique<RunningProgram>();
    QString error;
    QVERIFY2(m_run->start(&error), qPrintable(error));
    m_answers.clear();
    connect(&m_run->sim(), &ModuleSimulator::answered, this, [this](quint8 request) { m_answers << request; });
}

void TestRadioTest::cleanup()
{
    m_run.reset();
}

void TestRadioTest::withWindow(const std::function<void(TFtest *window)> &body)
{
    bool ran = false;
    whileModal([&](QWidget *dialog) {
        auto *window = qobject_cast<TFtest *>(dialog);
        QVERIFY(window);
        // Becoming active clears a pending carrier command, so press nothing before then, as
        // a person cannot; on a busy machine the activation comes after the dialog shows.
        QVERIFY(QTest::qWaitForWindowActive(window));
        ran = true;
        body(window);
    });
    m_run->control<QAction>(QStringLiteral("Mtest"))->trigger(); // returns when it is closed
    QVERIFY(ran);
}

int TestRadioTest::logCount(const QString &text)
{
    return int(m_run->control<QTextEdit>(QStringLiteral("MInfo"))->toPlainText().split('\n').count(text));
}

void TestRadioTest::display_followsCarrierAndMeasurement_data()
{
    QTest::addColumn<bool>("carrier");
    QTest::addColumn<bool>("rssi");
    // carrier red, start/stop enabled, stop caption, rssi red, rssi enabled, end caption, close
    QTest::addColumn<QList<bool>>("expected");
    QTest::newRow("idle") << false << false << QList<bool>{false, true, false, false, true, false, true};
    QTest::newRow("carrier on") << true << false << QList<bool>{true, true, true, false, false, false, true};
    QTest::newRow("measuring") << false << true << QList<bool>{false, false, false, true, true, true, false};
    // Nothing could end the measurement here: the window must still let the person go.
    QTest::newRow("both") << true << true << QList<bool>{true, false, true, true, false, true, true};
}

void TestRadioTest::display_followsCarrierAndMeasurement()
{
    QFETCH(bool, carrier);
    QFETCH(bool, rssi);
    QFETCH(QList<bool>, expected);
    const RadioTestDisplay d = radioTestDisplay(carrier, rssi);
    QCOMPARE((QList<bool>{d.carrierRed, d.startStopEnabled, d.stopCaption, d.rssiRed, d.rssiEnabled,
                          d.rssiEndCaption, d.closeEnabled}),
             expected);
    QCOMPARE(d.noMeasurement, !rssi);
}

void TestRadioTest::carrier_acknowledgedAtOnce_thenStoppedByTheSecondPress()
{
    withWindow([&](TFtest *window) {
        auto *button = control<QPushButton>(window, "ButRFstartstop");
        auto *tries = control<QFrame>(window, "Ptry");
        QCOMPARE(button->text(), StartCaption);
        button->click();
        QVERIFY(tries->isVisible());
        QCOMPARE(control<QLabel>(window, "Ltries")->text(), QStringLiteral("1"));
        QTRY_VERIFY(m_run->program().radioTest().carrierOn());
        QVERIFY(tries->isVisible());
        QTRY_VERIFY(!tries->isVisible()); // at the first tick after the reply
        QCOMPARE(answers(0x60), 1);
        QCOMPARE(panelColour(control<QFrame>(window, "PRF")), Red);
        QCOMPARE(button->text(), StopCaption);
        QCOMPARE(button->toolTip(), QStringLiteral("Hier drücken, um Testmodus wieder zu beenden!"));
        QVERIFY(m_run->sim().module().carrierOn());

        button->click();
        QTRY_COMPARE(button->text(), StartCaption);
        QCOMPARE(answers('Q'), 1);
        QVERIFY(!m_run->sim().module().carrierOn());
        QCOMPARE(panelColour(control<QFrame>(window, "PRF")), Black);
        QTRY_VERIFY(m_run->logContains("Gerät neu gestartet"));
        control<QPushButton>(window, "Bclose")->click();
    });
}

void TestRadioTest::carrier_noAnswer_countsAttemptsAndReportsOncePerTimeout()
{
    m_run->sim().setFault(0x60, *SimFault::parse(u"silent"));
    withWindow([&](TFtest *window) {
        auto *tries = control<QLabel>(window, "Ltries");
        QList<qint64> changes;
        QElapsedTimer clock;
        control<QPushButton>(window, "ButRFstartstop")->click();
        clock.start();
        for (const char *n : {"2", "3", "4"}) {
            QTRY_COMPARE(tries->text(), QLatin1String(n));
            changes << clock.elapsed();
        }
        QVERIFY2(changes[2] - changes[0] >= 2 * 200 && changes[2] - changes[0] <= 2 * 400,
                 qPrintable(QString::number(changes[2] - changes[0])));
        QTRY_COMPARE_WITH_TIMEOUT(tries->text(), QStringLiteral("11"), 5000); // 2.5 s of attempts
        // The link's time-out is 1000 ms and a repetition does not restart it.
        const int reports = logCount(QStringLiteral("Fehler bei Kommunikation"));
        QVERIFY2(reports >= 1 && reports <= 3, qPrintable(QString::number(reports)));
        QVERIFY(logCount(QStringLiteral("timeout")) == reports);
        control<QPushButton>(window, "Bclose")->click();
    });
}

void TestRadioTest::carrier_missingPort_everyAttemptOnlyBeeps()
{
    m_run->window().MCOMClick(2); // no such port
    QSignalSpy beeps(&m_run->window(), &TFVelka::beeped);
    withWindow([&](TFtest *window) {
        control<QPushButton>(window, "ButRFstartstop")->click();
        QTRY_COMPARE(control<QLabel>(window, "Ltries")->text(), QStringLiteral("4"));
        control<QPushButton>(window, "Bclose")->click();
    });
    QVERIFY(beeps.count() >= 4);
    QVERIFY(!m_run->logContains(QStringLiteral("Fehler bei Kommunikation")));
    QVERIFY(!m_run->logContains(QStringLiteral("Fehler Kommunikationsport")));
}

void TestRadioTest::carrierOn_closingResetsAtOnce()
{
    withWindow([&](TFtest *window) {
        control<QPushButton>(window, "ButRFstartstop")->click();
        QTRY_COMPARE(control<QPushButton>(window, "ButRFstartstop")->text(), StopCaption);
        QVERIFY(!control<QPushButton>(window, "BgetRSSI")->isEnabled());
        QVERIFY(control<QPushButton>(window, "Bclose")->isEnabled());
        control<QPushButton>(window, "Bclose")->click();
        QVERIFY(!m_run->program().radioTest().carrierOn()); // at once, before any reply
    });
    QTRY_VERIFY(!m_run->sim().module().carrierOn());
    QCOMPARE(answers('Q'), 1);
    QCOMPARE(control<QFrame>(m_run->program().Ftest(), "PRF")->palette().color(QPalette::Window), Black);
}

void TestRadioTest::rssi_showsTheLevel_data()
{
    QTest::addColumn<int>("raw");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("bar");
    QTest::newRow("0") << 0 << "-137[dBm]" << 15;
    QTest::newRow("15") << 15 << "-114[dBm]" << 15;
    QTest::newRow("40") << 40 << "-77[dBm]" << 40;
    QTest::newRow("65") << 65 << "-39[dBm]" << 65;
    QTest::newRow("255") << 255 << "245[dBm]" << 65;
}

void TestRadioTest::rssi_showsTheLevel()
{
    QFETCH(int, raw);
    QFETCH(QString, text);
    QFETCH(int, bar);
    m_run->sim().module().rssi = quint8(raw);
    withWindow([&](TFtest *window) {
        control<QPushButton>(window, "BgetRSSI")->click();
        QTRY_COMPARE(control<QLabel>(window, "L_RSSI")->text(), text);
        QCOMPARE(control<QProgressBar>(window, "PBrssi")->value(), bar);
        control<QPushButton>(window, "BgetRSSI")->click(); // stop, so the window can be left
        QTRY_VERIFY(control<QPushButton>(window, "Bclose")->isEnabled());
        control<QPushButton>(window, "Bclose")->click();
    });
}

void TestRadioTest::rssi_queriesEvery333msAndClearsWhenStopped()
{
    withWindow([&](TFtest *window) {
        auto *rssi = control<QPushButton>(window, "BgetRSSI");
        rssi->click();
        QTRY_COMPARE(rssi->text(), QStringLiteral("ENDE RSSI"));
        QVERIFY(!control<QPushButton>(window, "ButRFstartstop")->isEnabled());
        QVERIFY(!control<QPushButton>(window, "Bclose")->isEnabled());
        QTest::keyClick(window, Qt::Key_Escape); // the window is left by its button only
        QVERIFY(window->isVisible());
        QCOMPARE(panelColour(control<QFrame>(window, "PfarbeRSSI")), Red);
        QVERIFY(control<QFrame>(window, "Ptry")->isVisible());
        QCOMPARE(control<QLabel>(window, "Ltries")->text(), QStringLiteral("1"));

        QTRY_VERIFY(answers('a') >= 1);
        QElapsedTimer clock;
        clock.start();
        const int first = answers('a');
        QTRY_VERIFY_WITH_TIMEOUT(answers('a') >= first + 6, 5000);
        const qint64 perQuery = clock.elapsed() / 6;
        QVERIFY2(perQuery >= 280 && perQuery <= 450, qPrintable(QString::number(perQuery)));
        QCOMPARE(control<QLabel>(window, "L_RSSI")->text(), QStringLiteral("-77[dBm]"));

        rssi->click(); // stop
        QTRY_COMPARE(control<QLabel>(window, "L_RSSI")->text(), QStringLiteral("---"));
        auto *bar = control<QProgressBar>(window, "PBrssi");
        QVERIFY(bar->value() < bar->minimum()); // empty
        QCOMPARE(rssi->text(), QStringLiteral("ermittle RSSI"));
        QVERIFY(control<QPushButton>(window, "Bclose")->isEnabled());
        const int queries = answers('a');
        control<QPushButton>(window, "Bclose")->click();
        QVERIFY(!QTest::qWaitFor([&] { return answers('a') > queries + 1; }, 800)); // no more queries
    });
}

void TestRadioTest::carrier_stoppedAfterSixMinutes()
{
    withWindow([&](TFtest *window) {
        auto *time = control<QLabel>(window, "LCarrierTime");
        control<QPushButton>(window, "ButRFstartstop")->click();
        QTRY_VERIFY(m_run->program().radioTest().carrierOn());
        m_run->clock.steady += 65 * 1000;
        QTRY_COMPARE(time->text(), QStringLiteral("Dauerträger an seit 1:05 min"));
        QVERIFY(time->isVisible());
        QVERIFY(!m_run->logContains(QStringLiteral(
            "HF-Dauerträger nach 6 Minuten automatisch beendet (max. 6 Minuten pro Stunde erlaubt)")));

        m_run->clock.steady += 5 * 60 * 1000;
        QTRY_VERIFY(!m_run->sim().module().carrierOn()); // the same stop as the button's
        QTRY_COMPARE(control<QPushButton>(window, "ButRFstartstop")->text(), StartCaption);
        QTRY_VERIFY(!time->isVisible());
        const QList<LogLine> lines = logLines(m_run->control<QTextEdit>(QStringLiteral("MInfo")));
        bool reported = false;
        for (const LogLine &line : lines)
            reported |= line.text.startsWith(QStringLiteral("HF-Dauerträger nach 6 Minuten")) && line.colour == Red;
        QVERIFY(reported);
        control<QPushButton>(window, "Bclose")->click();
    });
}

void TestRadioTest::rssiStartedWhileCarrierStarts_windowCanStillBeLeft()
{
    // The first carrier command is answered late: the measurement starts meanwhile.
    m_run->sim().setFault(0x60, *SimFault::parse(u"delay:400"), 1);
    withWindow([&](TFtest *window) {
        control<QPushButton>(window, "ButRFstartstop")->click();
        control<QPushButton>(window, "BgetRSSI")->click();
        QTRY_VERIFY(m_run->program().radioTest().carrierOn());
        QTRY_VERIFY(!control<QFrame>(window, "Ptry")->isVisible() || !m_run->program().radioTest().isStartPending());
        QTRY_VERIFY(!control<QPushButton>(window, "BgetRSSI")->isEnabled());
        QVERIFY(!control<QPushButton>(window, "ButRFstartstop")->isEnabled());
        QVERIFY(control<QPushButton>(window, "Bclose")->isEnabled());
        control<QPushButton>(window, "Bclose")->click();
    });
    const int queries = answers('a');
    QVERIFY(!m_run->program().radioTest().isMeasuring());
    QVERIFY(!QTest::qWaitFor([&] { return answers('a') > queries + 1; }, 800)); // the queries ended
    QTRY_VERIFY(!m_run->sim().module().carrierOn());
}

QTEST_MAIN(TestRadioTest)
#include "tst_radiotest.moc"
