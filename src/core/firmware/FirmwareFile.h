#pragma once

#include "core/firmware/ProgramMemory.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>

class FirmwareReport;

// The program memory a firmware update file fills: one entry per address unit. An
// instruction at address a keeps its upper byte in entry a and its lower 16 bits in a + 1.
using ProgramImage = std::array<quint16, ProgramMemory::ImageEntries>;

// A firmware update file (*.qvx) as read: the header texts, the program image and the
// checksum, and whether an update may be started from it. Four header lines (a six-character
// label, then the value); every line beginning with ":" is a data line: the start address,
// one scrambled instruction per line, and the checksum line last.
class FirmwareFile
{
public:
    enum class Outcome {
        Usable,  // read and checked: the update may be offered
        Refused, // read, but unfit for an update; the reason went to the log
        Failed,  // not readable (a malformed number, no data line): nothing was logged, the
                 // caller reports FirmwareTexts::LoadFailed
    };
    // Why no update may be started from the file.
    enum class Refusal {
        None,           // it may
        NothingRead,    // no file was read yet
        ReadFailed,     // Outcome::Failed
        NoVersionPoint, // the version text has no point, the data were not read
        WrongChecksum,
        StartNotOnPage, // erasing the first page would wipe memory the file does not describe
        TooManyRows,    // more than the row table holds
        BeyondMemory,   // it runs past the last address: its end would land on page 0
    };

    FirmwareFile();

    // A file's bytes as lines (byte-order mark, CR LF / LF / CR).
    static QStringList decode(const QByteArray &bytes);

    // Reads a file's lines; what was read before is forgotten first (the image is all 0
    // again). Reports the header as a success or the refusal as a failure, and the counted address
    // units to the diagnostic list.
    Outcome parse(const QStringList &lines, FirmwareReport &report);

    bool usable() const { return m_refusal == Refusal::None; }
    Refusal refusal() const { return m_refusal; }
    // What the log was told about the refusal of a file that was read; empty otherwise.
    const QString &refusalText() const { return m_refusalText; }

    // The header: the device the firmware is for, its version ("1.28"), its release date
    // (free text); empty where a line is shorter than its label.
    const QString &deviceText() const { return m_deviceText; }
    const QString &versionText() const { return m_versionText; }
    const QString &releaseDateText() const { return m_releaseDateText; }
    // Before and after the version text's first point; 0 where that is not a number.
    int fileVersionMajor() const { return m_versionMajor; }
    int fileVersionMinor() const { return m_versionMinor; }
    const ProgramImage &progImage() const { return *m_image; }
    quint16 startAddress() const { return m_startAddress; }
    // Address units the file fills from startAddress(): twice its instructions (16-bit).
    quint16 addressCount() const { return m_addressCount; }
    // Sum of the raw bytes of the start-address and instruction lines (16-bit).
    quint16 fileChecksum() const { return m_fileChecksum; }

private:
    void reset();
    Outcome refuse(Refusal refusal, const QString &text, FirmwareReport &report);
    Outcome fail();

    std::unique_ptr<ProgramImage> m_image; // 128 KiB: kept off the stack
    QString m_deviceText;
    QString m_versionText;
    QString m_releaseDateText;
    int m_versionMajor = 0;
    int m_versionMinor = 0;
    quint16 m_startAddress = 0;
    quint16 m_addressCount = 0;
    quint16 m_fileChecksum = 0;
    // Not 16-bit like addressCount(): a file too long for the module must not pass for a
    // short one by wrapping around.
    qint64 m_instructions = 0;
    Refusal m_refusal = Refusal::NothingRead;
    QString m_refusalText;
};
