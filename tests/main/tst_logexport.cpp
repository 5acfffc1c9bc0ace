// "Protokoll speichern…" in the information log's context menu: the log as UTF-8 text with its
// time lines, or as HTML with its colours.

#include "common/RunningProgram.h"
#include "ui/common/InfoLog.h"
#include "ui/main/TFVelka.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

#include <memory>

class TestLogExport : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void save_writesTheLogAsTextOrHtml_data();
    void save_writesTheLogAsTextOrHtml();
    void save_toAFolderThatIsMissingSaysWhy();

private:
    InfoLog *log() { return m_run->control<InfoLog>(QStringLiteral("MInfo")); }
    void chooseFromContextMenu();

    std::unique_ptr<RunningProgram> m_run;
    QTemporaryDir m_dir;
};

void TestLogExport::init()
{
    m_run = std::make_unique<RunningProgram>();
    QString error;
    QVERIFY2(m_run->start(&error, RunningProgram::Module::None), qPrintable(error));
    log()->showinfo(QStringLiteral("Geräteadressen geprüft"), LogColour::Red, LogLayout::TimeLine);
}

void TestLogExport::chooseFromContextMenu()
{
    const QPoint at(10, 10);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, log()->viewport()->mapToGlobal(at));
    QApplication::sendEvent(log()->viewport(), &event);
    QTRY_VERIFY(qobject_cast<QMenu *>(QApplication::activePopupWidget()));
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    QAction *save = nullptr;
    for (QAction *action : menu->actions()) {
        if (action->text() == QStringLiteral("Protokoll speichern…"))
            save = action;
    }
    QVERIFY(save);
    menu->close();
    save->trigger();
}

void TestLogExport::save_writesTheLogAsTextOrHtml_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("text") << "log.txt";
    QTest::newRow("html") << "log.html";
}

void TestLogExport::save_writesTheLogAsTextOrHtml()
{
    QFETCH(QString, name);
    const QString expectedText = log()->toPlainText();
    m_run->ui.saveNames << m_dir.filePath(name);
    chooseFromContextMenu();
    QCOMPARE(m_run->ui.fileRequests.last().title, QStringLiteral("Protokoll speichern"));

    QFile file(m_dir.filePath(name));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString saved = QString::fromUtf8(file.readAll());
    QVERIFY(saved.contains(QStringLiteral("Programmstart")));
    if (name.endsWith(QStringLiteral(".txt"))) {
        QCOMPARE(saved, expectedText);
        QVERIFY(saved.contains(QStringLiteral(" -14:05:09-\nGeräteadressen geprüft\n")));
    } else {
        QTextDocument document;
        document.setHtml(saved);
        QCOMPARE(document.toPlainText(), expectedText);
        const QTextBlock red = document.find(QStringLiteral("Geräteadressen geprüft")).block();
        QCOMPARE(red.begin().fragment().charFormat().foreground().color(), QColor(Qt::red));
        const QTextBlock start = document.find(QStringLiteral("Programmstart")).block();
        QCOMPARE(start.begin().fragment().charFormat().foreground().color(), QColor(Qt::black));
    }
    // The log says where it went, after what was saved.
    QVERIFY(!saved.contains(QStringLiteral("Protokoll gespeichert")));
    QVERIFY(log()->toPlainText().contains(QStringLiteral("Protokoll gespeichert: ")
                                          + QDir::toNativeSeparators(m_dir.filePath(name)) + QStringLiteral("\n")));
}

void TestLogExport::save_toAFolderThatIsMissingSaysWhy()
{
    const QString target = m_dir.filePath(QStringLiteral("missing/log.txt"));
    m_run->ui.saveNames << target;
    chooseFromContextMenu();
    QVERIFY(!QFile::exists(target));
    QVERIFY2(log()->toPlainText().contains(QStringLiteral("Fehler beim Speichern des Protokolls: ")
                                           + QDir::toNativeSeparators(target) + QStringLiteral(" (")),
             qPrintable(log()->toPlainText()));
}

QTEST_MAIN(TestLogExport)
#include "tst_logexport.moc"
