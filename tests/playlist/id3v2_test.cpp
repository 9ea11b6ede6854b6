#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/file.h"
#include "playlist/entry_info.h"
#include "playlist/id3v1.h"
#include "playlist/id3v2.h"
#include "playlist/playlist_texts.h"
#include "playlist/text_encoding.h"
#include "playlist_test_util.h"
#include "test_support.h"

namespace korvo {
namespace {

using Bytes = std::vector<uint8_t>;

// A small ID3v2 writer: text bodies in each encoding, frames of each version, and the
// two kinds of unsynchronisation.
Bytes textBody(int encoding, const std::string& utf8) {
    Bytes b{uint8_t(encoding)};
    if (encoding == 0) {
        char latin1[256];
        utf8ToLatin1(utf8.c_str(), latin1, sizeof latin1);
        for (const char* p = latin1; *p; ++p) b.push_back(uint8_t(*p));
        b.push_back(0);
        return b;
    }
    if (encoding == 3) {
        for (char c : utf8) b.push_back(uint8_t(c));
        return b;   // no terminator: the frame's end ends it
    }
    // UTF-16: 1 little endian behind a mark, 2 big endian without one.
    std::vector<uint32_t> units;
    for (size_t i = 0; i < utf8.size();) {
        uint8_t c = uint8_t(utf8[i]);
        int len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        uint32_t cp = len == 1 ? c : c & (0xFF >> (len + 1));
        for (int k = 1; k < len; ++k) cp = cp << 6 | (uint8_t(utf8[i + size_t(k)]) & 0x3F);
        i += size_t(len);
        if (cp >= 0x10000) {
            units.push_back(0xD800 + ((cp - 0x10000) >> 10));
            units.push_back(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            units.push_back(cp);
        }
    }
    units.push_back(0);
    bool big = encoding == 2;
    if (!big) b.insert(b.end(), {0xFF, 0xFE});
    for (uint32_t u : units) {
        if (big) b.insert(b.end(), {uint8_t(u >> 8), uint8_t(u)});
        else b.insert(b.end(), {uint8_t(u), uint8_t(u >> 8)});
    }
    return b;
}

Bytes syncsafe(uint32_t n) { return {uint8_t(n >> 21 & 0x7F), uint8_t(n >> 14 & 0x7F), uint8_t(n >> 7 & 0x7F), uint8_t(n & 0x7F)}; }

Bytes unsynchronised(const Bytes& in) {
    Bytes out;
    for (size_t i = 0; i < in.size(); ++i) {
        out.push_back(in[i]);
        if (in[i] == 0xFF && (i + 1 == in.size() || in[i + 1] == 0 || in[i + 1] >= 0xE0)) out.push_back(0);
    }
    return out;
}

struct Frame {
    std::string id;
    Bytes body;
    bool unsync = false;   // 2.4 only: this frame's bytes are unsynchronised
};

struct TagOptions {
    bool unsync = false;     // the whole tag (2.2, 2.3) or every frame (2.4, by the header flag)
    bool extended = false;   // an extended header before the frames
    int padding = 0;
};

Bytes tag(int major, const std::vector<Frame>& frames, TagOptions o = {}) {
    Bytes body;
    if (o.extended && major == 3) body.insert(body.end(), {0, 0, 0, 6, 0, 0, 0, 0, 0, 0});
    if (o.extended && major == 4) body.insert(body.end(), {0, 0, 0, 6, 1, 0});
    for (const Frame& f : frames) {
        Bytes data = f.body;
        uint8_t flags = 0;
        if (major == 4 && (f.unsync || o.unsync)) {
            data = unsynchronised(data);
            if (f.unsync) flags = 0x02;
        }
        body.insert(body.end(), f.id.begin(), f.id.end());
        uint32_t n = uint32_t(data.size());
        if (major == 2) body.insert(body.end(), {uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)});
        else if (major == 3) body.insert(body.end(), {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)});
        else for (uint8_t x : syncsafe(n)) body.push_back(x);
        if (major > 2) body.insert(body.end(), {0, flags});
        body.insert(body.end(), data.begin(), data.end());
    }
    body.resize(body.size() + size_t(o.padding), 0);
    if (o.unsync && major < 4) body = unsynchronised(body);
    uint8_t flags = uint8_t((o.unsync ? 0x80 : 0) | (o.extended ? 0x40 : 0));
    Bytes out{'I', 'D', '3', uint8_t(major), 0, flags};
    for (uint8_t x : syncsafe(uint32_t(body.size()))) out.push_back(x);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Frame titleFrame(int major, int encoding, const std::string& s) { return {major == 2 ? "TT2" : "TIT2", textBody(encoding, s)}; }
Frame artistFrame(int major, int encoding, const std::string& s) { return {major == 2 ? "TP1" : "TPE1", textBody(encoding, s)}; }

// A picture-like frame whose bytes look like sync words and unsynchronisation pairs.
Frame binaryFrame(int major, size_t size) {
    Bytes b(size);
    for (size_t i = 0; i < size; ++i) b[i] = (i % 3 == 0) ? 0xFF : (i % 3 == 1 ? 0xE0 : 0x00);
    return {major == 2 ? "PIC" : "APIC", b};
}

// One second of 128 kbit/s frames behind the tag.
Bytes withAudio(Bytes b) {
    Bytes frame = {0xFF, 0xFB, 0x90, 0x00};
    frame.resize(16000, 0);
    b.insert(b.end(), frame.begin(), frame.end());
    return b;
}

class Id3v2Test : public ::testing::Test {
protected:
    void SetUp() override { dir_ = test::scratchDir(::testing::UnitTest::GetInstance()->current_test_info()->name()); }
    std::string file(const std::string& name, const Bytes& bytes) {
        std::string p = test::joinNative(dir_, name);
        test::writeFileBytes(p, bytes);
        return p;
    }
    // The name the list shows for a file with these bytes.
    std::string shownName(const Bytes& bytes) {
        Playlist list;
        list.setPrompt(&prompts_);
        list.setReadFileInfo(1);
        list.addPath(Playlist::AddOrdinary, file("song.mp3", bytes).c_str());
        EXPECT_EQ(list.countEntries(), 1);
        return list.head() ? entryDisplayName(*list.head()) : std::string();
    }
    std::string dir_;
    test::RecordingPrompt prompts_;
};

const std::string kTitle = "Καλημέρα \xE3\x81\x93\xE3\x82\x93 \xF0\x9F\x8E\xB5";   // Greek, Japanese, a note
const std::string kArtist = "Bj\xC3\xB6rk & Dvo\xC5\x99\xC3\xA1k";
const std::string kLatinTitle = "Caf\xC3\xA9 \xC3\xBF";                              // "Café ÿ"

std::string named(const std::string& title, const std::string& artist) {
    char text[1200];
    std::snprintf(text, sizeof text, playlist_texts::kDisplayNameFormat, title.c_str(), artist.c_str());
    return text;
}

TEST_F(Id3v2Test, EveryVersionAndEncodingNamesTheEntry) {
    for (int major : {2, 3, 4}) {
        for (int encoding : {0, 1, 2, 3}) {
            if (major == 2 && encoding > 1) continue;   // 2.2 knows only the first two
            bool unicode = encoding != 0;
            std::string title = unicode ? kTitle : kLatinTitle;
            std::string artist = unicode ? kArtist : "Bj\xC3\xB6rk";
            Bytes b = tag(major, {artistFrame(major, encoding, artist), titleFrame(major, encoding, title)}, {.padding = 300});
            EXPECT_EQ(shownName(withAudio(b)), named(title, artist)) << "2." << major << " encoding " << encoding;
        }
    }
}

TEST_F(Id3v2Test, UnsynchronisedTagsAndExtendedHeaders) {
    // UTF-16 with its 0xFF 0xFE mark, behind a binary frame full of sync-like bytes: any
    // miscount of the inserted zeros loses the title.
    for (int major : {2, 3, 4}) {
        for (bool extended : {false, true}) {
            if (major == 2 && extended) continue;
            Bytes b = tag(major, {binaryFrame(major, 999), titleFrame(major, 1, kTitle), artistFrame(major, 1, kArtist)},
                          {.unsync = true, .extended = extended});
            EXPECT_EQ(shownName(withAudio(b)), named(kTitle, kArtist)) << "2." << major << " extended " << extended;
        }
    }
    // 2.4 marks single frames, with or without a data length indicator in front.
    Frame title = titleFrame(4, 1, kTitle);
    title.unsync = true;
    Frame artist = artistFrame(4, 0, "\xC3\xBF\xC3\xBF");   // "ÿÿ": Latin-1 0xFF 0xFF
    artist.unsync = true;
    Bytes b = tag(4, {binaryFrame(4, 500), title, artist}, {.extended = true});
    EXPECT_EQ(shownName(withAudio(b)), named(kTitle, "\xC3\xBF\xC3\xBF"));
}

// Counts what is read; skips are free.
class CountingSource : public TagSource {
public:
    explicit CountingSource(File& f) : file_(f) {}
    int read(void* dst, int n) override {
        int got = file_.read(dst, n);
        if (got > 0) bytesRead += got;
        return got;
    }
    int skip(int64_t n) override { return file_.seek(n, File::Current) >= 0 ? 1 : 0; }
    int64_t bytesRead = 0;

private:
    File& file_;
};

TEST_F(Id3v2Test, LargePictureBeforeTheTitleIsSkippedUnread) {
    for (int major : {3, 4}) {
        Bytes b = withAudio(tag(major, {binaryFrame(major, 5 * 1024 * 1024), titleFrame(major, 3, kTitle)}));
        std::string path = file("picture.mp3", b);
        File f;
        ASSERT_EQ(f.open(path.c_str(), File::ReadShared), 1);
        CountingSource counted(f);
        Id3v2Names names;
        EXPECT_EQ(readId3v2Names(counted, names), 1);
        EXPECT_EQ(names.title, kTitle);
        EXPECT_LT(counted.bytesRead, 64 * 1024) << "2." << major;
        EXPECT_EQ(shownName(b), kTitle) << "2." << major;
    }
}

TEST_F(Id3v2Test, Id3v2WinsAndId3v1IsShownAsUtf8) {
    Bytes v1(128, 0);
    std::memcpy(v1.data(), "TAG", 3);
    std::memcpy(v1.data() + 3, "Caf\xE9", 4);            // Latin-1
    std::memcpy(v1.data() + 33, "\xC5ngstr\xF6m", 8);
    Bytes plain = withAudio({});
    plain.insert(plain.end(), v1.begin(), v1.end());
    EXPECT_EQ(shownName(plain), named("Caf\xC3\xA9", "\xC3\x85ngstr\xC3\xB6m"));

    Bytes both = withAudio(tag(3, {titleFrame(3, 3, kTitle)}));
    both.insert(both.end(), v1.begin(), v1.end());
    EXPECT_EQ(shownName(both), kTitle);

    // A tag that names nothing, or breaks off, leaves the name to ID3v1.
    for (Bytes broken : {tag(3, {binaryFrame(3, 40)}), tag(4, {{"TIT2", Bytes{3}}})}) {
        Bytes b = withAudio(broken);
        b.insert(b.end(), v1.begin(), v1.end());
        EXPECT_EQ(shownName(b), named("Caf\xC3\xA9", "\xC3\x85ngstr\xC3\xB6m"));
    }
    Bytes cut = tag(3, {titleFrame(3, 3, kTitle)});
    cut[14] = 0x7F;   // the frame claims more than the tag holds
    Bytes b = withAudio(cut);
    b.insert(b.end(), v1.begin(), v1.end());
    EXPECT_EQ(shownName(b), named("Caf\xC3\xA9", "\xC3\x85ngstr\xC3\xB6m"));
}

// Sorting and moving carry every name and length with the path they belong to.
TEST_F(Id3v2Test, ReorderingCarriesTagNamesAndListedTitlesWithTheirPaths) {
    Playlist tagged;
    tagged.setPrompt(&prompts_);
    tagged.setReadFileInfo(1);
    tagged.addPath(Playlist::AddOrdinary, file("z.mp3", withAudio(tag(3, {titleFrame(3, 3, "Title-A")}))).c_str());
    tagged.addPath(Playlist::AddOrdinary, file("a.mp3", withAudio(tag(4, {titleFrame(4, 3, "Title-B")}))).c_str());
    ASSERT_EQ(tagged.sortPlaylist(0), 1);
    ASSERT_NE(tagged.entryAt(1), nullptr);
    EXPECT_EQ(test::pathsOf(tagged), (std::vector<std::string>{test::joinNative(dir_, "a.mp3"), test::joinNative(dir_, "z.mp3")}));
    EXPECT_EQ(entryDisplayName(*tagged.entryAt(0)), std::string("Title-B"));
    EXPECT_EQ(entryDisplayName(*tagged.entryAt(1)), std::string("Title-A"));

    test::writeFileText(test::joinNative(dir_, "list.m3u"),
                        "#EXTM3U\n#EXTINF:300,Zeta\nhttp://h/zeta.mp3\n#EXTINF:60,Alpha\nhttp://h/alpha.mp3\n"
                        "#EXTINF:5,Mu\nhttp://h/mu.mp3\n");
    Playlist listed;
    listed.setPrompt(&prompts_);
    listed.setReadFileInfo(1);
    listed.addPath(Playlist::AddOrdinary, test::joinNative(dir_, "list.m3u").c_str());
    auto rows = [&] {
        std::vector<std::string> r;
        for (int i = 0; i < listed.countEntries(); ++i) {
            std::string row = listed.entryAt(i)->path;
            row.append(1, ' ').append(entryDisplayName(*listed.entryAt(i))).append(1, ' ');
            r.push_back(row.append(std::to_string(listed.playTimeOf(1, &i))));
        }
        return r;
    };
    const std::string zeta = "http://h/zeta.mp3 Zeta 300", alpha = "http://h/alpha.mp3 Alpha 60",
                      mu = "http://h/mu.mp3 Mu 5";
    ASSERT_EQ(listed.sortPlaylist(0), 1);
    EXPECT_EQ(rows(), (std::vector<std::string>{alpha, mu, zeta}));
    ASSERT_EQ(listed.sortPlaylist(1), 1);
    EXPECT_EQ(rows(), (std::vector<std::string>{zeta, mu, alpha}));
    int last = 2;
    listed.moveEntries(Playlist::MoveUp, 1, &last);
    EXPECT_EQ(rows(), (std::vector<std::string>{zeta, alpha, mu}));
}

TEST(TextEncodingTest, Utf8BackToLatin1MarksWhatLatin1Lacks) {
    char out[64];
    utf8ToLatin1("Caf\xC3\xA9 \xCE\xB1\xE3\x81\x93\xF0\x9F\x8E\xB5!", out, sizeof out);
    EXPECT_STREQ(out, "Caf\xE9 ??" "?!");
    utf8ToLatin1("\xC3(\xFF", out, sizeof out);   // broken sequences
    EXPECT_STREQ(out, "?(?");
    utf8ToLatin1("abcdef", out, 4);
    EXPECT_STREQ(out, "abc");
    char cut[6];   // a character that does not fit whole is left out
    latin1ToUtf8("ab\xE9\xE9", 4, cut, sizeof cut);
    EXPECT_STREQ(cut, "ab\xC3\xA9");
    EXPECT_TRUE(isValidUtf8(kTitle.data(), kTitle.size()));
    EXPECT_FALSE(isValidUtf8("Caf\xE9", 4));
    EXPECT_FALSE(isValidUtf8("\xC0\xAF", 2));           // overlong
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80", 3));       // a surrogate
}

} // namespace
} // namespace korvo
