// libFuzzer property target: the same bytes decoded from a file and from a stream pipe that
// hands them over in chunks of random size give the same PCM. A stream never decodes a
// frame it did not receive whole, so the file may have one frame more at the end.
#include <memory>
#include <vector>

#include "decoder/decoder.h"
#include "fuzz_support.h"

namespace {

// Fills `out` (kept between runs: growing and freeing megabytes per input under the address
// sanitizer cost a tenth of the run in page faults).
void decodeAll(korvo::ByteInput& input, std::vector<uint8_t>& out) {
    fuzz::quietPrompt().asked = 0;   // the same answers to the same questions
    auto decoder = std::make_unique<korvo::Decoder>();
    decoder->reader().setPrompt(&fuzz::quietPrompt());
    decoder->startFile(&input, false);
    out.clear();
    int frames = 0;
    while (decoder->readFrame() && frames < 2048) {
        korvo::PcmBuffer& pcm = decoder->pcm();
        decoder->decodeFrame();
        out.insert(out.end(), pcm.data, pcm.data + pcm.fill);
        pcm.consume(pcm.fill);
        ++frames;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A stream looks further for its first frame than a file (kStreamStartSearch): past the
    // file's limit the two rightly differ.
    if (size < 4 || size - 4 > size_t(korvo::FrameReader::kScanLimit)) return 0;
    uint32_t seed = fuzz::seedOf(data);
    korvo::MemoryInput file(data + 4, size - 4);
    fuzz::ChunkedStream stream(data + 4, size - 4, seed);
    static std::vector<uint8_t> fromFile, fromStream;
    decodeAll(file, fromFile);
    decodeAll(stream, fromStream);
    constexpr size_t kOneFrame = 1152 * 2 * 2;
    FUZZ_CHECK(fromStream.size() <= fromFile.size());
    FUZZ_CHECK(fromFile.size() - fromStream.size() <= kOneFrame);
    FUZZ_CHECK(std::equal(fromStream.begin(), fromStream.end(), fromFile.begin()));
    return 0;
}
