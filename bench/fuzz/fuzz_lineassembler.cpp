// LineAssembler::feed with the input cut into random pieces and a random bound. Nothing
// may be lost, reordered or invented, every piece must end at its first CR LF or be part
// of a dropped run, and the buffer must stay within its bound.

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
    qsizetype pieceEnds = 0;
    while (in.remaining_bytes() > 0) {
        const size_t piece = in.ConsumeIntegralInRange<size_t>(0, 400);
        const std::string bytes = in.ConsumeBytesAsString(piece);
        const QByteArray chunk(bytes.data(), qsizetype(bytes.size()));
        input += chunk;
        const LineAssembler::Result r = assembler.feed(chunk);
        for (const LineAssembler::Piece &p : r.pieces) {
            // A piece holds at most one CR LF, at its end: a line, or the end of a run
            // that was cut at the bound. Neither outgrows the bound.
            FUZZ_CHECK(!p.bytes.isEmpty());
            FUZZ_CHECK(p.bytes.size() <= bound);
            const qsizetype at = p.bytes.indexOf("\r\n");
            FUZZ_CHECK(at < 0 || at == p.bytes.size() - 2);
            FUZZ_CHECK(p.dropped || at >= 0);
            if (at >= 0)
                ++pieceEnds;
            output += p.bytes;
        }
        FUZZ_CHECK(assembler.pendingSize() == assembler.pending().size());
        FUZZ_CHECK(assembler.pendingSize() < bound);
        FUZZ_CHECK(!assembler.pending().contains("\r\n"));
    }
    output += assembler.pending();
    FUZZ_CHECK(output == input);
    // Every CR LF in the input ended exactly one piece, wherever the input was cut.
    for (qsizetype at = input.indexOf("\r\n"); at >= 0; at = input.indexOf("\r\n", at + 2))
        ++lineEnds;
    FUZZ_CHECK(pieceEnds == lineEnds);
    return 0;
}
