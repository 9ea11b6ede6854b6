// libFuzzer target: frame synchronisation and header parsing, and the Layer III side
// information, on bytes that arrive as from a network stream in chunks of any size. The
// first four bytes seed the chunk sizes. Every frame handed out must be one the decoder
// can hold.
#include "decoder/decoder.h"
#include "decoder/frame_tables.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::quietPrompt();
    static korvo::Decoder* decoder = new korvo::Decoder();
    if (size < 4) return 0;
    uint32_t seed = fuzz::seedOf(data);
    fuzz::ChunkedStream input(data + 4, size - 4, seed);
    fuzz::decodeFrames(*decoder, input, seed & 1, [] {
        const korvo::FrameHeader& h = decoder->header();
        const korvo::FrameReader& r = decoder->reader();
        FUZZ_CHECK(h.layer >= 1 && h.layer <= 3);
        FUZZ_CHECK(h.samplingIndex >= 0 && h.samplingIndex < 9 && korvo::frameSampleRate(h) > 0);
        FUZZ_CHECK(h.channels == 1 || h.channels == 2);
        FUZZ_CHECK(r.bodySize() > 0 && r.bodySize() <= korvo::FrameReader::kBodyCapacity);
        if (h.layer == 3) FUZZ_CHECK(r.sideInfoSize() <= r.bodySize());
        if (h.layer == 2) FUZZ_CHECK(h.jointBound <= h.subbandLimit && h.subbandLimit <= 32);
    });
    return 0;
}
