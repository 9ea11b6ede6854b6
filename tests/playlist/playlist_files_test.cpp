#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "playlist/entry_info.h"
#include "playlist/path_rules.h"
#include "playlist/playlist.h"
#include "playlist/playlist_texts.h"
#include "playlist_test_util.h"
#include "test_support.h"

namespace korvo {
namespace {

namespace T = playlist_texts;
using test::formatted;
using test::joinNative;
using test::pathsOf;
using Paths = std::vector<std::string>;

class PlaylistFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = test::scratchDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
        list_.setReadFileInfo(0);
        list_.setPrompt(&prompts_);
    }
    std::string touch(const std::string& name) {
        std::string p = joinNative(dir_, name);
        test::writeFileText(p, "x");
        return p;
    }
    std::string dir_;
    Playlist list_;
    test::RecordingPrompt prompts_;
};

// The list kept between runs: read back whole; the one it replaced kept once.
TEST_F(PlaylistFilesTest, RememberedListKeepsTheOneItReplaced) {
    const std::string kept = joinNative(dir_, T::kRememberedList), before = joinNative(dir_, T::kRememberedListBefore);
    const Paths library = {touch("a.mp3"), touch("b.mp3"), touch("c.mp3")};
    for (const auto& p : library) list_.addEntry(p.c_str());
    ASSERT_EQ(list_.rememberList(kept.c_str(), before.c_str()), 1);
    EXPECT_FALSE(test::fileExists(before));
    const std::string libraryText = test::readFileText(kept);

    list_.clearPlaylist();
    list_.addEntry(library[1].c_str());
    ASSERT_EQ(list_.rememberList(kept.c_str(), before.c_str()), 1);
    EXPECT_EQ(test::readFileText(before), libraryText);
    Playlist back;
    back.setReadFileInfo(0);
    ASSERT_EQ(back.readM3uFile(before.c_str()), 1);
    EXPECT_EQ(pathsOf(back), library);
    back.clearPlaylist();
    ASSERT_EQ(back.readM3uFile(kept.c_str()), 1);
    EXPECT_EQ(pathsOf(back), Paths{library[1]});

    // An emptied list is remembered as empty.
    list_.clearPlaylist();
    ASSERT_EQ(list_.rememberList(kept.c_str(), before.c_str()), 1);
    back.clearPlaylist();
    ASSERT_EQ(back.readM3uFile(kept.c_str()), 1);
    EXPECT_EQ(back.countEntries(), 0);
    EXPECT_TRUE(prompts_.boxes.empty());
}

TEST_F(PlaylistFilesTest, PlsRoundTripWithRelativeAbsoluteAndUrlEntries) {
    std::string sub = joinNative(dir_, "sub");
    std::string other = test::scratchDir("PlsRoundTripOther");
    std::filesystem::create_directories(sub);
    std::string a = touch("a.mp3");
    std::string b = touch(std::string("sub") + kPathSeparator + "b.mp3");
    std::string c = joinNative(other, "c.mp3");
    test::writeFileText(c, "x");
    const std::string url = "http://example.com/stream.mp3";
    for (const auto& p : {a, b, c, url}) list_.addEntry(p.c_str());

    std::string pls = joinNative(dir_, "List.pls");
    EXPECT_EQ(list_.writePlsFile(pls.c_str()), 4);
    std::string text = test::readFileText(pls);
    std::string subB = std::string("sub") + kPathSeparator + "b.mp3";
    for (const auto& line : {std::string("File1=a.mp3"), "File2=" + subB, "File3=" + c, "File4=" + url})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    EXPECT_LT(text.find("File4="), text.find("NumberOfEntries=4"));

    Playlist back;
    back.setPrompt(&prompts_);
    back.setReadFileInfo(0);
    EXPECT_EQ(back.addPath(Playlist::AddOrdinary, pls.c_str()), 1);
    EXPECT_EQ(pathsOf(back), (Paths{a, b, c, url}));
    EXPECT_TRUE(prompts_.boxes.empty()) << prompts_.boxes[0].text;
}

// The list's folder is stripped by the platform's rule for paths: without case on Windows,
// exactly elsewhere (where Music and music are two folders).
TEST_F(PlaylistFilesTest, SavingComparesTheFolderByThePlatformsRule) {
    std::string folder = dir_ + kPathSeparator;
    std::string lower = folder;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char ch) { return char(std::tolower(ch)); });
    ASSERT_NE(lower, folder);
    std::string sibling = dir_ + "2" + kPathSeparator + "x.mp3";   // shares the folder's first characters
    std::string otherCase = lower + "sub" + kPathSeparator + "song.mp3";
    for (const auto& p : {folder + "song.mp3", otherCase, sibling}) list_.addEntry(p.c_str());
    std::string pls = joinNative(dir_, "case.pls");
    ASSERT_EQ(list_.writePlsFile(pls.c_str()), 3);
    char value[kPathCapacity];
    profileGetString(T::kPlsSection, "File1", "", value, sizeof value, pls.c_str());
    EXPECT_STREQ(value, "song.mp3");
    profileGetString(T::kPlsSection, "File2", "", value, sizeof value, pls.c_str());
#ifdef _WIN32
    EXPECT_EQ(std::string(value), std::string("sub") + kPathSeparator + "song.mp3");
#else
    EXPECT_EQ(std::string(value), otherCase);
#endif
    profileGetString(T::kPlsSection, "File3", "", value, sizeof value, pls.c_str());
    EXPECT_EQ(std::string(value), sibling);

    Playlist empty;
    empty.setPrompt(&prompts_);
    EXPECT_EQ(empty.writePlsFile(joinNative(dir_, "none.pls").c_str()), 0);
    EXPECT_FALSE(test::fileExists(joinNative(dir_, "none.pls")));
}

TEST_F(PlaylistFilesTest, AnEntryInAFolderOfOtherCaseReadsBackToItsOwnFile) {
    std::string music = joinNative(dir_, "music");
    std::string Music = joinNative(dir_, "Music");
    std::filesystem::create_directories(music);
    std::filesystem::create_directories(Music);
    std::string x = joinNative(Music, "x.mp3");
    test::writeFileText(x, "x");
    list_.addEntry(x.c_str());
    std::string pls = joinNative(music, "list.pls");
    ASSERT_EQ(list_.writePlsFile(pls.c_str()), 1);

    Playlist back;
    back.setPrompt(&prompts_);
    back.setReadFileInfo(0);
    back.addPath(Playlist::AddOrdinary, pls.c_str());
#ifdef _WIN32
    // One folder under two spellings: the entry is written relative and found through either.
    EXPECT_EQ(pathsOf(back), Paths{joinNative(music, "x.mp3")});
#else
    EXPECT_EQ(pathsOf(back), Paths{x});
#endif
    EXPECT_TRUE(prompts_.boxes.empty());
}

TEST_F(PlaylistFilesTest, SavingOverALongerListKeepsItsLeftovers) {
    std::vector<std::string> files;
    for (char i = 0; i < 5; ++i) files.push_back(touch(std::string("t") + char('0' + i) + ".mp3"));
    for (const auto& f : files) list_.addEntry(f.c_str());
    std::string pls = joinNative(dir_, "over.pls");
    ASSERT_EQ(list_.writePlsFile(pls.c_str()), 5);

    Playlist shorter;
    shorter.setPrompt(&prompts_);
    for (int i = 0; i < 3; ++i) shorter.addEntry(files[size_t(i)].c_str());
    ASSERT_EQ(shorter.writePlsFile(pls.c_str()), 3);
    EXPECT_EQ(profileGetInt(T::kPlsSection, T::kPlsCountKey, -1, pls.c_str()), 3);
    char value[kPathCapacity];
    profileGetString(T::kPlsSection, "File5", "", value, sizeof value, pls.c_str());
    EXPECT_STREQ(value, "t4.mp3");

    Playlist back;
    back.setPrompt(&prompts_);
    back.setReadFileInfo(0);
    back.addPath(Playlist::AddOrdinary, pls.c_str());
    EXPECT_EQ(pathsOf(back), (Paths{files[0], files[1], files[2]}));
}

TEST_F(PlaylistFilesTest, AListWithoutAPromptTellsNobody) {
    test::RecordingPrompt process;
    setPrompt(&process);
    Playlist quiet;
    quiet.addPath(Playlist::AddOrdinary, joinNative(dir_, "missing.pls").c_str());
    setPrompt(nullptr);
    EXPECT_EQ(quiet.countEntries(), 0);
    EXPECT_TRUE(process.boxes.empty());
}

TEST_F(PlaylistFilesTest, PlsCountRules) {
    std::string zero = joinNative(dir_, "zero.pls");
    test::writeFileText(zero, "[playlist]\r\nNumberOfEntries=0\r\n");
    std::string none = joinNative(dir_, "none.PLS");
    test::writeFileText(none, "[playlist]\r\nFile1=a.mp3\r\n");
    list_.addPath(Playlist::AddOrdinary, zero.c_str());
    EXPECT_EQ(list_.countEntries(), 0);
    EXPECT_TRUE(prompts_.boxes.empty());
    list_.addPath(Playlist::AddOrdinary, none.c_str());
    EXPECT_EQ(list_.countEntries(), 0);
    ASSERT_EQ(prompts_.boxes.size(), 1u);
    EXPECT_EQ(prompts_.boxes[0].text, formatted(T::kErrorLoadingPlaylist, none));
    EXPECT_EQ(prompts_.boxes[0].title, T::kErrorTitle);
    EXPECT_EQ(prompts_.boxes[0].icon, IconWarning);

    // Gaps in the numbering are skipped rather than added as the playlist's folder.
    std::string gap = joinNative(dir_, "gap.pls");
    std::string a = touch("a.mp3");
    test::writeFileText(gap, "[playlist]\r\nFile2=a.mp3\r\nNumberOfEntries=3\r\n");
    list_.addPath(Playlist::AddOrdinary, gap.c_str());
    EXPECT_EQ(pathsOf(list_), Paths{a});
    EXPECT_EQ(prompts_.boxes.size(), 1u);
}

TEST_F(PlaylistFilesTest, M3uLinesWithLineBreaksCommentsAndBlanks) {
    std::string a = touch("a.mp3");
    std::string b = touch("b.mp3");
    std::string m3u = joinNative(dir_, "list.m3u");
    test::writeFileText(m3u, "#EXTM3U\r\n#EXTINF:12,Artist - A\r\na.mp3\r\n\r\n" + b +
                                 "\r\nhttp://example.com/live\r\nmissing.mp3\r\nb.mp3");
    list_.addPath(Playlist::AddOrdinary, m3u.c_str());
    EXPECT_EQ(pathsOf(list_), (Paths{a, b, "http://example.com/live", b}));
    // Only the entry that names nothing is reported.
    ASSERT_EQ(prompts_.boxes.size(), 1u);
    EXPECT_EQ(prompts_.boxes[0].text, formatted(T::kErrorAddingDirectory, joinNative(dir_, "missing.mp3")));

    list_.clearPlaylist();
    prompts_.boxes.clear();
    std::string missing = joinNative(dir_, "missing.m3u");
    list_.addPath(Playlist::AddOrdinary, missing.c_str());
    EXPECT_EQ(prompts_.texts(), Paths{formatted(T::kErrorLoadingPlaylist, missing)});
}

// The marker at the very end: a file to the player's own URL test, a URL as a list's entry.
TEST_F(PlaylistFilesTest, AnEntryEndingInTheUrlMarkerIsTakenAsItStands) {
    std::string m3u = joinNative(dir_, "marker.m3u");
    test::writeFileText(m3u, "live://\nhttp://example.com/a://\n");
    list_.addPath(Playlist::AddOrdinary, m3u.c_str());
    EXPECT_EQ(pathsOf(list_), (Paths{"live://", "http://example.com/a://"}));
    EXPECT_TRUE(prompts_.boxes.empty());
    EXPECT_TRUE(containsUrlMarker("live://"));
    EXPECT_FALSE(isUrl("live://"));
    EXPECT_TRUE(isUrl("http://example.com/a://"));
}

TEST_F(PlaylistFilesTest, OverlongJoinedPathsAreRefusedWhole) {
    // The joined path would exceed 259 characters: refused, never cut short.
    std::string name(kMaxPathLength - dir_.size(), 'n');
    std::string m3u = joinNative(dir_, "long.m3u");
    std::string huge(1500, 'h');
    test::writeFileText(m3u, name + "\n" + huge + "\n" + "http://example.com/" + huge + "\n");
    list_.addPath(Playlist::AddOrdinary, m3u.c_str());
    EXPECT_EQ(list_.countEntries(), 0);
    ASSERT_EQ(prompts_.boxes.size(), 3u);
    EXPECT_EQ(prompts_.boxes[0].text, formatted(T::kErrorProcessingFile, joinNative(dir_, name)));
    for (const auto& box : prompts_.boxes) {
        EXPECT_EQ(box.text.rfind("Error Processing File: ", 0), 0u);
        EXPECT_EQ(box.title, T::kErrorTitle);
    }

    prompts_.boxes.clear();
    std::string pls = joinNative(dir_, "long.pls");
    test::writeFileText(pls, "[playlist]\r\nFile1=" + name + "\r\nNumberOfEntries=1\r\n");
    list_.addPath(Playlist::AddOrdinary, pls.c_str());
    EXPECT_EQ(list_.countEntries(), 0);
    EXPECT_EQ(prompts_.texts(), Paths{formatted(T::kErrorProcessingFile, joinNative(dir_, name))});

    prompts_.boxes.clear();
    std::string direct = joinNative(dir_, std::string(300, 'd'));
    list_.addPath(Playlist::AddOrdinary, direct.c_str());
    EXPECT_EQ(list_.countEntries(), 0);
    EXPECT_EQ(prompts_.boxes.size(), 1u);
}

TEST_F(PlaylistFilesTest, FolderAddsItsMpegFilesBetweenTwoNotes) {
    std::string a = touch("a.mp3");
    std::string b = touch("b.MP2");
    touch("c.wav");
    list_.addPath(Playlist::AddOrdinary, dir_.c_str());
    Paths added = pathsOf(list_);
    std::sort(added.begin(), added.end());
    EXPECT_EQ(added, (Paths{a, b}));
    ASSERT_EQ(prompts_.boxes.size(), 2u);
    EXPECT_EQ(prompts_.boxes[0].text, T::kAdding);
    EXPECT_EQ(prompts_.boxes[0].title, T::kNoteTitle);
    EXPECT_EQ(prompts_.boxes[1].text, T::kFinishedAdding);

    // The same folder given with its trailing separator adds the same paths.
    Playlist again;
    again.setPrompt(&prompts_);
    again.setReadFileInfo(0);
    again.addPath(Playlist::AddOrdinary, (dir_ + kPathSeparator).c_str());
    Paths second = pathsOf(again);
    std::sort(second.begin(), second.end());
    EXPECT_EQ(second, added);
}

// A three-level tree: each folder's files in name order, then its subfolders, in name order.
TEST_F(PlaylistFilesTest, FolderTreeAddsEachFoldersFilesBeforeItsSubfolders) {
    const std::string top = joinNative(dir_, "top");
    const std::string B = joinNative(top, "B"), deep = joinNative(B, "deep"), a = joinNative(top, "a");
    for (const auto& d : {deep, a, joinNative(top, "empty")}) std::filesystem::create_directories(d);
    const Paths files = {joinNative(top, "a.mp3"), joinNative(top, "z.mp3"), joinNative(a, "x.mp2"),
                         joinNative(B, "b.mp3"), joinNative(deep, "d.mp3")};
    for (const std::string& f : {files[4], files[1], files[3], files[0], files[2]}) test::writeFileText(f, "x");
    test::writeFileText(joinNative(B, "notes.txt"), "x");
#ifndef _WIN32
    // a hidden folder is passed over
    std::filesystem::create_directories(joinNative(top, ".hidden"));
    test::writeFileText(joinNative(joinNative(top, ".hidden"), "h.mp3"), "x");
#endif
    list_.addPath(Playlist::AddOrdinary, top.c_str());
    EXPECT_EQ(pathsOf(list_), files);
    EXPECT_EQ(prompts_.texts(), (Paths{T::kAdding, T::kFinishedAdding}));

    // Files only deep down are found; a tree without any is an error, as an empty folder is.
    list_.clearPlaylist();
    prompts_.boxes.clear();
    list_.addPath(Playlist::AddOrdinary, B.c_str());
    EXPECT_EQ(pathsOf(list_), (Paths{files[3], files[4]}));
    const std::string bare = joinNative(dir_, "bare");
    std::filesystem::create_directories(joinNative(joinNative(bare, "one"), "two"));
    list_.clearPlaylist();
    prompts_.boxes.clear();
    list_.addPath(Playlist::AddOrdinary, bare.c_str());
    EXPECT_EQ(list_.countEntries(), 0);
    EXPECT_EQ(prompts_.texts(), Paths{formatted(T::kErrorAddingDirectory, bare)});

    // A list that names a folder adds its own files only: a list naming "/" must not walk the disk.
    const std::string m3u = joinNative(dir_, "folders.m3u");
    test::writeFileText(m3u, top + "\r\n");
    list_.clearPlaylist();
    list_.addPath(Playlist::AddOrdinary, m3u.c_str());
    EXPECT_EQ(pathsOf(list_), (Paths{files[0], files[1]}));
}

// --- Save List: the type the name asks for ---

std::string titlesAndTimes(const Playlist& list) {
    std::string out;
    for (const PlaylistEntry* e = list.head(); e; e = e->next)
        out += std::string(e->path) + " | " + entryDisplayName(*e) + " | " + std::to_string(e->listedSeconds) + "\n";
    return out;
}

TEST_F(PlaylistFilesTest, SaveListWritesM3uM3u8OrPlsByTheName) {
    std::filesystem::create_directories(joinNative(dir_, "sub"));
    const std::string other = test::scratchDir("SaveListOther");
    const std::string a = touch("a.mp3"), hash = touch("#1.mp3"), b = touch(std::string("sub") + kPathSeparator + "b.mp3");
    const std::string c = joinNative(other, "c.mp3");
    test::writeFileText(c, "x");
    const std::string url = "http://example.com/caf\xC3\xA9";
    for (const auto& p : {a, hash, b, c, url}) list_.addEntry(p.c_str());
    PlaylistEntry* radio = list_.entryAt(4);
    std::snprintf(radio->listedTitle, sizeof radio->listedTitle, "%s", "Radio Caf\xC3\xA9, live\r\nnews");
    radio->listedSeconds = 3600;
    const std::string subB = std::string("sub") + kPathSeparator + "b.mp3";

    // Every value: relative within the folder, absolute elsewhere and for a name that reads as a comment.
    const std::vector<std::pair<std::string, std::string>> lines = {
        {"a.mp3", "-1," + entryDisplayName(*list_.entryAt(0))}, {hash, "-1," + entryDisplayName(*list_.entryAt(1))},
        {subB, "-1," + entryDisplayName(*list_.entryAt(2))},   {c, "-1," + entryDisplayName(*list_.entryAt(3))},
        {url, "3600,Radio Caf\xC3\xA9, live  news"}};
    std::string m3u8 = "#EXTM3U\r\n";
    for (const auto& [value, info] : lines) m3u8 += "#EXTINF:" + info + "\r\n" + value + "\r\n";
    std::string latin1;   // the same with its one accent as a Latin-1 byte
    for (size_t i = 0; i < m3u8.size(); ++i) {
        const bool accent = m3u8.compare(i, 2, "\xC3\xA9") == 0;
        latin1 += accent ? '\xE9' : m3u8[i];
        i += accent ? 1 : 0;
    }

    const std::string asM3u = joinNative(dir_, "evening.m3u"), asM3u8 = joinNative(dir_, "evening.M3U8"),
                      asPls = joinNative(dir_, "evening.txt");
    for (const auto& p : {asM3u, asM3u8, asPls}) ASSERT_EQ(list_.saveList(p.c_str()), 5) << p;
    EXPECT_EQ(test::readFileText(asM3u), latin1);
    EXPECT_EQ(test::readFileText(asM3u8), m3u8);
    const std::string pls = test::readFileText(asPls);
    EXPECT_EQ(pls.rfind("[playlist]\r\nFile1=a.mp3\r\nTitle1=", 0), 0u) << pls;
    for (const std::string line : {"File2=#1.mp3\r\n", "Length4=-1\r\nFile5=", "Title5=Radio Caf\xC3\xA9, live  news\r\nLength5=3600\r\n",
                                   "NumberOfEntries=5\r\nVersion=2\r\n"})
        EXPECT_NE(pls.find(line), std::string::npos) << line << "\n" << pls;

    // Each reads back to the same entries, titles and lengths.
    std::filesystem::rename(asPls, joinNative(dir_, "evening.pls"));
    std::string want = titlesAndTimes(list_);
    want.replace(want.find("\r\n"), 2, "  ");   // a title keeps to its line
    for (const auto& p : {asM3u, asM3u8, joinNative(dir_, "evening.pls")}) {
        Playlist back;
        back.setPrompt(&prompts_);
        back.setReadFileInfo(0);
        back.addPath(Playlist::AddOrdinary, p.c_str());
        EXPECT_EQ(titlesAndTimes(back), want) << p;
    }
    EXPECT_TRUE(prompts_.boxes.empty()) << prompts_.boxes[0].text;
}

// .m3u falls back to UTF-8 with its mark when Latin-1 lacks a character, or when the Latin-1
// bytes would read as UTF-8.
TEST_F(PlaylistFilesTest, M3uIsUtf8WithItsMarkWhenLatin1CannotSayItPlainly) {
    for (const std::string& title : {std::string("\xCE\xBB\xCF\x8D\xCF\x81\xCE\xB1"), std::string("\xC3\x83\xC2\xA9")}) {
        Playlist list;
        list.setPrompt(&prompts_);
        list.setReadFileInfo(0);
        list.addEntry("http://example.com/radio");
        std::snprintf(list.entryAt(0)->listedTitle, sizeof list.entryAt(0)->listedTitle, "%s", title.c_str());
        const std::string m3u = joinNative(dir_, "radio.m3u");
        ASSERT_EQ(list.saveList(m3u.c_str()), 1);
        EXPECT_EQ(test::readFileText(m3u), "\xEF\xBB\xBF#EXTM3U\r\n#EXTINF:-1," + title + "\r\nhttp://example.com/radio\r\n");
        Playlist back;
        back.setPrompt(&prompts_);
        back.addPath(Playlist::AddOrdinary, m3u.c_str());
        ASSERT_EQ(back.countEntries(), 1);
        EXPECT_EQ(entryDisplayName(*back.head()), title);
    }
}

// A PLS list's titles and lengths name streams and files without a tag.
TEST_F(PlaylistFilesTest, PlsTitlesAndLengthsDescribeTheirEntries) {
    const std::string a = touch("a.mp3");
    const std::string pls = joinNative(dir_, "radio.pls");
    test::writeFileText(pls, "[playlist]\r\nFile1=http://example.com/live\r\ntitle1=Live Radio\r\nLength1=-1\r\n"
                             "File2=a.mp3\r\nTitle2=Song\r\nLength2=95\r\nFile3=sub\r\nTitle3=Folder\r\nNumberOfEntries=3\r\n");
    list_.addPath(Playlist::AddOrdinary, pls.c_str());
    ASSERT_EQ(pathsOf(list_), (Paths{"http://example.com/live", a}));
    EXPECT_EQ(entryDisplayName(*list_.entryAt(0)), "Live Radio");
    EXPECT_EQ(list_.entryAt(0)->listedSeconds, -1);
    EXPECT_EQ(entryDisplayName(*list_.entryAt(1)), "Song");
    const int second[] = {1};
    EXPECT_EQ(list_.playTimeOf(1, second), 95);
}

// A station link is added as the link, never read as a list file of its name; the
// station's name heard while it plays becomes its title in a saved list, unless the list that
// brought it had one.
TEST_F(PlaylistFilesTest, StationLinksStayLinksAndSaveTheStationsName) {
    const std::string link = "http://radio.example/listen.pls", m3u = "http://radio.example/a.m3u8";
    list_.addPath(Playlist::AddUrl, link.c_str());
    list_.addPath(Playlist::AddUrl, m3u.c_str());
    const std::string pls = joinNative(dir_, "listed.pls");
    test::writeFileText(pls, "[playlist]\r\nFile1=http://radio.example/x\r\nTitle1=Mine\r\nNumberOfEntries=1\r\n");
    list_.addPath(Playlist::AddOrdinary, pls.c_str());
    const std::string file = touch("song.mp3");
    list_.addEntry(file.c_str());
    ASSERT_EQ(pathsOf(list_), (Paths{link, m3u, "http://radio.example/x", file}));
    EXPECT_TRUE(prompts_.boxes.empty());

    list_.selectEntry(0, nullptr);
    EXPECT_EQ(list_.nameStation(m3u.c_str(), "Other"), 0);    // not the entry that plays
    EXPECT_EQ(list_.nameStation(link.c_str(), "Korvo FM \xE2\x80\x94 Jazz"), 1);
    list_.selectEntry(2, nullptr);
    EXPECT_EQ(list_.nameStation("http://radio.example/x", "Theirs"), 1);
    EXPECT_NE(entryDisplayName(*list_.entryAt(0)).find("listen"), std::string::npos);    // shown by its link, as before
    list_.selectEntry(3, nullptr);
    EXPECT_EQ(list_.nameStation(file.c_str(), "Never"), 0);

    const std::string out = joinNative(dir_, "out.m3u8");
    ASSERT_EQ(list_.saveList(out.c_str()), 4);
    const std::string text = test::readFileText(out);
    EXPECT_NE(text.find("#EXTINF:-1,Korvo FM \xE2\x80\x94 Jazz\r\n" + link + "\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("#EXTINF:-1,Mine\r\nhttp://radio.example/x\r\n"), std::string::npos) << text;
    const std::string outPls = joinNative(dir_, "out.pls");
    ASSERT_EQ(list_.saveList(outPls.c_str()), 4);
    EXPECT_NE(test::readFileText(outPls).find("Title1=Korvo FM \xE2\x80\x94 Jazz"), std::string::npos);
}

TEST_F(PlaylistFilesTest, RelativeListPathsMeanTheWorkingFolder) {
    std::string a = touch("a.mp3");
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    test::writeFileText("in.pls", "[playlist]\r\nFile1=a.mp3\r\nNumberOfEntries=1\r\n");
    test::writeFileText("in.m3u", "a.mp3\n");
    list_.addPath(Playlist::AddOrdinary, "in.pls");
    list_.addPath(Playlist::AddOrdinary, "in.m3u");
    int written = list_.writePlsFile("out.pls");
    std::filesystem::current_path(previous);

    EXPECT_EQ(pathsOf(list_), (Paths{a, a}));
    EXPECT_EQ(written, 2);
    EXPECT_NE(test::readFileText(joinNative(dir_, "out.pls")).find("File2=a.mp3"), std::string::npos);
    EXPECT_TRUE(prompts_.boxes.empty());
}

TEST_F(PlaylistFilesTest, NothingToAdd) {
    std::string empty = test::scratchDir("NothingToAddEmpty");
    list_.addPath(Playlist::AddOrdinary, empty.c_str());
    std::string nowhere = joinNative(dir_, "nowhere.mp3");
    list_.addPath(Playlist::AddOrdinary, nowhere.c_str());
    EXPECT_EQ(list_.countEntries(), 0);
    EXPECT_EQ(prompts_.texts(),
              (Paths{formatted(T::kErrorAddingDirectory, empty), formatted(T::kErrorAddingDirectory, nowhere)}));

    // Mode 2 never looks at the file system.
    prompts_.boxes.clear();
    list_.addPath(Playlist::AddUrl, nowhere.c_str());
    EXPECT_EQ(pathsOf(list_), Paths{nowhere});
    EXPECT_TRUE(prompts_.boxes.empty());
}

// --- Paths that name nothing, collected while a list or a batch is added ---

std::string entriesNotFound(int count, const Paths& examples) {
    std::string lines;
    for (const auto& e : examples) lines += (lines.empty() ? "" : "\n") + e;
    char text[2000];
    std::snprintf(text, sizeof text, T::kEntriesNotFound, count, lines.c_str());
    return text;
}

TEST_F(PlaylistFilesTest, AListOfMovedFilesGivesOneBox) {
    std::string pls = joinNative(dir_, "moved.pls");
    std::string text = "[playlist]\r\n";
    Paths firstFive;
    for (int i = 1; i <= 500; ++i) {
        std::string name = "gone" + std::to_string(i) + ".mp3";
        text += "File" + std::to_string(i) + "=" + name + "\r\n";
        if (i <= T::kEntriesNotFoundExamples) firstFive.push_back(joinNative(dir_, name));
    }
    test::writeFileText(pls, text + "NumberOfEntries=500\r\n");
    list_.addPath(Playlist::AddOrdinary, pls.c_str());
    EXPECT_EQ(list_.countEntries(), 0);
    ASSERT_EQ(prompts_.boxes.size(), 1u);
    EXPECT_EQ(prompts_.boxes[0].text, entriesNotFound(500, firstFive));
    EXPECT_EQ(prompts_.boxes[0].title, T::kErrorTitle);
    EXPECT_EQ(prompts_.boxes[0].icon, IconWarning);
}

TEST_F(PlaylistFilesTest, BatchesNestAndReportOnceAtTheOutermostEnd) {
    std::string a = touch("a.mp3");
    std::string empty = test::scratchDir("BatchesNestEmptyFolder");
    std::string m3u = joinNative(dir_, "two.m3u");
    test::writeFileText(m3u, "a.mp3\nx.mp3\ny.mp3\n");
    std::string first = joinNative(dir_, "first.mp3");

    list_.beginAddBatch();
    list_.addPath(Playlist::AddOrdinary, first.c_str());
    list_.beginAddBatch();
    list_.addPath(Playlist::AddOrdinary, m3u.c_str());
    list_.endAddBatch();
    // A folder that exists but holds no audio is still reported at once.
    list_.addPath(Playlist::AddOrdinary, empty.c_str());
    EXPECT_EQ(prompts_.texts(), Paths{formatted(T::kErrorAddingDirectory, empty)});
    list_.endAddBatch();
    EXPECT_EQ(pathsOf(list_), Paths{a});
    ASSERT_EQ(prompts_.boxes.size(), 2u);
    EXPECT_EQ(prompts_.boxes[1].text,
              entriesNotFound(3, Paths{first, joinNative(dir_, "x.mp3"), joinNative(dir_, "y.mp3")}));
    EXPECT_EQ(prompts_.boxes[1].icon, IconWarning);

    // One path alone in a batch keeps the missing-path text; an extra end changes nothing.
    prompts_.boxes.clear();
    list_.beginAddBatch();
    list_.addPath(Playlist::AddOrdinary, first.c_str());
    list_.endAddBatch();
    list_.endAddBatch();
    EXPECT_EQ(prompts_.texts(), Paths{formatted(T::kErrorAddingDirectory, first)});
    EXPECT_EQ(prompts_.boxes[0].title, T::kErrorTitle);
}

TEST_F(PlaylistFilesTest, MissingPathFormatReplacesTheFolderText) {
    std::string nowhere = joinNative(dir_, "nowhere.mp3");
    std::string empty = test::scratchDir("MissingPathFormatEmpty");
    static constexpr char kFormat[] = "Nothing at %s";
    list_.setMissingPathFormat(kFormat);
    list_.addPath(Playlist::AddOrdinary, nowhere.c_str());
    list_.addPath(Playlist::AddOrdinary, empty.c_str());
    EXPECT_EQ(prompts_.texts(),
              (Paths{formatted(kFormat, nowhere), formatted(T::kErrorAddingDirectory, empty)}));
}

// --- Playlists that name themselves or each other ---

TEST_F(PlaylistFilesTest, AListThatNamesItselfIsReadOnce) {
    std::string a = touch("a.mp3");
    std::string pls = joinNative(dir_, "self.pls");
    test::writeFileText(pls, "[playlist]\r\nFile1=a.mp3\r\nFile2=self.pls\r\nNumberOfEntries=2\r\n");
    list_.addPath(Playlist::AddOrdinary, pls.c_str());
    EXPECT_EQ(pathsOf(list_), Paths{a});
    EXPECT_EQ(prompts_.texts(), Paths{formatted(T::kErrorLoadingPlaylist, pls)});

    list_.clearPlaylist();
    prompts_.boxes.clear();
    std::string m3u = joinNative(dir_, "self.m3u");
    test::writeFileText(m3u, "a.mp3\n" + m3u + "\n");
    list_.addPath(Playlist::AddOrdinary, m3u.c_str());
    EXPECT_EQ(pathsOf(list_), Paths{a});
    EXPECT_EQ(prompts_.texts(), Paths{formatted(T::kErrorLoadingPlaylist, m3u)});
}

TEST_F(PlaylistFilesTest, TwoListsThatNameEachOtherAreEachReadOnce) {
    std::string a = touch("a.mp3");
    std::string b = touch("b.mp3");
    std::string pls = joinNative(dir_, "a.pls");
    std::string m3u = joinNative(dir_, "b.m3u");
    test::writeFileText(pls, "[playlist]\r\nFile1=a.mp3\r\nFile2=b.m3u\r\nNumberOfEntries=2\r\n");
    test::writeFileText(m3u, "b.mp3\na.pls\n");
    list_.addPath(Playlist::AddOrdinary, pls.c_str());
    EXPECT_EQ(pathsOf(list_), (Paths{a, b}));
    EXPECT_EQ(prompts_.texts(), Paths{formatted(T::kErrorLoadingPlaylist, pls)});

    // Read one after the other, both are read whole each time.
    list_.clearPlaylist();
    prompts_.boxes.clear();
    list_.addPath(Playlist::AddOrdinary, m3u.c_str());
    EXPECT_EQ(pathsOf(list_), (Paths{b, a}));
    EXPECT_EQ(prompts_.texts(), Paths{formatted(T::kErrorLoadingPlaylist, m3u)});
}

TEST_F(PlaylistFilesTest, NestingStopsAtEightLevels) {
    // list1 names t1.mp3 and list2, and so on to list10; PLS and M3U alternate.
    Paths tracks, trackNames, lists, listNames;
    for (int i = 1; i <= 10; ++i) {
        trackNames.push_back(test::formatted("t%s.mp3", std::to_string(i)));
        listNames.push_back(test::formatted(i % 2 ? "list%s.pls" : "list%s.m3u", std::to_string(i)));
        tracks.push_back(touch(trackNames.back()));
        lists.push_back(joinNative(dir_, listNames.back()));
    }
    for (int i = 0; i < 10; ++i) {
        const std::string& track = trackNames[size_t(i)];
        const std::string& next = i + 1 < 10 ? listNames[size_t(i + 1)] : track;
        if (i % 2 == 0)
            test::writeFileText(lists[size_t(i)], "[playlist]\r\nFile1=" + track + "\r\nFile2=" + next +
                                                      "\r\nNumberOfEntries=2\r\n");
        else
            test::writeFileText(lists[size_t(i)], track + "\n" + next + "\n");
    }
    list_.addPath(Playlist::AddOrdinary, lists[0].c_str());
    EXPECT_EQ(pathsOf(list_), Paths(tracks.begin(), tracks.begin() + 8));
    EXPECT_EQ(prompts_.texts(), Paths{formatted(T::kErrorLoadingPlaylist, lists[8])});

    // The refusal is about depth, not the file: list9 read first is read like any list.
    list_.clearPlaylist();
    prompts_.boxes.clear();
    list_.addPath(Playlist::AddOrdinary, lists[8].c_str());
    EXPECT_EQ(pathsOf(list_), (Paths{tracks[8], tracks[9], tracks[9]}));
    EXPECT_TRUE(prompts_.boxes.empty());
}

// --- A count far beyond the File keys ---

TEST_F(PlaylistFilesTest, PlsReadingStopsAtTheHighestFileKey) {
    std::string a = touch("a.mp3");
    std::string b = touch("b.mp3");
    std::string pls = joinNative(dir_, "tiny.pls");
    test::writeFileText(pls, "[playlist]\r\nFile1=a.mp3\r\nfile2=b.mp3\r\nNumberOfEntries=2147483647\r\n");
    list_.addPath(Playlist::AddOrdinary, pls.c_str());
    EXPECT_EQ(pathsOf(list_), (Paths{a, b}));
    EXPECT_TRUE(prompts_.boxes.empty());

    // The count still limits the keys that are read, and gaps are passed over.
    list_.clearPlaylist();
    test::writeFileText(pls, "[playlist]\r\nFile1=a.mp3\r\nFile7=b.mp3\r\nFile9=a.mp3\r\nNumberOfEntries=8\r\n");
    list_.addPath(Playlist::AddOrdinary, pls.c_str());
    EXPECT_EQ(pathsOf(list_), (Paths{a, b}));
    EXPECT_TRUE(prompts_.boxes.empty());
}

} // namespace
} // namespace korvo
