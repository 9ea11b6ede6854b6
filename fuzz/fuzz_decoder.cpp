// libFuzzer target: the whole decoding object over a byte buffer. The first byte picks the
// output mode, mapping scheme and equalizer; the rest is the stream.
#include <cstddef>
#include <cstdint>

#include "decoder/decoder.h"
#include "decoder/equalizer.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Free-format streams ask whether to resynchronise; the quiet prompt answers alternately.
    fuzz::quietPrompt();
    static korvo::Decoder* decoder = new korvo::Decoder();   // one object for the whole run: state carries over as in the player
    static float gains[korvo::kEqLines];
    if (size < 1) return 0;
    uint8_t control = data[0];
    float bands[korvo::kEqBands];
    for (int i = 0; i < korvo::kEqBands; ++i) bands[i] = float((control + i * 7) % 21) * 0.1f;
    korvo::buildEqLineGains(bands, gains);
    decoder->options.mappingMode = 1 + (control & 3);
    decoder->options.eqEnabled = (control >> 2) & 1;
    decoder->options.eqLineGains = gains;
    korvo::MemoryInput input(data + 1, size - 1);
    fuzz::decodeFrames(*decoder, input, (control >> 3) & 1, [] {});
    return 0;
}
