#include "ui/main/ConfigFiles.h"

#include "core/files/BoundedFile.h"
#include "core/files/ConfigFile.h"
#include "core/files/WholeFileSave.h"
#include "core/workflow/ConfigDocument.h"
#include "ui/common/UserInteraction.h"
#include "documents/ReportDocument.h"
#include "ui/common/InfoLog.h"
#include "ui/main/MainWindowTexts.h"

#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>

namespace {
FileDialogRequest dialogRequest(const QString &title, const QString &name)
{
    return FileDialogRequest{title, MainTexts::FileFilter, MainTexts::FileExtension, name};
}

QString fullPath(const QString &name)
{
    return QDir::toNativeSeparators(QFileInfo(name).absoluteFilePath());
}
} // namespace

ConfigFiles::ConfigFiles(ConfigDocument &document, UserInteraction &ui, InfoLog &log,
                         QPlainTextEdit &fileText, QObject *parent)
    : QObject(parent)
    , m_document(document)
    , m_ui(ui)
    , m_log(log)
    , m_fileText(fileText)
    , m_openName(MainTexts::FileInitialName)
    , m_saveName(MainTexts::FileInitialName)
{
}

void ConfigFiles::resetToDefaults()
{
    if (!m_ui.confirm(MainTexts::AskNeu)) {
        m_log.showinfo(MainTexts::NeuAbgebrochen, LogColour::Red, LogLayout::Framed);
        return;
    }
    m_document.resetToDefaults();
    m_log.showinfo(MainTexts::DefaultGeladen, LogColour::Black, LogLayout::Framed);
}

QStringList ConfigFiles::buildFile()
{
    const QStringList lines = ConfigFile::build(m_document.configImage());
    m_fileText.setPlainText(lines.join(QLatin1Char('\n')));
    return lines;
}

void ConfigFiles::save()
{
    const QString name = m_ui.askSaveFileName(dialogRequest(MainTexts::SaveConfigTitle, m_saveName));
    if (name.isEmpty()) {
        m_log.showinfo(MainTexts::SpeichernAbgebrochen, LogColour::Red, LogLayout::Framed);
        return;
    }
    m_saveName = name;
    const QByteArray bytes = ConfigFile::encode(buildFile());

    const bool saved = saveWholeFile(name, bytes);
    if (!saved) {
        emit beepRequested();
        m_log.showinfo(MainTexts::SpeichernFehler, LogColour::Red, LogLayout::Framed);
        return;
    }
    m_log.showinfo(MainTexts::Gespeichert, LogColour::Green, LogLayout::Framed);
    m_currentFile = fullPath(name);
    emit fileChanged(fullPath(name));
}

void ConfigFiles::saveLog()
{
    const QString name = m_ui.askSaveFileName(
        {MainTexts::ProtokollTitle, MainTexts::ProtokollFilter, MainTexts::ProtokollExtension, MainTexts::ProtokollName});
    if (name.isEmpty())
        return;
    const QString suffix = QFileInfo(name).suffix().toLower();
    const bool html = suffix == QLatin1String("html") || suffix == QLatin1String("htm");
    const QByteArray bytes = (html ? m_log.toHtml() : m_log.toPlainText()).toUtf8();
    QString error;
    if (!saveWholeFile(name, bytes, &error)) {
        emit beepRequested();
        m_log.showinfo(MainTexts::ProtokollFehler + fullPath(name) + QStringLiteral(" (") + error + QLatin1Char(')'),
                       LogColour::Red, LogLayout::Framed);
        return;
    }
    m_log.showinfo(MainTexts::ProtokollGespeichert + fullPath(name), LogColour::Green, LogLayout::Framed);
}

void ConfigFiles::printReport(const QString &html, QWidget *window)
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, window);
    if (dialog.exec() != QDialog::Accepted) {
        m_log.showinfo(MainTexts::PrintCancelled, LogColour::Red, LogLayout::Framed);
        return;
    }
    paintReport(html, printer);
    m_log.showinfo(MainTexts::ReportPrinted, LogColour::Black, LogLayout::Framed);
}

void ConfigFiles::saveReportPdf(const QString &html)
{
    const QString name = m_ui.askSaveFileName(
        {MainTexts::ReportTitle, MainTexts::ReportFilter, MainTexts::ReportExtension, MainTexts::ReportName});
    if (name.isEmpty()) {
        m_log.showinfo(MainTexts::ReportCancelled, LogColour::Red, LogLayout::Framed);
        return;
    }
    QString error;
    if (!writeReportPdf(html, name, &error)) {
        emit beepRequested();
        m_log.showinfo(MainTexts::ReportFailed + fullPath(name) + QStringLiteral(" (") + error + QLatin1Char(')'),
                       LogColour::Red, LogLayout::Framed);
        return;
    }
    m_log.showinfo(MainTexts::ReportSaved + fullPath(name), LogColour::Green, LogLayout::Framed);
}

void ConfigFiles::load()
{
    const QString name = m_ui.askOpenFileName(dialogRequest(MainTexts::OpenConfigTitle, m_openName));
    if (name.isEmpty()) {
        m_log.showinfo(MainTexts::LadenAbgebrochen, LogColour::Red, LogLayout::Framed);
        return;
    }
    loadFile(name);
}

void ConfigFiles::loadFile(const QString &name)
{
    // Anything but a regular file of a configuration's size is refused before it is read, and
    // leaves everything as it was: the image, the file's lines, the name the dialog offers.
    const BoundedFile file = readBoundedFile(name, ConfigFileMaxBytes);
    if (!file.ok()) {
        emit beepRequested();
        m_log.showinfo(MainTexts::LadenFehler, LogColour::Red, LogLayout::TimeLine);
        m_log.showinfo(file.errorText(name, ConfigFileMaxBytes), LogColour::Red, LogLayout::EmptyLine);
        return;
    }
    if (!takeFile(ConfigFile::decode(file.bytes))) {
        emit beepRequested();
        m_log.showinfo(MainTexts::LadenFehler, LogColour::Red, LogLayout::Framed);
        return;
    }
    // Only a file that loaded is offered again.
    m_openName = name;
    m_log.showinfo(MainTexts::DateiGeladen + fullPath(name), LogColour::Green, LogLayout::Framed);
    m_currentFile = fullPath(name);
    emit fileChanged(fullPath(name));
}

bool ConfigFiles::takeFile(const QStringList &lines)
{
    m_fileText.setPlainText(lines.join(QLatin1Char('\n')));
    // Nothing is taken unless every value converts, so a broken file leaves the image as it was.
    const std::optional<ConfigWords> image = ConfigFile::read(lines);
    if (!image)
        return false;
    m_document.takeImage(*image);
    return true;
}
