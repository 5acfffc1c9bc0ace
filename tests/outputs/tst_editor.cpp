#include "common/RunningProgram.h"
#include "core/workflow/ConfigDocument.h"
#include "ui/main/Program.h"
#include "ui/main/TFVelka.h"
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
    TFVelka *w() const { return &m_run->window(); }
    TFdigout *editor() const { return m_run->program().Fdigout(); }
    ConfigDocument &doc() const { return m_run->document(); }
    template <class T>
    T *box(const char *name) const { return control<T>(editor(), name); }
    void openFor(int outNr);
    // A pick from the drop-down list, as the person makes it.
    static void choose(QComboBox *box, const QString &text);

    std::unique_ptr<RunningProgram> m_run;
};

void TestEditor::init()
{
    m_run = std::make_unique<RunningProgram>();
    QString error;
    QVERIFY2(m_run->start(&error, RunningProgram::Module::None), qPrintable(error));
}

void TestEditor::cleanup()
{
    m_run.reset();
}

void TestEditor::openFor(int outNr)
{
    editor()->setCurrentOutput(outNr);
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
        cout = control<QComboBox>(shown, "Cout")->currentText();
        quelle = control<QComboBox>(shown, "CQuelle")->currentText();
        inhalt = control<QComboBox>(shown, "CInhalt1")->currentText();
        statusBoxHidden = control<QComboBox>(shown, "CInhalt2")->isHidden();
    });
    OutputGrid *grid = control<OutputGrid>(w(), "Tabwerte");
    grid->scrollToItem(grid->item(12, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->cellRect(0, 13).center());
    QCOMPARE(editor()->currentOutput(), 13);
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
    QCOMPARE(box<QComboBox>("Cout")->count(), 36);
    QCOMPARE(box<QComboBox>("Cout")->itemText(35), QStringLiteral("out48"));
    QCOMPARE(box<QComboBox>("CInhalt1")->count(), 36);
    QCOMPARE(box<QComboBox>("CInhalt2")->count(), 11);
    QCOMPARE(box<QComboBox>("CInhalt1")->maxVisibleItems(), 40);
    QCOMPARE(box<QComboBox>("CBitFehler")->maxVisibleItems(), 32);
    QCOMPARE(box<QComboBox>("CInhalt1")->geometry(), box<QComboBox>("CInhalt2")->geometry());
    QCOMPARE(box<QPushButton>("Bclose")->text(), QStringLiteral("OK"));
    QCOMPARE(box<QPushButton>("Bclose")->size(), QSize(585, 43));
}

void TestEditor::statusSource_swapsContentBoxAndKeepsNumber()
{
    openFor(13); // out21: Slave2, in11 (index 4)
    choose(box<QComboBox>("CQuelle"), QStringLiteral("Status"));
    QCOMPARE(int(doc().outputs()[12].source), 5);
    QCOMPARE(int(doc().outputs()[12].content), 4);
    QVERIFY(box<QComboBox>("CInhalt1")->isHidden());
    QVERIFY(box<QComboBox>("CInhalt2")->isVisible());
    QCOMPARE(box<QComboBox>("CInhalt2")->currentText(), QStringLiteral("ON > FEHLER Funk mit Master"));
    // The grid follows while the editor is still open.
    QCOMPARE(control<OutputGrid>(w(), "Tabwerte")->cellText(1, 13), QStringLiteral("Status"));
    QCOMPARE(control<OutputGrid>(w(), "Tabwerte")->cellText(2, 13), QStringLiteral("ON > FEHLER Funk mit Master"));

    // in18 (index 11) has no status function of that number: nothing selected, empty cell.
    openFor(12);
    choose(box<QComboBox>("CQuelle"), QStringLiteral("Status"));
    QCOMPARE(int(doc().outputs()[11].content), 11);
    QCOMPARE(box<QComboBox>("CInhalt2")->currentIndex(), -1);
    QCOMPARE(box<QComboBox>("CInhalt2")->currentText(), QString());
    QCOMPARE(control<OutputGrid>(w(), "Tabwerte")->cellText(2, 12), QString());
    choose(box<QComboBox>("CInhalt2"), QStringLiteral("Festwert: immer ON"));
    QCOMPARE(int(doc().outputs()[11].content), 1);
    QCOMPARE(control<OutputGrid>(w(), "Tabwerte")->cellText(2, 12), QStringLiteral("Festwert: immer ON"));
}

void TestEditor::statusBackToInput_takesTheSameIndex()
{
    openFor(4); // out4: Status, "ON > Betrieb fehlerfrei" (2)
    QVERIFY(box<QComboBox>("CInhalt2")->isVisible());
    choose(box<QComboBox>("CQuelle"), QStringLiteral("Slave4"));
    QVERIFY(box<QComboBox>("CInhalt1")->isVisible());
    QCOMPARE(box<QComboBox>("CInhalt1")->currentText(), QStringLiteral("in3"));
    QCOMPARE(control<OutputGrid>(w(), "Tabwerte")->cellText(2, 4), QStringLiteral("in3"));
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
    DigEntry seventh = doc().outputs()[6];
    seventh.options = quint8(before);
    doc().setOutput(7, seventh);
    openFor(7);
    if (!fault.isEmpty())
        choose(box<QComboBox>("CBitFehler"), fault);
    if (!inversion.isEmpty())
        choose(box<QComboBox>("CBitinvertiert"), inversion);
    QTEST(int(doc().outputs()[6].options), "after");
    QCOMPARE(control<OutputGrid>(w(), "Tabwerte")->cellText(3, 7), (doc().outputs()[6].options & 2) ? QStringLiteral("Fehler > OFF")
                                                                       : QStringLiteral("unverändert"));
}

void TestEditor::cout_reachesOutputsWithHiddenRows()
{
    control<QRadioButton>(w(), "RBdig0")->click(); // only out1..out4 shown
    openFor(1);
    choose(box<QComboBox>("Cout"), QStringLiteral("out48"));
    QCOMPARE(editor()->currentOutput(), 36);
    QCOMPARE(box<QComboBox>("CQuelle")->currentText(), QStringLiteral("Slave4"));
    QCOMPARE(box<QComboBox>("CInhalt1")->currentText(), QStringLiteral("in18"));
    choose(box<QComboBox>("CQuelle"), QStringLiteral("Master"));
    QCOMPARE(int(doc().outputs()[35].source), 0);
    QVERIFY(control<OutputGrid>(w(), "Tabwerte")->isRowHidden(35));
    QCOMPARE(int(doc().word(172)), 0); // in the image at once
}

void TestEditor::typedTextMatchingNothing_storesNoSelection()
{
    openFor(2);
    QApplication::setActiveWindow(editor());
    QLineEdit *typing = box<QComboBox>("CQuelle")->lineEdit();
    typing->setFocus();
    QTRY_VERIFY(typing->hasFocus());
    typing->selectAll();
    QTest::keyClicks(typing, "Quelle?");
    QCOMPARE(int(doc().outputs()[1].source), 255);
    QCOMPARE(typing->text(), QStringLiteral("Quelle?")); // the typed text stays
    QCOMPARE(control<OutputGrid>(w(), "Tabwerte")->cellText(1, 2), QString());
    QCOMPARE(control<OutputGrid>(w(), "Tabwerte")->cellText(2, 2), QStringLiteral("-ungültig-"));

    // Typing an item's text exactly selects it.
    typing->selectAll();
    QTest::keyClicks(typing, "slave3");
    QCOMPARE(int(doc().outputs()[1].source), 3);

    QLineEdit *bits = box<QComboBox>("CBitinvertiert")->lineEdit();
    bits->setFocus();
    QTRY_VERIFY(bits->hasFocus());
    bits->selectAll();
    QTest::keyClicks(bits, "?");
    QCOMPARE(int(doc().outputs()[1].options), 0x01);
}

void TestEditor::outputZero_reachesNoOutput()
{
    openFor(3);
    QApplication::setActiveWindow(editor());
    QLineEdit *typing = box<QComboBox>("Cout")->lineEdit();
    typing->setFocus();
    QTRY_VERIFY(typing->hasFocus());
    typing->selectAll();
    QTest::keyClicks(typing, "out99");
    QCOMPARE(editor()->currentOutput(), 0);

    const DigTable before = doc().outputs();
    choose(box<QComboBox>("CQuelle"), QStringLiteral("Status"));
    choose(box<QComboBox>("CBitFehler"), QStringLiteral("Fehler > OFF"));
    for (int n = 0; n < 36; ++n) {
        QCOMPARE(doc().outputs()[n].source, before[n].source);
        QCOMPARE(doc().outputs()[n].options, before[n].options);
    }
}

QTEST_MAIN(TestEditor)
#include "tst_editor.moc"
