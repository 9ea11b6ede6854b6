// Radio metadata: the blocks come out of the audio wherever the chunks are cut, the titles
// come out as UTF-8 in order, and nothing a station sends overruns a buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "net/download.h"
#include "net/icy_metadata.h"
#include "net/net_texts.h"

namespace korvo {
namespace {

std::vector<uint8_t> bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

// One block: the length byte and the text padded to sixteen.
std::vector<uint8_t> block(const std::string& text) {
    const size_t units = (text.size() + 15) / 16;
    std::vector<uint8_t> b(1 + units * 16, 0);
    b[0] = uint8_t(units);
    std::memcpy(b.data() + 1, text.data(), text.size());
    return b;
}

struct Taken {
    std::vector<uint8_t> audio;
    std::vector<std::string> titles;
    std::vector<size_t> offsets;    // audio bytes before each title
};

void onTitle(void* context, const char* title, int audioBefore) {
    auto* t = static_cast<std::pair<Taken*, size_t>*>(context);
    t->first->titles.push_back(title);
    t->first->offsets.push_back(t->second + size_t(audioBefore));
}

// The body through a reader in chunks of the given sizes (repeated).
Taken takeInChunks(int metaint, const std::vector<uint8_t>& body, const std::vector<int>& sizes) {
    IcyReader reader(metaint);
    Taken t;
    std::pair<Taken*, size_t> context{&t, 0};
    size_t at = 0;
    for (size_t k = 0; at < body.size(); ++k) {
        const int n = std::min<int>(sizes[k % sizes.size()], int(body.size() - at));
        std::vector<uint8_t> out(size_t(n) + 1, 0xEE);
        const int got = reader.take(body.data() + at, n, out.data(), &onTitle, &context);
        EXPECT_LE(got, n);
        EXPECT_EQ(out[size_t(n)], 0xEE) << "written past the room";
        t.audio.insert(t.audio.end(), out.begin(), out.begin() + got);
        context.second += size_t(got);
        at += size_t(n);
    }
    return t;
}

TEST(IcyReader, BlocksLeaveTheAudioWhereverTheChunksAreCut) {
    constexpr int kMetaint = 100;
    std::vector<uint8_t> audio(1000);
    for (size_t i = 0; i < audio.size(); ++i) audio[i] = uint8_t(i * 7 + 1);
    // Titles that change, one repeated, one empty block, one with no title key.
    const std::string texts[] = {"StreamTitle='One';StreamUrl='';", "", "StreamTitle='One';",
                                 "StreamTitle='Two';", "StreamUrl='x';", "StreamTitle='';",
                                 "StreamTitle='Three';", "", "StreamTitle='Two';"};
    std::vector<uint8_t> body;
    for (size_t b = 0; b < 10; ++b) {
        body.insert(body.end(), audio.begin() + long(b * kMetaint), audio.begin() + long((b + 1) * kMetaint));
        if (b < 9) {
            std::vector<uint8_t> m = texts[b].empty() ? std::vector<uint8_t>{0} : block(texts[b]);
            body.insert(body.end(), m.begin(), m.end());
        }
    }
    const std::vector<std::string> titles = {"One", "Two", "Three", "Two"};
    const std::vector<size_t> offsets = {100, 400, 700, 900};
    const std::vector<std::vector<int>> cuts = {{1}, {2, 3}, {7}, {16, 1, 33}, {99}, {100}, {101}, {4096}};
    for (const auto& sizes : cuts) {
        Taken t = takeInChunks(kMetaint, body, sizes);
        EXPECT_TRUE(t.audio == audio) << "chunks of " << sizes[0];
        EXPECT_EQ(t.titles, titles) << "chunks of " << sizes[0];
        EXPECT_EQ(t.offsets, offsets) << "chunks of " << sizes[0];
    }
    // In place, as the download may hand it.
    IcyReader reader(kMetaint);
    std::vector<uint8_t> copy = body;
    const int got = reader.take(copy.data(), int(copy.size()), copy.data(), nullptr, nullptr);
    EXPECT_TRUE(std::vector<uint8_t>(copy.begin(), copy.begin() + got) == audio);
    EXPECT_STREQ(reader.title(), "Two");
}

TEST(IcyReader, WithoutAnIntervalTheBodyPassesAsItIs) {
    const std::vector<uint8_t> body = bytes("StreamTitle='x';\x05 plain audio");
    Taken t = takeInChunks(0, body, {3});
    EXPECT_TRUE(t.audio == body);
    EXPECT_TRUE(t.titles.empty());
}

TEST(IcyReader, TheLongestBlocksAndRandomBytesStayInBounds) {
    // Length bytes of 255 with text that fills them, and noise: nothing is written beyond
    // the room given, and every title fits its buffer.
    std::mt19937 rng(31);
    std::vector<uint8_t> body;
    for (int b = 0; b < 50; ++b) {
        for (int i = 0; i < 10; ++i) body.push_back(uint8_t(rng()));
        std::string text = "StreamTitle='" + std::string(255 * 16, char('A' + b % 26));
        text.resize(255 * 16);
        std::vector<uint8_t> m = block(text);
        body.insert(body.end(), m.begin(), m.end());
    }
    for (int i = 0; i < 20000; ++i) body.push_back(uint8_t(rng()));
    Taken t = takeInChunks(10, body, {1, 2048, 5});
    for (const std::string& title : t.titles) EXPECT_LT(title.size(), size_t(kIcyTitleBytes));
    ASSERT_FALSE(t.titles.empty());
    EXPECT_EQ(t.titles[0], std::string(kIcyTitleBytes - 1, 'A')) << "cut to the room";
}

std::string title(const std::string& text, int size = kIcyTitleBytes) {
    char out[kIcyTitleBytes] = "(unchanged)";
    parseStreamTitle(reinterpret_cast<const uint8_t*>(text.data()), int(text.size()), out, size);
    return out;
}

TEST(StreamTitle, TextQuotesAndCharacters) {
    EXPECT_EQ(title("StreamTitle='Artist - Song';StreamUrl='';"), "Artist - Song");
    // A quote inside the value; the value up to the "';" that ends it.
    EXPECT_EQ(title("StreamTitle='Rock 'n' Roll - It's';StreamUrl='http://x';"), "Rock 'n' Roll - It's");
    // Cut off at the end: up to the last quote, or all of it.
    EXPECT_EQ(title("StreamTitle='Half a title'"), "Half a title");
    EXPECT_EQ(title(std::string("StreamTitle='Padded';\0\0\0\0", 25)), "Padded");
    EXPECT_EQ(title("StreamUrl='x';StreamTitle='Second key';"), "Second key");
    // UTF-8 stays; anything else is Latin-1.
    EXPECT_EQ(title("StreamTitle='Caf\xC3\xA9 \xE2\x82\xAC';"), "Caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(title("StreamTitle='Caf\xE9 \xFC';"), "Caf\xC3\xA9 \xC3\xBC");
    EXPECT_EQ(title("StreamTitle='\xC0\xAF overlong';"), "\xC3\x80\xC2\xAF overlong");
    // Control characters (a terminal's escapes) become blanks.
    EXPECT_EQ(title("StreamTitle='a\x1b[2Jb\tc';"), "a [2Jb c");
    // An empty title, blanks alone, or no title key leave the last one.
    EXPECT_EQ(title("StreamTitle='';"), "(unchanged)");
    EXPECT_EQ(title("StreamTitle='  ';"), "(unchanged)");
    EXPECT_EQ(title("StreamUrl='x';"), "(unchanged)");
    EXPECT_EQ(title("XStreamTitle='no';"), "(unchanged)");
    // A small buffer cuts at a whole character.
    EXPECT_EQ(title("StreamTitle='ab\xC3\xA9';", 4), "ab");
}

TEST(StreamTitle, StationAndTitleShowTogether) {
    char text[64];
    stationTitleText("Radio", "Song", text, int(sizeof text));
    char expected[64];
    std::snprintf(expected, sizeof expected, net_texts::kStationTitle, "Radio", "Song");
    EXPECT_STREQ(text, expected);
    stationTitleText("Radio", "", text, int(sizeof text));
    EXPECT_STREQ(text, "Radio");
    stationTitleText("", "Song", text, int(sizeof text));
    EXPECT_STREQ(text, "Song");
}

TEST(StreamAnswer, HeadersAndTypes) {
    StreamAnswer a;
    noteAnswerHeader(a, "ICY-METAINT", " 8192\r\n");
    noteAnswerHeader(a, "icy-name", " Caf\xE9 Radio \r\n");
    noteAnswerHeader(a, "Content-Type", " audio/aacp; charset=x\r\n");
    EXPECT_EQ(a.metaint, 8192);
    EXPECT_STREQ(a.stationName, "Caf\xC3\xA9 Radio");
    EXPECT_STREQ(notMpegContentType(a.contentType), "audio/aacp");
    noteAnswerHeader(a, "icy-metaint", "-5");
    EXPECT_EQ(a.metaint, 0);
    noteAnswerHeader(a, "icy-metaint", "99999999999");
    EXPECT_EQ(a.metaint, 0);
    for (const char* type : {"audio/AAC", "application/ogg", "audio/ogg", "audio/opus", "audio/flac", "text/html; x"})
        EXPECT_NE(notMpegContentType(type), nullptr) << type;
    for (const char* type : {"audio/mpeg", "audio/x-mpeg", "", "application/octet-stream", "audio/aacx"})
        EXPECT_EQ(notMpegContentType(type), nullptr) << type;
}

TEST(TitleQueue, TitlesAreDueWithTheirAudioAndInOrder) {
    TitleQueue q;
    q.push(100, "a");
    q.push(200, "b");
    char t[8];
    EXPECT_EQ(q.pop(99, t, int(sizeof t)), 0);
    EXPECT_EQ(q.pop(100, t, int(sizeof t)), 1);
    EXPECT_STREQ(t, "a");
    EXPECT_EQ(q.pop(150, t, int(sizeof t)), 0);
    EXPECT_EQ(q.pop(1000, t, int(sizeof t)), 1);
    EXPECT_STREQ(t, "b");
    EXPECT_EQ(q.pop(1000, t, int(sizeof t)), 0);
    // More than it holds: the oldest go, the rest keep their order.
    for (int i = 0; i < 40; ++i) q.push(i, std::to_string(i).c_str());
    std::vector<std::string> got;
    while (q.pop(1000, t, int(sizeof t))) got.push_back(t);
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.back(), "39");
    for (size_t i = 1; i < got.size(); ++i) EXPECT_EQ(std::stoi(got[i]), std::stoi(got[i - 1]) + 1);
}

} // namespace
} // namespace korvo
