// korvo tag shows both tags in UTF-8 and writes what it is given back as Latin-1 into the
// ID3v1 tag, whole into an ID3v2 tag.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/korvo_run.h"
#include "cli/cli_texts.h"
#include "playlist/id3v1.h"
#include "playlist_test_util.h"
#include "test_support.h"

namespace korvo {
namespace {

std::string output(const std::string& command) {
    std::string out;
    std::FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p) return out;
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
    return out;
}

TEST(KorvoTag, PrintsBothTagsAndKeepsLatin1InTheTrailer) {
    std::string korvo = std::string(KORVO_BUILD_DIR) + "/korvo";
    std::string dir = test::scratchDir("KorvoTag");
    std::string path = dir + "/song.mp3";
    // An ID3v2.3 tag with a UTF-8 title frame... then a frame and no trailer.
    std::string title = "\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xAE";
    std::vector<uint8_t> b = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, uint8_t(11 + title.size())};
    for (char c : std::string("TIT2")) b.push_back(uint8_t(c));
    b.insert(b.end(), {0, 0, 0, uint8_t(1 + title.size()), 0, 0, 3});
    b.insert(b.end(), title.begin(), title.end());
    b.insert(b.end(), {0xFF, 0xFB, 0x90, 0x00});
    b.resize(b.size() + 2000, 0);
    test::writeFileBytes(path, b);

    std::string before = output(korvo + " tag " + path);
    EXPECT_NE(before.find(test::formatted(cli_texts::kNoId3v1Tag, path)), std::string::npos) << before;
    char names[512];
    std::snprintf(names, sizeof names, cli_texts::kId3v2Fields, title.c_str(), "");
    EXPECT_NE(before.find(names), std::string::npos) << before;

    output(korvo + " tag " + path + " --title 'Caf\xC3\xA9 \xCE\xB1' --artist \xC3\x85sa");
    std::vector<uint8_t> after = test::readFileBytes(path);
    ASSERT_GE(after.size(), 128u);
    std::string trailer(after.end() - 128, after.end());
    EXPECT_EQ(trailer.substr(3, 6), "Caf\xE9 ?");
    EXPECT_EQ(trailer.substr(33, 3), "\xC5sa");
    std::string shown = output(korvo + " tag " + path);
    EXPECT_NE(shown.find("Caf\xC3\xA9 ?"), std::string::npos) << shown;
    // the ID3v2 tag takes the text whole
    std::snprintf(names, sizeof names, cli_texts::kId3v2Fields, "Caf\xC3\xA9 \xCE\xB1", "\xC3\x85sa");
    EXPECT_NE(shown.find(names), std::string::npos) << shown;
}

using Bytes = std::vector<uint8_t>;
namespace T = cli_texts;

// A frame's worth of audio, then an ID3v1 trailer when tagged: title "Old", comment "short",
// genre 17, and the ID3v1.1 track number when track is not 0.
Bytes tunedFile(size_t audio, bool tagged, uint8_t track = 0) {
    Bytes b(audio, 0);
    b[0] = 0xFF, b[1] = 0xFB, b[2] = 0x90;
    if (!tagged) return b;
    Bytes t(kTagSize, 0);
    std::memcpy(t.data(), "TAGOld", 6);
    std::memcpy(t.data() + 97, "short", 5);
    t[126] = track;
    t[127] = 17;
    b.insert(b.end(), t.begin(), t.end());
    return b;
}

Bytes lastTag(const Bytes& b) { return b.size() < kTagSize ? Bytes{} : Bytes(b.end() - kTagSize, b.end()); }

std::string repeated(const std::string& s, int n) {
    std::string r;
    for (int i = 0; i < n; ++i) r += s;
    return r;
}

// korvo tag under a limit on file size (the writes it makes, not this process's output).
test::KorvoRun tagUnderLimit(uint64_t limit, const std::vector<std::string>& args) {
    test::FileSizeLimit l(limit);
    return test::runKorvo(args, 30000);
}

// A tag that cannot be written leaves every byte: a file without a tag does not keep the part
// of a new one that fitted, and a file with one keeps its old tag. A tag is rewritten in place,
// so a file with one is saved even when it may not grow at all.
TEST(KorvoTag, FailedSaveLeavesTheFileAsItWas) {
    std::string dir = test::scratchDir("KorvoTagFailedSave");
    const size_t audio = 20000;
    struct Case {
        const char* name;
        bool tagged;
        uint64_t limit;
        int exitCode;
    } cases[] = {
        {"untagged.mp3", false, audio + 50, 1},           // the new tag fits in part
        {"tagged.mp3", true, audio - 1000, 1},             // all of the old tag lies past the limit
        {"tagged-partly.mp3", true, audio + 60, 1},        // half of it does
        {"tagged-at-limit.mp3", true, audio + kTagSize, 0},
    };
    for (const Case& c : cases) {
        std::string path = dir + "/" + c.name;
        const Bytes before = tunedFile(audio, c.tagged);
        ASSERT_TRUE(test::writeFileBytes(path, before));
        test::KorvoRun run = tagUnderLimit(c.limit, {"tag", path, "--title", "Changed"});
        EXPECT_EQ(run.exitCode, c.exitCode) << c.name << ": " << run.errors;
        Bytes after = test::readFileBytes(path);
        if (c.exitCode != 0) {
            EXPECT_EQ(after, before) << c.name;
            EXPECT_EQ(run.errors, test::formatted(T::kTagWriteFailed, path)) << c.name;
        } else {
            ASSERT_EQ(after.size(), before.size()) << c.name;
            EXPECT_EQ(std::string(after.end() - 125, after.end() - 118), "Changed") << c.name;
        }
    }
}

// A trailer that cannot be cut stays, and korvo says so and exits 1. The file is a memory file
// sealed against shrinking, reached through this process's descriptor.
TEST(KorvoTag, FailedWipeKeepsTheTagAndExits1) {
    int fd = memfd_create("tagged.mp3", MFD_ALLOW_SEALING);
    ASSERT_GE(fd, 0);
    const Bytes before = tunedFile(5000, true);
    ASSERT_EQ(write(fd, before.data(), before.size()), ssize_t(before.size()));
    ASSERT_EQ(fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK), 0);
    std::string path = "/proc/" + std::to_string(getpid()) + "/fd/" + std::to_string(fd);
    test::KorvoRun run = test::runKorvo({"tag", path, "--wipe"}, 30000);
    EXPECT_EQ(run.exitCode, 1) << run.errors;
    EXPECT_NE(run.errors.find(test::formatted(T::kTagWipeFailed, path)), std::string::npos) << run.errors;
    EXPECT_EQ(test::readFileBytes(path), before);
    close(fd);
}

// The ID3v1.1 track number (a zero byte, then the number, after a comment of 28 characters or
// fewer) survives a save; a longer comment takes its place, and korvo says so.
TEST(KorvoTag, TrackNumberSurvivesWhileTheCommentLeavesRoom) {
    std::string path = test::scratchDir("KorvoTagTrack") + "/t11.mp3";
    ASSERT_TRUE(test::writeFileBytes(path, tunedFile(3000, true, 7)));
    test::KorvoRun run = test::runKorvo({"tag", path, "--title", "New"}, 30000);
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.errors, "");
    Bytes tag = lastTag(test::readFileBytes(path));
    ASSERT_EQ(tag.size(), size_t(kTagSize));
    EXPECT_EQ(std::string(tag.begin() + 3, tag.begin() + 6), "New");
    EXPECT_EQ(std::string(tag.begin() + 97, tag.begin() + 125), "short" + std::string(23, ' '));
    EXPECT_EQ(tag[125], 0);
    EXPECT_EQ(tag[126], 7);
    EXPECT_EQ(tag[127], 17);

    run = test::runKorvo({"tag", path, "--comment", std::string(28, 'c')}, 30000);
    EXPECT_EQ(run.errors, "");
    tag = lastTag(test::readFileBytes(path));
    EXPECT_EQ(tag[125], 0);
    EXPECT_EQ(tag[126], 7);

    run = test::runKorvo({"tag", path, "--comment", std::string(29, 'c')}, 30000);
    EXPECT_EQ(run.exitCode, 0);
    char dropped[200];
    std::snprintf(dropped, sizeof dropped, T::kTagTrackDropped, kTrackCommentChars, 7);
    EXPECT_EQ(run.errors, dropped);
    tag = lastTag(test::readFileBytes(path));
    EXPECT_EQ(std::string(tag.begin() + 97, tag.begin() + 127), std::string(29, 'c') + " ");
}

// Fields are counted in characters as the tag stores them (Latin-1): a warning only for what
// was cut, or stored as "?".
TEST(KorvoTag, WarnsOnlyOfWhatItCutsOrReplaces) {
    std::string path = test::scratchDir("KorvoTagWarnings") + "/song.mp3";
    ASSERT_TRUE(test::writeFileBytes(path, tunedFile(3000, false)));
    const std::string e = "\xC3\x89";

    test::KorvoRun run = test::runKorvo({"tag", path, "--title", repeated(e, 20), "--artist", std::string(30, 'a')}, 30000);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.errors, "");
    Bytes tag = lastTag(test::readFileBytes(path));
    Bytes title(30, ' ');
    std::fill(title.begin(), title.begin() + 20, uint8_t(0xC9));
    EXPECT_EQ(Bytes(tag.begin() + 3, tag.begin() + 33), title);

    run = test::runKorvo({"tag", path, "--title", repeated(e, 31)}, 30000);
    char cut[100];
    std::snprintf(cut, sizeof cut, T::kTagFieldCut, "title", size_t(30));
    EXPECT_EQ(run.errors, cut);
    tag = lastTag(test::readFileBytes(path));
    EXPECT_EQ(Bytes(tag.begin() + 3, tag.begin() + 33), Bytes(30, 0xC9));

    run = test::runKorvo({"tag", path, "--album", "\xCE\xB1 and \xE2\x82\xAC"}, 30000);
    char replaced[100];
    std::snprintf(replaced, sizeof replaced, T::kTagFieldReplaced, "album", size_t(2));
    EXPECT_EQ(run.errors, replaced);
    tag = lastTag(test::readFileBytes(path));
    EXPECT_EQ(std::string(tag.begin() + 63, tag.begin() + 70), "? and ?");
}

} // namespace
} // namespace korvo
