#include "ui/common/ClickLabel.h"
#include "ui/main/Program.h"
#include "ui/main/TFVelka.h"
#include "common/RunningProgram.h"
#include "core/workflow/ConfigDocument.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

class TestEditing : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void typedValue_isStoredAndShown_data();
    void typedValue_isStoredAndShown();
    void enterInIntegerField_commitsAndKeepsTextSelected();
    void enterInTimeField_waitsUntilTheFieldIsLeft();
    void timeField_showsSecondsWithoutUnitWhileEdited();
    void roleCaption_actsLikeItsButton();
    void window_losingFocus_doesNotCommit();

private:
    TFVelka *w() const { return &m_run->window(); }
    ConfigDocument &doc() const { return m_run->document(); }
    QLineEdit *field(const QString &name) const { return w()->findChild<QLineEdit *>(name); }
    void typeInto(QLineEdit *target, const QString &text);
    void leave();

    std::unique_ptr<RunningProgram> m_run;
};

void TestEditing::init()
{
    m_run = std::make_unique<RunningProgram>();
    QString error;
    QVERIFY2(m_run->start(&error, RunningProgram::Module::None), qPrintable(error));
    QApplication::setActiveWindow(w());
    QVERIFY(QTest::qWaitForWindowActive(w()));
}

void TestEditing::cleanup()
{
    m_run.reset();
}

// Tab into the field as a person would, then type; entering selects the old text, so the
// typing replaces it.
void TestEditing::typeInto(QLineEdit *target, const QString &text)
{
    target->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(target->hasFocus());
    QTest::keyClicks(target, text);
}

void TestEditing::leave()
{
    control<QPushButton>(w(), "ButRead")->setFocus(Qt::TabFocusReason);
}

void TestEditing::typedValue_isStoredAndShown_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("word");
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("channel clamped") << "E_HFkanal" << "300" << 30 << 255 << "255";
    QTest::newRow("negative address") << "E_adresse1" << "-5" << 42 << 0 << "  0";
    QTest::newRow("trailing blank") << "E_HFpower" << "3 " << 32 << 0 << "  0";
    QTest::newRow("hex system id") << "E_systemID" << "$1F" << 34 << 31 << " 31";
    QTest::newRow("slave address above 99") << "E_adresse2" << "150" << 44 << 99 << " 99";
    QTest::newRow("8-bit word clamped") << "E_RS485adr1" << "65536" << 50 << 255 << "255";
    QTest::newRow("analogue source 7") << "E_Qana1" << "7" << 62 << 0 << " 0";
    QTest::newRow("cycle with point") << "E_HFzyklus" << "2.5" << 33 << 250 << "  2,500 s";
    QTest::newRow("cycle with comma and unit") << "E_HFzyklus" << "2,5 s" << 33 << 250 << "  2,500 s";
    QTest::newRow("half to even down") << "E_RStimeout" << "0,125" << 53 << 12 << "  0,120 s";
    QTest::newRow("half to even up") << "E_RStimeout" << "0,135" << 53 << 14 << "  0,140 s";
    QTest::newRow("unreadable time") << "E_RStimeout" << "abc" << 53 << 0 << "  0,000 s";
    QTest::newRow("negative time") << "E_RStimeout" << "-1" << 53 << 0 << "  0,000 s";
    QTest::newRow("time above the word") << "E_HFtimeout" << "700" << 35 << 65535 << "655,350 s";
    QTest::newRow("radio cycle 0") << "E_HFzyklus" << "0" << 33 << 90 << "  0,900 s";
}

void TestEditing::typedValue_isStoredAndShown()
{
    QFETCH(QString, name);
    QFETCH(QString, typed);
    QFETCH(int, word);
    QLineEdit *target = field(name);
    QVERIFY(target);
    typeInto(target, typed);
    leave();
    QTEST(int(doc().word(word)), "stored");
    QTEST(target->text(), "shown");
}

void TestEditing::enterInIntegerField_commitsAndKeepsTextSelected()
{
    typeInto(field("E_systemID"), "7");
    QTest::keyClick(field("E_systemID"), Qt::Key_Return);
    QCOMPARE(int(doc().word(34)), 7);
    QCOMPARE(field("E_systemID")->text(), QStringLiteral("  7"));
    QCOMPARE(field("E_systemID")->selectedText(), QStringLiteral("  7"));
    QVERIFY(field("E_systemID")->hasFocus());

    // Typing again replaces the selected text.
    QTest::keyClicks(field("E_systemID"), "42");
    QTest::keyClick(field("E_systemID"), Qt::Key_Enter);
    QCOMPARE(int(doc().word(34)), 42);
}

void TestEditing::enterInTimeField_waitsUntilTheFieldIsLeft()
{
    typeInto(field("E_HFzyklus"), "3");
    QTest::keyClick(field("E_HFzyklus"), Qt::Key_Return);
    QCOMPARE(int(doc().word(33)), 250);
    leave();
    QCOMPARE(int(doc().word(33)), 300);
}

void TestEditing::timeField_showsSecondsWithoutUnitWhileEdited()
{
    field("E_RSzyklus")->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(field("E_RSzyklus")->hasFocus());
    QCOMPARE(field("E_RSzyklus")->text(), QStringLiteral("  0,500"));
    QCOMPARE(field("E_RSzyklus")->selectedText(), QStringLiteral("  0,500"));
    leave();
    QCOMPARE(field("E_RSzyklus")->text(), QStringLiteral("  0,500 s"));
    QCOMPARE(int(doc().word(51)), 50);
}

void TestEditing::roleCaption_actsLikeItsButton()
{
    QTest::mouseClick(control<QLabel>(w(), "LSlave3"), Qt::LeftButton);
    QVERIFY(control<QRadioButton>(w(), "RBslave3")->isChecked());
    QCOMPARE(int(doc().word(41)) & 1, 0);
    QCOMPARE(int(doc().word(36)), 3);
    QTest::mouseClick(control<QLabel>(w(), "LMaster"), Qt::LeftButton);
    QVERIFY(control<QRadioButton>(w(), "RBmaster")->isChecked());
    QCOMPARE(int(doc().word(41)) & 1, 1);
    QCOMPARE(int(doc().word(36)), 0);
}

void TestEditing::window_losingFocus_doesNotCommit()
{
    typeInto(field("E_HFkanal"), "5");
    // Focus leaving with the whole window (a dialog, another program) is no edit.
    QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(field("E_HFkanal"), &away);
    QCOMPARE(int(doc().word(30)), 3);
    QCOMPARE(field("E_HFkanal")->text(), QStringLiteral("5"));
    leave();
    QCOMPARE(int(doc().word(30)), 5);
}

QTEST_MAIN(TestEditing)
#include "tst_editing.moc"
