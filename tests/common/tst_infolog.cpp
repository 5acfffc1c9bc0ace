#include "ui/common/InfoLog.h"
#include "common/TestSupport.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTest>

class TestInfoLog : public QObject
{
    Q_OBJECT
private slots:
    void options_giveTimeLineAndEmptyLine_data();
    void options_giveTimeLineAndEmptyLine();
    void twoReports_keepTheirOwnColours();
    void emptyText_addsAnEmptyLine();
    void newestLine_isScrolledIntoViewAfterUserScrolledUp();
};

void TestInfoLog::options_giveTimeLineAndEmptyLine_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("0 progress black") << 0 << int(LogKind::Progress) << QColor(0, 0, 0)
                                      << QStringList{"Daten geschrieben"};
    QTest::newRow("1 failure red") << 1 << int(LogKind::Failure) << QColor(255, 0, 0)
                                   << QStringList{" -14:05:09-", "Daten geschrieben"};
    QTest::newRow("2 success green") << 2 << int(LogKind::Success) << QColor(0, 128, 0)
                                     << QStringList{"Daten geschrieben", ""};
    QTest::newRow("3 warning red") << 3 << int(LogKind::Warning) << QColor(255, 0, 0)
                                   << QStringList{" -14:05:09-", "Daten geschrieben", ""};
}

void TestInfoLog::options_giveTimeLineAndEmptyLine()
{
    QFETCH(int, option);
    QFETCH(int, kind);
    QFETCH(QColor, colour);
    QFETCH(QStringList, lines);
    FakeClock clock;
    InfoLog log(clock);
    log.showEntry({LogKind(kind), QStringLiteral("Daten geschrieben"), LogLayout(option)});

    QCOMPARE(log.toPlainText(), lines.join('\n') + '\n');
    const QList<LogLine> shown = logLines(&log);
    QCOMPARE(shown.size(), lines.size());
    for (const LogLine &line : shown) {
        if (!line.text.isEmpty())
            QCOMPARE(line.colour, colour);
    }
}

void TestInfoLog::twoReports_keepTheirOwnColours()
{
    FakeClock clock;
    InfoLog log(clock);
    log.showinfo(QStringLiteral("first"), LogColour::Green, LogLayout::Plain);
    log.showinfo(QStringLiteral("second"), LogColour::Red, LogLayout::Plain);
    const QList<LogLine> shown = logLines(&log);
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[0].text, QStringLiteral("first"));
    QCOMPARE(shown[0].colour, QColor(0, 128, 0));
    QCOMPARE(shown[1].text, QStringLiteral("second"));
    QCOMPARE(shown[1].colour, QColor(255, 0, 0));
}

void TestInfoLog::emptyText_addsAnEmptyLine()
{
    FakeClock clock;
    InfoLog log(clock);
    log.showinfo(QStringLiteral("a"), LogColour::Black, LogLayout::Plain);
    log.showinfo(QString(), LogColour::Red, LogLayout::Plain);
    log.showinfo(QStringLiteral("b"), LogColour::Black, LogLayout::Plain);
    QCOMPARE(log.toPlainText(), QStringLiteral("a\n\nb\n"));
}

void TestInfoLog::newestLine_isScrolledIntoViewAfterUserScrolledUp()
{
    FakeClock clock;
    InfoLog log(clock);
    log.resize(617, 182);
    log.show();
    QVERIFY(QTest::qWaitForWindowExposed(&log));
    for (int i = 0; i < 60; ++i)
        log.showinfo(QStringLiteral("line %1").arg(i), LogColour::Black, LogLayout::Plain);
    QScrollBar *bar = log.verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    bar->setValue(0); // the user looks at the beginning

    log.showinfo(QStringLiteral("newest"), LogColour::Green, LogLayout::Framed);
    QCOMPARE(bar->value(), bar->maximum());
    const QTextBlock last = log.document()->findBlockByNumber(log.document()->blockCount() - 2);
    QCOMPARE(last.text(), QString()); // the empty line after "newest"
    const QRect newest = log.cursorRect(QTextCursor(log.document()->findBlockByNumber(
        log.document()->blockCount() - 3)));
    QCOMPARE(log.document()->findBlockByNumber(log.document()->blockCount() - 3).text(),
             QStringLiteral("newest"));
    QVERIFY(log.viewport()->rect().contains(newest));
}

QTEST_MAIN(TestInfoLog)
#include "tst_infolog.moc"
