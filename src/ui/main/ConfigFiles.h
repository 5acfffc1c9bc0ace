#pragma once

#include <QObject>
#include <QStringList>

class ConfigDocument;
class InfoLog;
class QPlainTextEdit;
class QWidget;
class UserInteraction;

// The file menu's work: back to the defaults, configuration files loaded and saved, and the
// log saved as a file. Every outcome is told in the log.
class ConfigFiles : public QObject
{
    Q_OBJECT
public:
    // `fileText` shows the lines of the file last loaded or saved.
    ConfigFiles(ConfigDocument &document, UserInteraction &ui, InfoLog &log, QPlainTextEdit &fileText,
                QObject *parent);

    void resetToDefaults();
    void load();
    // Loads `name` as load() does once its dialog has given the name: the same checks, the
    // same messages, the same status bar.
    void loadFile(const QString &name);
    void save();
    // The log as UTF-8 text, or as HTML with its colours when the name ends in .html or .htm.
    void saveLog();
    // The configuration report (HTML), through the system's print dialog, or as a PDF file.
    void printReport(const QString &html, QWidget *window);
    void saveReportPdf(const QString &html);
    // The file last loaded or saved; empty before either.
    QString currentFile() const { return m_currentFile; }

signals:
    // A configuration file was loaded or saved; `path` is its full native path.
    void fileChanged(const QString &path);
    // A file that would not load: the window beeps as it does for the link's failures.
    void beepRequested();

private:
    QStringList buildFile();
    bool takeFile(const QStringList &lines);

    ConfigDocument &m_document;
    UserInteraction &m_ui;
    InfoLog &m_log;
    QPlainTextEdit &m_fileText;
    // The open dialog offers the file last loaded, the save dialog the name last chosen in it.
    QString m_openName;
    QString m_saveName;
    QString m_currentFile;
};
