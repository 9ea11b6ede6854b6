// The list and the place in it kept from one run to the next.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "settings/settings_texts.h"
#include "app/win32/resource_ids.h"
#include "playlist/playlist.h"
#include "playlist/playlist_texts.h"
#include "test_support.h"
#include "ui_driver.h"

namespace korvo::uitest {
namespace {

constexpr int kWaitMs = 30000;

std::vector<std::string> listedIn(const std::string& m3u) {
    Playlist list;
    list.setReadFileInfo(0);
    list.readM3uFile(m3u.c_str());
    std::vector<std::string> paths;
    for (const PlaylistEntry* e = list.head(); e; e = e->next) paths.push_back(e->path);
    return paths;
}

void closeAndWait(Program& p) {
    PostMessageA(p.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(p.waitForExit(kWaitMs), 0);
}

TEST(RememberPlaylist, ListAndPlaceComeBackWaitingForPlay) {
    ProgramFolder folder("remember");
    const std::vector<std::string> songs = {media("long_a.mp2"), media("long_b.mp2"), media("long_c.mp2")};
    const std::string kept = folder.dir() + "\\" + playlist_texts::kRememberedList;
    const std::string before = folder.dir() + "\\" + playlist_texts::kRememberedListBefore;
    int playedMs = 0;
    {
        Program p;
        clearRecord();
        ASSERT_TRUE(p.start(folder, songs));
        ASSERT_NE(p.waitForWindow(), nullptr);
        ASSERT_TRUE(waitForRecord(songs[0], kWaitMs)) << readRecord();
        p.command(IDM_NEXT);
        ASSERT_TRUE(waitForRecord(songs[1], kWaitMs)) << readRecord();
        Sleep(1500);   // some way into the song
        closeAndWait(p);
        EXPECT_EQ(listedIn(kept), songs);
        EXPECT_EQ(folder.key(kKeyRememberedEntry, -1), 1);
        playedMs = folder.key(kKeyRememberedMs, 0);
        EXPECT_GT(playedMs, 500);
    }
    {
        // Nothing given: the list is back, its entry waiting where it was until Play.
        Program p;
        clearRecord();
        ASSERT_TRUE(p.start(folder, {}));
        ASSERT_NE(p.waitForWindow(), nullptr);
        closeAndWait(p);
        EXPECT_EQ(readRecord(), "") << "played before Play";
        EXPECT_EQ(folder.key(kKeyRememberedEntry, -1), 1);
        EXPECT_EQ(folder.key(kKeyRememberedMs, 0), playedMs);
    }
    {
        Program p;
        clearRecord();
        ASSERT_TRUE(p.start(folder, {}));
        ASSERT_NE(p.waitForWindow(), nullptr);
        p.command(IDM_PLAY);
        ASSERT_TRUE(waitForRecord(songs[1], kWaitMs)) << readRecord();
        Sleep(700);
        closeAndWait(p);
        // it went on from there (from the beginning it would be short of it)
        EXPECT_GE(folder.key(kKeyRememberedMs, 0), playedMs);
    }
    {
        // A start with one file keeps the library it replaces.
        Program p;
        ASSERT_TRUE(p.start(folder, {songs[2]}));
        ASSERT_NE(p.waitForWindow(), nullptr);
        closeAndWait(p);
        EXPECT_EQ(listedIn(kept), std::vector<std::string>{songs[2]});
        EXPECT_EQ(listedIn(before), songs);
    }
    {
        // And a second one in a row too.
        Program p;
        ASSERT_TRUE(p.start(folder, {songs[0]}));
        ASSERT_NE(p.waitForWindow(), nullptr);
        closeAndWait(p);
        EXPECT_EQ(listedIn(kept), std::vector<std::string>{songs[0]});
        EXPECT_EQ(listedIn(before), songs);
    }
}

} // namespace
} // namespace korvo::uitest
