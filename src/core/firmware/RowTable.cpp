#include "core/firmware/RowTable.h"

#include "core/config/NumberText.h"
#include "core/firmware/FirmwareFile.h"
#include "core/firmware/FirmwareReport.h"
#include "core/firmware/FirmwareTexts.h"

#include <algorithm>

using namespace ProgramMemory;

bool RowTable::build(const FirmwareFile &file, FirmwareReport &report)
{
    m_rows.fill(FirmwareRow{});
    m_rowCount = 0;
    m_rowsToWrite = 0;
    if (!file.usable())
        return false;

    report.diagnostic(FirmwareTexts::RowTableStart);
    report.diagnostic(FirmwareTexts::AddressLines + hexText(file.addressCount(), 4));
    formRows(file);
    const int lastPage = m_rowCount > 0 ? m_rows[size_t(m_rowCount - 1)].page : 0;
    report.diagnostic(FirmwareTexts::RowCount + QString::number(m_rowCount));
    report.diagnostic(FirmwareTexts::PageCount + QString::number(lastPage));
    report.diagnostic(QString());
    markAndList(report);
    report.diagnostic(FirmwareTexts::RowsPresent + QString::number(m_rowCount));
    report.diagnostic(FirmwareTexts::RowsWritten + QString::number(m_rowsToWrite));
    return true;
}

void RowTable::formRows(const FirmwareFile &file)
{
    // The rows cover the file's own addresses, also when it does not start at 0.
    const int needed = (file.addressCount() + AddressUnitsPerRow - 1) / AddressUnitsPerRow;
    const int count = std::min(needed, MaxRows);
    const ProgramImage &image = file.progImage();
    quint16 a = file.startAddress();
    for (int r = 0; r < count; ++r) {
        FirmwareRow &row = m_rows[size_t(r)];
        for (int j = 0; j < InstructionsPerRow; ++j) {
            const quint16 upper = image[quint16(a + 2 * j)];
            const quint16 lower = image[quint16(a + 2 * j + 1)];
            row.data[size_t(3 * j)] = quint8(upper);
            row.data[size_t(3 * j + 1)] = quint8(lower >> 8);
            row.data[size_t(3 * j + 2)] = quint8(lower);
        }
        row.rowInPage = r % RowsPerPage;
        row.page = r / RowsPerPage;
        row.erasesPage = row.rowInPage == 0;
        row.address = a;
        row.toWrite = std::any_of(row.data.begin(), row.data.end(), [](quint8 b) { return b != 0xFF; });
        a = quint16(a + AddressUnitsPerRow);
    }
    m_rowCount = count;
}

void RowTable::markAndList(FirmwareReport &report)
{
    for (int i = 0; i < m_rowCount; ++i) {
        FirmwareRow &row = m_rows[size_t(i)];
        // The first row of the page is listed before its later rows are seen, so its line
        // shows whether it holds data itself.
        if (row.toWrite)
            m_rows[size_t(i - row.rowInPage)].toWrite = true;
        report.diagnostic(FirmwareTexts::Row + QString::number(i) + FirmwareTexts::StartAddress
                          + hexText(row.address, 6) + FirmwareTexts::Page + QString::number(row.page));
        report.diagnostic(FirmwareTexts::RowInPage + QString::number(row.rowInPage)
                          + (row.toWrite ? FirmwareTexts::UseRowYes : FirmwareTexts::UseRowNo)
                          + (row.erasesPage ? FirmwareTexts::ClearPageYes : FirmwareTexts::ClearPageNo));
        report.diagnostic(QString());
    }
    m_rowsToWrite = int(std::count_if(m_rows.begin(), m_rows.begin() + m_rowCount,
                                      [](const FirmwareRow &row) { return row.toWrite; }));
}
