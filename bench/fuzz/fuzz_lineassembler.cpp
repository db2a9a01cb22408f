// LineAssembler::feed with the input cut into random reads and a random bound: nothing is
// lost, reordered or invented; a piece ends at its first CR LF or belongs to a dropped run,
// and so does the rest of that run; the buffer stays within its bound.

#include "fuzzseeds.h"
#include "serial/lineassembler.h"

#include <cstdio>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

#define FUZZ_CHECK(c) ((c) ? void() : (fprintf(stderr, "failed: %s\n", #c), abort()))

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    return FuzzSeeds::addSeedInputs(argc, argv, NODEWEAVE_FUZZ_SEEDS), 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider in(data, size);
    // Small bounds reach the overflow path with small inputs; one in eight is the program's.
    const int bound = in.ConsumeIntegralInRange<int>(0, 7) == 0
                          ? LineAssembler::defaultMaxPending
                          : in.ConsumeIntegralInRange<int>(2, 300);
    LineAssembler assembler(bound);
    QByteArray input, output;
    qsizetype ends = 0;
    bool inDroppedRun = false;
    while (in.remaining_bytes() > 0) {
        const std::string s = in.ConsumeBytesAsString(in.ConsumeIntegralInRange<size_t>(0, 400));
        input += QByteArray(s.data(), qsizetype(s.size()));
        for (const LineAssembler::Piece &p : assembler.feed(input.right(s.size())).pieces) {
            const qsizetype at = p.bytes.indexOf("\r\n");
            FUZZ_CHECK(!p.bytes.isEmpty() && p.bytes.size() <= bound);
            FUZZ_CHECK(at < 0 ? p.dropped : at == p.bytes.size() - 2);
            FUZZ_CHECK(p.dropped || !inDroppedRun);
            inDroppedRun = p.dropped && at < 0;
            ends += at >= 0;
            output += p.bytes;
        }
        FUZZ_CHECK(assembler.pendingSize() < bound && !assembler.pending().contains("\r\n"));
    }
    FUZZ_CHECK(output + assembler.pending() == input && ends == input.count("\r\n"));
    return 0;
}
