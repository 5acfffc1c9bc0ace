// Feeds arbitrary replies, for any pending frame, to the verdict on a bootloader reply: it
// must never read out of bounds, and every verdict must hold together (see
// ReplyVerdictInput.h). Seeds: corpus/boot_verdict/.
//   build-fuzz/fuzz/fuzz_boot_verdict fuzz/corpus/boot_verdict

#include "ReplyVerdictInput.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const VerdictInput input = bootVerdictInput(std::span<const quint8>(data, size));
    if (const char *fault = bootVerdictFault(input, judgeBootloaderReply(input.reply, input.pending))) {
        std::fprintf(stderr, "unsound bootloader verdict: %s\n", fault);
        __builtin_trap();
    }
    return 0;
}
