// Second-start requests through the portable handler, with a stand-in for the window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/copy_data_request.h"
#include "playlist/playlist.h"
#include "../playlist/playlist_test_util.h"
#include "test_support.h"

using namespace korvo;

namespace {

struct Window : CopyDataWindow {
    std::vector<std::string> calls;
    CopyDataRequests* requests = nullptr;
    std::string arriving;   // a request that comes in while the next play command runs
    bool alive() override { return true; }
    void allowRefresh() override {}
    void requestRefresh() override {}
    void stopForNewAction() override { calls.push_back("stop"); }
    void playCurrentEntry() override { calls.push_back("play"); }
    void playCurrentCommand() override {
        calls.push_back("command");
        if (!arriving.empty()) requests->receive(RequestAddPath, uint32_t(arriving.size()), arriving.data());
        arriving.clear();
    }
    void armBatchTimer() override { calls.push_back("arm"); }
    void stopBatchTimer() override { calls.push_back("disarm"); }
};

} // namespace

TEST(CopyDataRequests, HandOverAddsAsOneBatchAndRunsInOrder) {
    test::RecordingPrompt boxes;
    Playlist list;
    list.setPrompt(&boxes);
    list.setReadFileInfo(0);
    CopyDataRequests requests;
    Window window;
    window.requests = &requests;
    const std::string dir = test::scratchDir("copy_data_hand_over");
    test::writeFileText(dir + "/a.mp3", "x");
    const std::string a = dir + "/a.mp3", missing1 = dir + "/gone1.mp3", missing2 = dir + "/gone2.mp3";
    requests.receive(RequestClear, 0, nullptr);
    for (const std::string* p : {&a, &missing1, &missing2}) requests.receive(RequestAddPath, uint32_t(p->size()), p->data());
    requests.receive(RequestPlayFirst, 0, nullptr);
    window.arriving = a;   // arrives during the play command: the same run takes it
    requests.runQueued(list, window);
    EXPECT_EQ(requests.queued(), 0);
    EXPECT_FALSE(requests.handOverBatchOpen());
    EXPECT_EQ(list.countEntries(), 2);
    ASSERT_EQ(boxes.boxes.size(), 1u);   // both missing paths in one box
    EXPECT_NE(boxes.boxes[0].text.find("gone2.mp3"), std::string::npos);
    EXPECT_EQ(window.calls, (std::vector<std::string>{"stop", "arm", "arm", "arm", "arm", "disarm", "command"}));

    // A clear whose second start never plays: the timer closes its batch, not a running request.
    requests.receive(RequestClear, 0, nullptr);
    requests.runQueued(list, window);
    EXPECT_TRUE(requests.handOverBatchOpen());
    requests.batchTimerExpired(list, window);
    EXPECT_FALSE(requests.handOverBatchOpen());
}

TEST(CopyDataRequests, QueueAndPathBounds) {
    test::RecordingPrompt boxes;
    Playlist list;
    list.setPrompt(&boxes);
    list.setReadFileInfo(0);
    CopyDataRequests requests;
    Window window;
    window.requests = &requests;
    const std::string url = "http://host/stream";
    for (int i = 0; i < CopyDataRequests::kQueueSize; ++i)
        ASSERT_EQ(requests.receive(RequestAddPath, uint32_t(url.size()), url.data()), 1);
    EXPECT_EQ(requests.receive(RequestAddPath, uint32_t(url.size()), url.data()), 0);   // full: dropped
    requests.runQueued(list, window);
    EXPECT_EQ(list.countEntries(), CopyDataRequests::kQueueSize);

    // A path that does not fit, a size without data and an unknown code do nothing; an index
    // past the end leaves the list where it was.
    list.clearPlaylist();
    const std::string longPath(kPathCapacity, 'x');
    requests.receive(RequestAddPath, uint32_t(longPath.size()), longPath.data());
    requests.receive(RequestPlayPath, 20, nullptr);
    requests.receive(7, uint32_t(url.size()), url.data());
    requests.receive(RequestAddPath, uint32_t(url.size() - 1), (url + "/").data());   // only cbData bytes count
    requests.receive(RequestPlayIndex, 0xFFFFFFFFu, nullptr);
    requests.runQueued(list, window);
    ASSERT_EQ(list.countEntries(), 1);
    EXPECT_STREQ(list.head()->path, url.substr(0, url.size() - 1).c_str());
    EXPECT_TRUE(boxes.boxes.empty());
}
