// An endless stream through the decoder thread, as a radio plays: it plays, a pause holds
// the transfer (the pipe fills), and a stop ends the download and lets the next entry play.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "settings/settings.h"
#include "net/net_texts.h"
#include "net/stream.h"
#include "net/stream_server.h"
#include "platform/prompt.h"
#include "playback/decoder_thread.h"
#include "playback/output_driver.h"
#include "test_support.h"

namespace korvo {
namespace {

constexpr int kStreamSystem = kOutputSystemSlots - 1;    // a free slot, as the player tests use it

// A sound device whose writes block while it is paused, as the real one's do once its
// buffers are full.
struct Device {
    std::mutex m;
    std::condition_variable cv;
    bool open = false;
    bool paused = false;
    long written = 0;
    int started = 0, ended = 0, failed = 0;
    std::vector<std::string> titles;      // "station|title" as the listener was told
    std::vector<std::string> messages;    // "title|text"
    std::string reconnects;               // "w" for each wait to reconnect, "b" for each return

    // What the listener was told, and the counts, start afresh.
    void clearRecord() {
        std::lock_guard<std::mutex> lock(m);
        titles.clear();
        messages.clear();
        reconnects.clear();
        started = ended = failed = 0;
    }

    template <class Pred>
    bool waitFor(Pred pred, int ms = 10000) {
        std::unique_lock<std::mutex> lock(m);
        return cv.wait_for(lock, std::chrono::milliseconds(ms), pred);
    }
} gDevice;

int dInit() { return 1; }
int dShutdown() { return 1; }
int dOpen(int, int, int) {
    std::lock_guard<std::mutex> lock(gDevice.m);
    gDevice.open = true;
    return 1;
}
int dClose(int) {
    std::lock_guard<std::mutex> lock(gDevice.m);
    bool was = gDevice.open;
    gDevice.open = false;
    return was ? 1 : 0;
}
int dIsOpen() {
    std::lock_guard<std::mutex> lock(gDevice.m);
    return gDevice.open;
}
int dWrite(int n, const uint8_t*) {
    std::unique_lock<std::mutex> lock(gDevice.m);
    gDevice.cv.wait(lock, [] { return !gDevice.paused; });
    gDevice.written += n;
    gDevice.cv.notify_all();
    return n;
}
int dFlush() { return 1; }
int dPause() {
    std::lock_guard<std::mutex> lock(gDevice.m);
    gDevice.paused = true;
    return 1;
}
int dResume() {
    std::lock_guard<std::mutex> lock(gDevice.m);
    gDevice.paused = false;
    gDevice.cv.notify_all();
    return 1;
}
int64_t dGetPlayed() { return 0; }
int64_t dSetPlayed(int64_t ms) { return ms; }
int dGetVolume() { return 0; }
void dSetVolume(int) {}
int dBufferCount() { return 10; }
int dFreeBufferCount() { return 10; }

const OutputDriver kDevice = {
    &dInit, &dShutdown, &dOpen, &dClose, &dIsOpen, &dWrite, &dFlush, &dPause, &dResume,
    &dGetPlayed, &dSetPlayed, &dGetVolume, &dSetVolume, &dBufferCount, &dFreeBufferCount,
};

struct Listener : DecoderListener {
    void notify(uint32_t message) override {
        std::lock_guard<std::mutex> lock(gDevice.m);
        if (message == DNM_STARTED) ++gDevice.started;
        if (message == DNM_ENDED) ++gDevice.ended;
        if (message == DNM_FAILED) ++gDevice.failed;
        gDevice.cv.notify_all();
    }
    void showMessage(const char* text, const char* title, PromptIcon) override {
        std::lock_guard<std::mutex> lock(gDevice.m);
        gDevice.messages.push_back(std::string(title) + "|" + text);
    }
    void streamTitle(const char* station, const char* title) override {
        std::lock_guard<std::mutex> lock(gDevice.m);
        gDevice.titles.push_back(std::string(station) + "|" + title);
        gDevice.cv.notify_all();
    }
    void streamReconnecting(bool waiting) override {
        std::lock_guard<std::mutex> lock(gDevice.m);
        gDevice.reconnects += waiting ? "w" : "b";
        gDevice.cv.notify_all();
    }
};

// The decoder thread playing into the device above, with the stream saved or not; the
// settings come back at the end.
class StreamingThread {
public:
    explicit StreamingThread(int downloadOption) : saved_(settings()) {
        settings().AudioOutputSystem = kStreamSystem;
        settings().AudioOutput8Bit = 0;
        settings().DownloadOption = downloadOption;
        registerOutputSystem(kStreamSystem, &kDevice);
        setup_.listener = &listener_;
    }
    ~StreamingThread() {
        stop();
        registerOutputSystem(kStreamSystem, nullptr);
        settings() = saved_;
    }
    long start() { return id_ = startDecoderThread(setup_, thread_); }
    void stop() {
        if (id_ != -1) stopDecoderThread(id_, thread_);
        id_ = -1;
    }

private:
    Settings saved_;
    Listener listener_;
    DecoderThreadSetup setup_;
    Thread thread_;
    long id_ = -1;
};

TEST(StreamPlayer, EndlessStreamPausesStopsAndTheNextEntryPlays) {
    test::StreamServer server;
    ASSERT_TRUE(server.start(test::mediaPath("playback")));
    StreamingThread player(0);
    long id = player.start();
    ASSERT_NE(id, -1);

    const std::string path = "/endless/a44.mp2?radio=1";
    postPlayFile(server.url(path).c_str(), id);
    EXPECT_TRUE(gDevice.waitFor([] { return gDevice.started == 1 && gDevice.written > 200000; }))
        << "the stream did not play";

    // A jump by time means nothing to a stream, past its (unknown) end least of all: it plays on.
    postSeekBy(60000, id);
    postSeekBy(-5000, id);
    long before = 0;
    {
        std::lock_guard<std::mutex> lock(gDevice.m);
        before = gDevice.written;
    }
    EXPECT_TRUE(gDevice.waitFor([&] { return gDevice.written > before + 200000 || gDevice.ended > 0; }));
    {
        std::lock_guard<std::mutex> lock(gDevice.m);
        EXPECT_EQ(gDevice.ended, 0) << "the stream ended";
        EXPECT_GT(gDevice.written, before + 200000) << "the stream stopped";
    }

    // Paused: the decoder waits in the device, the pipe fills and holds the download.
    dPause();
    sleepMs(1500);
    EXPECT_EQ(server.log().find("closed " + path), std::string::npos) << "the download ended while paused";
    DecoderStatus status;
    getDecoderStatus(status);
    EXPECT_EQ(status.playing, 1);
    EXPECT_EQ(status.percent, 0) << "a stream has no length";

    // Stopped as the window stops a paused file: resume, flush, stop; then the next entry.
    auto stopped = std::chrono::steady_clock::now();
    resumeAndFlushOutput();
    postStop(id);
    postPlayFile(test::mediaPath("playback/d22.mp2").c_str(), id);
    EXPECT_TRUE(server.waitForLog("closed " + path, 3000)) << server.log();
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, std::chrono::seconds(3));
    EXPECT_TRUE(gDevice.waitFor([] { return gDevice.started == 2 && gDevice.ended == 1; }))
        << "the next entry did not play to its end";
    EXPECT_EQ(gDevice.failed, 0);

}

// The user interface hands settings over while the decoder thread plays and saves streams:
// every save lands whole in one of the two folders it was given (a torn folder would hold it
// nowhere), and ThreadSanitizer finds nothing (the tsan suite runs this test).
TEST(StreamPlayer, SettingsChangedWhileStreamsAreSavedAreHandedOverWhole) {
    test::StreamServer server;
    ASSERT_TRUE(server.start(test::mediaPath("playback")));
    const std::string a = test::scratchDir("stream_handover_a");
    const std::string b = test::scratchDir("stream_handover_b_in_a_folder_with_a_much_longer_name");
    StreamingThread player(1);
    std::snprintf(settings().InternetDLDir, sizeof settings().InternetDLDir, "%s", a.c_str());
    long id = player.start();
    ASSERT_NE(id, -1);

    // The preferences' way of writing, as fast as it goes.
    std::atomic<bool> done{false};
    std::thread writer([&] {
        Settings& s = settings();
        for (int i = 0; !done.load(); ++i) {
            setSharedText(s.InternetDLDir, (i & 1 ? b : a).c_str());
            setSharedValue(s.DownloadOption, 1);
            setSharedValue(s.MappingMode, 1 + i % 4);
            setSharedValue(s.EqEnabled, i & 1);
            setSharedValue(s.GaplessPlayback, i & 1);
            setSharedValue(s.EqVolume, i % 16);
            std::this_thread::yield();
        }
    });
    constexpr int kStreams = 6;
    int ended = 0;
    {
        std::lock_guard<std::mutex> lock(gDevice.m);
        ended = gDevice.ended;
    }
    for (int k = 0; k < kStreams; ++k) {
        postPlayFile(server.url("/named/s" + std::to_string(k) + ".mp2?src=d22.mp2").c_str(), id);
        EXPECT_TRUE(gDevice.waitFor([&] { return gDevice.ended == ended + k + 1; })) << "stream " << k;
    }
    done.store(true);
    writer.join();
    player.stop();

    const std::vector<uint8_t> served = test::readFileBytes(test::mediaPath("playback/d22.mp2"));
    for (int k = 0; k < kStreams; ++k) {
        const std::string name = "/s" + std::to_string(k) + ".mp2";
        const bool inA = test::fileExists(a + name), inB = test::fileExists(b + name);
        EXPECT_NE(inA, inB) << name;
        EXPECT_TRUE(test::readFileBytes((inA ? a : b) + name) == served) << name;
    }
    EXPECT_EQ(test::folderNames(a).size() + test::folderNames(b).size(), size_t(kStreams));
}

// A station through the decoder thread: its name after the start, then each title in order
// as its song is read; a station of another format fails with its one message.
TEST(StreamPlayer, TitlesReachTheListenerInOrderAndAnotherFormatFailsWithOneMessage) {
    test::StreamServer server;
    ASSERT_TRUE(server.start(test::mediaPath("playback")));
    gDevice.clearRecord();
    StreamingThread player(0);
    long id = player.start();
    ASSERT_NE(id, -1);
    postPlayFile(server.url("/radio/a44.mp2?metaint=4096&change=1&rate=50000").c_str(), id);
    ASSERT_TRUE(gDevice.waitFor([] { return gDevice.ended == 1; }));
    const size_t blocks = (test::readFileBytes(test::mediaPath("playback/a44.mp2")).size() - 1) / 4096;
    {
        std::lock_guard<std::mutex> lock(gDevice.m);
        ASSERT_EQ(gDevice.titles.size(), blocks + 1);
        EXPECT_EQ(gDevice.titles[0], "Korvo Test Radio|");
        for (size_t k = 0; k < blocks; ++k)
            EXPECT_EQ(gDevice.titles[k + 1].rfind("Korvo Test Radio|Artist " + std::to_string(k) + " - ", 0), 0u)
                << gDevice.titles[k + 1];
        EXPECT_TRUE(gDevice.messages.empty());
    }

    for (const std::string path : {"/typed/a44.mp2?type=audio/aacp", "/garbage"}) {
        const std::string u = server.url(path);
        int failed = 0;
        {
            std::lock_guard<std::mutex> lock(gDevice.m);
            gDevice.messages.clear();
            failed = gDevice.failed;
        }
        postPlayFile(u.c_str(), id);
        ASSERT_TRUE(gDevice.waitFor([&] { return gDevice.failed == failed + 1; })) << path;
        char text[600];
        formatNotMpeg(path[1] == 't' ? "audio/aacp" : "text/html", u.c_str(), text, int(sizeof text));
        std::lock_guard<std::mutex> lock(gDevice.m);
        EXPECT_EQ(gDevice.messages, std::vector<std::string>{std::string(net_texts::kUrlErrorTitle) + "|" + text});
        EXPECT_EQ(gDevice.ended, 1) << path;
    }
}

// A dropping station through the decoder thread: the listener hears of each wait and each
// return and the stream plays to its end; a stop during a long wait (the thread waits on the
// pipe, deaf to its queue) ends it at once, and the next entry plays.
TEST(StreamPlayer, ADropShowsReconnectingAndAStopDuringTheWaitEndsItAtOnce) {
    test::StreamServer server;
    ASSERT_TRUE(server.start(test::mediaPath("playback")));
    gDevice.clearRecord();
    StreamingThread player(0);
    long id = player.start();
    ASSERT_NE(id, -1);
    // The first wait gives the decoder time to read what came before the drop.
    setStreamReconnectUnitMs(200);
    postPlayFile(server.url("/drop/e44.mp3?every=12288").c_str(), id);
    ASSERT_TRUE(gDevice.waitFor([] { return gDevice.ended == 1; }));
    {
        std::lock_guard<std::mutex> lock(gDevice.m);
        EXPECT_EQ(gDevice.reconnects, "wbwbwbw");    // three drops, then the station's end
        EXPECT_TRUE(gDevice.messages.empty());
        gDevice.reconnects.clear();
    }

    setStreamReconnectUnitMs(20000);
    postPlayFile(server.url("/drop/e44.mp3?every=16384&stop=1").c_str(), id);
    ASSERT_TRUE(gDevice.waitFor([] { return gDevice.reconnects == "w"; }));
    const auto stopped = std::chrono::steady_clock::now();
    postStop(id);
    postPlayFile(test::mediaPath("playback/d22.mp2").c_str(), id);
    EXPECT_TRUE(gDevice.waitFor([] { return gDevice.started == 3; }, 5000));
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, std::chrono::seconds(2));
    EXPECT_TRUE(gDevice.waitFor([] { return gDevice.ended == 2; }));
    EXPECT_EQ(gDevice.failed, 0);
    setStreamReconnectUnitMs(kReconnectUnitMs);
}

} // namespace
} // namespace korvo
