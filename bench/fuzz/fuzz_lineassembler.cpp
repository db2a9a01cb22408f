// LineAssembler::feed with the input cut into random pieces and a random bound. Nothing
// may be lost, reordered or invented, every line must end at its first CR LF, and the
// buffer must stay within its bound.

#include "fuzzseeds.h"
#include "serial/lineassembler.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            fprintf(stderr, "check failed: %s (line %d)\n", #cond, __LINE__);                      \
            abort();                                                                               \
        }                                                                                          \
    } while (0)

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzSeeds::addSeedInputs(argc, argv, NODEWEAVE_FUZZ_SEEDS);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider in(data, size);
    // Small bounds reach the overflow path with small inputs; one bound in eight is the
    // program's own. A bound of one byte cannot keep a CR for the LF after it.
    const int bound = in.ConsumeIntegralInRange<int>(0, 7) == 0
                          ? LineAssembler::defaultMaxPending
                          : in.ConsumeIntegralInRange<int>(2, 300);
    LineAssembler assembler(bound);
    QByteArray input;
    QByteArray output;
    qsizetype lineEnds = 0;
    qsizetype lines = 0;
    while (in.remaining_bytes() > 0) {
        const size_t piece = in.ConsumeIntegralInRange<size_t>(0, 400);
        const std::string bytes = in.ConsumeBytesAsString(piece);
        const QByteArray chunk(bytes.data(), qsizetype(bytes.size()));
        input += chunk;
        const LineAssembler::Result r = assembler.feed(chunk);
        // Lines come from before any overflow of the same call.
        for (const QByteArray &line : r.lines) {
            FUZZ_CHECK(line.endsWith("\r\n"));
            FUZZ_CHECK(line.indexOf("\r\n") == line.size() - 2);
            output += line;
            ++lines;
        }
        for (const QByteArray &run : r.overflows) {
            FUZZ_CHECK(!run.isEmpty());
            FUZZ_CHECK(run.size() <= bound);
            FUZZ_CHECK(!run.contains("\r\n"));
            output += run;
        }
        FUZZ_CHECK(assembler.pendingSize() == assembler.pending().size());
        FUZZ_CHECK(assembler.pendingSize() < bound);
        FUZZ_CHECK(!assembler.pending().contains("\r\n"));
    }
    output += assembler.pending();
    FUZZ_CHECK(output == input);
    // Every CR LF in the input ended exactly one line, wherever the pieces were cut.
    for (qsizetype at = input.indexOf("\r\n"); at >= 0; at = input.indexOf("\r\n", at + 2))
        ++lineEnds;
    FUZZ_CHECK(lines == lineEnds);
    return 0;
}
