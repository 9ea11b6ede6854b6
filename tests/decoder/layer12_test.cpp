// Layer I and II decoding: agreement with ffmpeg on encoder output, the 8-bit mode,
// state carried between files, and hand-made frames with unusual codes.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "decode_support.h"
#include "decoder/decoder.h"
#include "decoder/layer2.h"
#include "decoder/synthesis.h"
#include "test_support.h"

namespace korvo::test {
namespace {

TEST(Layer12Encoded, AgreesWithFfmpegOnEncoderOutput) {
    const char* files[] = {"l2_44_s192.mp2", "l2_44_j64.mp2", "l2_48_j128.mp2", "l2_48_m96.mp2",
                           "l2_32_s64.mp2",  "l2_32_m64.mp2", "l2_32_j256.mp2", "l2_24_s96.mp2"};
    for (const char* name : files) {
        SCOPED_TRACE(name);
        const std::string path = mediaPath(std::string("layer12/") + name);
        DecodedFile d;
        ASSERT_TRUE(decodeFile(path, d)) << "missing media: run tests/media/layer12.sh";
        std::vector<int16_t> ref = readPcm16(path + ".raw");
        ASSERT_FALSE(ref.empty());
        EXPECT_EQ(d.samplesPerChannel(), size_t(d.frames) * 1152);
        // ffmpeg drops first frames whose header differs from the next (joint stereo
        // switching); compare from where its output starts, once its filter has run
        // 16 slots (ours still holds the dropped frames' tail before that).
        const size_t refLength = ref.size() / size_t(d.channels);
        ASSERT_LE(refLength, d.samplesPerChannel());
        const size_t skip = d.samplesPerChannel() - refLength;
        ASSERT_TRUE(skip % 1152 == 0 && skip <= 4 * 1152) << skip;
        for (int c = 0; c < d.channels; ++c) {
            std::vector<int16_t> ours = d.channel(c), theirs = deinterleave(ref, d.channels, c);
            const long settle = skip ? 16 * 32 : 0;
            ours.erase(ours.begin(), ours.begin() + long(skip) + settle);
            theirs.erase(theirs.begin(), theirs.begin() + settle);
            EXPECT_GE(psnr(ours, theirs), 90.0) << "channel " << c;
        }
        if (d.channels == 1) EXPECT_EQ(d.channel(0), d.channel(1));
    }
}

TEST(Layer12Encoded, EightBitBytesFollowTheSixteenBitSamples) {
    const std::string path = mediaPath("layer12/l2_44_j64.mp2");
    DecodedFile wide, narrow;
    ASSERT_TRUE(decodeFile(path, wide));
    ASSERT_TRUE(decodeFile(path, narrow, true));
    ASSERT_EQ(narrow.bytes.size(), wide.stereo.size());
    for (size_t i = 0; i < wide.stereo.size(); ++i)
        ASSERT_EQ(narrow.bytes[i], uint8_t((wide.stereo[i] >> 8) + 128)) << "sample " << i;
}

TEST(Layer12Encoded, FilterStateCarriesIntoTheNextFile) {
    // A first file that ends loud, so its tail is far above the rounding of the second.
    const std::string first = mediaPath("layer12/l2_48_m96.mp2");
    const std::string second = mediaPath("layer12/l2_48_j128.mp2");
    DecodedFile fresh, followed, previous;
    ASSERT_TRUE(decodeFile(second, fresh));
    auto decoder = std::make_unique<Decoder>();
    ASSERT_TRUE(decodeFile(first, previous, false, decoder.get()));
    ASSERT_TRUE(decodeFile(second, followed, false, decoder.get()));
    ASSERT_EQ(fresh.stereo.size(), followed.stereo.size());
    // The first 15 slots still hold the tail of the previous file; from the 16th on, no trace.
    bool tailSeen = false;
    for (size_t i = 0; i < 15 * 32 * 2; ++i) tailSeen |= fresh.stereo[i] != followed.stereo[i];
    EXPECT_TRUE(tailSeen);
    for (size_t i = 15 * 32 * 2; i < fresh.stereo.size(); ++i) ASSERT_EQ(fresh.stereo[i], followed.stereo[i]) << i;
}

// Illegal Layer II streams (over-allocation, scale index 63, odd modes, wrong lengths and
// CRCs) decode to whole frames of PCM without reading or writing outside any buffer.
TEST(Layer12Damaged, IllegalStreamsEndCleanly) {
    const char* names[] = {"ILL2_center2",   "ILL2_dual",       "ILL2_dynx22",       "ILL2_dynx31",
                           "ILL2_dynx32",    "ILL2_ext_switching", "ILL2_layer1",     "ILL2_layer3",
                           "ILL2_mono",      "ILL2_multilingual", "ILL2_overalloc1", "ILL2_overalloc2",
                           "ILL2_prediction", "ILL2_samples",   "ILL2_scf63",        "ILL2_tca21",
                           "ILL2_tca30",     "ILL2_tca30_PC",   "ILL2_tca31_PC",     "ILL2_tca31_mtx0",
                           "ILL2_tca31_mtx2", "ILL2_tca32_PC",  "ILL2_wrongcrc",     "ILL4_ext_id1",
                           "ILL4_sync",      "ILL4_wrong_length1", "ILL4_wrong_length2", "ILL4_wrongcrc",
                           "l2-nonstandard-test32-size"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        DecodedFile d;
        decodeFile(vectorPath(std::string("robustness/") + name + ".bit"), d);
        if (d.layer == 1 || d.layer == 2)
            EXPECT_EQ(d.samplesPerChannel(), size_t(d.frames) * (d.layer == 1 ? 384 : 1152));
    }
}

// Builds frame bodies bit by bit.
class BitWriter {
public:
    void put(uint32_t value, int bits) {
        for (int b = bits - 1; b >= 0; --b) {
            if (pos_ % 8 == 0) bytes_.push_back(0);
            if ((value >> b) & 1) bytes_.back() |= uint8_t(0x80 >> (pos_ % 8));
            ++pos_;
        }
    }
    std::vector<uint8_t> frame(size_t size) {
        std::vector<uint8_t> f = bytes_;
        f.resize(size, 0);
        return f;
    }

private:
    std::vector<uint8_t> bytes_;
    int pos_ = 0;
};

// One MPEG-1 Layer II frame, 48 kHz mono at 64 kbit/s (table B.2a, 192 bytes), whose only
// coded subband is 0 with the 3-level grouped class and one scale factor.
std::vector<uint8_t> groupedFrame(uint32_t code, uint32_t scale) {
    BitWriter w;
    w.put(0xFFFD, 16);
    w.put(0x44, 8);
    w.put(0xC0, 8);
    const int nbal[27] = {4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 2, 2, 2, 2};
    for (int sb = 0; sb < 27; ++sb) w.put(sb == 0 ? 1 : 0, nbal[sb]);
    w.put(2, 2);       // one scale factor for the three parts
    w.put(scale, 6);
    for (int g = 0; g < 12; ++g) w.put(code, 5);
    return w.frame(192);
}

std::vector<int16_t> decodeBytes(const std::vector<uint8_t>& stream) {
    auto decoder = std::make_unique<Decoder>();
    MemoryInput input(stream.data(), stream.size());
    decoder->startFile(&input, false);
    EXPECT_EQ(decoder->readFrame(), 1);
    EXPECT_EQ(decoder->decodeFrame(), 1);
    const PcmBuffer& pcm = decoder->pcm();
    std::vector<int16_t> s(size_t(pcm.fill / 2));
    for (size_t i = 0; i < s.size(); ++i) s[i] = int16_t(uint16_t(pcm.data[2 * i] | (pcm.data[2 * i + 1] << 8)));
    return s;
}

bool allZero(const std::vector<int16_t>& s) {
    for (int16_t v : s)
        if (v != 0) return false;
    return true;
}

TEST(Layer2Frames, GroupedCodesAndScaleFactors) {
    // Code 13 is the middle level three times; 27..31 have no degrouping and give silence too.
    std::vector<int16_t> middle = decodeBytes(groupedFrame(13, 0));
    ASSERT_EQ(middle.size(), size_t(1152 * 2));
    EXPECT_TRUE(allZero(middle));
    EXPECT_TRUE(allZero(decodeBytes(groupedFrame(27, 0))));
    EXPECT_TRUE(allZero(decodeBytes(groupedFrame(31, 0))));
    // Code 26 is the top level; scale index 63 silences it.
    EXPECT_FALSE(allZero(decodeBytes(groupedFrame(26, 0))));
    EXPECT_TRUE(allZero(decodeBytes(groupedFrame(26, 63))));
    // Scale index 6 is half of index 3: the output halves (within rounding).
    std::vector<int16_t> full = decodeBytes(groupedFrame(26, 3)), half = decodeBytes(groupedFrame(26, 6));
    for (size_t i = 0; i < full.size(); ++i) ASSERT_NEAR(full[i] / 2.0, half[i], 1.0);
}

// One MPEG-1 Layer I frame at 48 kHz and 32 kbit/s (32 bytes) with allocation 1 (2-bit codes)
// in subband 5 only. Mono: one scale factor; joint stereo with mode extension 0: subband 5
// lies beyond the bound of 4, so one code serves both channels, each with its own scale factor.
std::vector<uint8_t> layer1Frame(bool joint, uint32_t code, uint32_t scaleLeft, uint32_t scaleRight) {
    BitWriter w;
    w.put(0xFFFF, 16);
    w.put(0x14, 8);
    w.put(joint ? 0x40 : 0xC0, 8);
    if (joint) {
        for (int sb = 0; sb < 4; ++sb) w.put(0, 8);
        for (int sb = 4; sb < 32; ++sb) w.put(sb == 5 ? 1 : 0, 4);
        w.put(scaleLeft, 6);
        w.put(scaleRight, 6);
    } else {
        for (int sb = 0; sb < 32; ++sb) w.put(sb == 5 ? 1 : 0, 4);
        w.put(scaleLeft, 6);
    }
    for (int slot = 0; slot < 12; ++slot) w.put(code, 2);
    return w.frame(32);
}

TEST(Layer1Frames, TwoBitCodesAndSharedSubbands) {
    // Codes 0, 1, 2, 3 are -2/3, 0, 2/3 and 4/3 of the scale factor.
    std::vector<int16_t> minus = decodeBytes(layer1Frame(false, 0, 9, 0));
    std::vector<int16_t> zero = decodeBytes(layer1Frame(false, 1, 9, 0));
    std::vector<int16_t> plus = decodeBytes(layer1Frame(false, 2, 9, 0));
    std::vector<int16_t> twice = decodeBytes(layer1Frame(false, 3, 9, 0));
    ASSERT_EQ(plus.size(), size_t(384 * 2));
    EXPECT_TRUE(allZero(zero));
    EXPECT_FALSE(allZero(plus));
    for (size_t i = 0; i < plus.size(); ++i) {
        ASSERT_NEAR(minus[i], -plus[i], 1.0) << i;
        ASSERT_NEAR(twice[i], 2.0 * plus[i], 1.0) << i;
        if (i % 2) ASSERT_EQ(plus[i], plus[i - 1]);   // mono on both places
    }
    // Joint stereo: the right channel's scale factor is half the left's.
    std::vector<int16_t> joint = decodeBytes(layer1Frame(true, 2, 3, 6));
    ASSERT_EQ(joint.size(), size_t(384 * 2));
    EXPECT_FALSE(allZero(joint));
    for (size_t i = 0; i < joint.size(); i += 2) ASSERT_NEAR(joint[i + 1], joint[i] / 2.0, 1.0) << i;
}

TEST(Layer12Tables, MultipliersAndDegrouping) {
    const Layer12Tables& t = layer12Tables();
    EXPECT_DOUBLE_EQ(t.mulTable[2][0], 4.0 / 3.0);
    EXPECT_DOUBLE_EQ(t.mulTable[2][3], 2.0 / 3.0);
    EXPECT_DOUBLE_EQ(t.mulTable[3][62], 2.0 / 7.0 * std::pow(2.0, -59.0 / 3.0));
    for (int r = 0; r < 27; ++r) EXPECT_EQ(t.mulTable[r][63], 0.0);
    // 3 levels: code 5 is (2/3, 0, -2/3).
    EXPECT_EQ(t.degroup3[5][0], 2);
    EXPECT_EQ(t.degroup3[5][1], 0);
    EXPECT_EQ(t.degroup3[5][2], 1);
    EXPECT_EQ(t.degroup9[728][0], 26);
    for (int c = 729; c < 1024; ++c) EXPECT_EQ(t.degroup9[c][0] | t.degroup9[c][1] | t.degroup9[c][2], 0);
    for (int c = 125; c < 128; ++c) EXPECT_EQ(t.degroup5[c][0] | t.degroup5[c][1] | t.degroup5[c][2], 0);
}

TEST(SynthesisOutput, RoundingSaturationAndEightBit) {
    EXPECT_EQ(Synthesis::toSample(2.5), 2);
    EXPECT_EQ(Synthesis::toSample(3.5), 4);
    EXPECT_EQ(Synthesis::toSample(-2.5), -2);
    EXPECT_EQ(Synthesis::toSample(2.4999), 2);
    EXPECT_EQ(Synthesis::toSample(32767.5), 32767);
    EXPECT_EQ(Synthesis::toSample(1e9), 32767);
    EXPECT_EQ(Synthesis::toSample(-1e9), -32768);
    EXPECT_EQ(Synthesis::eightBitSample(0), 128);
    EXPECT_EQ(Synthesis::eightBitSample(32767), 255);
    EXPECT_EQ(Synthesis::eightBitSample(-32768), 0);
    EXPECT_EQ(Synthesis::eightBitSample(-1), 127);
}

TEST(SynthesisOutput, ZeroInFullScaleOutMonoToBothPlaces) {
    Synthesis syn;
    uint8_t pcm[128];
    double zero[32] = {};
    syn.synthMono(zero, pcm);
    for (uint8_t b : pcm) EXPECT_EQ(b, 0);
    // A huge input saturates instead of wrapping; mono writes identical left and right.
    double loud[32] = {};
    loud[0] = 1000.0;
    bool top = false, bottom = false;
    for (int slot = 0; slot < 16; ++slot) {
        syn.synthMono(slot % 2 ? zero : loud, pcm);
        for (int j = 0; j < 32; ++j) {
            int16_t l = int16_t(uint16_t(pcm[4 * j] | (pcm[4 * j + 1] << 8)));
            int16_t r = int16_t(uint16_t(pcm[4 * j + 2] | (pcm[4 * j + 3] << 8)));
            ASSERT_EQ(l, r);
            top |= l == 32767;
            bottom |= l == -32768;
        }
    }
    EXPECT_TRUE(top);
    EXPECT_TRUE(bottom);
}

} // namespace
} // namespace korvo::test
