#include "core/outputs/DigTab.h"
#include "ui/outputs/OutputGrid.h"

#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

class TestOutputs : public QObject
{
    Q_OBJECT
private slots:
    void names_followTheGroupScheme();
    void defaultAssignment_texts_data();
    void defaultAssignment_texts();
    void rowTexts_data();
    void rowTexts();
    void folding_roundTripsEveryFieldAndLeavesWord100And101();
    void gridRowCount_data();
    void gridRowCount();
    void grid_paintsTitleAndGroupBands_data();
    void grid_paintsTitleAndGroupBands();
    void grid_clicksOnNamesReportTheRow_data();
    void grid_clicksOnNamesReportTheRow();
};

void TestOutputs::names_followTheGroupScheme()
{
    QStringList expected{"out1", "out2", "out3", "out4"};
    for (int group = 1; group <= 4; ++group)
        for (int position = 1; position <= 8; ++position)
            expected << QStringLiteral("out%1%2").arg(group).arg(position);
    QCOMPARE(outputList(), expected);
    QCOMPARE(inputList().first(), QStringLiteral("in1"));
    QCOMPARE(inputList().at(4), QStringLiteral("in11"));
    QCOMPARE(inputList().last(), QStringLiteral("in48"));
    QCOMPARE(inputList().size(), 36);
}

void TestOutputs::defaultAssignment_texts_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("content");
    QTest::newRow("out1") << 1 << "Master" << "in1";
    QTest::newRow("out3") << 3 << "Master" << "in3";
    QTest::newRow("out4") << 4 << "Status" << "ON > Betrieb fehlerfrei";
    QTest::newRow("out11") << 5 << "Slave1" << "in11";
    QTest::newRow("out28") << 20 << "Slave2" << "in18";
    QTest::newRow("out31") << 21 << "Slave3" << "in11";
    QTest::newRow("out48") << 36 << "Slave4" << "in18";
}

void TestOutputs::defaultAssignment_texts()
{
    QFETCH(int, number);
    DigTable table;
    table.fill(DigEntry{9, 99, 0xFF});
    setDefaultAssignment(table);
    const OutputRowTexts texts = outputRowTexts(table[number - 1]);
    QTEST(texts.source, "source");
    QTEST(texts.content, "content");
    QCOMPARE(texts.fault, QStringLiteral("unverändert"));
    QCOMPARE(texts.inversion, QStringLiteral("normal"));
}

void TestOutputs::rowTexts_data()
{
    QTest::addColumn<int>("quelle");
    QTest::addColumn<int>("inhalt");
    QTest::addColumn<int>("bits");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("invalid source") << 7 << 0 << 0
                                    << QStringList{"", "-ungültig-", "unverändert", "normal"};
    QTest::newRow("input beyond list") << 2 << 36 << 0
                                       << QStringList{"Slave2", "", "unverändert", "normal"};
    QTest::newRow("status beyond list") << 5 << 11 << 0
                                        << QStringList{"Status", "", "unverändert", "normal"};
    QTest::newRow("last status") << 5 << 10 << 0
                                 << QStringList{"Status", "ON > FEHLER RS485 Adr.2", "unverändert", "normal"};
    QTest::newRow("bits 0x06") << 0 << 0 << 0x06
                               << QStringList{"Master", "in1", "Fehler > OFF", "normal"};
    QTest::newRow("bits 0x01") << 0 << 35 << 0x01
                               << QStringList{"Master", "in48", "unverändert", "invertiert"};
}

void TestOutputs::rowTexts()
{
    QFETCH(int, quelle);
    QFETCH(int, inhalt);
    QFETCH(int, bits);
    QFETCH(QStringList, texts);
    const OutputRowTexts shown = outputRowTexts(DigEntry{quint8(quelle), quint8(inhalt), quint8(bits)});
    QCOMPARE((QStringList{shown.source, shown.content, shown.fault, shown.inversion}), texts);
}

void TestOutputs::folding_roundTripsEveryFieldAndLeavesWord100And101()
{
    DigTable table;
    for (int n = 1; n <= OutputCount; ++n)
        table[n - 1] = DigEntry{quint8(n * 7), quint8(255 - n), quint8(n * 5)};
    table[0] = DigEntry{7, 0, 0x06};

    ConfigWords image;
    image.fill(0xAAAA);
    writeOutputWords(table, image);
    QCOMPARE(int(image[100]), 0xAAAA);
    QCOMPARE(int(image[101]), 0xAAAA);
    QCOMPARE(int(image[102]), 7);
    QCOMPARE(int(image[103]), 0x0006);
    QCOMPARE(int(image[173]), (255 - 36) * 256 + 36 * 5);
    QCOMPARE(int(image[174]), 0xAAAA);

    image[102] |= 0x4400; // a module's stray high byte is ignored when unfolding
    DigTable back;
    readOutputWords(image, back);
    for (int n = 1; n <= OutputCount; ++n) {
        QCOMPARE(back[n - 1].source, table[n - 1].source);
        QCOMPARE(back[n - 1].content, table[n - 1].content);
        QCOMPARE(back[n - 1].options, table[n - 1].options);
    }
}

void TestOutputs::gridRowCount_data()
{
    QTest::addColumn<int>("word100");
    QTest::addColumn<int>("rows");
    QTest::newRow("none") << 0 << 5;
    QTest::newRow("8 I/O") << 1 << 13;
    QTest::newRow("16 I/O") << 2 << 21;
    QTest::newRow("24 I/O") << 3 << 29;
    QTest::newRow("32 I/O") << 4 << 37;
    QTest::newRow("invalid") << 9 << 5;
}

void TestOutputs::gridRowCount()
{
    QFETCH(int, word100);
    QFETCH(int, rows);
    QCOMPARE(::gridRowCount(quint16(word100)), rows);

    OutputGrid grid;
    grid.setuptable();
    grid.setGridRowCount(rows);
    QCOMPARE(grid.gridRowCount(), rows);
}

void TestOutputs::grid_paintsTitleAndGroupBands_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QColor>("band");
    QTest::newRow("title") << 0 << QColor(192, 192, 192);
    QTest::newRow("out1") << 1 << QColor(244, 244, 244);
    QTest::newRow("out11") << 5 << QColor(233, 235, 233);
    QTest::newRow("out18") << 12 << QColor(233, 235, 233);
    QTest::newRow("out21") << 13 << QColor(244, 244, 244);
    QTest::newRow("out31") << 21 << QColor(233, 235, 233);
    QTest::newRow("out41") << 29 << QColor(244, 244, 244);
}

void TestOutputs::grid_paintsTitleAndGroupBands()
{
    QFETCH(int, row);
    QFETCH(QColor, band);
    // Paint a cell as the grid does, selected or not, and look at its corner pixels.
    QImage image(60, 16, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    {
        QPainter painter(&image);
        TabwerteDrawCell(&painter, image.rect(), 1, row, QString(), QFont());
    }
    QCOMPARE(image.pixelColor(1, 14), band);
    QCOMPARE(image.pixelColor(58, 1), band);

    OutputGrid grid;
    grid.setuptable();
    grid.resize(419, 700);
    grid.setGridRowCount(37);
    grid.selectAll(); // selection must not change the painting
    const QImage shot = grid.grab().toImage();
    const QPoint inGrid = row == 0 ? QPoint(grid.columnWidth(0) + 4, 4)
                                   : grid.cellRect(1, row).bottomLeft()
                                         + grid.viewport()->pos() + QPoint(2, -1);
    QCOMPARE(shot.pixelColor(inGrid), band);
}

void TestOutputs::grid_clicksOnNamesReportTheRow_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("reportedRow");
    QTest::newRow("out13=") << 0 << 7 << 7;
    QTest::newRow("out1=") << 0 << 1 << 1;
    QTest::newRow("Quelle column") << 1 << 7 << -1;
    QTest::newRow("Inhalt column") << 2 << 3 << -1;
}

void TestOutputs::grid_clicksOnNamesReportTheRow()
{
    QFETCH(int, column);
    QFETCH(int, row);
    OutputGrid grid;
    grid.setuptable();
    grid.resize(419, 209);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QSignalSpy clicks(&grid, &OutputGrid::fixedCellClicked);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.cellRect(column, row).center());
    QFETCH(int, reportedRow);
    if (reportedRow < 0) {
        QCOMPARE(clicks.count(), 0);
    } else {
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(clicks.first().at(1).toInt(), reportedRow);
    }
}

QTEST_MAIN(TestOutputs)
#include "tst_outputs.moc"
