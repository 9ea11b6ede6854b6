// Both tags of a file saved and wiped through the file operations (on Windows too, where the
// new file can only take the old one's place once no handle holds it).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/file.h"
#include "playlist/id3v2_tag.h"
#include "playlist/tag_store.h"
#include "playlist_test_util.h"
#include "test_support.h"

namespace korvo {
namespace {

using Bytes = std::vector<uint8_t>;

void append(Bytes& b, const Bytes& more) {
    for (uint8_t x : more) b.push_back(x);
}

Bytes frame(const char* id, const std::string& content) {
    Bytes b(id, id + 4);
    const uint32_t n = uint32_t(content.size());
    append(b, {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n), 0, 0});
    for (char c : content) b.push_back(uint8_t(c));
    return b;
}

// An ID3v2.3 tag without padding: a title and a private frame; then audio.
Bytes taggedFile(const Bytes& audio) {
    Bytes body = frame("TIT2", std::string(1, '\0') + "Old");
    append(body, frame("PRIV", std::string("owner\0\xFF\x01\x02", 9)));
    Bytes b = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, uint8_t(body.size())};
    append(b, body);
    append(b, audio);
    return b;
}

Id3v2Tag tagIn(const Bytes& file) {
    Id3v2Tag t;
    EXPECT_EQ(parseId3v2Tag(file.data(), file.size(), t), 1);
    return t;
}

size_t tagSize(const Bytes& file) {
    return 10 + (size_t(file[6]) << 21 | size_t(file[7]) << 14 | size_t(file[8]) << 7 | file[9]);
}

TEST(TagStore, SaveGrowsTheTagThenFitsAndWipeLeavesTheAudio) {
    const std::string path = test::joinNative(test::scratchDir("TagStoreSave"), "song.mp3");
    Bytes audio(3000);
    for (size_t i = 0; i < audio.size(); ++i) audio[i] = uint8_t(i * 7);
    audio[0] = 0xFF, audio[1] = 0xFB, audio[2] = 0x90;
    const Bytes original = taggedFile(audio);
    ASSERT_TRUE(test::writeFileBytes(path, original));

    for (const char* title : {"A title longer than the old one", "Short"}) {
        File file;
        ASSERT_EQ(file.open(path.c_str(), File::ReadWrite), 1);
        FileTags tags;
        ASSERT_EQ(readFileTags(file, tags), 1);
        EXPECT_EQ(tags.id3v2, Id3v2Editable);
        EXPECT_TRUE(tags.fromId3v2);
        tags.text.title = title;
        Id3v1Tag trailer = tags.id3v1;
        putTextIntoTrailer(tags.text, 30, trailer);
        TagSaveResult result;
        const size_t sizeBefore = test::readFileBytes(path).size();
        ASSERT_EQ(saveFileTags(file, path.c_str(), trailer, tags.text, result), 1) << title;
        file.close();
        EXPECT_TRUE(result.id3v2Written);
        const Bytes saved = test::readFileBytes(path);
        // the first save outgrows the tag and rewrites the file; the second fits its room
        EXPECT_EQ(result.rewritten, std::strlen(title) > 5) << title;
        if (!result.rewritten) {
            EXPECT_EQ(saved.size(), sizeBefore);
        }
        const size_t end = tagSize(saved);
        ASSERT_EQ(saved.size(), end + audio.size() + kTagSize);
        EXPECT_EQ(Bytes(saved.begin() + long(end), saved.end() - kTagSize), audio);
        Id3v2Tag t = tagIn(saved);
        TagText read;
        ASSERT_EQ(readId3v2Text(t, read), 1);
        EXPECT_EQ(read.title, title);
        ASSERT_EQ(t.frames.size(), 2u);
        EXPECT_EQ(t.frames[1].bytes, tagIn(original).frames[1].bytes);
        const std::string kept = std::string(title).substr(0, 30);   // what the ID3v1 tag holds
        EXPECT_EQ(std::string(saved.end() - kTagSize + 3, saved.end() - kTagSize + 3 + long(kept.size())), kept);
    }

    File file;
    ASSERT_EQ(file.open(path.c_str(), File::ReadWrite), 1);
    ASSERT_EQ(wipeFileTags(file, path.c_str()), 1);
    file.close();
    EXPECT_EQ(test::readFileBytes(path), audio);
}

// A 2.2 tag is read but not written; a file without an ID3v2 tag gets none.
TEST(TagStore, Version22AndAbsentTagsGetTheTrailerOnly) {
    const std::string dir = test::scratchDir("TagStoreV22");
    Bytes v22 = {'I', 'D', '3', 2, 0, 0, 0, 0, 0, 10, 'T', 'T', '2', 0, 0, 4, 0, 'O', 'l', 'd'};
    append(v22, Bytes(500, 0x55));
    for (const Bytes& start : {v22, Bytes(500, 0x55)}) {
        const std::string path = test::joinNative(dir, "song.mp3");
        ASSERT_TRUE(test::writeFileBytes(path, start));
        File file;
        ASSERT_EQ(file.open(path.c_str(), File::ReadWrite), 1);
        FileTags tags;
        readFileTags(file, tags);
        const bool withV22 = start[0] == 'I';
        EXPECT_EQ(tags.id3v2, withV22 ? Id3v2Version22 : Id3v2Absent);
        EXPECT_EQ(tags.text.title, withV22 ? "Old" : "");
        tags.text.title = "New";
        Id3v1Tag trailer = tags.id3v1;
        putTextIntoTrailer(tags.text, 30, trailer);
        TagSaveResult result;
        ASSERT_EQ(saveFileTags(file, path.c_str(), trailer, tags.text, result), 1);
        file.close();
        EXPECT_EQ(result.id3v2, tags.id3v2);
        EXPECT_FALSE(result.id3v2Written);
        const Bytes saved = test::readFileBytes(path);
        ASSERT_EQ(saved.size(), start.size() + kTagSize);
        EXPECT_EQ(Bytes(saved.begin(), saved.begin() + long(start.size())), start);
    }
}

} // namespace
} // namespace korvo
