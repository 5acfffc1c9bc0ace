#include "ui/main/Program.h"
#include "ui/main/TFVelka.h"
#include "common/TestSupport.h"
#include "ui/outputs/OutputGrid.h"
#include "ui/outputs/TFdigout.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

class TestEditor : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void openedFromGrid_showsThatOutput();
    void window_hasCaptionSizeAndLists();
    void statusSource_swapsContentBoxAndKeepsNumber();
    void statusBackToInput_takesTheSameIndex();
    void bitChoices_touchOnlyTheirBit_data();
    void bitChoices_touchOnlyTheirBit();
    void cout_reachesOutputsWithHiddenRows();
    void typedTextMatchingNothing_storesNoSelection();
    void outputZero_reachesNoOutput();

private:
    TFVelka *w() const { return m_program->FVelka(); }
    TFdigout *editor() const { return m_program->Fdigout(); }
    void openFor(int outNr);
    // A pick from the drop-down list, as the person makes it.
    static void choose(QComboBox *box, const QString &text);

    FakeClock m_clock;
    ScriptedUserInteraction m_ui;
    std::unique_ptr<Program> m_program;
};

void TestEditor::init()
{
    m_program = std::make_unique<Program>(m_clock, m_ui);
    w()->show();
    QTRY_VERIFY(!w()->FirstActivation);
}

void TestEditor::cleanup()
{
    m_program.reset();
}

void TestEditor::openFor(int outNr)
{
    w()->OutNr = outNr;
    editor()->show();
    QVERIFY(QTest::qWaitForWindowExposed(editor()));
}

void TestEditor::choose(QComboBox *box, const QString &text)
{
    const int index = box->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    box->setCurrentIndex(index);
    emit box->activated(index);
}

void TestEditor::openedFromGrid_showsThatOutput()
{
    QString cout, quelle, inhalt;
    bool statusBoxHidden = false;
    whileModal([&](QWidget *dialog) {
        auto *shown = qobject_cast<TFdigout *>(dialog);
        QVERIFY(shown);
        cout = shown->Cout->currentText();
        quelle = shown->CQuelle->currentText();
        inhalt = shown->CInhalt1->currentText();
        statusBoxHidden = shown->CInhalt2->isHidden();
    });
    OutputGrid *grid = w()->Tabwerte;
    grid->scrollToItem(grid->item(12, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->cellRect(0, 13).center());
    QCOMPARE(w()->OutNr, 13);
    QCOMPARE(cout, QStringLiteral("out21"));
    QCOMPARE(quelle, QStringLiteral("Slave2"));
    QCOMPARE(inhalt, QStringLiteral("in11"));
    QVERIFY(statusBoxHidden);
}

void TestEditor::window_hasCaptionSizeAndLists()
{
    openFor(1);
    QCOMPARE(editor()->windowTitle(), QStringLiteral("Velka -edit digital output-"));
    QCOMPARE(editor()->size(), QSize(612, 110));
    QCOMPARE(editor()->Cout->count(), 36);
    QCOMPARE(editor()->Cout->itemText(35), QStringLiteral("out48"));
    QCOMPARE(editor()->CInhalt1->count(), 36);
    QCOMPARE(editor()->CInhalt2->count(), 11);
    QCOMPARE(editor()->CInhalt1->maxVisibleItems(), 40);
    QCOMPARE(editor()->CBitFehler->maxVisibleItems(), 32);
    QCOMPARE(editor()->CInhalt1->geometry(), editor()->CInhalt2->geometry());
    QCOMPARE(editor()->Bclose->text(), QStringLiteral("OK"));
    QCOMPARE(editor()->Bclose->size(), QSize(585, 43));
}

void TestEditor::statusSource_swapsContentBoxAndKeepsNumber()
{
    openFor(13); // out21: Slave2, in11 (index 4)
    choose(editor()->CQuelle, QStringLiteral("Status"));
    QCOMPARE(int(w()->DigTab[12].Quelle), 5);
    QCOMPARE(int(w()->DigTab[12].Inhalt), 4);
    QVERIFY(editor()->CInhalt1->isHidden());
    QVERIFY(editor()->CInhalt2->isVisible());
    QCOMPARE(editor()->CInhalt2->currentText(), QStringLiteral("ON > FEHLER Funk mit Master"));
    // The grid follows while the editor is still open.
    QCOMPARE(w()->Tabwerte->cellText(1, 13), QStringLiteral("Status"));
    QCOMPARE(w()->Tabwerte->cellText(2, 13), QStringLiteral("ON > FEHLER Funk mit Master"));

    // in18 (index 11) has no status function of that number: nothing selected, empty cell.
    openFor(12);
    choose(editor()->CQuelle, QStringLiteral("Status"));
    QCOMPARE(int(w()->DigTab[11].Inhalt), 11);
    QCOMPARE(editor()->CInhalt2->currentIndex(), -1);
    QCOMPARE(editor()->CInhalt2->currentText(), QString());
    QCOMPARE(w()->Tabwerte->cellText(2, 12), QString());
    choose(editor()->CInhalt2, QStringLiteral("Festwert: immer ON"));
    QCOMPARE(int(w()->DigTab[11].Inhalt), 1);
    QCOMPARE(w()->Tabwerte->cellText(2, 12), QStringLiteral("Festwert: immer ON"));
}

void TestEditor::statusBackToInput_takesTheSameIndex()
{
    openFor(4); // out4: Status, "ON > Betrieb fehlerfrei" (2)
    QVERIFY(editor()->CInhalt2->isVisible());
    choose(editor()->CQuelle, QStringLiteral("Slave4"));
    QVERIFY(editor()->CInhalt1->isVisible());
    QCOMPARE(editor()->CInhalt1->currentText(), QStringLiteral("in3"));
    QCOMPARE(w()->Tabwerte->cellText(2, 4), QStringLiteral("in3"));
}

void TestEditor::bitChoices_touchOnlyTheirBit_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("inversion");
    QTest::addColumn<int>("after");
    QTest::newRow("fault off on 0x05") << 0x05 << "Fehler > OFF" << "" << 0x07;
    QTest::newRow("then normal") << 0x07 << "" << "normal" << 0x06;
    QTest::newRow("unchanged keeps high bits") << 0xFE << "unverändert" << "" << 0xFC;
    QTest::newRow("inverted") << 0x00 << "" << "invertiert" << 0x01;
}

void TestEditor::bitChoices_touchOnlyTheirBit()
{
    QFETCH(int, before);
    QFETCH(QString, fault);
    QFETCH(QString, inversion);
    w()->DigTab[6].Bits = quint8(before);
    openFor(7);
    if (!fault.isEmpty())
        choose(editor()->CBitFehler, fault);
    if (!inversion.isEmpty())
        choose(editor()->CBitinvertiert, inversion);
    QTEST(int(w()->DigTab[6].Bits), "after");
    QCOMPARE(w()->Tabwerte->cellText(3, 7), (w()->DigTab[6].Bits & 2) ? QStringLiteral("Fehler > OFF")
                                                                       : QStringLiteral("unverändert"));
}

void TestEditor::cout_reachesOutputsWithHiddenRows()
{
    w()->RBdig[0]->click(); // only out1..out4 shown
    openFor(1);
    choose(editor()->Cout, QStringLiteral("out48"));
    QCOMPARE(w()->OutNr, 36);
    QCOMPARE(editor()->CQuelle->currentText(), QStringLiteral("Slave4"));
    QCOMPARE(editor()->CInhalt1->currentText(), QStringLiteral("in18"));
    choose(editor()->CQuelle, QStringLiteral("Master"));
    QCOMPARE(int(w()->DigTab[35].Quelle), 0);
    QVERIFY(w()->Tabwerte->isRowHidden(35));
    DigTabToFlash(w()->DigTab, w()->ConfigImage);
    QCOMPARE(int(w()->ConfigImage[172]), 0);
}

void TestEditor::typedTextMatchingNothing_storesNoSelection()
{
    openFor(2);
    QApplication::setActiveWindow(editor());
    QLineEdit *typing = editor()->CQuelle->lineEdit();
    typing->setFocus();
    QTRY_VERIFY(typing->hasFocus());
    typing->selectAll();
    QTest::keyClicks(typing, "Quelle?");
    QCOMPARE(int(w()->DigTab[1].Quelle), 255);
    QCOMPARE(typing->text(), QStringLiteral("Quelle?")); // the typed text stays
    QCOMPARE(w()->Tabwerte->cellText(1, 2), QString());
    QCOMPARE(w()->Tabwerte->cellText(2, 2), QStringLiteral("-ungültig-"));

    // Typing an item's text exactly selects it.
    typing->selectAll();
    QTest::keyClicks(typing, "slave3");
    QCOMPARE(int(w()->DigTab[1].Quelle), 3);

    QLineEdit *bits = editor()->CBitinvertiert->lineEdit();
    bits->setFocus();
    QTRY_VERIFY(bits->hasFocus());
    bits->selectAll();
    QTest::keyClicks(bits, "?");
    QCOMPARE(int(w()->DigTab[1].Bits), 0x01);
}

void TestEditor::outputZero_reachesNoOutput()
{
    openFor(3);
    QApplication::setActiveWindow(editor());
    QLineEdit *typing = editor()->Cout->lineEdit();
    typing->setFocus();
    QTRY_VERIFY(typing->hasFocus());
    typing->selectAll();
    QTest::keyClicks(typing, "out99");
    QCOMPARE(w()->OutNr, 0);

    const DigTable before = w()->DigTab;
    choose(editor()->CQuelle, QStringLiteral("Status"));
    choose(editor()->CBitFehler, QStringLiteral("Fehler > OFF"));
    for (int n = 0; n < 36; ++n) {
        QCOMPARE(w()->DigTab[n].Quelle, before[n].Quelle);
        QCOMPARE(w()->DigTab[n].Bits, before[n].Bits);
    }
}

QTEST_MAIN(TestEditor)
#include "tst_editor.moc"
