// Feeds arbitrary bytes to the configuration-file reader: it must take or refuse them, never
// crash or read out of bounds, and what it takes must survive being saved and read again
// (see ConfigFileChecks.h). Seeds: corpus/config_file/.
//   build-fuzz/fuzz/fuzz_config_file fuzz/corpus/config_file

#include "ConfigFileChecks.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    std::optional<ConfigWords> image;
    if (const char *fault = configFileFault(bytes, image)) {
        std::fprintf(stderr, "unsound configuration file reading: %s\n", fault);
        __builtin_trap();
    }
    return 0;
}
