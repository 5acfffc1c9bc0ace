// The maker's USB adapter: the search, the choice, the watch and the link's use of it, with
// adapters in the test's hands.
#include "common/FakeAdapterBackend.h"
#include "common/LinkedSession.h"
#include "core/link/DeviceLink.h"
#include "core/link/PendingReply.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <memory>

class TestAdapter : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void firstSearch_aboutASecondAfterStart();
    void search_takesOnlyTheMakersAdapters_data();
    void search_takesOnlyTheMakersAdapters();
    void matchingAdapter_becomesTheLink();
    void commands_goOnTheAdapterWithThePurgesInTheirPlaces();
    void lostAdapter_serialPortIsTheLinkAgainAndItIsFoundAgain();

private:
    FakeAdapterBackend *adapters() { return m_adapters; }
    PortChooser &ports() { return m_lines->link.ports(); }

    FakeAdapterBackend *m_adapters = nullptr;
    std::unique_ptr<LinkedSession> m_lines;
};

void TestAdapter::init()
{
    auto backend = std::make_unique<FakeAdapterBackend>();
    m_adapters = backend.get();
    // No serial port exists at all: the adapter must carry everything by itself.
    m_lines = std::make_unique<LinkedSession>([](const QString &name) { return QStringLiteral("/nonexistent/") + name; },
                                          std::move(backend));
}

void TestAdapter::cleanup()
{
    m_lines.reset();
}

void TestAdapter::firstSearch_aboutASecondAfterStart()
{
    adapters()->attached << QStringLiteral("QVK00042");
    QSignalSpy found(&ports(), &PortChooser::usbModeChanged);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(found.wait(3000));
    // The start-up after 100 ms, then the first search one interval later.
    QVERIFY2(clock.elapsed() >= 1000 && clock.elapsed() < 1800, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(adapters()->calls.count(QStringLiteral("list")), 1);
}

void TestAdapter::search_takesOnlyTheMakersAdapters_data()
{
    QTest::addColumn<QStringList>("attached");
    QTest::addColumn<QStringList>("refused");
    QTest::addColumn<QString>("opened");      // empty: none
    QTest::addColumn<QString>("description");
    QTest::addColumn<QStringList>("tried");   // open attempts, in order
    QTest::newRow("another maker's adapter") << QStringList{"FT12345A"} << QStringList() << QString()
                                             << QString() << QStringList();
    QTest::newRow("too short to match") << QStringList{"QV"} << QStringList() << QString() << QString()
                                        << QStringList();
    QTest::newRow("lower case is another maker") << QStringList{"qvk00042"} << QStringList() << QString()
                                                 << QString() << QStringList();
    QTest::newRow("ours after another") << QStringList{"FT12345A", "QVK00042"} << QStringList() << "QVK00042"
                                        << "QVK00042" << QStringList{"open:QVK00042"};
    QTest::newRow("description is eight characters") << QStringList{"QVK000421234"} << QStringList()
        << "QVK000421234" << "QVK00042" << QStringList{"open:QVK000421234"};
    // A serial number shorter than eight characters is its own description.
    QTest::newRow("short serial number") << QStringList{"QVK7"} << QStringList() << "QVK7" << "QVK7"
                                         << QStringList{"open:QVK7"};
    // The first one that opens is the link; no other is opened beside it.
    QTest::newRow("two of ours") << QStringList{"QVK00001", "QVK00002"} << QStringList() << "QVK00001"
                                 << "QVK00001" << QStringList{"open:QVK00001"};
    QTest::newRow("first refuses to open") << QStringList{"QVK00001", "QVK00002"} << QStringList{"QVK00001"}
        << "QVK00002" << "QVK00002" << QStringList{"open:QVK00001", "open:QVK00002"};
}

void TestAdapter::search_takesOnlyTheMakersAdapters()
{
    QFETCH(QStringList, attached);
    QFETCH(QStringList, refused);
    QFETCH(QString, opened);
    QFETCH(QString, description);
    QFETCH(QStringList, tried);
    adapters()->attached = attached;
    adapters()->refuse = refused;
    ports().start();
    ports().searchOrWatchAdapter();

    QCOMPARE(ports().usbMode(), !opened.isEmpty());
    QCOMPARE(adapters()->openSerial(), opened);
    QCOMPARE(adapters()->opens, opened.isEmpty() ? 0 : 1);
    QCOMPARE(adapters()->calls.filter(QStringLiteral("open:")), tried);
    QCOMPARE(ports().adapterDescription(), description);
    QCOMPARE(ports().adapterText(), opened.isEmpty() ? QStringLiteral("USB-Adapter gefunden")
                                                     : QStringLiteral("USB-Adapter: %1 gefunden").arg(description));
}

void TestAdapter::matchingAdapter_becomesTheLink()
{
    QCOMPARE(ports().adapterText(), QStringLiteral("___"));
    adapters()->attached << QStringLiteral("QVK00042");
    QSignalSpy mirror(&ports(), &PortChooser::connectionChanged);
    ports().start();
    QCOMPARE(ports().searchInterval(), 1000);
    ports().searchOrWatchAdapter();
    QVERIFY(ports().usbMode());
    QCOMPARE(ports().statusText(), QStringLiteral(" USB "));
    QVERIFY(!ports().menu().enabled);
    QCOMPARE(ports().searchInterval(), 2000); // now watching
    QVERIFY(ports().isSearching());
    QVERIFY(mirror.count() >= 1);
    // Opened, then set up: 38400 8N1, no flow control, 100 ms time-outs.
    const QStringList calls = adapters()->calls;
    QCOMPARE(calls.mid(calls.indexOf(QStringLiteral("open:QVK00042")), 2),
             (QStringList{"open:QVK00042", "settings"}));

    // Watched every two seconds while it stays.
    adapters()->calls.clear();
    ports().searchOrWatchAdapter();
    QCOMPARE(adapters()->calls, QStringList{"status"});
    QVERIFY(ports().usbMode());
}

void TestAdapter::commands_goOnTheAdapterWithThePurgesInTheirPlaces()
{
    adapters()->attached << QStringLiteral("QVK00042");
    ports().start();
    ports().searchOrWatchAdapter();
    QVERIFY(ports().usbMode());
    RequestEngine &link = m_lines->session.engine();

    adapters()->calls.clear();
    // No COM port exists: the adapter carries the request all the same.
    QSignalSpy finished(link.send(applicationRequest(Command::Reset, 1000)), &PendingReply::finished);
    // Before the preamble the receive queue; before each plain send the transmit queue, then
    // the receive queue; one write per send.
    QCOMPARE(adapters()->calls, (QStringList{"purge-rx", "purge-tx", "purge-rx", "write:50",
                                             "purge-tx", "purge-rx", "write:8"}));
    QCOMPARE(adapters()->written.right(8).toHex(), QByteArray("ff5100000000feaf"));
    adapters()->deliver(QByteArray::fromHex("ff510000feaf")); // the restart answered
    QVERIFY(finished.wait(2000));
    QVERIFY(finished.first().at(0).value<ReplyOutcome>().accepted());

    // A scrambled frame that follows a reply purges nothing.
    adapters()->calls.clear();
    link.send(finishRowRequest(false, 1000));
    QCOMPARE(adapters()->calls, QStringList{"write:4"});
}

void TestAdapter::lostAdapter_serialPortIsTheLinkAgainAndItIsFoundAgain()
{
    adapters()->attached << QStringLiteral("QVK00042");
    QSignalSpy changes(&ports(), &PortChooser::usbModeChanged);
    QVERIFY(changes.wait(3000));
    QVERIFY(ports().usbMode());

    QElapsedTimer clock;
    clock.start();
    adapters()->attached.clear(); // pulled out
    QVERIFY(changes.wait(3000));
    QVERIFY2(clock.elapsed() < 2300, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!ports().usbMode());
    QCOMPARE(ports().adapterText(), QString());
    QVERIFY(!adapters()->isOpen()); // its handle is closed
    QCOMPARE(ports().statusText(), QStringLiteral("COM1"));
    QCOMPARE(ports().searchInterval(), 1000);
    QVERIFY(ports().menu().enabled);

    clock.restart();
    adapters()->attached << QStringLiteral("QVK00042"); // plugged in again
    QVERIFY(changes.wait(3000));
    QVERIFY2(clock.elapsed() < 1300, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(ports().usbMode());
}

QTEST_GUILESS_MAIN(TestAdapter)
#include "tst_adapter.moc"
