#pragma once

#include "core/config/SystemData.h"

#include <QList>
#include <QWidget>

#include <array>

class ClickLabel;
class Clock;
class ConfigDocument;
class ExtensionPanel;
class InfoLog;
class OutputGrid;
class QFrame;
class QPlainTextEdit;
class QPushButton;
class RadioPanel;
class Rs485Panel;
class StationPanel;
class SystemDataPanel;
class WordField;

// The main window's client area: the panels in their places, the output table, the log, the
// read and write buttons and the controls beyond the visible width. It shows the document;
// the window decides what its buttons do.
class ConfigView : public QWidget
{
    Q_OBJECT
public:
    ConfigView(ConfigDocument &document, const Clock &clock, QWidget *parent);

    StationPanel *stations() const { return m_stations; }
    OutputGrid *grid() const { return m_grid; }                     // Tabwerte
    InfoLog *log() const { return m_log; }                          // MInfo
    QPushButton *readButton() const { return m_read; }              // ButRead
    QPushButton *writeButton() const { return m_write; }            // ButWrite
    QPushButton *knockButton() const { return m_knock; }            // Bklopf
    QPushButton *factoryButton() const { return m_factoryButton; }  // ButCal
    QPlainTextEdit *diagnosticText() const { return m_diagnostic; } // Memo1
    QPlainTextEdit *fileText() const { return m_fileText; }         // MemoFile

    // The display refresh: the document is consistent already, this only shows all of it.
    // `firmware`: the two version bytes the module sent with its last reply.
    void showDocument(const FirmwareVersion &firmware);
    void showOutputs();
    // The system data are now the module's.
    void showModuleData();
    // The colour that marks stations and converters that exist.
    QColor presentColour() const;
    // From now on no field changes the document: the window is going away.
    void stopEditing();

signals:
    // A line of the maker's logo was double-clicked.
    void logoDoubleClicked();

private:
    void buildRightColumn();
    void buildHiddenControls();
    void showDiagnosticWords();

    ConfigDocument &m_document;
    StationPanel *m_stations = nullptr;
    RadioPanel *m_radio = nullptr;
    ExtensionPanel *m_extensions = nullptr;
    Rs485Panel *m_rs485 = nullptr;
    SystemDataPanel *m_systemData = nullptr;
    OutputGrid *m_grid = nullptr;
    InfoLog *m_log = nullptr;
    QList<WordField *> m_fields; // every field, in the order they are shown
    QPushButton *m_read = nullptr, *m_write = nullptr, *m_knock = nullptr, *m_factoryButton = nullptr;
    ClickLabel *m_logoLines[2] = {};
    QPlainTextEdit *m_diagnostic = nullptr;
    QPlainTextEdit *m_fileText = nullptr;
    QFrame *m_presentColour = nullptr; // colorvorhanden
};
