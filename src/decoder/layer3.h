#pragma once
// Layer III decoding (MPEG-1, MPEG-2 LSF, MPEG-2.5).
#include <cstdint>
#include <memory>

namespace korvo {

class Decoder;

// Side information of one granule and channel.
struct GranuleInfo {
    int32_t scfsi = -1;
    int32_t part23Length = 0;
    int32_t bigValues = 0;
    int32_t scalefacCompress = 0;
    int32_t blockType = 0;
    int32_t mixedBlockFlag = 0;
    int32_t tableSelect[3] = {};
    int32_t shortBandLimit[3] = {};
    int32_t longBandLimit = 0;
    int32_t activeSubbands = 0;
    int32_t region1Begin = 0;
    int32_t region2Begin = 0;
    int32_t preflag = 0;
    int32_t scalefacScale = 0;
    int32_t count1TableSelect = 0;
    int32_t windowGainIndex[3] = {};
    int32_t gainIndex = 0;
};

struct SideInfo {
    uint32_t mainDataBegin = 0;
    uint32_t privateBits = 0;
    GranuleInfo granules[2][2];   // [channel][granule]
};

class Layer3Decoder {
public:
    Layer3Decoder();
    ~Layer3Decoder();
    Layer3Decoder(const Layer3Decoder&) = delete;
    Layer3Decoder& operator=(const Layer3Decoder&) = delete;

    // Builds the process-wide Layer III tables (once; later calls do nothing).
    static void initLayer3Tables();
    // Decodes the frame whose body the decoder's reader holds, appending PCM. Returns 1: the
    // decoding object reads 0 as "no room in the PCM buffer", and an abandoned frame (bad side
    // information or a Huffman overrun) is simply skipped; lastFrameDecoded() tells which.
    int decodeLayer3Frame(Decoder& decoder);
    // 1 when the last frame decoded whole, 0 when it was abandoned.
    int lastFrameDecoded() const { return lastDecoded_; }

    struct State;

private:
    int decodeFrame(Decoder& decoder);

    std::unique_ptr<State> s_;
    int lastDecoded_ = 1;
};

// Read-only views of the computed tables (for tests).
namespace layer3 {
double gainTable(int i);          // G[i] = 2^(-(i - 46) / 4); positions past the end are clamped
double powerTable(int m);         // m^(4/3)
int longSubbandLimit(int samplingIndex, int i);
int shortSubbandLimit(int samplingIndex, int i);
uint16_t lsfScaleWord(int intensity, int index);
} // namespace layer3

} // namespace korvo
