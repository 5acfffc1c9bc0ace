// Feeds arbitrary byte streams to the simulated module's request parser, the application's
// or the bootloader's: no step may read past what arrived or consume more, a frame it takes
// must be the one the tool builds from its contents, and more bytes must never change a step
// already decided, however the line cuts the stream (see RequestParserChecks.h).
// Seeds: corpus/sim_request/.
//   build-fuzz/fuzz/fuzz_sim_request fuzz/corpus/sim_request

#include "RequestParserChecks.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (const char *fault = RequestParserChecks::requestStreamFault(std::span<const quint8>(data, size))) {
        std::fprintf(stderr, "unsound request parse: %s\n", fault);
        __builtin_trap();
    }
    return 0;
}
