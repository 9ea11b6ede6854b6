// korvo play and korvo decode as processes: they end, with the right exit code, and write
// terminal codes only to a terminal.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "korvo_run.h"
#include "playback/playback_support.h"
#include "test_support.h"

namespace korvo {
namespace {

std::string media(const char* name) {
    std::string p = test::mediaPath(std::string("playback/") + name);
    EXPECT_TRUE(test::fileExists(p)) << p << " is missing (tests/media/playback.sh makes it)";
    return p;
}

// Each case would have waited for ever; they end within the bound and report the failure.
TEST(KorvoPlay, EntriesThatCannotBePlayedEndWithExitCodeOne) {
    std::string dir = test::scratchDir("korvo_play_failures");
    std::string out = dir + "/out.wav";
    // A URL that refuses the connection, and then a file that plays.
    test::KorvoRun url = test::runKorvo({"play", "--wav", out, "http://127.0.0.1:1/none.mp3", media("d22.mp2")}, 20000);
    EXPECT_EQ(url.exitCode, 1) << url.errors;
    EXPECT_TRUE(test::fileExists(out)) << "the entry after the failed one was not played";
    // A path that names nothing, then a file that plays.
    std::string missing = dir + "/missing.mp3";
    std::string out2 = dir + "/out2.wav";
    test::KorvoRun gone = test::runKorvo({"play", "--wav", out2, missing, media("d22.mp2")}, 20000);
    EXPECT_EQ(gone.exitCode, 1) << gone.errors;
    EXPECT_TRUE(test::fileExists(out2)) << "the entry after the missing one was not played";
    // The output cannot be opened.
    test::KorvoRun wav = test::runKorvo({"play", "--wav", "/nonexistent/out.wav", media("d22.mp2"), media("d22.mp2")}, 20000);
    EXPECT_EQ(wav.exitCode, 1) << wav.errors;
    // And a list that plays ends with 0.
    test::KorvoRun ok = test::runKorvo({"play", "--wav", out, media("d22.mp2")}, 20000);
    EXPECT_EQ(ok.exitCode, 0) << ok.errors;
}

TEST(KorvoPlay, RedirectedOutputGetsPlainLines) {
    std::string out = test::scratchDir("korvo_play_plain") + "/out.wav";
    std::string file = media("d22.mp2");
    test::KorvoRun run = test::runKorvo({"play", "--wav", out, file}, 20000);
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.errors.find('\r'), std::string::npos) << run.errors;
    EXPECT_EQ(run.errors.find('\033'), std::string::npos) << run.errors;
    EXPECT_NE(run.errors.find("[1/1] " + file + "\n"), std::string::npos) << run.errors;
}

// Without a terminal nobody can answer the free-format question: the file plays on.
TEST(KorvoDecode, DamagedFileDecodesWholeWithoutATerminal) {
    std::string dir = test::scratchDir("korvo_decode_damaged");
    std::string damaged = dir + "/damaged.mp2";
    std::string out = dir + "/out.wav";
    ASSERT_TRUE(test::writeWithFreeFormatFrame(media("a44.mp2"), 20, damaged));
    test::KorvoRun run = test::runKorvo({"decode", damaged, "-o", out}, 20000);
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    std::vector<uint8_t> wav = test::readFileBytes(out);
    ASSERT_GT(wav.size(), 44u);
    // Two seconds at 44.1 kHz, less the damaged frame.
    EXPECT_NEAR(double(wav.size() - 44), 176400.0 * 2, 176400.0 * 0.1);
}

// korvo decode of an album cut into three lame files gives the decoding of the whole, joins
// included; --no-gapless gives every frame of every file, as before.
TEST(KorvoDecode, AlbumPiecesDecodeLikeTheWhole) {
    const std::string dir = test::scratchDir("korvo_decode_album");
    const std::vector<std::string> pieces = test::albumPieces();
    for (const std::string& f : pieces)
        ASSERT_TRUE(test::fileExists(f)) << f << " is missing (tests/media/gapless.sh makes it)";
    auto decode = [&](std::vector<std::string> args, const std::string& out) {
        args.insert(args.begin(), "decode");
        args.push_back("-o");
        args.push_back(out);
        test::KorvoRun run = test::runKorvo(args, 60000);
        EXPECT_EQ(run.exitCode, 0) << run.errors;
        std::vector<uint8_t> wav = test::readFileBytes(out);
        const uint8_t tag[] = {'d', 'a', 't', 'a'};
        auto data = std::search(wav.begin(), wav.end(), tag, tag + 4);
        return data + 8 <= wav.end() ? std::vector<uint8_t>(data + 8, wav.end()) : std::vector<uint8_t>();
    };
    const std::vector<uint8_t> whole = decode({test::albumWhole()}, dir + "/whole.wav");
    const std::vector<uint8_t> joined = decode(pieces, dir + "/joined.wav");
    ASSERT_EQ(whole.size(), size_t(60 * 44100 * 4));
    ASSERT_EQ(joined.size(), whole.size());
    test::JoinError e = test::compareJoins(test::samplesOf(joined.data(), joined.size()),
                                           test::samplesOf(whole.data(), whole.size()), {882000, 1764000});
    std::printf("korvo decode A B C against the whole: %.1f dB, worst join %.1f dB\n", e.overallDb, e.worstJoinDb);
    EXPECT_GT(e.overallDb, 30.0);
    EXPECT_GT(e.worstJoinDb, 28.0);

    std::vector<std::string> off = pieces;
    off.insert(off.begin(), "--no-gapless");
    const std::vector<uint8_t> plain = decode(off, dir + "/plain.wav");
    EXPECT_EQ(plain.size(), size_t(3 * 768 * 1152 * 4));
    EXPECT_TRUE(plain == test::decodeInRow(pieces, false, false));
}

} // namespace
} // namespace korvo
