// Adding a folder whose links lead back into it (made by tests/media/folder_loop.sh; under Wine
// a symbolic link is a folder like a junction is): each file once, and the walk ends.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "playlist/playlist.h"
#include "playlist_test_util.h"
#include "test_support.h"

using namespace korvo;
using namespace korvo::test;

TEST(FolderLoop, LinksBackToAFolderBeingAddedAreNotFollowed) {
    const std::string top = mediaPath("folder_loop");
    ASSERT_TRUE(fileExists(joinNative(joinNative(top, "inner.mp3"), "b.mp3"))) << top << " is missing";
    static Playlist list;   // outlives a walk that never ends, which the test then leaves behind
    list.setReadFileInfo(0);
    static std::atomic<bool> done{false};
    std::thread walk([top] {
        list.addPath(Playlist::AddOrdinary, top.c_str());
        done = true;
    });
    for (int waited = 0; waited < 400 && !done; ++waited) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!done) {
        walk.detach();
        FAIL() << "adding the folder had not ended after 20 s";
    }
    walk.join();
    // a.mp3, inner.mp3\b.mp3 and other.mp3\c.mp3 (a link out of the walk is followed), each once
    EXPECT_EQ(list.countEntries(), 3);
}
