// The computed Layer III tables at the points the decoder relies on.
#include <gtest/gtest.h>

#include <cmath>

#include "decoder/layer3.h"

using namespace korvo;

TEST(Layer3Tables, GainsPowersLimitsAndPackedWords) {
    Layer3Decoder::initLayer3Tables();
    EXPECT_DOUBLE_EQ(layer3::gainTable(46), 1.0);
    EXPECT_DOUBLE_EQ(layer3::gainTable(50), 0.5);
    // Past the 378 positions of conforming streams the table goes on by the same formula.
    EXPECT_DOUBLE_EQ(layer3::gainTable(46 + 400), std::pow(2.0, -100.0));
    EXPECT_EQ(layer3::gainTable(100000), layer3::gainTable(511));
    EXPECT_NEAR(layer3::powerTable(8), 16.0, 1e-12);
    EXPECT_NEAR(layer3::powerTable(8206), std::pow(8206.0, 4.0 / 3.0), 1e-6);
    for (int sfi = 0; sfi < 9; ++sfi) {
        EXPECT_EQ(layer3::longSubbandLimit(sfi, 0), 1);
        EXPECT_EQ(layer3::longSubbandLimit(sfi, 22), 32);
        EXPECT_EQ(layer3::shortSubbandLimit(sfi, 0), 1);
        EXPECT_EQ(layer3::shortSubbandLimit(sfi, 13), 32);
    }
    uint16_t w = layer3::lsfScaleWord(0, 500);
    EXPECT_EQ(w & 0xFFF, 0);
    EXPECT_EQ((w >> 12) & 7, 2);
    EXPECT_EQ(w >> 15, 1);
    w = layer3::lsfScaleWord(1, 36 * 4 + 6 * 5 + 5);   // widths 4, 5, 5 in table 3
    EXPECT_EQ(w & 7, 4);
    EXPECT_EQ((w >> 3) & 7, 5);
    EXPECT_EQ((w >> 6) & 7, 5);
    EXPECT_EQ((w >> 12) & 7, 3);
    EXPECT_EQ(w >> 15, 0);
}
