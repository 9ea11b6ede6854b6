// Layer III output against the conformance references and against ffmpeg's decoding of lame files.
#include <gtest/gtest.h>

#include <cstdio>

#include "decode_support.h"
#include "layer3_support.h"
#include "test_support.h"

using namespace korvo::test;

namespace {

struct Measure {
    double psnr;
    int maxDiff;
};

Measure compareIso(const std::string& name, int mappingMode = 2) {
    std::vector<int16_t> out;
    int frames = decodeInStreamLayout(vectorPath("iso/" + name + ".bit"), out, mappingMode);
    std::vector<int16_t> ref = readPcm16(vectorPath("iso/" + name + ".pcm"));
    EXPECT_GT(frames, 0) << name;
    EXPECT_FALSE(ref.empty()) << name;
    return {psnr(out, ref), maxAbsDiff(out, ref)};
}

} // namespace

TEST(Layer3Accuracy, ConformanceStreamsMatchTheirReferences) {
    const char* streams[] = {"l3-compl", "l3-he_32khz", "l3-he_44khz", "l3-he_48khz", "l3-he_mode", "l3-si",
                             "l3-si_block", "l3-sin1k0db", "M2L3_bitrate_16_all", "M2L3_bitrate_22_all",
                             "M2L3_bitrate_24_all", "M2L3_compl24"};
    for (const char* s : streams) {
        Measure m = compareIso(s);
        std::printf("%-22s PSNR %6.1f dB, max diff %d\n", s, m.psnr, m.maxDiff);
        EXPECT_GE(m.psnr, 96.0) << s;
        EXPECT_LE(m.maxDiff, 1) << s;
    }
}

TEST(Layer3Accuracy, OneGranulePerFrameAtLowRates) {
    DecodedFile f;
    ASSERT_TRUE(decodeFile(vectorPath("iso/M2L3_compl24.bit"), f));
    EXPECT_EQ(f.samplesPerChannel(), size_t(f.frames) * 576);
    ASSERT_TRUE(decodeFile(vectorPath("iso/l3-si.bit"), f));
    EXPECT_EQ(f.samplesPerChannel(), size_t(f.frames) * 1152);
}

TEST(Layer3Accuracy, LameFilesMatchFfmpeg) {
    // name, channels of the stream
    const std::pair<const char*, int> files[] = {
        {"cbr32", 2}, {"cbr128", 2}, {"cbr320", 2}, {"vbr", 2}, {"joint", 2}, {"mono", 1},
        {"lsf22", 2}, {"lsf24", 2}, {"lsf16", 1}, {"m25_8", 1}, {"m25_11", 2}, {"m25_12", 2},
    };
    for (const auto& [name, channels] : files) {
        std::string base = mediaPath(std::string("layer3/") + name);
        DecodedFile f;
        ASSERT_TRUE(decodeFile(base + ".mp3", f)) << name;
        std::vector<int16_t> ref = readPcm16(base + ".raw");
        ASSERT_FALSE(ref.empty()) << name;
        for (int c = 0; c < channels; ++c) {
            std::vector<int16_t> ours = f.channel(c);
            std::vector<int16_t> theirs = deinterleave(ref, channels, c);
            // ffmpeg drops the encoder delay and the tag frame; the player does not.
            int off = bestOffset(ours, theirs, 4000);
            std::vector<int16_t> aligned(ours.begin() + off, ours.end());
            double p = psnr(aligned, theirs);
            std::printf("%-8s channel %d: %6.1f dB against ffmpeg (offset %d)\n", name, c, p, off);
            EXPECT_GE(p, 90.0) << name << " channel " << c << " offset " << off;
        }
    }
}
