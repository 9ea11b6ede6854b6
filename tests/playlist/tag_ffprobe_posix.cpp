// Tags we write must read back the same in ffprobe.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/win32/win_texts.h"
#include "platform/file.h"
#include "playlist/id3v1.h"
#include "playlist_test_util.h"
#include "test_support.h"

namespace korvo {
namespace {

std::string run(const std::string& command) {
    std::string out;
    std::FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
    return out;
}

std::map<std::string, std::string> ffprobeTags(const std::string& path) {
    std::map<std::string, std::string> tags;
    std::string out = run("ffprobe -v error -show_entries format_tags -of default=nw=1 '" + path + "'");
    size_t pos = 0;
    while (pos < out.size()) {
        size_t end = out.find('\n', pos);
        std::string line = out.substr(pos, end - pos);
        pos = end == std::string::npos ? out.size() : end + 1;
        size_t eq = line.find('=');
        if (line.rfind("TAG:", 0) == 0 && eq != std::string::npos) tags[line.substr(4, eq - 4)] = line.substr(eq + 1);
    }
    return tags;
}

std::string copyOfTone(const std::string& name) {
    std::string src = test::mediaPath("playlist/tone.mp3");
    EXPECT_TRUE(test::fileExists(src)) << src;
    std::string dst = test::joinNative(test::scratchDir(name), "tone.mp3");
    std::filesystem::copy_file(src, dst);
    return dst;
}

TEST(TagFfprobe, WrittenTagReadsBackInFfprobe) {
    std::string path = copyOfTone("WrittenTagReadsBackInFfprobe");
    Id3v1Tag tag;
    std::strcpy(tag.title, "Thirty Characters Of Title  Xy");
    std::strcpy(tag.artist, "Some Artist");
    std::strcpy(tag.album, "An Album");
    std::strcpy(tag.year, "1997");
    std::strcpy(tag.comment, "made by the tests");
    tag.genreIndex = 8;
    for (int pass = 0; pass < 2; ++pass) {   // the second write replaces the first
        File f;
        ASSERT_EQ(f.open(path.c_str(), File::ReadWrite), 1);
        ASSERT_EQ(writeTag(f, tag), 1);
    }
    auto tags = ffprobeTags(path);
    EXPECT_EQ(tags["title"], tag.title);
    EXPECT_EQ(tags["artist"], tag.artist);
    EXPECT_EQ(tags["album"], tag.album);
    EXPECT_EQ(tags["date"], tag.year);
    EXPECT_EQ(tags["comment"], tag.comment);
    EXPECT_EQ(tags["genre"], "Jazz");
}

TEST(TagFfprobe, KorvoTagCommandWritesKeepsAndWipes) {
    std::string korvo = std::string(KORVO_BUILD_DIR) + "/korvo";
    ASSERT_TRUE(test::fileExists(korvo)) << "build the korvo program first";
    std::string path = copyOfTone("KorvoTagCommandWritesKeepsAndWipes");
    std::string quoted = "'" + path + "'";
    size_t plain = test::readFileBytes(path).size();

    EXPECT_EQ(std::system((korvo + " tag " + quoted +
                           " --title 'A Title' --artist 'An Artist' --album Album --year 2024 --comment 'c c'")
                              .c_str()),
              0);
    EXPECT_EQ(std::system((korvo + " tag " + quoted + " --artist Other >/dev/null").c_str()), 0);
    auto tags = ffprobeTags(path);
    EXPECT_EQ(tags["title"], "A Title");
    EXPECT_EQ(tags["artist"], "Other");
    EXPECT_EQ(tags["album"], "Album");
    EXPECT_EQ(tags["date"], "2024");
    EXPECT_EQ(tags["comment"], "c c");
    EXPECT_EQ(test::readFileBytes(path).size(), plain + kTagSize);

    std::string shown = run(korvo + " tag " + quoted);
    EXPECT_NE(shown.find("A Title"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Other"), std::string::npos) << shown;

    EXPECT_EQ(std::system((korvo + " tag " + quoted + " --wipe").c_str()), 0);
    EXPECT_EQ(test::readFileBytes(path).size(), plain);
    EXPECT_TRUE(ffprobeTags(path).empty());
}

// The tag editor's record for a file without a tag: four "Edit Me!" fields, 1998, genre 0;
// a title typed longer than a field keeps its first 29 characters.
TEST(TagFfprobe, TagEditorDefaultsReadBackInFfprobe) {
    std::string path = copyOfTone("TagEditorDefaultsReadBackInFfprobe");
    Id3v1Tag tag;
    std::snprintf(tag.title, sizeof tag.title, "%.29s", "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghi");
    std::snprintf(tag.artist, sizeof tag.artist, "%s", win::kTagNoTagText);
    std::snprintf(tag.album, sizeof tag.album, "%s", win::kTagNoTagText);
    std::snprintf(tag.comment, sizeof tag.comment, "%s", win::kTagNoTagText);
    std::snprintf(tag.year, sizeof tag.year, "%u", win::kTagNoTagYear);
    {
        File f;
        ASSERT_EQ(f.open(path.c_str(), File::ReadWrite), 1);
        ASSERT_EQ(writeTag(f, tag), 1);
    }
    auto tags = ffprobeTags(path);
    EXPECT_EQ(tags["title"], "ABCDEFGHIJKLMNOPQRSTUVWXYZabc");
    EXPECT_EQ(tags["artist"], win::kTagNoTagText);
    EXPECT_EQ(tags["album"], win::kTagNoTagText);
    EXPECT_EQ(tags["comment"], win::kTagNoTagText);
    EXPECT_EQ(tags["date"], "1998");
    EXPECT_EQ(tags["genre"], "Blues");
    std::vector<uint8_t> bytes = test::readFileBytes(path);
    ASSERT_GE(bytes.size(), size_t(kTagSize));
    EXPECT_EQ(bytes.back(), 0);   // genre byte
}

} // namespace
} // namespace korvo
