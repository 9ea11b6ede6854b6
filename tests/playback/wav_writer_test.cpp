// The WAV writer: file layout, sizes fixed on close, failures that leave no file behind.
#include <gtest/gtest.h>

#include <vector>

#include "decoder/decode_support.h"
#include "playback/wav_writer.h"
#include "test_support.h"

namespace korvo::test {
namespace {

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
uint32_t le16(const std::vector<uint8_t>& b, size_t at) { return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8; }

// Checks the whole layout and returns the format record's seven fields.
std::vector<uint32_t> checkLayout(const std::vector<uint8_t>& f, const std::vector<uint8_t>& data) {
    EXPECT_EQ(std::string(f.begin(), f.begin() + 4), "RIFF");
    EXPECT_EQ(le32(f, 4), f.size() - 8);
    EXPECT_EQ(std::string(f.begin() + 8, f.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(le32(f, 16), 18u);
    EXPECT_EQ(std::string(f.begin() + 38, f.begin() + 42), "data");
    EXPECT_EQ(le32(f, 42), data.size());
    EXPECT_TRUE(std::equal(data.begin(), data.end(), f.begin() + 46));
    return {le16(f, 20), le16(f, 22), le32(f, 24), le32(f, 28), le16(f, 32), le16(f, 34), le16(f, 36)};
}

TEST(WavWriter, SixteenAndEightBitFilesOfADecodedStream) {
    const std::string dir = scratchDir("wav_writer");
    const std::string src = mediaPath("layer12/l2_44_s192.mp2");
    DecodedFile wide, narrow;
    ASSERT_TRUE(decodeFile(src, wide)) << "missing media: run tests/media/layer12.sh";
    ASSERT_TRUE(decodeFile(src, narrow, true));

    const std::string path16 = dir + "/sixteen.wav", path8 = dir + "/eight.wav";
    {
        WavWriter w;
        ASSERT_EQ(w.open(path16.c_str(), 44100, 2, false), 1);
        // Written in uneven pieces across the writer's own buffer.
        size_t at = 0;
        for (int piece = 1; at < wide.bytes.size(); piece = piece * 3 + 7) {
            int n = int(std::min(wide.bytes.size() - at, size_t(piece)));
            ASSERT_EQ(w.write(wide.bytes.data() + at, n), n);
            at += size_t(n);
        }
        EXPECT_EQ(w.write(wide.bytes.data(), 0), 0);
        EXPECT_EQ(w.close(), 1);
        EXPECT_EQ(w.write(wide.bytes.data(), 4), -1);   // closed
    }
    EXPECT_EQ(checkLayout(readFileBytes(path16), wide.bytes),
              (std::vector<uint32_t>{1, 2, 44100, 176400, 4, 16, 0}));
    {
        WavWriter w;
        ASSERT_EQ(w.open(path8.c_str(), 44100, 2, true), 1);
        ASSERT_EQ(w.write(narrow.bytes.data(), int(narrow.bytes.size())), int(narrow.bytes.size()));
    }   // closing on destruction fixes the sizes too
    EXPECT_EQ(checkLayout(readFileBytes(path8), narrow.bytes), (std::vector<uint32_t>{1, 2, 44100, 88200, 2, 8, 0}));
}

TEST(WavWriter, FailuresLeaveNoFile) {
    const std::string dir = scratchDir("wav_writer_fail");
    WavWriter w;
    EXPECT_EQ(w.open((dir + "/missing/x.wav").c_str(), 44100, 2, false), 0);
    EXPECT_FALSE(w.isOpen());
    EXPECT_EQ(w.close(), 0);

    const std::string path = dir + "/dropped.wav";
    ASSERT_EQ(w.open(path.c_str(), 48000, 2, false), 1);
    const uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(w.write(bytes, 8), 8);
    w.discard();
    EXPECT_FALSE(w.isOpen());
    EXPECT_FALSE(fileExists(path));
}

} // namespace
} // namespace korvo::test
