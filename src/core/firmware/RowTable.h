#pragma once

#include "core/firmware/ProgramMemory.h"

#include <QtGlobal>

#include <array>
#include <span>

class FirmwareFile;
class FirmwareReport;

// One row of program memory as the bootloader writes it.
struct FirmwareRow
{
    int page = 0;             // counted from 0 at the file's first row
    int rowInPage = 0;        // 0..7
    bool toWrite = false;      // written during the update
    bool erasesPage = false;   // the first row of its page: the bootloader erases the page first
    quint16 address = 0; // address of the row's first instruction
    std::array<quint8, ProgramMemory::RowBytes> data{}; // per instruction: upper, 15..8, 7..0
};

// A usable firmware file's image divided into rows and pages, from its start address to the
// end of its data, with the rows to write marked: a row of only 0xFF bytes is the erased
// state and is skipped, unless a later row of its page is written (the page is erased and
// written from its first row on). Never more than ProgramMemory::MaxRows rows.
class RowTable
{
public:
    // Forms the rows anew and lists them on the diagnostic list. A file that is not usable
    // gives no rows and returns false.
    bool build(const FirmwareFile &file, FirmwareReport &report);

    int rowCount() const { return m_rowCount; }
    // Rows marked to be written.
    int rowsToWrite() const { return m_rowsToWrite; }
    // The rows formed, rowCount() of them.
    std::span<const FirmwareRow> rows() const { return std::span(m_rows).first(size_t(m_rowCount)); }

private:
    void formRows(const FirmwareFile &file);
    void markAndList(FirmwareReport &report);

    std::array<FirmwareRow, ProgramMemory::MaxRows> m_rows{};
    int m_rowCount = 0;
    int m_rowsToWrite = 0;
};
