// Feeds a reply, cut into arrivals at any points, to the fast timing's test for a whole reply
// and to the verdicts: a reply judged as soon as it is whole must be judged as it is after
// the quiet time, and no part of a valid reply may pass for whole (see ArrivalChecks.h).
// Seeds: corpus/arrival/.
//   build-fuzz/fuzz/fuzz_arrival fuzz/corpus/arrival

#include "ArrivalChecks.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (const char *fault = arrivalFault(arrivalInput(std::span<const quint8>(data, size)))) {
        std::fprintf(stderr, "fast judgement differs: %s\n", fault);
        __builtin_trap();
    }
    return 0;
}
