// The display's sound pictures: the transform against a plain DFT, tones on their bars, the
// fall of bars and peaks, and the tap's idea of what plays now.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "playback/fft.h"
#include "playback/pcm_tap.h"
#include "playback/frequency_bars.h"

namespace korvo {
namespace {

constexpr double kPi = 3.14159265358979323846;

std::vector<float> tone(double hz, int rate, double amplitude, int count = kFftSize) {
    std::vector<float> s(static_cast<size_t>(count));
    for (int n = 0; n < count; ++n) s[size_t(n)] = float(amplitude * std::sin(2 * kPi * hz * n / rate + 0.3));
    return s;
}

TEST(FrequencyBars, TransformMatchesAPlainDft) {
    std::vector<float> x(kFftSize);
    for (int n = 0; n < kFftSize; ++n) x[size_t(n)] = float(std::sin(n * 0.37) + 0.5 * std::cos(n * 1.91) + ((n * 7919) % 13) / 13.0 - 0.5);
    std::vector<float> mag(kFftSize / 2);
    realFftMagnitudes(x.data(), mag.data());
    for (int k : {0, 1, 17, 120, 511, 512, 600, 1023}) {
        double re = 0, im = 0;
        for (int n = 0; n < kFftSize; ++n) {
            re += x[size_t(n)] * std::cos(2 * kPi * k * n / kFftSize);
            im -= x[size_t(n)] * std::sin(2 * kPi * k * n / kFftSize);
        }
        EXPECT_NEAR(mag[size_t(k)], std::hypot(re, im), 0.02 + 1e-4 * std::hypot(re, im)) << "bin " << k;
    }
    // a full-scale sine on a bin gives half the size there
    std::vector<float> s = tone(100.0 * 44100 / kFftSize, 44100, 1.0);
    realFftMagnitudes(s.data(), mag.data());
    EXPECT_NEAR(mag[100], kFftSize / 2.0, 1.0);
}

TEST(FrequencyBars, TonesLightTheirBarsAndNotTheOctavesAround) {
    EXPECT_EQ(barOfFrequency(49.f), -1);
    EXPECT_EQ(barOfFrequency(50.f), 0);
    EXPECT_EQ(barOfFrequency(15999.f), kBarCount - 1);
    EXPECT_EQ(barOfFrequency(16000.f), -1);
    for (int rate : {44100, 48000, 22050, 8000})
        for (double hz : {60.0, 100.0, 1000.0, 3000.0, 7000.0}) {
            if (hz * 2 >= rate) continue;
            float levels[kBarCount];
            std::vector<float> s = tone(hz, rate, 0.5);
            barLevels(s.data(), rate, levels);
            const int bar = barOfFrequency(float(hz));
            EXPECT_GT(levels[bar], 0.8f) << hz << " Hz at " << rate;
            // Below a few hundred Hz an octave is only a few bins wide: the window's lobe reaches it.
            if (hz < 200) continue;
            for (double other : {hz / 2, hz * 2}) {
                const int far = barOfFrequency(float(other));
                if (far < 0 || far == bar) continue;
                EXPECT_LT(levels[far], levels[bar] / 3) << other << " near " << hz << " at " << rate;
            }
        }
    float levels[kBarCount];
    std::vector<float> silence(kFftSize, 0.f);
    barLevels(silence.data(), 44100, levels);
    for (float l : levels) EXPECT_EQ(l, 0.f);
}

TEST(FrequencyBars, BarsAndPeaksFallToNothingWithinTwoSeconds) {
    FallingBars bars;
    float loud[kBarCount], quiet[kBarCount] = {};
    for (float& l : loud) l = 1.f;
    bars.update(loud, 33);
    EXPECT_EQ(bars.bar(3), 1.f);
    bars.update(quiet, 100);
    EXPECT_LT(bars.bar(3), 1.f);
    EXPECT_EQ(bars.peak(3), 1.f) << "the peak waits";
    int ms = 0;
    while (!bars.empty() && ms < 5000) bars.update(quiet, 33), ms += 33;
    EXPECT_LT(ms, 2000);
    // the scope picks its columns evenly from the samples given
    float samples[8] = {0, 1, 2, 3, 4, 5, 6, 7}, columns[4];
    scopeColumns(samples, 8, columns, 4);
    EXPECT_EQ(columns[1], 2.f);
    EXPECT_EQ(columns[3], 6.f);
}

// 16-bit stereo blocks of one value each; the tap hands back what the device plays now.
std::vector<uint8_t> block(int frames, int16_t value) {
    std::vector<uint8_t> b;
    for (int i = 0; i < frames * 2; ++i) b.push_back(uint8_t(value)), b.push_back(uint8_t(uint16_t(value) >> 8));
    return b;
}

TEST(FrequencyBars, TheTapFollowsThePlayedPositionNotTheDecoder) {
    PcmTap& tap = *new PcmTap;   // too big for the stack
    float out[4];
    EXPECT_EQ(tap.heard(out, 4, 0, 0), 0) << "nothing before the output opens";
    tap.reset(1000, 0);
    for (int16_t v : {1000, 2000, 3000}) {
        std::vector<uint8_t> b = block(100, v);
        tap.write(b.data(), int(b.size()));
    }
    // two writes still queued: the first block plays, the clock tells how far
    ASSERT_EQ(tap.heard(out, 4, 2, 0), 1000);
    EXPECT_NEAR(out[3], 1000 / 32768.f, 1e-6) << "the end of the first block";
    tap.heard(out, 4, 2, 50);
    EXPECT_NEAR(out[3], 2000 / 32768.f, 1e-6) << "50 ms into the second";
    tap.heard(out, 4, 2, 500);
    EXPECT_NEAR(out[3], 2000 / 32768.f, 1e-6) << "never past the block that plays";
    tap.heard(out, 4, 0, 600);
    EXPECT_NEAR(out[3], 3000 / 32768.f, 1e-6) << "all played";
    tap.restart();
    tap.heard(out, 4, 0, 700);
    EXPECT_EQ(out[3], 0.f) << "a flush drops what was kept";
    delete &tap;
}

} // namespace
} // namespace korvo
