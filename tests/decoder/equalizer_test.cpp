// The equalizer's line gains and its effect on decoded audio.
#include <gtest/gtest.h>

#include "decode_support.h"
#include "decoder/decoder.h"
#include "decoder/equalizer.h"
#include "test_support.h"

using namespace korvo;
using namespace korvo::test;

namespace {
std::vector<float> lineGainsFor(std::initializer_list<float> bands) {
    std::vector<float> b(bands);
    std::vector<float> lines(kEqLines, -1.0f);
    EXPECT_EQ(buildEqLineGains(b.data(), lines.data()), 1);
    return lines;
}

DecodedFile decodeWith(const std::string& path, bool eq, const float* gains) {
    Decoder d;
    d.options.eqEnabled = eq;
    d.options.eqLineGains = gains;
    DecodedFile f;
    EXPECT_TRUE(decodeFile(path, f, false, &d)) << path;
    return f;
}
} // namespace

TEST(Equalizer, LineGainsInterpolateBetweenTheAnchors) {
    std::vector<float> flat = lineGainsFor({1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
    for (float g : flat) EXPECT_EQ(g, 1.0f);

    std::vector<float> rise = lineGainsFor({0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
    EXPECT_FLOAT_EQ(rise[0], 0.0f);
    EXPECT_FLOAT_EQ(rise[1], 1.0f / 3);
    EXPECT_FLOAT_EQ(rise[2], 2.0f / 3);
    EXPECT_FLOAT_EQ(rise[3], 1.0f);

    std::vector<float> top = lineGainsFor({1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 0});
    EXPECT_FLOAT_EQ(top[400], 2.0f);
    EXPECT_FLOAT_EQ(top[575], 2.0f / 176);
    EXPECT_FLOAT_EQ(top[488], 2.0f * 88 / 176);
    // Every line is written, whatever the table held before.
    for (float g : top) EXPECT_GE(g, 0.0f);
}

TEST(Equalizer, FlatGainsChangeNothingAndLayerTwoIsNeverEqualised) {
    std::vector<float> flat = lineGainsFor({1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
    std::string l3 = vectorPath("iso/l3-he_mode.bit");
    EXPECT_EQ(decodeWith(l3, true, flat.data()).stereo, decodeWith(l3, false, flat.data()).stereo);

    std::vector<float> steep = lineGainsFor({2, 0, 2, 0, 2, 0, 2, 0, 2, 0, 2, 0});
    EXPECT_NE(decodeWith(l3, true, steep.data()).stereo, decodeWith(l3, false, steep.data()).stereo);

    std::string l2 = vectorPath("iso/l2-fl10.bit");
    EXPECT_EQ(decodeWith(l2, true, steep.data()).stereo, decodeWith(l2, false, steep.data()).stereo);
}

TEST(Equalizer, OneChannelStreamIsEqualisedLikeTheLeftOfAStereoStream) {
    // Cutting everything above the lowest band leaves only low-frequency energy on both sides.
    std::vector<float> low = lineGainsFor({1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    DecodedFile mono = decodeWith(vectorPath("iso/l3-si.bit"), true, low.data());
    DecodedFile plain = decodeWith(vectorPath("iso/l3-si.bit"), false, low.data());
    ASSERT_EQ(mono.stereo.size(), plain.stereo.size());
    EXPECT_EQ(mono.channel(0), mono.channel(1));
    double e0 = 0, e1 = 0;
    for (size_t i = 0; i < mono.stereo.size(); i += 2) {
        e0 += double(mono.stereo[i]) * mono.stereo[i];
        e1 += double(plain.stereo[i]) * plain.stereo[i];
    }
    EXPECT_LT(e0, e1);
}
