#pragma once

#include <QWidget>

#include <array>

class ConfigDocument;
class QFrame;
class QLabel;

// The module's system data: firmware, serial number, date code, customer and the date of the
// last configuration. Until the first exchange with a module a note stands in their place.
class SystemDataPanel : public QWidget
{
    Q_OBJECT
public:
    SystemDataPanel(const ConfigDocument &document, QWidget *parent);

    // `firmware`: the two version bytes the module sent with its last reply.
    void showData(const std::array<quint8, 2> &firmware);
    // The data are now the module's: they replace the note.
    void showModuleData();

private:
    const ConfigDocument &m_document;
    QFrame *m_note = nullptr;  // Panel1
    QFrame *m_data = nullptr;  // Pread
    QLabel *m_firmware = nullptr, *m_serial = nullptr, *m_dateCode = nullptr;
    QLabel *m_customer = nullptr, *m_last = nullptr;
};
