#pragma once

// What reading any bytes as a firmware update file, and dividing a usable one into rows,
// must satisfy. Shared by the libFuzzer harness and the test that replays its corpus.

#include "core/firmware/FirmwareFile.h"
#include "core/firmware/FirmwareReport.h"
#include "core/firmware/RowTable.h"
#include "core/workflow/LogEntry.h"

#include <QList>
#include <QStringList>

#include <algorithm>
#include <cstring>

// Keeps what was reported.
struct CollectedReport final : FirmwareReport
{
    QList<LogEntry> infos;
    QStringList diagnostics;

    void report(const LogEntry &entry) override { infos << entry; }
    void diagnostic(const QString &line) override { diagnostics << line; }
};

// Null when the results hold together, else what is wrong with them. `rows` was built from
// `file` after parse gave `outcome`, and build() returned `built`.
inline const char *firmwareFault(FirmwareFile::Outcome outcome, const FirmwareFile &file,
                                 const CollectedReport &report, const RowTable &rows, bool built)
{
    using Outcome = FirmwareFile::Outcome;
    using Refusal = FirmwareFile::Refusal;
    if ((outcome == Outcome::Usable) != file.usable())
        return "the outcome and usable() disagree";
    if ((outcome == Outcome::Failed) != (file.refusal() == Refusal::ReadFailed))
        return "a failed reading without its refusal";
    if (file.refusal() == Refusal::NothingRead)
        return "a file read counts as nothing read";
    if (outcome == Outcome::Failed && !report.infos.isEmpty())
        return "a failed reading logged something";
    if (outcome == Outcome::Refused
        && (report.infos.isEmpty() || report.infos.last().kind != LogKind::Failure
            || report.infos.last().text != file.refusalText()))
        return "a refusal without its failure line";
    if ((outcome == Outcome::Refused) != !file.refusalText().isEmpty())
        return "a refusal text without a refusal";
    if (outcome == Outcome::Usable
        && (report.infos.size() != 4
            || std::any_of(report.infos.begin(), report.infos.end(),
                           [](const LogEntry &info) { return info.kind != LogKind::Success; })))
        return "a usable file without its four success lines";

    if (built != file.usable())
        return "rows built for a file that is not usable, or none for a usable one";
    if (rows.rowCount() < 0 || rows.rowCount() > ProgramMemory::MaxRows)
        return "rowcount outside the table";
    const auto formed = rows.rows();
    if (rows.rowsToWrite() != std::count_if(formed.begin(), formed.end(), [](const FirmwareRow &r) { return r.toWrite; }))
        return "RowsToWrite is not the number of rows to write";
    if (!file.usable())
        return rows.rowCount() == 0 ? nullptr : "rows from a file that is not usable";

    if (!file.versionText().contains(QLatin1Char('.')))
        return "usable without a point in the version";
    const int start = file.startAddress();
    const int count = file.addressCount();
    if (start % ProgramMemory::AddressUnitsPerPage != 0)
        return "usable although the start is not a page's first address";
    if (count > ProgramMemory::MaxRows * ProgramMemory::AddressUnitsPerRow)
        return "usable although it needs more rows than the table holds";
    // Nothing outside the file's own addresses survives from an earlier reading. A usable
    // file does not wrap around the end of the image, so that is what lies before its start
    // and after its end; compared in blocks, as entry by entry would take most of the
    // fuzzer's time.
    const ProgramImage &image = file.progImage();
    static const ProgramImage zeros{};
    const size_t end = size_t(start) + size_t(count);
    if (end > image.size())
        return "usable although it runs past the image";
    if (std::memcmp(image.data(), zeros.data(), size_t(start) * sizeof(quint16)) != 0
        || std::memcmp(image.data() + end, zeros.data(), (image.size() - end) * sizeof(quint16)) != 0)
        return "image entries outside the file's addresses";

    // The rows cover exactly the file's addresses, page by page.
    if (rows.rowCount() != (count + ProgramMemory::AddressUnitsPerRow - 1) / ProgramMemory::AddressUnitsPerRow)
        return "the rows do not cover the file's addresses";
    for (int i = 0; i < rows.rowCount(); ++i) {
        const FirmwareRow &row = formed[size_t(i)];
        if (row.address != quint16(start + i * ProgramMemory::AddressUnitsPerRow)
            || row.page != i / ProgramMemory::RowsPerPage || row.rowInPage != i % ProgramMemory::RowsPerPage
            || row.erasesPage != (row.rowInPage == 0))
            return "a row out of its place";
        for (int j = 0; j < ProgramMemory::InstructionsPerRow; ++j) {
            const quint16 upper = image[quint16(row.address + 2 * j)];
            const quint16 lower = image[quint16(row.address + 2 * j + 1)];
            if (row.data[size_t(3 * j)] != quint8(upper) || row.data[size_t(3 * j + 1)] != quint8(lower >> 8)
                || row.data[size_t(3 * j + 2)] != quint8(lower))
                return "row data that are not the image's";
        }
    }
    const auto holdsData = [](const FirmwareRow &row) {
        return std::any_of(row.data.begin(), row.data.end(), [](quint8 b) { return b != 0xFF; });
    };
    for (int i = 0; i < rows.rowCount(); ++i) {
        const FirmwareRow &row = formed[size_t(i)];
        bool expected = holdsData(row);
        if (row.rowInPage == 0) {
            for (int k = i; k < rows.rowCount() && formed[size_t(k)].page == row.page; ++k)
                expected = expected || holdsData(formed[size_t(k)]);
        }
        if (row.toWrite != expected)
            return "a row marked wrongly for writing";
    }
    return nullptr;
}
