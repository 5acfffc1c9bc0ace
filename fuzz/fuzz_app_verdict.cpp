// Feeds arbitrary replies, for any pending command, to the verdict on an application reply:
// it must never read out of bounds, and every verdict must hold together (see
// ReplyVerdictInput.h). Seeds: corpus/app_verdict/.
//   build-fuzz/fuzz/fuzz_app_verdict fuzz/corpus/app_verdict

#include "ReplyVerdictInput.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const VerdictInput input = verdictInput(std::span<const quint8>(data, size));
    const ReplyVerdict verdict = judgeApplicationReply(input.reply, input.complete, input.pending);
    if (const char *fault = verdictFault(input, verdict)) {
        std::fprintf(stderr, "unsound verdict: %s\n", fault);
        __builtin_trap();
    }
    return 0;
}
