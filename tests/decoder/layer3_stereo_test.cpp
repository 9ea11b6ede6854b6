// Intensity stereo and the mapping schemes, on frames built bit by bit: channel 0 carries a
// flat spectrum, channel 1 only its scale factors (the intensity positions).
#include <gtest/gtest.h>

#include <cmath>

#include "decoder/decoder.h"
#include "layer3_support.h"

using namespace korvo;
using namespace korvo::test;

namespace {

// MPEG-1, 44.1 kHz, 128 kbit/s, joint stereo with intensity only; every frame the same.
std::vector<uint8_t> intensityStream(int position, bool shortBlocks, int frames) {
    const int pairs = shortBlocks ? 288 : 100;   // each pair (1, 0): code 01 and a sign bit
    const int slen1 = 4, slen2 = 3;               // scalefac_compress 15
    const int ch1Bits = shortBlocks ? 18 * (slen1 + slen2) : 11 * slen1 + 10 * slen2;
    std::vector<uint8_t> stream;
    for (int f = 0; f < frames; ++f) {
        BitWriter b;
        b.put(0xFFFB9050, 32);   // sync, MPEG-1 Layer III, no CRC, 128 kbit/s, 44.1 kHz, joint, ext 1
        b.put(0, 9);             // main_data_begin
        b.put(0, 3);             // private bits
        b.put(0, 8);             // scfsi
        for (int gr = 0; gr < 2; ++gr)
            for (int ch = 0; ch < 2; ++ch) {
                b.put(ch == 0 ? uint32_t(3 * pairs) : uint32_t(ch1Bits), 12);
                b.put(ch == 0 ? uint32_t(pairs) : 0u, 9);
                b.put(170, 8);   // quiet enough never to clip
                b.put(ch == 0 ? 0u : 15u, 4);
                if (shortBlocks) {
                    b.put(1, 1);
                    b.put(2, 2);
                    b.put(0, 1);
                    b.put(1, 5);
                    b.put(1, 5);
                    b.put(0, 9);
                } else {
                    b.put(0, 1);
                    b.put(1, 5);
                    b.put(1, 5);
                    b.put(1, 5);
                    b.put(15, 4);
                    b.put(7, 3);
                }
                b.put(0, 3);   // preflag, scalefac_scale, count1 table
            }
        for (int gr = 0; gr < 2; ++gr) {
            for (int p = 0; p < pairs; ++p) b.put(0b010, 3);
            if (shortBlocks) {
                for (int i = 0; i < 18; ++i) b.put(uint32_t(position), slen1);
                for (int i = 0; i < 18; ++i) b.put(uint32_t(position), slen2);
            } else {
                for (int i = 0; i < 11; ++i) b.put(uint32_t(position), slen1);
                for (int i = 0; i < 10; ++i) b.put(uint32_t(position), slen2);
            }
        }
        b.bytes.resize(417, 0);
        stream.insert(stream.end(), b.bytes.begin(), b.bytes.end());
    }
    return stream;
}

struct Energies {
    double left = 0, right = 0;
    std::vector<int16_t> pcm;
};

Energies decode(const std::vector<uint8_t>& stream, int mapping) {
    Decoder d;
    d.options.mappingMode = mapping;
    MemoryInput in(stream.data(), stream.size());
    d.startFile(&in, false);
    Energies e;
    while (d.readFrame()) {
        d.pcm().consume(d.pcm().fill);
        d.decodeFrame();
        const uint8_t* p = d.pcm().data;
        for (int i = 0; i + 3 < d.pcm().fill; i += 4) {
            int16_t l = int16_t(uint16_t(p[i] | (p[i + 1] << 8)));
            int16_t r = int16_t(uint16_t(p[i + 2] | (p[i + 3] << 8)));
            e.left += double(l) * l;
            e.right += double(r) * r;
            e.pcm.push_back(l);
            e.pcm.push_back(r);
        }
    }
    d.startFile(nullptr, false);
    return e;
}

} // namespace

TEST(Layer3Stereo, IntensityPositionsSteerChannelZeroBetweenTheSides) {
    Energies right = decode(intensityStream(0, false, 8), 2);
    Energies left = decode(intensityStream(6, false, 8), 2);
    Energies middle = decode(intensityStream(3, false, 8), 2);
    Energies untouched = decode(intensityStream(7, false, 8), 2);
    ASSERT_GT(right.right, 1e6);
    EXPECT_LT(right.left, 1e-6 * right.right);
    EXPECT_LT(left.right, 1e-6 * left.left);
    EXPECT_NEAR(middle.left, middle.right, 1e-3 * middle.left);
    // Position 0 sends all to the right at full level; position 3 halves each side's amplitude.
    EXPECT_NEAR(middle.left * 4, right.right, 0.01 * right.right);
    // Position 7 leaves the bands alone: channel 1 stays silent, channel 0 keeps everything.
    EXPECT_EQ(untouched.right, 0.0);
    EXPECT_NEAR(untouched.left, right.right, 0.01 * right.right);
}

TEST(Layer3Stereo, MappingSchemesDifferOnlyInTheTopShortBand) {
    std::vector<uint8_t> stream = intensityStream(0, true, 8);   // everything to the right
    Energies iso = decode(stream, 1);
    Energies xing = decode(stream, 2);
    Energies fraunhofer = decode(stream, 3);
    Energies arcoder = decode(stream, 4);
    Energies other = decode(stream, 9);
    // Scheme 2 moves band 12 too, so nothing stays on the left; schemes 1 and 3 keep band 12
    // on the left; scheme 4 moves part of it. Scheme 1 applies band 10's position to band 11
    // a second time, which empties band 11 on the right as well.
    EXPECT_LT(xing.left, 1e-6 * xing.right);
    EXPECT_GT(fraunhofer.left, 1e3);
    EXPECT_NEAR(iso.left, fraunhofer.left, 1e-9 * fraunhofer.left);
    EXPECT_LT(iso.right, fraunhofer.right);
    EXPECT_GT(arcoder.left, xing.left);
    EXPECT_LT(arcoder.left, fraunhofer.left);
    EXPECT_EQ(other.pcm, arcoder.pcm);
}
