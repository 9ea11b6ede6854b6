// Adding a folder that holds symbolic links back to itself or to its parent.
#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include "playlist/playlist.h"
#include "playlist_test_util.h"
#include "test_support.h"

using namespace korvo;
using namespace korvo::test;

namespace {

// Adds the folder in a child process, so that a walk that never ends cannot hold the suite:
// the entry count, or -1 when it had not finished within the limit.
int entriesAddedWithin(const std::string& folder, int seconds) {
    pid_t child = fork();
    if (child == 0) {
        Playlist list;
        list.setReadFileInfo(0);
        list.addPath(Playlist::AddOrdinary, folder.c_str());
        _exit(list.countEntries() > 200 ? 200 : list.countEntries());
    }
    for (int waited = 0; waited < seconds * 20; ++waited) {
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
        usleep(50000);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    return -1;
}

} // namespace

TEST(FolderLoop, LinksBackToAFolderBeingAddedAreNotFollowed) {
    const std::string top = scratchDir("folder_loop");
    const std::string inner = top + "/inner.mp3";   // a folder whose name matches, so it is walked
    ASSERT_EQ(mkdir(inner.c_str(), 0755), 0);
    writeFileText(top + "/a.mp3", "x");
    writeFileText(inner + "/b.mp3", "x");
    // Two ways round the loop at each level: the paths double at every turn.
    ASSERT_EQ(symlink(".", (top + "/self.mp3").c_str()), 0);
    ASSERT_EQ(symlink("..", (inner + "/up.mp3").c_str()), 0);
    ASSERT_EQ(symlink(".", (inner + "/here.mp3").c_str()), 0);
    // A link to a folder outside the walk is followed as before.
    const std::string other = scratchDir("folder_loop_other");
    writeFileText(other + "/c.mp3", "x");
    ASSERT_EQ(symlink(other.c_str(), (top + "/other.mp3").c_str()), 0);

    // a.mp3, inner.mp3/b.mp3 and other.mp3/c.mp3, each once.
    EXPECT_EQ(entriesAddedWithin(top, 20), 3);
}
