// Damaged and extreme Layer III streams decode to the end without reading or writing outside
// any buffer (run under the sanitizers) and without producing garbage beyond full scale.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "decode_support.h"
#include "decoder/decoder.h"
#include "decoder/equalizer.h"
#include "layer3_support.h"
#include "test_support.h"

using namespace korvo;
using namespace korvo::test;

namespace {

struct Extreme {
    bool lsf = false;
    int samplingBits = 0;      // header sampling field
    bool mpeg25 = false;
    int bitrateIndex = 9;
    int mode = 1, modeExtension = 3;
    int part23 = 4095, bigValues = 511, globalGain = 0, scalefacCompress = 15;
    bool windowSwitching = false;
    int blockType = 2, mixed = 1, subblockGain = 7;
    int region0 = 15, region1 = 7;
    int table[3] = {24, 31, 13};
    int scalefacScale = 1;
    int mainDataBegin = 0;
};

// One frame: header, side information from e, then main data from rng.
std::vector<uint8_t> makeFrame(const Extreme& e, std::mt19937& rng) {
    BitWriter w;
    w.put(0x7FF, 11);
    w.put(e.mpeg25 ? 0 : 1, 1);
    w.put(e.lsf ? 0 : 1, 1);
    w.put(1, 2);   // layer III
    w.put(1, 1);   // no CRC
    w.put(uint32_t(e.bitrateIndex), 4);
    w.put(uint32_t(e.samplingBits), 2);
    w.put(0, 1);
    w.put(0, 1);
    w.put(uint32_t(e.mode), 2);
    w.put(uint32_t(e.modeExtension), 2);
    w.put(0, 4);
    int channels = e.mode == 3 ? 1 : 2;
    w.put(uint32_t(e.mainDataBegin), e.lsf ? 8 : 9);
    w.put(0, e.lsf ? (channels == 1 ? 1 : 2) : (channels == 1 ? 5 : 3));
    if (!e.lsf) w.put(15, 4 * channels);
    int granules = e.lsf ? 1 : 2;
    for (int gr = 0; gr < granules; ++gr)
        for (int ch = 0; ch < channels; ++ch) {
            w.put(uint32_t(e.part23), 12);
            w.put(uint32_t(e.bigValues), 9);
            w.put(uint32_t(e.globalGain), 8);
            w.put(uint32_t(e.scalefacCompress), e.lsf ? 9 : 4);
            w.put(e.windowSwitching ? 1 : 0, 1);
            if (e.windowSwitching) {
                w.put(uint32_t(e.blockType), 2);
                w.put(uint32_t(e.mixed), 1);
                w.put(uint32_t(e.table[0]), 5);
                w.put(uint32_t(e.table[1]), 5);
                for (int k = 0; k < 3; ++k) w.put(uint32_t(e.subblockGain), 3);
            } else {
                for (int k = 0; k < 3; ++k) w.put(uint32_t(e.table[k]), 5);
                w.put(uint32_t(e.region0), 4);
                w.put(uint32_t(e.region1), 3);
            }
            if (!e.lsf) w.put(1, 1);   // preflag
            w.put(uint32_t(e.scalefacScale), 1);
            w.put(uint32_t(rng() & 1), 1);
        }
    std::vector<uint8_t> frame = w.bytes;
    // Frame sizes of these headers: 44.1 kHz 128 kbit/s = 417 bytes; LSF/2.5 rates use 144000 / 2.
    static const int kLsfRates[3][3] = {{22050, 24000, 16000}, {11025, 12000, 8000}, {0, 0, 0}};
    static const int kLsfKbps[15] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    int size = e.lsf ? 72000 * kLsfKbps[e.bitrateIndex] / kLsfRates[e.mpeg25 ? 1 : 0][e.samplingBits] : 417;
    while (int(frame.size()) < size) frame.push_back(uint8_t(rng()));
    return frame;
}

std::vector<int16_t> decodeBytes(const std::vector<uint8_t>& stream, int mapping, bool eq, int* frames = nullptr) {
    Decoder d;
    d.options.mappingMode = mapping;
    float gains[kEqLines];
    float bands[kEqBands] = {2, 0, 2, 0, 2, 0, 2, 0, 2, 0, 2, 0};
    buildEqLineGains(bands, gains);
    d.options.eqEnabled = eq;
    d.options.eqLineGains = gains;
    MemoryInput in(stream.data(), stream.size());
    d.startFile(&in, false);
    std::vector<int16_t> out;
    if (frames) *frames = 0;
    while (d.readFrame()) {
        if (frames) ++*frames;
        d.pcm().consume(d.pcm().fill);
        d.decodeFrame();
        const int16_t* p = reinterpret_cast<const int16_t*>(d.pcm().data);
        out.insert(out.end(), p, p + d.pcm().fill / 2);
    }
    d.startFile(nullptr, false);
    return out;
}

} // namespace

TEST(Layer3Robustness, EveryDamagedStreamEndsCleanly) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(vectorPath("robustness"))) {
        if (!entry.is_regular_file()) continue;
        std::vector<uint8_t> data = readFileBytes(entry.path().string());
        decodeBytes(data, 2, false);
        decodeBytes(data, 4, true);
        ++files;
    }
    EXPECT_GT(files, 40);
}

// Side information at the edges of its ranges: region counts past band 22, bigValues 511,
// part23Length far beyond the frame, global gain 0 with the largest scale factors and subblock
// gains, mixed blocks at LSF and 8 kHz, intensity positions up to 31, every mapping mode.
TEST(Layer3Robustness, ExtremeSideInformationStaysInsideTheTables) {
    std::mt19937 rng(1234);
    std::vector<Extreme> cases;
    Extreme e;
    cases.push_back(e);                                   // long blocks, regions 15 + 7
    e.windowSwitching = true;
    cases.push_back(e);                                   // mixed short, MPEG-1
    e.mixed = 0;
    cases.push_back(e);
    e.blockType = 1;
    cases.push_back(e);
    e = Extreme{};
    e.lsf = true;
    e.bitrateIndex = 8;
    e.scalefacCompress = 511;
    for (int rate = 0; rate < 3; ++rate)
        for (int m25 = 0; m25 < 2; ++m25)
            for (int ws = 0; ws < 2; ++ws)
                for (int mixed = 0; mixed < 2; ++mixed) {
                    Extreme x = e;
                    x.samplingBits = rate;
                    x.mpeg25 = m25;
                    x.windowSwitching = ws;
                    x.mixed = mixed;
                    x.scalefacCompress = 300 + 40 * rate + 100 * mixed;   // intensity words with 5-bit widths
                    cases.push_back(x);
                }
    for (Extreme c : cases) {
        for (int mdb : {0, 511}) {
            c.mainDataBegin = c.lsf ? mdb & 255 : mdb;
            std::vector<uint8_t> stream;
            for (int f = 0; f < 6; ++f) {
                std::vector<uint8_t> frame = makeFrame(c, rng);
                stream.insert(stream.end(), frame.begin(), frame.end());
            }
            for (int mapping = 1; mapping <= 4; ++mapping) {
                // Most of these frames are abandoned for overrunning their Huffman data; what
                // counts is that all six are read and nothing strays outside its buffer.
                int frames = 0;
                decodeBytes(stream, mapping, mapping == 4, &frames);
                EXPECT_EQ(frames, 6);
            }
        }
    }
}
