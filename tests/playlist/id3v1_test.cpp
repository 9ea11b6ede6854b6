#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "playlist/entry_info.h"
#include "playlist/genre_table.h"
#include "playlist/id3v1.h"
#include "playlist/playlist_texts.h"
#include "playlist_test_util.h"
#include "test_support.h"

namespace korvo {
namespace {

namespace T = playlist_texts;
using Bytes = std::vector<uint8_t>;

// 128-byte trailer with raw field bytes.
Bytes trailer(const char* magic, const std::string& title, uint8_t genre) {
    Bytes t(kTagSize, 0);
    std::memcpy(t.data(), magic, 3);
    std::memcpy(t.data() + 3, title.data(), std::min<size_t>(title.size(), 30));
    std::memcpy(t.data() + 33, "Artist", 6);
    std::memcpy(t.data() + 93, "1999", 4);
    t[127] = genre;
    return t;
}

Bytes audioThenTag(size_t audio, const Bytes& tag) {
    Bytes b(audio, 0x55);
    b.insert(b.end(), tag.begin(), tag.end());
    return b;
}

class Id3v1Test : public ::testing::Test {
protected:
    void SetUp() override { dir_ = test::scratchDir(::testing::UnitTest::GetInstance()->current_test_info()->name()); }
    std::string file(const std::string& name, const Bytes& bytes) {
        std::string p = test::joinNative(dir_, name);
        test::writeFileBytes(p, bytes);
        return p;
    }
    Id3v1Tag readFrom(const std::string& path, int* result = nullptr) {
        File f;
        EXPECT_EQ(f.open(path.c_str(), File::ReadShared), 1);
        Id3v1Tag tag;
        int r = readTag(f, tag);
        if (result) *result = r;
        return tag;
    }
    std::string dir_;
    test::RecordingPrompt prompts_;
};

TEST_F(Id3v1Test, TrailingSpacesGoOnlyFromFullWidthFields) {
    std::string padded = "Song" + std::string(26, ' ');
    std::string zeroed = std::string("Song  ") + std::string(24, '\0');
    Id3v1Tag a = readFrom(file("a.mp3", audioThenTag(300, trailer("TAG", padded, 17))));
    EXPECT_EQ(a.present, 1);
    EXPECT_STREQ(a.title, "Song");
    EXPECT_STREQ(a.artist, "Artist");
    EXPECT_STREQ(a.year, "1999");
    EXPECT_EQ(a.genreIndex, 17);
    EXPECT_STREQ(a.genreName, "Rock");

    Id3v1Tag b = readFrom(file("b.mp3", audioThenTag(300, trailer("TAG", zeroed, 0))));
    EXPECT_STREQ(b.title, "Song  ");
    std::string full(30, 'x');
    Id3v1Tag c = readFrom(file("c.mp3", audioThenTag(300, trailer("tAg", full, 0))));   // any case
    EXPECT_EQ(c.present, 1);
    EXPECT_EQ(std::string(c.title), full);
}

TEST_F(Id3v1Test, NoTrailerLeavesFieldsAlone) {
    File f;
    std::string p = file("none.mp3", Bytes(500, 0));
    ASSERT_EQ(f.open(p.c_str(), File::ReadShared), 1);
    Id3v1Tag tag;
    tag.present = 1;
    std::strcpy(tag.title, "kept");
    EXPECT_EQ(readTag(f, tag), 0);
    EXPECT_EQ(tag.present, 0);
    EXPECT_STREQ(tag.title, "kept");

    File tiny;
    std::string q = file("tiny.mp3", Bytes(10, 0));
    ASSERT_EQ(tiny.open(q.c_str(), File::ReadShared), 1);
    EXPECT_EQ(readTag(tiny, tag), 0);
}

TEST_F(Id3v1Test, UnknownGenreByteSurvivesAWriteBack) {
    std::string p = file("g.mp3", audioThenTag(200, trailer("TAG", "Title", 255)));
    Id3v1Tag tag = readFrom(p);
    EXPECT_EQ(tag.genreIndex, kUnknownGenre);
    EXPECT_STREQ(tag.genreName, "Unknown");
    {
        File f;
        ASSERT_EQ(f.open(p.c_str(), File::ReadWrite), 1);
        EXPECT_EQ(writeTag(f, tag, &prompts_), 1);
    }
    Bytes after = test::readFileBytes(p);
    ASSERT_EQ(after.size(), 200u + kTagSize);
    EXPECT_EQ(after.back(), 255);

    // A record made for a file without a tag: "Unknown" is written as 0, real genres as themselves.
    Id3v1Tag fresh;
    fresh.genreIndex = kUnknownGenre;
    std::string q = file("h.mp3", Bytes(200, 0));
    {
        File f;
        ASSERT_EQ(f.open(q.c_str(), File::ReadWrite), 1);
        EXPECT_EQ(writeTag(f, fresh, &prompts_), 1);
        fresh.genreIndex = 31;
        EXPECT_EQ(writeTag(f, fresh, &prompts_), 1);
    }
    EXPECT_EQ(test::readFileBytes(q).back(), 31);
}

TEST_F(Id3v1Test, WritingReplacesOrAppendsTheTrailer) {
    Id3v1Tag tag;
    std::strcpy(tag.title, "New Title");
    std::strcpy(tag.year, "2001");
    tag.genreIndex = 9;

    std::string with = file("with.mp3", audioThenTag(1000, trailer("tag", "Old", 3)));
    std::string without = file("without.mp3", Bytes(1000, 0x11));
    for (const auto& p : {with, without}) {
        File f;
        ASSERT_EQ(f.open(p.c_str(), File::ReadWrite), 1);
        EXPECT_EQ(writeTag(f, tag, &prompts_), 1);
    }
    Bytes a = test::readFileBytes(with), b = test::readFileBytes(without);
    ASSERT_EQ(a.size(), 1000u + kTagSize);
    ASSERT_EQ(b.size(), 1000u + kTagSize);
    EXPECT_EQ(Bytes(a.begin(), a.begin() + 1000), Bytes(1000, 0x55));
    Bytes block(a.end() - kTagSize, a.end());
    EXPECT_EQ(block, Bytes(b.end() - kTagSize, b.end()));
    EXPECT_EQ(std::string(block.begin(), block.begin() + 3), "TAG");
    EXPECT_EQ(std::string(block.begin() + 3, block.begin() + 33), "New Title" + std::string(21, ' '));
    EXPECT_EQ(std::string(block.begin() + 33, block.begin() + 63), std::string(30, ' '));   // empty field
    EXPECT_EQ(std::string(block.begin() + 93, block.begin() + 97), "2001");
    EXPECT_EQ(block[127], 9);
    EXPECT_TRUE(prompts_.boxes.empty());

    Id3v1Tag back = readFrom(with);
    EXPECT_STREQ(back.title, "New Title");
    EXPECT_STREQ(back.artist, "");
    EXPECT_STREQ(back.genreName, "Metal");
}

// ID3v1.1: a zero byte at 125 and a track number at 126 end a shorter comment. The track goes
// back as it was while the comment leaves room; a zero at 126 is no track.
TEST_F(Id3v1Test, TrackNumberIsReadAndWrittenBack) {
    Bytes v11 = trailer("TAG", "T", 0);
    std::memcpy(v11.data() + 97, "Note" "                        ", 28);   // padded, as written
    v11[126] = 7;
    std::string p = file("v11.mp3", audioThenTag(300, v11));
    Id3v1Tag tag = readFrom(p);
    EXPECT_EQ(tag.track, 7);
    EXPECT_STREQ(tag.comment, "Note");
    EXPECT_TRUE(tagKeepsTrack(tag));
    {
        File f;
        ASSERT_EQ(f.open(p.c_str(), File::ReadWrite), 1);
        EXPECT_EQ(writeTag(f, tag, &prompts_), 1);
    }
    Bytes after = test::readFileBytes(p);
    ASSERT_EQ(after.size(), 300u + kTagSize);
    EXPECT_EQ(Bytes(after.end() - 31, after.end()), Bytes(v11.end() - 31, v11.end()));

    Id3v1Tag plain = readFrom(file("v10.mp3", audioThenTag(300, trailer("TAG", "T", 0))));
    EXPECT_EQ(plain.track, 0);
    std::strcpy(tag.comment, "29 characters, one too many.");
    std::strcat(tag.comment, "!");
    EXPECT_FALSE(tagKeepsTrack(tag));
}

TEST_F(Id3v1Test, ShortFileStillGetsItsTag) {
    std::string p = file("short.mp3", Bytes(20, 1));
    Id3v1Tag tag;
    File f;
    ASSERT_EQ(f.open(p.c_str(), File::ReadWrite), 1);
    EXPECT_EQ(writeTag(f, tag, &prompts_), 1);
    f.close();
    EXPECT_EQ(test::readFileBytes(p).size(), 20u + kTagSize);
    ASSERT_EQ(prompts_.boxes.size(), 1u);
    EXPECT_EQ(prompts_.boxes[0].text, T::kErrorSettingPointer);
    EXPECT_EQ(prompts_.boxes[0].title, T::kErrorTitle);
}

TEST_F(Id3v1Test, WipeCutsOnlyARealTrailer) {
    std::string p = file("w.mp3", audioThenTag(400, trailer("TAG", "x", 1)));
    std::string q = file("plain.mp3", Bytes(400, 7));
    for (const auto& path : {p, q}) {
        File f;
        ASSERT_EQ(f.open(path.c_str(), File::ReadWrite), 1);
        wipeTag(f, &prompts_);
    }
    EXPECT_EQ(test::readFileBytes(p), Bytes(400, 0x55));
    EXPECT_EQ(test::readFileBytes(q), Bytes(400, 7));
    EXPECT_TRUE(prompts_.boxes.empty());
}

// Builds a file from pieces: raw bytes, then padding up to a total size.
Bytes header(uint32_t word) { return {uint8_t(word >> 24), uint8_t(word >> 16), uint8_t(word >> 8), uint8_t(word)}; }

int playTimeOf(const std::string& path, PlaylistEntry& e, int* result = nullptr) {
    std::strcpy(e.path, path.c_str());
    int r = readEntryInfo(e);
    if (result) *result = r;
    return e.playTimeMs;
}

TEST_F(Id3v1Test, PlayTimeFromTheFirstHeaderAndTheFileSize) {
    // MPEG-1 Layer III, 128 kbit/s, 44.1 kHz: 5,000,000 bytes give 312 whole seconds.
    Bytes big = header(0xFFFB9000);
    big.resize(5000000, 0);
    PlaylistEntry e;
    EXPECT_EQ(playTimeOf(file("big.mp3", big), e), 312000);
    EXPECT_EQ(e.infoRead, 1);
    EXPECT_EQ(e.tag.present, 0);

    // A Layer I header without CRC counts at byte 0 (384 kbit/s: 48,000 bytes a second)...
    Bytes l1 = header(0xFFFFC000);
    l1.resize(96000, 0);
    PlaylistEntry f;
    EXPECT_EQ(playTimeOf(file("l1.mp1", l1), f), 2000);

    // ...but is passed over later; the search goes on to the next header.
    Bytes later = {'a', 'b', 'c'};
    for (uint8_t b : header(0xFFFFC000)) later.push_back(b);
    for (uint8_t b : header(0xFFF39000)) later.push_back(b);   // MPEG-2 Layer III 80 kbit/s
    later.resize(80000, 0);
    Bytes tag = trailer("TAG", "Tagged", 2);
    later.insert(later.end(), tag.begin(), tag.end());
    PlaylistEntry g;
    EXPECT_EQ(playTimeOf(file("later.mp3", later), g), 80128 / 10000 * 1000);
    EXPECT_EQ(g.tag.present, 1);
    EXPECT_EQ(entryDisplayName(g), "Tagged / Artist");
}

TEST_F(Id3v1Test, LeadingId3v2TagIsSkipped) {
    for (bool footer : {false, true}) {
        // A 1000-byte ID3v2 body holding a header-like word, then the real 128 kbit/s stream.
        Bytes b = {'I', 'D', '3', 4, 0, uint8_t(footer ? 0x10 : 0), 0, 0, 0x07, 0x68};   // 1000, syncsafe
        Bytes body(1000 + (footer ? 10 : 0), 0);
        body[100] = 0xFF, body[101] = 0xFB, body[102] = 0x10;   // would be 32 kbit/s
        b.insert(b.end(), body.begin(), body.end());
        size_t tagBytes = b.size();
        for (uint8_t x : header(0xFFFB9000)) b.push_back(x);
        b.resize(tagBytes + 48000, 0);
        PlaylistEntry e;
        EXPECT_EQ(playTimeOf(file("v2.mp3", b), e), 3000) << footer;
    }
}

TEST_F(Id3v1Test, EntriesWithoutInformation) {
    PlaylistEntry missing;
    int r;
    playTimeOf(test::joinNative(dir_, "missing.mp3"), missing, &r);
    EXPECT_EQ(r, 1);
    EXPECT_EQ(missing.infoRead, 0);

    PlaylistEntry tiny;
    playTimeOf(file("tiny.mp3", Bytes{0xFF, 0xFB, 0x90}), tiny, &r);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(tiny.infoRead, 0);

    PlaylistEntry noise;
    playTimeOf(file("noise.wav", Bytes(5000, 0x42)), noise, &r);
    EXPECT_EQ(r, 1);
    EXPECT_EQ(noise.infoRead, 0);

    // Free format: the tag is read, the play time stays unknown.
    Bytes free = header(0xFFFB0000);
    free.resize(10000, 0);
    Bytes tag = trailer("TAG", "Free", 0);
    free.insert(free.end(), tag.begin(), tag.end());
    PlaylistEntry ff;
    EXPECT_EQ(playTimeOf(file("free.mp3", free), ff, &r), -1);
    EXPECT_EQ(r, 1);
    EXPECT_EQ(ff.infoRead, 1);
    EXPECT_EQ(ff.tag.present, 1);
}

TEST_F(Id3v1Test, DisplayNameFallsBackToTheFileTitle) {
    PlaylistEntry e;
    std::string p = test::joinNative(dir_, "Some Song.mp3");
    std::strcpy(e.path, p.c_str());
    std::string shown = entryDisplayName(e);
#ifdef _WIN32
    // The shell may hide the extension.
    EXPECT_TRUE(shown == "Some Song.mp3" || shown == "Some Song") << shown;
#else
    EXPECT_EQ(shown, "Some Song.mp3");
#endif
    // A tag that was never read does not count.
    e.tag.present = 1;
    std::strcpy(e.tag.title, "T");
    EXPECT_EQ(entryDisplayName(e), shown);
    e.infoRead = 1;
    EXPECT_EQ(entryDisplayName(e), "T");   // a title without an artist: no separator
    std::strcpy(e.tag.artist, "A");
    EXPECT_EQ(entryDisplayName(e), "T / A");
    e.tag.title[0] = 0;
    EXPECT_EQ(entryDisplayName(e), "A");
    e.tag.artist[0] = 0;
    EXPECT_EQ(entryDisplayName(e), shown);   // a tag that names nothing
}

} // namespace
} // namespace korvo
