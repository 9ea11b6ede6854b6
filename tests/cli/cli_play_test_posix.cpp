// korvo play and korvo decode as processes: they end, with the right exit code, and write
// terminal codes only to a terminal.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "korvo_run.h"
#include "playback/playback_support.h"
#include "decoder/decoder_texts.h"
#include "playback/playback_texts.h"
#include "playlist/playlist_test_util.h"
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

// The sound is never written into a file that is played: the same file by another name or
// through a link counts too. The command is refused (exit 2) and the file keeps its bytes;
// korvo play checks each name it writes, out-2.wav and on, as it comes.
TEST(KorvoDecode, OutputThatIsAnInputIsRefused) {
    const std::string dir = test::scratchDir("korvo_output_input");
    const std::vector<uint8_t> original = test::readFileBytes(media("a44.mp2"));
    const std::string victim = dir + "/victim.mp3", linked = dir + "/linked.mp3";
    ASSERT_TRUE(test::writeFileBytes(victim, original));
    ASSERT_EQ(symlink(victim.c_str(), linked.c_str()), 0);
    const std::vector<std::vector<std::string>> commands = {
        {"decode", "-o", victim, victim},
        {"decode", "-o", dir + "/./victim.mp3", media("d22.mp2"), linked},
        {"play", "--wav", victim, victim},
        {"play", "--wav", linked, media("d22.mp2"), victim},
    };
    for (const auto& args : commands) {
        test::KorvoRun run = test::runKorvo(args, 20000);
        EXPECT_EQ(run.exitCode, 2) << args[0] << " " << args[2] << "\n" << run.errors;
        EXPECT_NE(run.errors.find(test::formatted(texts::kWavOutputIsInput, args[2])), std::string::npos) << run.errors;
        EXPECT_EQ(test::readFileBytes(victim), original) << args[0] << " " << args[2];
    }
    // The 48 kHz file opens the second name, which is the third file.
    const std::string second = dir + "/out-2.wav";
    ASSERT_TRUE(test::writeFileBytes(second, original));
    test::KorvoRun run = test::runKorvo({"play", "--wav", dir + "/out.wav", media("a44.mp2"), media("c48.mp2"), second}, 20000);
    EXPECT_EQ(run.exitCode, 2) << run.errors;
    EXPECT_NE(run.errors.find(test::formatted(texts::kWavOutputIsInput, second)), std::string::npos) << run.errors;
    EXPECT_EQ(test::readFileBytes(second), original);
    EXPECT_TRUE(test::fileExists(dir + "/out.wav"));
}

// A WAV file that cannot be written whole (a file size limit between the old file and the
// new) leaves the file of that name as it was, and nothing beside it.
TEST(KorvoDecode, OutputThatFailsLeavesTheOldFile) {
    const std::string dir = test::scratchDir("korvo_decode_keep");
    const std::string out = dir + "/out.wav";
    const std::vector<uint8_t> old(5000, 0x5A);
    ASSERT_TRUE(test::writeFileBytes(out, old));
    test::KorvoRun run;
    {
        test::FileSizeLimit limit(100000);   // the decoding takes 352,846 bytes
        run = test::runKorvo({"decode", media("a44.mp2"), "-o", out}, 20000);
    }
    EXPECT_EQ(run.exitCode, 1) << run.errors;
    EXPECT_EQ(test::readFileBytes(out), old);
    EXPECT_EQ(test::folderNames(dir), std::vector<std::string>{"out.wav"});
}

// On a terminal the key loop is the one reader of the keys: the free-format question waits
// on the status line for y or n. After y the damaged file plays to its end, as long as
// korvo decode (which answers yes without a terminal) makes it.
TEST(KorvoPlay, OnATerminalTheQuestionWaitsForItsKey) {
    const std::string dir = test::scratchDir("korvo_play_question");
    const std::string damaged = dir + "/damaged.mp2", played = dir + "/played.wav", decoded = dir + "/decoded.wav";
    ASSERT_TRUE(test::writeWithFreeFormatFrame(media("a44.mp2"), 20, damaged));
    ASSERT_EQ(test::runKorvo({"decode", damaged, "-o", decoded}, 20000).exitCode, 0);

    const std::string program = std::string(KORVO_BUILD_DIR) + "/korvo";
    int master = -1;
    pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        execl(program.c_str(), program.c_str(), "play", "--wav", played.c_str(), damaged.c_str(), (char*)nullptr);
        _exit(127);
    }
    // Reads what the program shows until `until` appears or it ends; gives up after 20 s.
    std::string shown;
    auto readUntil = [&](const std::string& until) {
        const auto give = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < give) {
            if (!until.empty() && shown.find(until) != std::string::npos) return true;
            pollfd pfd{master, POLLIN, 0};
            if (poll(&pfd, 1, 100) <= 0) continue;
            char buf[512];
            ssize_t n = read(master, buf, sizeof buf);
            if (n <= 0) return until.empty();     // the program ended
            shown.append(buf, size_t(n));
        }
        return false;
    };
    const bool asked = readUntil(std::string(texts::kInvalidBitrateText) + " [y/n]");
    EXPECT_TRUE(asked) << shown;
    if (asked) {
        EXPECT_EQ(write(master, "y", 1), 1);
    }
    EXPECT_TRUE(readUntil("")) << "still running:\n" << shown;
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    close(master);
    EXPECT_EQ(test::readFileBytes(played).size(), test::readFileBytes(decoded).size()) << shown;
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
