// The ID3v2 tag in memory: the fields read from it, edits put into it, and what it is
// written back as.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "playlist/genre_table.h"
#include "playlist/id3v2_tag.h"

namespace korvo {
namespace {

using Bytes = std::vector<uint8_t>;

void put(Bytes& b, std::initializer_list<uint8_t> bytes) {
    for (uint8_t x : bytes) b.push_back(x);
}
void put(Bytes& b, const Bytes& bytes) {
    for (uint8_t x : bytes) b.push_back(x);
}

Bytes frame23(const char* id, const Bytes& content, uint8_t format = 0) {
    Bytes b(id, id + 4);
    const uint32_t n = uint32_t(content.size());
    put(b, {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n), 0, format});
    put(b, content);
    return b;
}

Bytes text(const std::string& s) {
    Bytes b(1, 0);
    for (char c : s) b.push_back(uint8_t(c));
    return b;
}

Bytes tag(int major, uint8_t flags, const Bytes& body) {
    Bytes b = {'I', 'D', '3', uint8_t(major), 0, flags, 0, 0, 0, 0};
    const uint32_t n = uint32_t(body.size());
    b[6] = uint8_t(n >> 21 & 0x7F), b[7] = uint8_t(n >> 14 & 0x7F), b[8] = uint8_t(n >> 7 & 0x7F), b[9] = uint8_t(n & 0x7F);
    put(b, body);
    return b;
}

// An unsynchronised 2.3 tag with a CRC in its extended header: read through both, written
// back without either; a private frame holding 0xFF 0x00 comes back restored, byte for byte
// as it was before unsynchronisation.
TEST(Id3v2Tag, UnsynchronisedTagWithCrcIsWrittenBackWithoutThem) {
    const Bytes priv = {'o', 0, 0xFF, 0xE0, 0x01};
    Bytes frames = frame23("TIT2", text("Old"));
    Bytes p = frame23("PRIV", priv);
    put(frames, p);
    Bytes body = {0, 0, 0, 10, 0x80, 0, 0, 0, 0, 0, 1, 2, 3, 4};   // extended header with CRC
    put(body, frames);
    Bytes stored;
    for (size_t i = 0; i < body.size(); ++i) {   // unsynchronise
        stored.push_back(body[i]);
        if (body[i] == 0xFF && (i + 1 == body.size() || body[i + 1] == 0 || body[i + 1] >= 0xE0)) stored.push_back(0);
    }
    stored.resize(stored.size() + 20, 0);
    const Bytes file = tag(3, 0x80 | 0x40, stored);

    Id3v2Tag t;
    ASSERT_EQ(parseId3v2Tag(file.data(), file.size(), t), 1);
    EXPECT_EQ(t.flags, 0);
    TagText read;
    EXPECT_EQ(readId3v2Text(t, read), 1);
    EXPECT_EQ(read.title, "Old");
    EXPECT_EQ(read.genre, kNoGenreByte);
    read.title = "New";
    applyTagText(t, read);
    const Bytes out = buildId3v2Tag(t, file.size(), 0);
    ASSERT_EQ(out.size(), file.size());   // fits in the old room
    Bytes expected = frame23("TIT2", text("New"));
    put(expected, p);
    expected.resize(out.size() - 10, 0);
    EXPECT_EQ(out, tag(3, 0, expected));
}

// An empty field has no frame; a full date keeps its frame while its year is unchanged;
// genre and track frames that already say the same are kept as written ("(17)", "3/12").
TEST(Id3v2Tag, EmptyFieldsHaveNoFrameAndMatchingFramesStay) {
    Bytes body = frame23("TDRC", text("2021-05-01"));
    for (const Bytes& f : {frame23("TCON", text("(17)")), frame23("TRCK", text("3/12")), frame23("TALB", text("Album"))})
        put(body, f);
    Bytes file = tag(4, 0, body);
    Id3v2Tag t;
    ASSERT_EQ(parseId3v2Tag(file.data(), file.size(), t), 1);
    TagText read;
    ASSERT_EQ(readId3v2Text(t, read), 1);
    EXPECT_EQ(read.year, "2021-05-01");
    EXPECT_EQ(read.genre, 17);
    EXPECT_EQ(read.track, 3);

    TagText kept = read;
    kept.year = "2021";
    applyTagText(t, kept);
    EXPECT_EQ(buildId3v2Tag(t, 0, 0), file);

    TagText emptied = kept;
    emptied.year = "";
    emptied.album = "";
    emptied.genre = kNoGenreByte;
    applyTagText(t, emptied);
    ASSERT_EQ(t.frames.size(), 1u);
    EXPECT_STREQ(t.frames[0].id, "TRCK");
}

TEST(Id3v2Tag, GenreTextAsTaggersWriteIt) {
    EXPECT_EQ(genreOfTcon("(17)"), 17);
    EXPECT_EQ(genreOfTcon("(17)Rock"), 17);
    EXPECT_EQ(genreOfTcon("17"), 17);
    EXPECT_EQ(genreOfTcon("Rock"), 17);
    EXPECT_EQ(genreOfTcon("rock"), 17);
    EXPECT_EQ(genreOfTcon("Synthpop"), 147);
    EXPECT_EQ(genreOfTcon("(148)"), -1);
    EXPECT_EQ(genreOfTcon("Chiptune"), -1);
}

} // namespace
} // namespace korvo
