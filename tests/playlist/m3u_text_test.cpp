// M3U and PLS lists from any era: their text encoding, and the names and durations of extended
// M3U lists.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "playlist/entry_info.h"
#include "playlist/playlist.h"
#include "playlist_test_util.h"
#include "test_support.h"

namespace korvo {
namespace {

using Bytes = std::vector<uint8_t>;

class M3uTextTest : public ::testing::Test {
protected:
    void SetUp() override { dir_ = test::scratchDir(::testing::UnitTest::GetInstance()->current_test_info()->name()); }
    std::string path(const std::string& name) { return test::joinNative(dir_, name); }
    std::string dir_;
    test::RecordingPrompt prompts_;
};

const std::string kGreek = "\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xAE.mp3";                    // "Καλή.mp3"
const std::string kJapanese = "\xE6\x97\xA5\xE6\x9C\xAC.mp3";                        // "日本.mp3"
const std::string kAccented = "Caf\xC3\xA9.mp3";                                     // "Café.mp3"

TEST_F(M3uTextTest, Utf8WhenNamedOrValidElseLatin1) {
    for (const std::string& name : {kGreek, kJapanese, kAccented}) test::writeFileBytes(path(name), Bytes(100, 0));
    std::vector<std::string> all = {path(kGreek), path(kJapanese), path(kAccented)};

    // UTF-8 without a mark is known by its well-formed sequences, in .m3u and .m3u8 alike.
    std::string text = "#EXTM3U\r\n" + kGreek + "\r\n" + kJapanese + "\n" + kAccented + "\n";
    for (const char* name : {"plain.m3u", "named.M3U8"}) {
        test::writeFileText(path(name), text);
        Playlist list;
        list.setPrompt(&prompts_);
        list.addPath(Playlist::AddOrdinary, path(name).c_str());
        EXPECT_EQ(test::pathsOf(list), all) << name;
    }
    // The same names in Latin-1 (where it has them) are converted.
    test::writeFileText(path("old.m3u"), "Caf\xE9.mp3\n");
    Playlist old;
    old.setPrompt(&prompts_);
    old.addPath(Playlist::AddOrdinary, path("old.m3u").c_str());
    EXPECT_EQ(test::pathsOf(old), std::vector<std::string>{path(kAccented)});
    EXPECT_TRUE(prompts_.boxes.empty()) << prompts_.texts()[0];

    // A .m3u8 is never taken for Latin-1: its bytes stand as they are.
    test::writeFileText(path("odd.m3u8"), "Caf\xE9.mp3\n");
    Playlist odd;
    odd.setPrompt(&prompts_);
    odd.addPath(Playlist::AddOrdinary, path("odd.m3u8").c_str());
    EXPECT_EQ(odd.countEntries(), 0);
    ASSERT_EQ(prompts_.boxes.size(), 1u);
    EXPECT_NE(prompts_.boxes[0].text.find("Caf\xE9.mp3"), std::string::npos);
}

TEST_F(M3uTextTest, PlsListsAreUtf8UnlessANameIsNot) {
    for (const std::string& name : {kGreek, kAccented}) test::writeFileBytes(path(name), Bytes(100, 0));
    test::writeFileText(path("new.pls"), "[playlist]\nFile1=" + kGreek + "\nFile2=" + kAccented + "\nNumberOfEntries=2\n");
    Playlist fresh;
    fresh.setPrompt(&prompts_);
    fresh.addPath(Playlist::AddOrdinary, path("new.pls").c_str());
    EXPECT_EQ(test::pathsOf(fresh), (std::vector<std::string>{path(kGreek), path(kAccented)}));

    // An older list in Latin-1, its name in quotes and with blanks around it.
    test::writeFileText(path("old.pls"), "[playlist]\nFile1= \"Caf\xE9.mp3\" \nNumberOfEntries=1\n");
    Playlist old;
    old.setPrompt(&prompts_);
    old.addPath(Playlist::AddOrdinary, path("old.pls").c_str());
    EXPECT_EQ(test::pathsOf(old), std::vector<std::string>{path(kAccented)});
    EXPECT_TRUE(prompts_.boxes.empty()) << prompts_.texts()[0];
}

TEST_F(M3uTextTest, ExtendedLinesNameAndTimeEntriesWithoutTags) {
    test::writeFileBytes(path("untagged.mp3"), Bytes(100, 0));
    Bytes tagged(2000, 0);
    tagged[0] = 0xFF, tagged[1] = 0xFB, tagged[2] = 0x90;
    Bytes v1(128, 0);
    std::memcpy(v1.data(), "TAGSong", 7);
    tagged.insert(tagged.end(), v1.begin(), v1.end());
    test::writeFileBytes(path("tagged.mp3"), tagged);
    test::writeFileText(path("list.m3u"),
                        "#EXTM3U\n"
                        "#EXTINF:215,Some Band - \xCE\x9C\xCE\xB9\xCE\xB1 Song  \n"
                        "http://radio.example/one\n"
                        "#EXTINF:-1 tvg-name=\"a,b\" group=\"x\",Live, Always\n"
                        "\n"
                        "http://radio.example/two\n"
                        "#EXTINF:42,Listed Name\n"
                        "untagged.mp3\n"
                        "#EXTINF:10,Not This\n"
                        "tagged.mp3\n"
                        "http://radio.example/three\n");
    Playlist list;
    list.setPrompt(&prompts_);
    list.setReadFileInfo(1);
    list.addPath(Playlist::AddOrdinary, path("list.m3u").c_str());
    const char tagName[] = "Song";   // a tag title without an artist
    std::vector<std::string> names;
    for (const PlaylistEntry* e = list.head(); e; e = e->next) names.push_back(entryDisplayName(*e));
    std::string untitledStream = names.size() == 5 ? names[4] : "";
    EXPECT_EQ(names, (std::vector<std::string>{"Some Band - \xCE\x9C\xCE\xB9\xCE\xB1 Song", "Live, Always",
                                                "Listed Name", tagName,
                                                untitledStream}));
    EXPECT_EQ(untitledStream, "three");
    int first = 0, second = 1, both[2] = {0, 1};
    EXPECT_EQ(list.playTimeOf(1, &first), 215);
    EXPECT_EQ(list.playTimeOf(1, &second), Playlist::kUnknownPlayTime);
    EXPECT_EQ(list.playTimeOf(2, both), Playlist::kUnknownPlayTime);
    // A file whose frames can be read keeps its own estimate (0 s here, not the listed 10).
    int files[2] = {2, 3};
    EXPECT_EQ(list.playTimeOf(2, files), 42);
}

} // namespace
} // namespace korvo
