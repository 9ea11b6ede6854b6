// korvo decode and play with --replaygain: the level changes by the gain the tagging tool
// wrote (tests/media/replay_gain.sh keeps what each tool said in gains.txt).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "korvo_run.h"
#include "test_support.h"

using namespace korvo;

namespace {

struct ToolGains {
    double track = NAN, album = NAN, peak = NAN;
};

std::string media(const std::string& name) { return test::mediaPath("replaygain/" + name); }

std::map<std::string, ToolGains> toolGains() {
    std::map<std::string, ToolGains> gains;
    std::ifstream in(media("gains.txt"));
    std::string line;
    auto number = [](const std::string& t) { return t == "-" ? NAN : std::stod(t); };
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string name, track, album, peak;
        if (fields >> name >> track >> album >> peak) gains[name] = {number(track), number(album), number(peak)};
    }
    return gains;
}

// The samples of a WAV file's data chunk.
std::vector<int16_t> wavSamples(const std::vector<uint8_t>& wav) {
    for (size_t at = 12; at + 8 <= wav.size();) {
        uint32_t size = 0;
        std::memcpy(&size, &wav[at + 4], 4);
        if (std::memcmp(&wav[at], "data", 4) == 0) {
            std::vector<int16_t> s(std::min<size_t>(size, wav.size() - at - 8) / 2);
            std::memcpy(s.data(), &wav[at + 8], s.size() * 2);
            return s;
        }
        at += 8 + size + (size & 1);
    }
    return {};
}

std::vector<uint8_t> decode(const std::string& file, const std::vector<std::string>& options = {}) {
    static int count = 0;
    const std::string out = test::scratchDir("replay_gain_decode") + "/" + std::to_string(++count) + ".wav";
    std::vector<std::string> args = {"decode", media(file), "-o", out};
    args.insert(args.end(), options.begin(), options.end());
    test::KorvoRun run = test::runKorvo(args, 60000);
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    return test::readFileBytes(out);
}

double rms(const std::vector<int16_t>& s) {
    double sum = 0;
    for (int16_t v : s) sum += double(v) * v;
    return s.empty() ? 0 : std::sqrt(sum / double(s.size()));
}

// How far the decoding with options is louder than without, in dB.
double levelChangeDb(const std::string& file, const std::vector<std::string>& options) {
    const double plain = rms(wavSamples(decode(file))), changed = rms(wavSamples(decode(file, options)));
    return plain > 0 && changed > 0 ? 20 * std::log10(changed / plain) : NAN;
}

constexpr double kToleranceDb = 0.05;

} // namespace

// mp3gain's APEv2, loudgain's ID3v2 and lame's header gain, each as its tool said; with both
// ID3v2 and APEv2 values the ID3v2 one; garbage in ID3v2 gives way to lame's header. Off is
// the decoding of the untagged file, byte for byte.
TEST(ReplayGainDecode, TrackModeChangesTheLevelByTheToolsGain) {
    auto gains = toolGains();
    ASSERT_EQ(gains.size(), 8u) << media("gains.txt") << " is missing (tests/media/replay_gain.sh makes it)";
    for (const char* file : {"ape_quiet.mp3", "ape_loud.mp3", "id3_quiet.mp3", "id3_loud.mp3", "lame_quiet.mp3",
                             "both.mp3", "garbage.mp3"}) {
        EXPECT_NEAR(levelChangeDb(file, {"--replaygain", "track"}), gains[file].track, kToleranceDb) << file;
    }
    const std::vector<uint8_t> untagged = decode("quiet.mp3");
    ASSERT_GT(untagged.size(), 44100u * 4 * 5);
    for (const char* file : {"ape_quiet.mp3", "id3_quiet.mp3"}) {
        EXPECT_TRUE(decode(file) == untagged) << file;
        EXPECT_TRUE(decode(file, {"--replaygain", "off", "--preamp", "6"}) == untagged) << file;
    }
    EXPECT_NEAR(levelChangeDb("id3_loud.mp3", {"--replaygain", "track", "--preamp", "-4"}), gains["id3_loud.mp3"].track - 4,
                kToleranceDb);
}

// The files of one album change by the album's one gain; a file without an album value by
// its track's.
TEST(ReplayGainDecode, AlbumModeGivesTheFilesOfAnAlbumOneGain) {
    auto gains = toolGains();
    ASSERT_EQ(gains.size(), 8u) << media("gains.txt") << " is missing (tests/media/replay_gain.sh makes it)";
    for (const char* file : {"ape_quiet.mp3", "ape_loud.mp3", "id3_quiet.mp3", "id3_loud.mp3"})
        EXPECT_NEAR(levelChangeDb(file, {"--replaygain", "album"}), gains[file].album, kToleranceDb) << file;
    EXPECT_EQ(gains["ape_quiet.mp3"].album, gains["ape_loud.mp3"].album);
    EXPECT_NEAR(levelChangeDb("lame_quiet.mp3", {"--replaygain", "album"}), gains["lame_quiet.mp3"].track, kToleranceDb);
}

// A gain that would lift the peak past full scale is held at the peak: no sample clips.
TEST(ReplayGainDecode, ClipPreventionKeepsTheLiftedPeakBelowFullScale) {
    auto gains = toolGains();
    const ToolGains clip = gains["id3_clip.mp3"];
    ASSERT_GT(clip.track + 20 * std::log10(clip.peak), 1.0) << "the gain does not reach past full scale";
    const std::vector<int16_t> s = wavSamples(decode("id3_clip.mp3", {"--replaygain", "track"}));
    ASSERT_FALSE(s.empty());
    long clipped = 0;
    for (int16_t v : s) clipped += v == 32767 || v == -32768;
    EXPECT_EQ(clipped, 0);
    EXPECT_NEAR(levelChangeDb("id3_clip.mp3", {"--replaygain", "track"}), -20 * std::log10(clip.peak), kToleranceDb);
}

// korvo play takes the same options through the player's settings.
TEST(ReplayGainDecode, PlayWritesTheSameLevelledSound) {
    const std::string dir = test::scratchDir("replay_gain_play");
    const std::string out = dir + "/out.wav";
    test::KorvoRun run = test::runKorvo({"play", "--wav", out, "--replaygain", "album", media("ape_quiet.mp3")}, 60000);
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_TRUE(test::readFileBytes(out) == decode("ape_quiet.mp3", {"--replaygain", "album"}));
}
