// The WAV output through the decoder thread: what lands in the files, and when a new
// file is asked for.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "settings/settings.h"
#include "playback/decoder_thread.h"
#include "playback/output_driver.h"
#include "playback_support.h"
#include "test_support.h"

namespace korvo {
namespace {

struct Names {
    std::string dir;
    int asked = 0;
    std::vector<int> rates;
};

int nameFile(char* path, int size, int rate, void* context) {
    auto* n = static_cast<Names*>(context);
    ++n->asked;
    n->rates.push_back(rate);
    std::snprintf(path, size_t(size), "%s/out-%d.wav", n->dir.c_str(), n->asked);
    return 1;
}

class WavDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved = settings();
        settings().AudioOutputSystem = kOutputWavFile;
        settings().AudioOutput8Bit = 0;
        settings().DecoderPriority = 2;
        settings().MappingMode = 2;
        settings().EqEnabled = 0;
        names.dir = test::scratchDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
        setWavFileNameHook(&nameFile, &names);
    }
    void TearDown() override {
        setWavFileNameHook(nullptr, nullptr);
        settings() = saved;
    }
    static std::string media(const char* name) {
        std::string p = test::mediaPath(std::string("playback/") + name);
        EXPECT_TRUE(test::fileExists(p)) << p << " is missing (tests/media/playback.sh makes it)";
        return p;
    }
    // Plays the list through a decoder thread until the list has ended.
    void play(const std::vector<std::string>& files) {
        test::ListPlayback playback(files);
        ASSERT_TRUE(playback.start());
        test::ListPlayer& player = playback.player;
        EXPECT_TRUE(player.waitDone(20000));
        playback.stop();
        EXPECT_EQ(player.started(), int(files.size()));
    }
    std::vector<uint8_t> wav(int n) { return test::readFileBytes(names.dir + "/out-" + std::to_string(n) + ".wav"); }
    // Checks the header and returns the data.
    static std::vector<uint8_t> data(const std::vector<uint8_t>& file, uint32_t rate, int bits) {
        EXPECT_GE(file.size(), 46u);
        if (file.size() < 46) return {};
        EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "RIFF");
        EXPECT_EQ(le32(file, 4), file.size() - 8);
        EXPECT_EQ(std::string(file.begin() + 8, file.begin() + 16), "WAVEfmt ");
        EXPECT_EQ(le32(file, 16), 18u);
        uint16_t align = uint16_t(2 * bits / 8);
        EXPECT_EQ(le16(file, 20), 1);
        EXPECT_EQ(le16(file, 22), 2);
        EXPECT_EQ(le32(file, 24), rate);
        EXPECT_EQ(le32(file, 28), rate * align);
        EXPECT_EQ(le16(file, 32), align);
        EXPECT_EQ(le16(file, 34), bits);
        EXPECT_EQ(le16(file, 36), 0);
        EXPECT_EQ(std::string(file.begin() + 38, file.begin() + 42), "data");
        EXPECT_EQ(le32(file, 42), file.size() - 46);
        return std::vector<uint8_t>(file.begin() + 46, file.end());
    }
    static uint32_t le32(const std::vector<uint8_t>& b, size_t at) { return test::le32(b, at); }
    static uint16_t le16(const std::vector<uint8_t>& b, size_t at) { return test::le16(b, at); }

    Settings saved;
    Names names;
};

TEST_F(WavDriverTest, TwoFilesOfOneRateGoIntoOneWav) {
    std::string a = media("a44.mp2"), b = media("b44.mp2");
    play({a, b});
    EXPECT_EQ(names.asked, 1);
    std::vector<uint8_t> pcm = data(wav(1), 44100, 16);
    std::vector<uint8_t> both = test::decodeInRow({a, b}, false);
    std::vector<uint8_t> first = test::decodeInRow({a}, false);
    ASSERT_EQ(pcm.size(), both.size());
    EXPECT_TRUE(pcm == both);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), pcm.begin()));
#ifndef _WIN32
    // The same file, byte for byte, as korvo decode makes of the two.
    std::string korvo = std::string(KORVO_BUILD_DIR) + "/korvo";
    ASSERT_TRUE(test::fileExists(korvo));
    std::string out = names.dir + "/decoded.wav";
    std::string cmd = korvo + " decode " + a + " " + b + " -o " + out;
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    EXPECT_TRUE(test::readFileBytes(out) == wav(1));
#endif
}

TEST_F(WavDriverTest, RateChangeAsksForASecondFile) {
    std::string a = media("a44.mp2"), c = media("c48.mp2");
    play({a, c});
    ASSERT_EQ(names.asked, 2);
    EXPECT_EQ(names.rates, (std::vector<int>{44100, 48000}));
    std::vector<uint8_t> one = data(wav(1), 44100, 16);
    std::vector<uint8_t> two = data(wav(2), 48000, 16);
    // The first file whole in the first WAV, nothing of it in the second.
    std::vector<uint8_t> first = test::decodeInRow({a}, false);
    std::vector<uint8_t> both = test::decodeInRow({a, c}, false);
    EXPECT_TRUE(one == first);
    ASSERT_EQ(one.size() + two.size(), both.size());
    EXPECT_TRUE(std::equal(two.begin(), two.end(), both.begin() + long(one.size())));
}

TEST_F(WavDriverTest, EightBitFormatRecord) {
    settings().AudioOutput8Bit = 1;
    std::string a = media("a44.mp2");
    play({a});
    std::vector<uint8_t> pcm = data(wav(1), 44100, 8);
    EXPECT_TRUE(pcm == test::decodeInRow({a}, true));
}

TEST_F(WavDriverTest, CancelledNameEndsTheFileSilently) {
    setWavFileNameHook(nullptr, nullptr);
    std::string a = media("a44.mp2");
    test::ListPlayback playback({a});
    ASSERT_TRUE(playback.start());
    test::ListPlayer& player = playback.player;
    // Stopped, not ended: no end notification arrives.
    EXPECT_FALSE(player.waitDone(500));
    playback.stop();
    EXPECT_EQ(player.started(), 1);
}

} // namespace
} // namespace korvo
