// Feeds arbitrary replies, for any pending command, to the verdicts on an application reply
// and on a bootloader reply: they must never read out of bounds, and every verdict must hold
// together (see ReplyVerdictInput.h). Seeds: corpus/reply_verdict/.
//   build-fuzz/fuzz/fuzz_reply_verdict fuzz/corpus/reply_verdict

#include "ReplyVerdictInput.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const VerdictInput input = verdictInput(std::span<const quint8>(data, size));
    const ReplyVerdict verdict = judgeApplicationReply(input.reply, input.complete, input.pending);
    const char *fault = verdictFault(input, verdict);
    if (!fault)
        fault = bootVerdictFault(input, judgeBootloaderReply(input.reply, input.pending));
    if (fault) {
        std::fprintf(stderr, "unsound verdict: %s\n", fault);
        __builtin_trap();
    }
    return 0;
}
