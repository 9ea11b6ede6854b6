// korvo info reports the ReplayGain values it found and where, and the frames of a file
// with an APEv2 tag are those of the file without it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_texts.h"
#include "korvo_run.h"
#include "test_support.h"

using namespace korvo;

namespace {

void putLe32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

// An APEv2 tag without header holding text items.
std::vector<uint8_t> apeTag(const std::vector<std::pair<std::string, std::string>>& items) {
    std::vector<uint8_t> out;
    for (const auto& [key, value] : items) {
        putLe32(out, uint32_t(value.size()));
        putLe32(out, 0);
        out.insert(out.end(), key.begin(), key.end());
        out.push_back(0);
        out.insert(out.end(), value.begin(), value.end());
    }
    const uint32_t size = uint32_t(out.size() + 32);
    const char magic[] = "APETAGEX";
    out.insert(out.end(), magic, magic + 8);
    putLe32(out, 2000);
    putLe32(out, size);
    putLe32(out, uint32_t(items.size()));
    putLe32(out, 0);
    out.resize(out.size() + 8, 0);
    return out;
}

std::string info(const std::string& path) {
    const std::string out = path + ".txt";
    test::KorvoRun run = test::runKorvo({"info", path}, 60000, out);
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    auto bytes = test::readFileBytes(out);
    return std::string(bytes.begin(), bytes.end());
}

std::string line(const char* format, const char* name) {
    char text[128];
    std::snprintf(text, sizeof text, format, name);
    return text;
}

} // namespace

TEST(KorvoInfo, ReplayGainValuesWithTheirSourceAndTheSameFramesWithAnApeTag) {
    const std::string dir = test::scratchDir("korvo_info_gain");
    std::vector<uint8_t> audio = test::readFileBytes(test::mediaPath("foundation/l3_48_320_s.mp3"));
    ASSERT_FALSE(audio.empty());
    const std::string plain = dir + "/plain.mp3", tagged = dir + "/tagged.mp3";
    ASSERT_TRUE(test::writeFileBytes(plain, audio));
    std::vector<uint8_t> withTag = audio;
    const auto tag = apeTag({{"REPLAYGAIN_TRACK_GAIN", "-3.5 dB"}, {"REPLAYGAIN_TRACK_PEAK", "0.5"},
                             {"REPLAYGAIN_ALBUM_GAIN", "garbage"}, {"MP3GAIN_MINMAX", "100,200"}});
    withTag.insert(withTag.end(), tag.begin(), tag.end());
    ASSERT_TRUE(test::writeFileBytes(tagged, withTag));

    const std::string a = info(plain), b = info(tagged);
    EXPECT_NE(a.find(line(cli_texts::kNoGainFormat, cli_texts::kGainTrack)), std::string::npos) << a;
    char expected[128];
    std::snprintf(expected, sizeof expected, cli_texts::kGainFormat, cli_texts::kGainTrack, -3.5, 0.5, "APEv2");
    EXPECT_NE(b.find(expected), std::string::npos) << b;
    EXPECT_NE(b.find(line(cli_texts::kNoGainFormat, cli_texts::kGainAlbum)), std::string::npos) << b;
    const size_t fa = a.find("\nframes: "), fb = b.find("\nframes: ");
    ASSERT_NE(fa, std::string::npos);
    ASSERT_NE(fb, std::string::npos);
    EXPECT_EQ(std::stol(a.substr(fa + 9)), std::stol(b.substr(fb + 9)));
}
