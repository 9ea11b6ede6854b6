#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "decoder/frame_reader.h"
#include "decoder/frame_tables.h"
#include "playback/input.h"
#include "playlist/path_rules.h"
#include "playback_support.h"
#include "test_support.h"

using namespace korvo;

namespace {

FrameHeader layer3Header(int bitrateIndex, int samplingIndex) {
    FrameHeader h;
    h.layer = 3;
    h.bitrateIndex = bitrateIndex;
    h.samplingIndex = samplingIndex;
    h.lsf = samplingIndex >= 3;
    h.mpeg25 = samplingIndex >= 6;
    return h;
}

std::string writeBytes(const std::string& dir, const char* name, const std::vector<uint8_t>& bytes) {
    std::string path = dir + "/" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

// A stream of identical 44.1 kHz 128 kbit/s Layer III frames without padding.
std::vector<uint8_t> frames(int count) {
    std::vector<uint8_t> v;
    for (int i = 0; i < count; ++i) {
        const uint8_t head[4] = {0xFF, 0xFB, 0x90, 0xC0};
        v.insert(v.end(), head, head + 4);
        v.insert(v.end(), 413, uint8_t(i));
    }
    return v;
}

// Opens the file and reads its first header into h: 1, or 0 if either step fails.
int openAtFirstFrame(Input& in, FrameReader& reader, FrameHeader& h, const std::string& path) {
    if (in.openInput(path.c_str()) != 1) return 0;
    reader.setInput(&in);
    reader.resetFrameReader();
    return reader.readFrame(h) == 1 ? 1 : 0;
}

} // namespace

TEST(InputTest, UrlsAreRecognisedByTheirSchemeSeparator) {
    EXPECT_TRUE(isUrl("http://example.invalid/a.mp3"));
    EXPECT_TRUE(isUrl("HTTP://HOST/x"));
    EXPECT_FALSE(isUrl("C:\\music\\a.mp3"));
    EXPECT_FALSE(isUrl("/music/a.mp3"));
    EXPECT_FALSE(isUrl("abc://"));       // ends at the last character
    EXPECT_TRUE(isUrl("abc://x"));
    Input in;
    EXPECT_EQ(in.openInput("http://127.0.0.1:1/none.mp3"), 0);
    EXPECT_FALSE(in.isOpen());
}

TEST(InputTest, FrameEstimatesFollowTheHeader) {
    FrameHeader h = layer3Header(9, 0);
    EXPECT_NEAR(Input::frameBytes(h), 417.96, 0.01);
    std::string dir = test::scratchDir("input_estimates");
    std::string path = dir + "/big.mp3";
    { std::ofstream(path, std::ios::binary).put(0); }
    std::filesystem::resize_file(path, 4180000);
    Input in;
    ASSERT_EQ(in.openInput(path.c_str()), 1);
    EXPECT_EQ(in.totalFrames(h), 10000);
    EXPECT_EQ(in.elapsedSeconds(h), 0);
    uint8_t buf[4096];
    int64_t want = int64_t(1000 * Input::frameBytes(h)) + 1, got = 0;
    while (got < want) got += in.read(buf, int(std::min<int64_t>(sizeof buf, want - got)));
    EXPECT_EQ(in.elapsedSeconds(h), 26);
    // A seek to 100 % lies beyond the last four frames and is refused.
    FrameReader reader;
    EXPECT_EQ(in.seekToFrame(reader, h, in.totalFrames(h)), 0);
}

TEST(InputTest, SeekFindsTheNextHeaderOfTheStream) {
    std::string dir = test::scratchDir("input_seek");
    std::vector<uint8_t> bytes = frames(40);
    std::string path = writeBytes(dir, "s.mp3", bytes);
    Input in;
    FrameReader reader;
    FrameHeader h;
    ASSERT_EQ(openAtFirstFrame(in, reader, h, path), 1);
    EXPECT_EQ(in.totalFrames(h), 39);   // 16680 / 417.96
    ASSERT_EQ(in.seekToFrame(reader, h, 0), 1);
    EXPECT_EQ(in.lastSeekOffset(), 0);
    // Frame 10 is estimated at 417.96 * 10 bytes, past frame 10's start: the next header lies at 11 * 417.
    ASSERT_EQ(in.seekToFrame(reader, h, 10), 1);
    EXPECT_EQ(in.lastSeekOffset(), 11 * 417);
    // The two frames read by the seek are gone; the next one is frame 13, and the bodies are clear.
    EXPECT_EQ(reader.readBits(8), 0u);
    ASSERT_EQ(reader.readFrame(h), 1);
    EXPECT_EQ(reader.body()[0], 13);
}

TEST(InputTest, SeekFailsWhenNoHeaderFollows) {
    std::string dir = test::scratchDir("input_seek_end");
    std::vector<uint8_t> bytes = frames(2);
    bytes.insert(bytes.end(), 20000, 0x00);
    std::string path = writeBytes(dir, "tail.mp3", bytes);
    Input in;
    FrameReader reader;
    FrameHeader h;
    ASSERT_EQ(openAtFirstFrame(in, reader, h, path), 1);
    EXPECT_EQ(in.seekToFrame(reader, h, 10), 0);
    // Playback goes on from where it stood before the seek: the second frame.
    EXPECT_EQ(in.position(), 417);
    ASSERT_EQ(reader.readFrame(h), 1);
    EXPECT_EQ(reader.body()[0], 1);
}

// A constant-bitrate file from lame without a header frame (32 kbit/s, 144-byte frames): a
// seek to p % lands within one frame of p % of the audio, to the end of the file, and counts
// the audio after a leading tag.
TEST(InputTest, SeeksInAConstantBitrateFileLandWhereAsked) {
    const std::string src = test::mediaPath("playback/cbr32.mp3");
    ASSERT_TRUE(test::fileExists(src)) << src << " is missing (tests/media/playback.sh makes it)";
    std::vector<uint8_t> audio = test::readFileBytes(src);
    // An ID3v2 tag of 3000 bytes in front (syncsafe size 2990).
    std::vector<uint8_t> tagged = {'I', 'D', '3', 3, 0, 0, 0, 0, 2990 >> 7, 2990 & 0x7F};
    tagged.resize(3000, 0);
    tagged.insert(tagged.end(), audio.begin(), audio.end());
    const std::string dir = test::scratchDir("input_seek_cbr");
    for (const auto& [name, bytes, start] : {std::tuple{"plain.mp3", audio, size_t(0)},
                                            std::tuple{"tagged.mp3", tagged, size_t(3000)}}) {
        const std::string path = writeBytes(dir, name, bytes);
        Input in;
        FrameReader reader;
        FrameHeader h;
        ASSERT_EQ(openAtFirstFrame(in, reader, h, path), 1);
        const double frame = Input::frameBytes(h);
        ASSERT_EQ(frame, 144.0) << "lame made another rate";
        for (int percent : {50, 90, 95, 99}) {
            // The player's own conversion, with the single-precision factor.
            const int64_t target = int64_t(float(in.totalFrames(h)) * float(percent) * 0.01f);
            ASSERT_EQ(in.seekToFrame(reader, h, target), 1) << name << " " << percent << " %";
            const double asked = double(start) + double(audio.size()) * percent / 100.0;
            EXPECT_NEAR(double(in.lastSeekOffset()), asked, frame) << name << " " << percent << " %";
        }
    }
}

// A seek into a long stretch of other data gives up near the estimate instead of reading
// on to the next header far away.
TEST(InputTest, SeekSearchesOnlyNearTheEstimate) {
    std::string dir = test::scratchDir("input_seek_window");
    std::vector<uint8_t> bytes = frames(3);
    bytes.insert(bytes.end(), 400000, 0x00);
    std::vector<uint8_t> tail = frames(20);
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    std::string path = writeBytes(dir, "gap.mp3", bytes);
    Input in;
    FrameReader reader;
    FrameHeader h;
    ASSERT_EQ(openAtFirstFrame(in, reader, h, path), 1);
    EXPECT_EQ(in.seekToFrame(reader, h, in.totalFrames(h) / 2), 0);
    EXPECT_EQ(in.position(), 417);
}

// Headers of other bitrates and with the other padding and private bits are all this
// stream's; a look-alike that no header follows is not.
TEST(InputTest, SeekFindsHeadersOfAnyBitrateButNotLookAlikes) {
    std::string dir = test::scratchDir("input_seek_vbr");
    std::vector<uint8_t> v;
    for (int i = 0; i < 40; ++i) {
        // 44.1 kHz Layer III, alternating 160 and 96 kbit/s, padding and private bit set on odd frames.
        int index = i & 1 ? 7 : 10;
        int length = 144000 * (index == 7 ? 96 : 160) / 44100 + (i & 1);
        const uint8_t head[4] = {0xFF, 0xFB, uint8_t(index << 4 | (i & 1 ? 0x03 : 0x00)), 0xC0};
        size_t start = v.size();
        v.insert(v.end(), head, head + 4);
        v.insert(v.end(), size_t(length - 4), uint8_t(i));
        // A look-alike inside the body: same kind, but nothing follows at its length.
        const uint8_t fake[4] = {0xFF, 0xFB, 0x50, 0x00};
        std::copy(fake, fake + 4, v.begin() + long(start) + 40);
    }
    std::string path = writeBytes(dir, "vbr.mp3", v);
    Input in;
    FrameReader reader;
    FrameHeader h;
    ASSERT_EQ(openAtFirstFrame(in, reader, h, path), 1);
    ASSERT_EQ(h.bitrateIndex, 10);
    ASSERT_EQ(in.seekToFrame(reader, h, 10), 1);
    // Every landing is a real frame start.
    size_t at = 0;
    bool onFrame = false;
    for (int i = 0; i < 40 && !onFrame; ++i) {
        onFrame = int64_t(at) == in.lastSeekOffset();
        at += size_t(144000 * (i & 1 ? 96 : 160) / 44100 + (i & 1));
    }
    EXPECT_TRUE(onFrame) << in.lastSeekOffset();
    EXPECT_GT(in.lastSeekOffset(), 4000);
}

// A VBR file made by an encoder: its first frame's bitrate does not come again, and a seek
// to the middle still lands there and plays on to the end.
TEST(InputTest, SeekInAVbrFileContinuesToTheEnd) {
    std::string path = test::mediaPath("layer3/vbr.mp3");
    ASSERT_TRUE(test::fileExists(path)) << path << " is missing (tests/media/layer3.sh makes it)";
    int whole = 0;
    {
        Input in;
        FrameReader reader;
        FrameHeader h;
        ASSERT_EQ(openAtFirstFrame(in, reader, h, path), 1);
        whole = 1;
        while (reader.readFrame(h)) ++whole;
    }
    Input in;
    FrameReader reader;
    FrameHeader h;
    ASSERT_EQ(openAtFirstFrame(in, reader, h, path), 1);
    for (int i = 0; i < 5; ++i) ASSERT_EQ(reader.readFrame(h), 1);
    ASSERT_EQ(in.seekToFrame(reader, h, in.totalFrames(h) / 2), 1);
    int after = 0;
    while (reader.readFrame(h)) ++after;
    EXPECT_NEAR(after, whole / 2, whole * 0.15);
}

// A file beyond 4 GiB (sparse: it costs no disk): a real stream at the start and another
// near the middle, nothing between.
TEST(InputTest, FilesOverFourGigabytesCountAndSeekInSixtyFourBits) {
    std::string src = test::mediaPath("playback/e44.mp3");
    ASSERT_TRUE(test::fileExists(src)) << src << " is missing (tests/media/playback.sh makes it)";
    std::string path = test::scratchDir("input_large") + "/large.mp3";
    const int64_t middle = test::writeLargeSparseFile(src, path);
    ASSERT_GT(middle, 0);
    {
        Input in;
        FrameReader reader;
        FrameHeader h;
        ASSERT_EQ(openAtFirstFrame(in, reader, h, path), 1);
        int64_t total = in.totalFrames(h);
        EXPECT_EQ(total, int64_t(double(test::kLargeFileSize) / Input::frameBytes(h)));
        EXPECT_GT(total, 11000000);
        ASSERT_EQ(in.seekToFrame(reader, h, total / 2), 1);
        EXPECT_GT(in.lastSeekOffset(), middle);
        EXPECT_LT(in.lastSeekOffset(), middle + 8000);
        EXPECT_GT(in.elapsedSeconds(h), 140000);    // about 40 hours in
    }
    std::filesystem::remove(path);
}

// A recording in progress: what is written after the file was opened is not read, so the
// file ends where it was, with the partial frame there zero-filled as at any end.
TEST(InputTest, AFileThatGrowsPlaysToWhereItWasAtOpen) {
    std::vector<uint8_t> bytes = frames(40);
    const std::string path = writeBytes(test::scratchDir("input_growing"), "rec.mp3",
                                        std::vector<uint8_t>(bytes.begin(), bytes.begin() + 10 * 417 + 200));
    Input in;
    FrameReader reader;
    FrameHeader h;
    ASSERT_EQ(openAtFirstFrame(in, reader, h, path), 1);
    {
        std::ofstream more(path, std::ios::binary | std::ios::app);
        more.write(reinterpret_cast<const char*>(bytes.data()) + 10 * 417 + 200, std::streamsize(30 * 417 - 200));
    }
    EXPECT_EQ(in.totalFrames(h), 10);   // 4370 bytes at open
    int n = 1;
    while (reader.readFrame(h)) ++n;
    EXPECT_EQ(n, 11);
    EXPECT_EQ(in.read(reinterpret_cast<uint8_t*>(bytes.data()), 16), 0);
    // Opened again, the whole file is there.
    ASSERT_EQ(openAtFirstFrame(in, reader, h, path), 1);
    EXPECT_EQ(in.totalFrames(h), 39);   // 16680 / 417.96
    n = 1;
    while (reader.readFrame(h)) ++n;
    EXPECT_EQ(n, 40);
}

namespace {

// A prompt that counts the questions it is asked and answers yes.
class CountingPrompt : public Prompt {
public:
    void show(const char*, const char*, PromptIcon) override {}
    int askYesNo(const char*, const char*, PromptIcon) override { return ++asked, 1; }
    int asked = 0;
};

void putLe32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

// An APEv2 tag with header whose binary items hold what reads as frames: a run of whole
// frames, and a header without a bitrate (free format).
std::vector<uint8_t> apeTagOfFrameLookAlikes() {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> items;
    items.push_back({"Cover Art (Front)", frames(6)});
    std::vector<uint8_t> freeFormat = {0xFF, 0xFB, 0x00, 0xC0};
    freeFormat.resize(900, 0x11);
    items.push_back({"Notes", freeFormat});
    std::vector<uint8_t> body;
    for (auto& [key, value] : items) {
        putLe32(body, uint32_t(value.size()));
        putLe32(body, 2);   // binary
        body.insert(body.end(), key.begin(), key.end());
        body.push_back(0);
        body.insert(body.end(), value.begin(), value.end());
    }
    auto block = [&](uint32_t flags) {
        std::vector<uint8_t> b = {'A', 'P', 'E', 'T', 'A', 'G', 'E', 'X'};
        putLe32(b, 2000);
        putLe32(b, uint32_t(body.size() + 32));
        putLe32(b, uint32_t(items.size()));
        putLe32(b, flags);
        b.resize(32, 0);
        return b;
    };
    std::vector<uint8_t> out = block(0xA0000000u);
    out.insert(out.end(), body.begin(), body.end());
    std::vector<uint8_t> foot = block(0x80000000u);
    out.insert(out.end(), foot.begin(), foot.end());
    return out;
}

} // namespace

TEST(InputTest, AnApeTagIsNeverReadAsAudio) {
    const std::string dir = test::scratchDir("input_apev2");
    const std::vector<uint8_t> audio = frames(20);
    std::vector<uint8_t> tagged = audio;
    const std::vector<uint8_t> ape = apeTagOfFrameLookAlikes();
    tagged.insert(tagged.end(), ape.begin(), ape.end());
    std::vector<uint8_t> withId3v1 = tagged;
    withId3v1.resize(withId3v1.size() + 128, 0);
    std::copy_n("TAG", 3, withId3v1.end() - 128);
    for (const auto& [name, bytes] : {std::pair<const char*, std::vector<uint8_t>>{"plain.mp3", audio},
                                      {"ape.mp3", tagged}, {"ape_id3v1.mp3", withId3v1}}) {
        SCOPED_TRACE(name);
        const std::string path = writeBytes(dir, name, bytes);
        Input in;
        FrameReader reader;
        CountingPrompt asked;
        reader.setPrompt(&asked);
        FrameHeader h;
        ASSERT_EQ(openAtFirstFrame(in, reader, h, path), 1);
        int n = 1;
        while (reader.readFrame(h)) ++n;
        EXPECT_EQ(n, 20);
        EXPECT_EQ(asked.asked, 0);
        EXPECT_EQ(in.totalFrames(h), 19);   // the estimate of the plain file: 8340 / 417.96
    }
}
