// Feeds arbitrary bytes to the firmware update file reader and, when it takes them, to the
// row table: nothing may crash or reach outside the image or the table, and the results must
// hold together (see FirmwareFileChecks.h). The reader and the table are kept from one input
// to the next, as the update window keeps them, so leftovers of an earlier file show.
// Seeds: corpus/firmware_file/.
//   build-fuzz/fuzz/fuzz_firmware_file fuzz/corpus/firmware_file

#include "FirmwareFileChecks.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static FirmwareFile file;
    static RowTable rows;

    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    CollectedReport report;
    const FirmwareFile::Outcome outcome = file.parse(FirmwareFile::decode(bytes), report);
    const bool built = rows.build(file, report);
    if (const char *fault = firmwareFault(outcome, file, report, rows, built)) {
        std::fprintf(stderr, "unsound firmware file results: %s\n", fault);
        __builtin_trap();
    }
    return 0;
}
