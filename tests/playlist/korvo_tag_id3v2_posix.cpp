// korvo tag on files another tagger (ffmpeg) made: the ID3v2 tag takes the edit beside the
// ID3v1 tag, every other frame and the audio stay byte for byte, and ffprobe reads the result.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "cli/cli_texts.h"
#include "cli/korvo_run.h"
#include "playlist/genre_table.h"
#include "playlist/id3v1.h"
#include "playlist_test_util.h"
#include "test_support.h"

namespace korvo {
namespace {

using Bytes = std::vector<uint8_t>;

std::string run(const std::string& command) {
    std::string out;
    std::FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
    return out;
}

std::string ffprobeTag(const std::string& path, const char* key) {
    return run(std::string("ffprobe -v error -show_entries format_tags=") + key + " -of default=nw=1:nk=1 '" + path + "'");
}

struct Frame {
    std::string id;
    Bytes bytes;   // header and content
};

// The tag's size and frames, read as plainly as the layout allows (these files are neither
// unsynchronised nor carry an extended header).
struct Tag {
    int major = 0;
    size_t size = 0;   // header included
    std::vector<Frame> frames;
};

Tag tagOf(const Bytes& b) {
    Tag t;
    if (b.size() < 10 || std::memcmp(b.data(), "ID3", 3) != 0) return t;
    t.major = b[3];
    t.size = 10 + (size_t(b[6]) << 21 | size_t(b[7]) << 14 | size_t(b[8]) << 7 | b[9]);
    for (size_t at = 10; at + 10 <= t.size && b[at] != 0;) {
        const uint8_t* h = b.data() + at;
        size_t n = t.major == 4 ? (size_t(h[4]) << 21 | size_t(h[5]) << 14 | size_t(h[6]) << 7 | h[7])
                                : (size_t(h[4]) << 24 | size_t(h[5]) << 16 | size_t(h[6]) << 8 | h[7]);
        t.frames.push_back({std::string(h, h + 4), Bytes(h, h + 10 + n)});
        at += 10 + n;
    }
    return t;
}

std::vector<Frame> framesBut(const Tag& t, const std::vector<std::string>& edited) {
    std::vector<Frame> out;
    for (const Frame& f : t.frames) {
        bool skip = false;
        for (const std::string& id : edited) skip = skip || f.id == id;
        if (!skip) out.push_back(f);
    }
    return out;
}

bool sameFrames(const std::vector<Frame>& a, const std::vector<Frame>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].id != b[i].id || a[i].bytes != b[i].bytes) return false;
    return true;
}

// What lies between the ID3v2 tag and an ID3v1 trailer.
Bytes audioOf(const Bytes& b) {
    size_t from = tagOf(b).size;
    size_t to = b.size();
    if (to >= from + kTagSize && std::memcmp(b.data() + to - kTagSize, "TAG", 3) == 0) to -= kTagSize;
    return Bytes(b.begin() + long(from), b.begin() + long(to));
}

ino_t inodeOf(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_ino;
}

std::string copyOf(const char* media, const std::string& test) {
    std::string src = test::mediaPath(std::string("playlist/") + media);
    EXPECT_TRUE(test::fileExists(src)) << src << " is missing (tests/media/playlist.sh makes it)";
    std::string dst = test::joinNative(test::scratchDir(test), media);
    std::filesystem::copy_file(src, dst, std::filesystem::copy_options::overwrite_existing);
    return dst;
}

test::KorvoRun tag(const std::vector<std::string>& args) { return test::runKorvo(args, 30000); }

TEST(KorvoTagId3v2, EditKeepsPictureReplayGainAndAudio) {
    struct Case {
        const char* media;
        const char* title;      // a title in Latin-1, and one that needs more
        const char* v1Title;    // as the ID3v1 tag keeps it
        Bytes encoded;          // the TIT2 frame's content
    } cases[] = {
        {"tagged_v24.mp3", "Caf\xC3\xA9 \xCE\xB1", "Caf\xE9 ?", {3, 'C', 'a', 'f', 0xC3, 0xA9, ' ', 0xCE, 0xB1}},
        {"tagged_v23.mp3", "Caf\xC3\xA9 \xCE\xB1", "Caf\xE9 ?",
         {1, 0xFF, 0xFE, 'C', 0, 'a', 0, 'f', 0, 0xE9, 0, ' ', 0, 0xB1, 0x03}},
        {"tagged_v23.mp3", "Caf\xC3\xA9", "Caf\xE9", {0, 'C', 'a', 'f', 0xE9}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.media) + " " + c.title);
        std::string path = copyOf(c.media, "KorvoTagId3v2Edit");
        const Bytes before = test::readFileBytes(path);
        const Tag old = tagOf(before);
        ASSERT_GT(old.frames.size(), 5u);

        test::KorvoRun r = tag({"tag", path, "--title", c.title, "--year", ""});
        EXPECT_EQ(r.exitCode, 0) << r.errors;
        const Bytes after = test::readFileBytes(path);
        const Tag now = tagOf(after);
        EXPECT_EQ(now.major, old.major);   // 2.3 stays 2.3
        // the title's and the year's frames change; every other frame keeps its place and bytes
        EXPECT_TRUE(sameFrames(framesBut(now, {"TIT2"}), framesBut(old, {"TIT2", "TYER", "TDRC"})));
        ASSERT_EQ(now.frames.size(), old.frames.size() - 1);
        EXPECT_EQ(now.frames[0].id, "TIT2");
        EXPECT_EQ(Bytes(now.frames[0].bytes.begin() + 10, now.frames[0].bytes.end()), c.encoded);
        EXPECT_EQ(audioOf(after), audioOf(before));
        const Bytes trailer(after.end() - kTagSize, after.end());
        EXPECT_EQ(std::string(trailer.begin() + 3, trailer.begin() + 3 + std::strlen(c.v1Title)), c.v1Title);
        EXPECT_EQ(std::string(trailer.begin() + 93, trailer.begin() + 97), "    ");   // the empty year
        EXPECT_EQ(trailer[126], 3);                                                     // the track
        EXPECT_EQ(trailer[127], 17);                                                    // the genre "(17)"
        EXPECT_EQ(ffprobeTag(path, "title"), std::string(c.title) + "\n");
        EXPECT_EQ(ffprobeTag(path, "artist"), "Tone Artist\n");
    }
}

// ffmpeg leaves 10 bytes of padding: a longer title outgrows the tag, and the file is written
// anew beside the old one (another inode) with room to spare; the next edit fits into that
// room and changes the file in place.
TEST(KorvoTagId3v2, OutgrownTagGoesThroughTheSafeWriteThenFitsInItsRoom) {
    std::string path = copyOf("tagged_v24.mp3", "KorvoTagId3v2Grow");
    const Bytes before = test::readFileBytes(path);
    const ino_t first = inodeOf(path);
    const std::string longTitle(200, 'L');
    EXPECT_EQ(tag({"tag", path, "--title", longTitle}).exitCode, 0);
    const Bytes grown = test::readFileBytes(path);
    EXPECT_NE(inodeOf(path), first);
    EXPECT_GT(tagOf(grown).size, tagOf(before).size + 200);
    EXPECT_EQ(audioOf(grown), audioOf(before));
    EXPECT_EQ(ffprobeTag(path, "title"), longTitle + "\n");
    EXPECT_TRUE(sameFrames(framesBut(tagOf(grown), {"TIT2"}), framesBut(tagOf(before), {"TIT2"})));

    const ino_t second = inodeOf(path);
    EXPECT_EQ(tag({"tag", path, "--title", std::string(300, 'M'), "--artist", "Another"}).exitCode, 0);
    const Bytes again = test::readFileBytes(path);
    EXPECT_EQ(inodeOf(path), second);
    EXPECT_EQ(again.size(), grown.size());
    EXPECT_EQ(ffprobeTag(path, "artist"), "Another\n");
    EXPECT_EQ(audioOf(again), audioOf(before));
}

// Wipe removes the ID3v2 tag and the ID3v1 trailer; the audio stays byte for byte.
TEST(KorvoTagId3v2, WipeRemovesBothTags) {
    std::string path = copyOf("tagged_v23.mp3", "KorvoTagId3v2Wipe");
    EXPECT_EQ(tag({"tag", path, "--comment", "trailer too"}).exitCode, 0);
    const Bytes tagged = test::readFileBytes(path);
    ASSERT_EQ(std::memcmp(tagged.data() + tagged.size() - kTagSize, "TAG", 3), 0);
    EXPECT_EQ(tag({"tag", path, "--wipe"}).exitCode, 0);
    const Bytes wiped = test::readFileBytes(path);
    EXPECT_EQ(wiped, audioOf(tagged));
    EXPECT_EQ(run("ffprobe -v error -show_entries format_tags -of default=nw=1 '" + path + "'"), "");
}

// The genre goes into both tags by name or number; "" writes none (byte 255, no frame).
TEST(KorvoTagId3v2, GenreByNameNumberOrNone) {
    std::string path = copyOf("tagged_v24.mp3", "KorvoTagId3v2Genre");
    EXPECT_EQ(tag({"tag", path, "--genre", "synthpop"}).exitCode, 0);
    Bytes b = test::readFileBytes(path);
    EXPECT_EQ(b.back(), 147);
    EXPECT_EQ(ffprobeTag(path, "genre"), "Synthpop\n");
    EXPECT_EQ(tag({"tag", path, "--genre", "(9)"}).exitCode, 0);
    EXPECT_EQ(test::readFileBytes(path).back(), 9);
    EXPECT_EQ(ffprobeTag(path, "genre"), "Metal\n");
    EXPECT_EQ(tag({"tag", path, "--genre", ""}).exitCode, 0);
    b = test::readFileBytes(path);
    EXPECT_EQ(b.back(), 255);
    for (const Frame& f : tagOf(b).frames) EXPECT_NE(f.id, "TCON");
    test::KorvoRun r = tag({"tag", path, "--genre", "Chiptune"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.errors, test::formatted(cli_texts::kTagUnknownGenre, "Chiptune"));
    EXPECT_EQ(test::readFileBytes(path), b);
}

// A file without an ID3v2 tag gets none; a 2.2 tag is left as it is, and korvo says so.
TEST(KorvoTagId3v2, NoTagOrVersion22GetsOnlyTheTrailer) {
    std::string plain = copyOf("tone.mp3", "KorvoTagId3v2Plain");
    const Bytes before = test::readFileBytes(plain);
    EXPECT_EQ(tag({"tag", plain, "--title", "Only v1"}).exitCode, 0);
    Bytes after = test::readFileBytes(plain);
    ASSERT_EQ(after.size(), before.size() + kTagSize);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), after.begin()));

    std::string v22 = test::joinNative(test::scratchDir("KorvoTagId3v2Two"), "v22.mp3");
    Bytes b = {'I', 'D', '3', 2, 0, 0, 0, 0, 0, 13, 'T', 'T', '2', 0, 0, 4, 0, 'O', 'l', 'd', 0, 0, 0};
    for (uint8_t x : before) b.push_back(x);
    ASSERT_TRUE(test::writeFileBytes(v22, b));
    test::KorvoRun r = tag({"tag", v22, "--title", "New"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.errors, test::formatted(cli_texts::kTagId3v22Kept, v22));
    after = test::readFileBytes(v22);
    ASSERT_EQ(after.size(), b.size() + kTagSize);
    EXPECT_TRUE(std::equal(b.begin(), b.end(), after.begin()));
}

// The names are those python3-mutagen gives (mutagen.id3.TCON.GENRES), when it is installed.
TEST(GenreTable, NamesAreThoseOfMutagen) {
    // The system's python first: the package installs mutagen there, not into another python3 on the path.
    std::FILE* p = popen("for py in /usr/bin/python3 python3; do $py -c 'import mutagen.id3 as m; "
                         "print(\"\\n\".join(m.TCON.GENRES[:148]))' 2>/dev/null && break; done", "r");
    ASSERT_NE(p, nullptr);
    std::vector<std::string> names;
    char line[128];
    while (std::fgets(line, sizeof line, p)) names.emplace_back(line, std::strcspn(line, "\n"));
    pclose(p);
    if (names.empty()) GTEST_SKIP() << "python3-mutagen is not installed";
    ASSERT_EQ(names.size(), size_t(kGenreCount));
    for (int i = 0; i < kGenreCount; ++i) EXPECT_EQ(kId3v1GenreNames[i], names[size_t(i)]) << i;
    EXPECT_STREQ(kId3v1GenreNames[kUnknownGenre], "Unknown");
    for (int i = 0; i <= kGenreCount; ++i) EXPECT_LT(std::strlen(kId3v1GenreNames[i]), size_t(kGenreNameCapacity));
}

} // namespace
} // namespace korvo
