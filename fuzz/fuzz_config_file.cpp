// Feeds arbitrary bytes to the configuration-file reader: it must take or refuse them,
// never crash or read out of bounds. Seeds: corpus/config_file/.
//   build-fuzz/fuzz/fuzz_config_file fuzz/corpus/config_file

#include "core/files/ConfigFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList lines = ConfigFile::decode(bytes);
    if (const auto image = ConfigFile::read(lines)) {
        // A file that was taken must survive being saved and read again unchanged.
        const auto again = ConfigFile::read(ConfigFile::decode(ConfigFile::encode(ConfigFile::build(*image))));
        if (!again || *again != *image)
            __builtin_trap();
    }
    return 0;
}
