// The decoder thread's message protocol, observed through a driver table that records
// every call and a listener that records the notifications.
#include <gtest/gtest.h>

#include <atomic>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "settings/settings.h"
#include "platform/prompt.h"
#include "playback/decoder_thread.h"
#include "playback/output_driver.h"
#include "playback/playback_texts.h"
#include "playlist/entry_info.h"
#include "playback_support.h"
#include "test_support.h"

namespace korvo {
namespace {

using namespace std::chrono_literals;
constexpr int kRecordingSystem = 7;

// One log shared by the driver, the listener and the prompt, in the order things happened.
struct Recorder {
    std::mutex m;
    std::condition_variable cv;
    std::vector<std::string> log;
    long pcmBytes = 0;          // bytes written since the last flush or open
    std::vector<uint8_t> pcm;   // and those bytes themselves
    bool hold = false;          // writes block while set
    int failWrites = 0;         // write returns -1 when set
    int failOpen = 0;           // open returns 0 when set
    std::atomic<int64_t> played{0};   // what getPlayedTime answers

    void add(const std::string& s) {
        std::lock_guard<std::mutex> lock(m);
        log.push_back(s);
        cv.notify_all();
    }
    int count(const std::string& s) {
        std::lock_guard<std::mutex> lock(m);
        int n = 0;
        for (auto& e : log) n += e == s;
        return n;
    }
    int countPrefix(const std::string& p) {
        std::lock_guard<std::mutex> lock(m);
        int n = 0;
        for (auto& e : log) n += e.rfind(p, 0) == 0;
        return n;
    }
    // Waits until s has been logged n times.
    bool waitFor(const std::string& s, int n = 1) {
        std::unique_lock<std::mutex> lock(m);
        return cv.wait_for(lock, 10s, [&] {
            int k = 0;
            for (auto& e : log) k += e == s;
            return k >= n;
        });
    }
    // Waits until entries starting with p have been logged n times.
    bool waitForPrefix(const std::string& p, int n) {
        std::unique_lock<std::mutex> lock(m);
        return cv.wait_for(lock, 10s, [&] {
            int k = 0;
            for (auto& e : log) k += e.rfind(p, 0) == 0;
            return k >= n;
        });
    }
    // Waits until s is the last entry and nothing follows it for quiet.
    bool waitForLastEntry(const std::string& s, std::chrono::milliseconds quiet) {
        const auto give = std::chrono::steady_clock::now() + 20s;
        size_t seen = 0;
        auto since = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() < give) {
            {
                std::lock_guard<std::mutex> lock(m);
                if (log.size() != seen || log.empty() || log.back() != s) {
                    seen = log.size();
                    since = std::chrono::steady_clock::now();
                } else if (std::chrono::steady_clock::now() - since >= quiet) {
                    return true;
                }
            }
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }
    long bytes() {
        std::lock_guard<std::mutex> lock(m);
        return pcmBytes;
    }
    void addAndReset(const std::string& s) {
        std::lock_guard<std::mutex> lock(m);
        log.push_back(s);
        pcmBytes = 0;
        pcm.clear();
        cv.notify_all();
    }
    void setHold(bool on) {
        std::lock_guard<std::mutex> lock(m);
        hold = on;
        cv.notify_all();
    }
    // Index of the first entry starting with p at or after from, or -1.
    int find(const std::string& p, int from = 0) {
        std::lock_guard<std::mutex> lock(m);
        for (int i = from; i < int(log.size()); ++i)
            if (log[i].rfind(p, 0) == 0) return i;
        return -1;
    }
};

Recorder* rec = nullptr;
bool gOpen = false;

int rInit() { rec->add("init"); return 1; }
int rShutdown() { rec->add("shutdown"); return 1; }
int rOpen(int rate, int ch, int eightBit) {
    if (rec->failOpen) {
        rec->add("open failed");
        return 0;
    }
    gOpen = true;
    rec->addAndReset("open " + std::to_string(rate) + " " + std::to_string(ch) + " " + std::to_string(eightBit));
    return 1;
}
int rClose(int reset) {
    if (!gOpen) return 0;
    gOpen = false;
    rec->add("close " + std::to_string(reset));
    return 1;
}
int rIsOpen() { return gOpen; }
int rWrite(int n, const uint8_t* data) {
    std::unique_lock<std::mutex> lock(rec->m);
    rec->log.push_back("write");
    rec->cv.notify_all();
    rec->cv.wait(lock, [] { return !rec->hold; });
    if (rec->failWrites) return -1;
    rec->pcmBytes += n;
    rec->pcm.insert(rec->pcm.end(), data, data + n);
    return n;
}
int rFlush() { rec->addAndReset("flush"); return 1; }
int rPause() { return 1; }
int rResume() { return 1; }
int64_t rGetPlayed() { return rec->played.load(); }
int64_t rSetPlayed(int64_t ms) { rec->add("played " + std::to_string(ms)); return ms; }
int rGetVolume() { return gOpen ? 0 : -1; }
void rSetVolume(int level) { rec->add("volume " + std::to_string(level)); }
int rBufferCount() { return 10; }
int rFreeBufferCount() { return 10; }

const OutputDriver kRecordingDriver = {
    &rInit, &rShutdown, &rOpen, &rClose, &rIsOpen, &rWrite, &rFlush, &rPause, &rResume,
    &rGetPlayed, &rSetPlayed, &rGetVolume, &rSetVolume, &rBufferCount, &rFreeBufferCount,
};

struct RecordingListener : DecoderListener {
    void notify(uint32_t message) override {
        rec->add(message == DNM_STARTED ? "STARTED"
                 : message == DNM_ENDED ? "ENDED"
                 : message == DNM_FAILED ? "FAILED"
                                         : "?");
    }
    // Questions are logged and left to the test to answer (or never).
    bool holdQuestions = false;
    std::atomic<int> lastQuestion{0};
    void ask(int question, const char* text, const char* title, PromptIcon icon, long threadId) override {
        if (!holdQuestions) {
            DecoderListener::ask(question, text, title, icon, threadId);
            return;
        }
        lastQuestion.store(question);
        rec->add("ask " + std::to_string(question));
    }
};

struct RecordingPrompt : Prompt {
    void show(const char* text, const char* title, PromptIcon) override {
        rec->add(std::string("box ") + title + ": " + text);
    }
    int askYesNo(const char*, const char*, PromptIcon) override { return 0; }
};

class DecoderThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        rec = &recorder;
        gOpen = false;
        saved = settings();
        settings().AudioOutputSystem = kRecordingSystem;
        settings().AudioOutput8Bit = 0;
        settings().DecoderPriority = 2;
        settings().MappingMode = 2;
        settings().EqEnabled = 0;
        settings().EqVolume = 7;
        registerOutputSystem(kRecordingSystem, &kRecordingDriver);
        setPrompt(&prompt);
        DecoderThreadSetup setup;
        setup.listener = &listener;
        id = startDecoderThread(setup, thread);
        ASSERT_NE(id, -1);
    }
    void TearDown() override {
        stopDecoderThread(id, thread);
        setPrompt(nullptr);
        registerOutputSystem(kRecordingSystem, nullptr);
        settings() = saved;
        rec = nullptr;
    }
    static std::string media(const char* name) {
        std::string p = test::mediaPath(std::string("playback/") + name);
        EXPECT_TRUE(test::fileExists(p)) << p << " is missing (tests/media/playback.sh makes it)";
        return p;
    }

    Recorder recorder;
    RecordingListener listener;
    RecordingPrompt prompt;
    Settings saved;
    Thread thread;
    long id = -1;
};

TEST_F(DecoderThreadTest, TwoFilesOfOneRateOpenTheDeviceOnceAndReleaseAtTheEnd) {
    postPlayFile(media("a44.mp2").c_str(), id);
    ASSERT_TRUE(recorder.waitFor("ENDED"));
    long firstBytes = recorder.bytes();
    postPlayFile(media("b44.mp2").c_str(), id);
    ASSERT_TRUE(recorder.waitFor("ENDED", 2));
    postReleaseAudio(id);
    ASSERT_TRUE(recorder.waitFor("shutdown"));

    EXPECT_EQ(recorder.count("STARTED"), 2);
    EXPECT_EQ(recorder.count("open 44100 2 0"), 1);
    EXPECT_EQ(recorder.countPrefix("open"), 1);
    // Nothing closed between the files; the end of the list lets the queued audio finish.
    int end = recorder.find("ENDED");
    EXPECT_EQ(recorder.find("close", 0), recorder.find("close 0"));
    EXPECT_GT(recorder.find("close 0"), recorder.find("ENDED", end + 1));
    EXPECT_LT(recorder.find("close 0"), recorder.find("shutdown"));
    // Both files' PCM went out whole: the tail below the threshold is written at release.
    EXPECT_GT(firstBytes, 2 * 176400 - 16384 - 4608);
    EXPECT_EQ(size_t(recorder.bytes()), test::decodeInRow({media("a44.mp2"), media("b44.mp2")}, false).size());
    EXPECT_EQ(recorder.find("write", recorder.find("ENDED", end + 1)) + 1, recorder.find("close 0"));

    DecoderStatus st;
    getDecoderStatus(st);
    EXPECT_EQ(st.playing, 0);
    EXPECT_EQ(st.percent, 100);
    EXPECT_EQ(st.infoValid, 1);
    EXPECT_EQ(st.layer, 2);
    EXPECT_EQ(st.bitrateKbps, 192);
}

TEST_F(DecoderThreadTest, RateChangeClosesWithResetAndReopens) {
    postPlayFile(media("a44.mp2").c_str(), id);
    ASSERT_TRUE(recorder.waitFor("ENDED"));
    postPlayFile(media("d22.mp2").c_str(), id);
    ASSERT_TRUE(recorder.waitFor("ENDED", 2));
    int first = recorder.find("open 44100 2 0");
    int close = recorder.find("close 1", first);
    int second = recorder.find("open 22050 2 0", close);
    EXPECT_GE(first, 0);
    EXPECT_GT(close, recorder.find("STARTED", recorder.find("ENDED")));
    EXPECT_GT(second, close);
    DecoderStatus st;
    getDecoderStatus(st);
    EXPECT_EQ(st.sampleRate, 22050);
}

TEST_F(DecoderThreadTest, MissingFileShowsTheMessageAndSendsNothing) {
    std::string path = test::scratchDir("decoder_thread_missing") + "/nothing.mp3";
    postPlayFile(path.c_str(), id);
    char text[400];
    std::snprintf(text, sizeof text, texts::kCouldNotOpenFile, path.c_str());
    std::string box = std::string("box ") + texts::kDecoderErrorTitle + ": " + text;
    ASSERT_TRUE(recorder.waitFor(box));
    // The thread is idle again and plays the next request.
    postPlayFile(media("d22.mp2").c_str(), id);
    ASSERT_TRUE(recorder.waitFor("ENDED"));
    EXPECT_EQ(recorder.count("STARTED"), 1);
    EXPECT_LT(recorder.find("box"), recorder.find("STARTED"));
}

TEST_F(DecoderThreadTest, PlayRequestDuringPlaybackIsDropped) {
    recorder.setHold(true);
    postPlayFile(media("a44.mp2").c_str(), id);
    ASSERT_TRUE(recorder.waitFor("write"));
    postPlayFile(media("c48.mp2").c_str(), id);
    recorder.setHold(false);
    ASSERT_TRUE(recorder.waitFor("ENDED"));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(recorder.count("STARTED"), 1);
    EXPECT_EQ(recorder.countPrefix("open 48000"), 0);
}

TEST_F(DecoderThreadTest, StopThenPlayPlaysTheNewFile) {
    recorder.setHold(true);
    postPlayFile(media("a44.mp2").c_str(), id);
    ASSERT_TRUE(recorder.waitFor("write"));
    postStop(id);
    postPlayFile(media("c48.mp2").c_str(), id);
    recorder.setHold(false);
    ASSERT_TRUE(recorder.waitFor("ENDED"));
    EXPECT_EQ(recorder.count("STARTED"), 2);
    EXPECT_EQ(recorder.count("ENDED"), 1);
    // The stopped file: flushed and closed with reset before the next one starts.
    int flush = recorder.find("flush");
    int close = recorder.find("close 1");
    EXPECT_GT(flush, 0);
    EXPECT_GT(close, flush);
    EXPECT_GT(recorder.find("open 48000 2 0"), close);
    DecoderStatus st;
    getDecoderStatus(st);
    EXPECT_EQ(st.sampleRate, 48000);
}

// A backlog of requests (Play and Stop hammered faster than files open) is caught up with:
// a play whose stop already waits behind it, even behind a seek, is dropped (no file, no
// device, no word to the window), so the last play sounds at once.
TEST_F(DecoderThreadTest, QueuedStopsEndTheirPlaysBeforeTheDeviceOpens) {
    recorder.setHold(true);   // the first play holds in its write while the backlog is posted
    postPlayFile(media("a44.mp2").c_str(), id);
    ASSERT_TRUE(recorder.waitFor("write"));
    postStop(id);
    constexpr int kCycles = 40;
    for (int i = 0; i < kCycles; ++i) {
        postPlayFile(media("c48.mp2").c_str(), id);
        postSeekPercent(50, id);
        postStop(id);
    }
    postPlayFile(media("a44.mp2").c_str(), id);
    recorder.setHold(false);
    ASSERT_TRUE(recorder.waitFor("ENDED"));
    EXPECT_EQ(recorder.count("STARTED"), 2);   // the first play and the last
    EXPECT_EQ(recorder.countPrefix("open "), 2);   // the first play and the last
}

TEST_F(DecoderThreadTest, SeekToHalfContinuesFromTheMiddle) {
    recorder.setHold(true);
    postPlayFile(media("a44.mp2").c_str(), id);
    ASSERT_TRUE(recorder.waitFor("write"));
    postSeekPercent(50, id);
    recorder.setHold(false);
    ASSERT_TRUE(recorder.waitFor("ENDED"));
    int flush = recorder.find("flush");
    ASSERT_GT(flush, 0);
    // Two seconds of audio: the middle is at 1 s (whole seconds).
    EXPECT_EQ(recorder.find("played 1000"), flush + 1);
    // What follows the seek is about the second half (one threshold of it stays buffered).
    EXPECT_NEAR(double(recorder.bytes()), 176400.0, 176400.0 * 0.15);
}

TEST_F(DecoderThreadTest, FailedWriteEndsTheFileAsStopped) {
    recorder.failWrites = 1;     // set before the thread sees the file
    postPlayFile(media("a44.mp2").c_str(), id);
    ASSERT_TRUE(recorder.waitFor("close 1"));
    recorder.failWrites = 0;
    EXPECT_EQ(recorder.count("write"), 1);
    EXPECT_EQ(recorder.count("ENDED"), 0);
    EXPECT_LT(recorder.find("flush"), recorder.find("close 1"));
    // And the thread plays on afterwards.
    postPlayFile(media("d22.mp2").c_str(), id);
    ASSERT_TRUE(recorder.waitFor("ENDED"));
}

TEST_F(DecoderThreadTest, EightBitModeReopensAtHalfTheThreshold) {
    postPlayFile(media("d22.mp2").c_str(), id);
    ASSERT_TRUE(recorder.waitFor("ENDED"));
    settings().AudioOutput8Bit = 1;
    postPlayFile(media("a44.mp2").c_str(), id);
    ASSERT_TRUE(recorder.waitFor("ENDED", 2));
    int close = recorder.find("close 1", recorder.find("ENDED"));
    EXPECT_GT(close, 0);
    EXPECT_GT(recorder.find("open 44100 2 1"), close);
    // 2 s of 8-bit stereo.
    EXPECT_NEAR(double(recorder.bytes()), 88200.0 * 2, 8192.0 + 2304.0);
}

TEST_F(DecoderThreadTest, FailuresAreReportedToTheCallerAndAStopIsNot) {
    // The input cannot be opened: the message, then the failure.
    std::string missing = test::scratchDir("decoder_thread_failures") + "/nothing.mp3";
    postPlayFile(missing.c_str(), id);
    ASSERT_TRUE(recorder.waitFor("FAILED"));
    EXPECT_LT(recorder.find("box"), recorder.find("FAILED"));
    // The output cannot be opened.
    recorder.failOpen = 1;
    postPlayFile(media("d22.mp2").c_str(), id);
    ASSERT_TRUE(recorder.waitFor("FAILED", 2));
    EXPECT_GT(recorder.find("FAILED", recorder.find("open failed")), 0);
    recorder.failOpen = 0;
    // A write fails.
    recorder.failWrites = 1;
    postPlayFile(media("d22.mp2").c_str(), id);
    ASSERT_TRUE(recorder.waitFor("FAILED", 3));
    recorder.failWrites = 0;
    // A stop is no failure.
    recorder.setHold(true);
    postPlayFile(media("a44.mp2").c_str(), id);
    ASSERT_TRUE(recorder.waitFor("write", 2));
    postStop(id);
    recorder.setHold(false);
    ASSERT_TRUE(recorder.waitFor("close 1", 2));
    postPlayFile(media("d22.mp2").c_str(), id);
    ASSERT_TRUE(recorder.waitFor("ENDED"));
    EXPECT_EQ(recorder.count("FAILED"), 3);
    EXPECT_EQ(recorder.count("ENDED"), 1);
}

// Many play requests in a row from another thread: each one the thread takes is a whole
// path, and the last one wins.
TEST_F(DecoderThreadTest, RapidPlayRequestsHandOverWholePaths) {
    std::string dir = test::scratchDir("decoder_thread_paths");
    // Long, but within the path limit wherever the build folder lies.
    const int pad = std::max(8, 240 - int(dir.size()));
    const std::string longPath = dir + "/" + std::string(size_t(pad), 'a') + ".mp3";
    const std::string shortPath = dir + "/b.mp3";
    const std::string lastPath = dir + "/last.mp3";
    std::thread poster([&] {
        for (int i = 0; i < 2000; ++i) postPlayFile((i & 1 ? shortPath : longPath).c_str(), id);
        postPlayFile(lastPath.c_str(), id);
    });
    poster.join();
    auto box = [](const std::string& path) {
        char text[400];
        std::snprintf(text, sizeof text, texts::kCouldNotOpenFile, path.c_str());
        return std::string("box ") + texts::kDecoderErrorTitle + ": " + text;
    };
    ASSERT_TRUE(recorder.waitForPrefix("box ", 2001));
    int boxes = recorder.countPrefix("box ");
    EXPECT_EQ(boxes, 2001);
    EXPECT_EQ(recorder.count(box(longPath)) + recorder.count(box(shortPath)) + recorder.count(box(lastPath)), boxes);
    std::lock_guard<std::mutex> lock(recorder.m);
    int last = -1;
    for (int i = 0; i < int(recorder.log.size()); ++i)
        if (recorder.log[i].rfind("box ", 0) == 0) last = i;
    ASSERT_GE(last, 0);
    EXPECT_EQ(recorder.log[last], box(lastPath));
}

TEST_F(DecoderThreadTest, SeekInAVbrFileContinuesToTheEnd) {
    std::string vbr = test::mediaPath("layer3/vbr.mp3");
    ASSERT_TRUE(test::fileExists(vbr)) << vbr << " is missing (tests/media/layer3.sh makes it)";
    const double whole = double(test::decodeInRow({vbr}, false).size());
    recorder.setHold(true);
    postPlayFile(vbr.c_str(), id);
    ASSERT_TRUE(recorder.waitFor("write"));
    postSeekPercent(50, id);
    recorder.setHold(false);
    ASSERT_TRUE(recorder.waitFor("ENDED"));
    ASSERT_GT(recorder.find("flush"), 0);
    // About the second half follows the seek (less one threshold that stays buffered).
    EXPECT_NEAR(double(recorder.bytes()), whole / 2, whole * 0.15);
}

// Milliseconds of the "played N" entry after the flush at or after from, or -1.
long long playedAfterFlush(Recorder& r, int from = 0) {
    const int flush = r.find("flush", from);
    if (flush < 0) return -1;
    std::lock_guard<std::mutex> lock(r.m);
    if (flush + 1 >= int(r.log.size()) || r.log[size_t(flush) + 1].rfind("played ", 0) != 0) return -1;
    return std::stoll(r.log[size_t(flush) + 1].substr(7));
}

// A jump by time goes from what the driver says is heard; before the start is the start, and
// past the end the file ends at once, as if it had played out.
TEST_F(DecoderThreadTest, SeekByTimeFromWhatIsHeardStopsAtBothEnds) {
    const double second = 176400.0;   // bytes of one second at 44.1 kHz
    int writes = 0;
    recorder.setHold(true);
    postPlayFile(media("a44.mp2").c_str(), id);
    ASSERT_TRUE(recorder.waitFor("write"));
    recorder.played = 500;
    postSeekBy(1000, id);
    recorder.setHold(false);
    ASSERT_TRUE(recorder.waitFor("ENDED"));
    // 1.5 s of the 2 s file: the frame that starts there (26 ms a frame), and half a second after
    EXPECT_NEAR(double(playedAfterFlush(recorder)), 1500.0, 27.0);
    EXPECT_NEAR(double(recorder.bytes()), second / 2, second * 0.1);

    recorder.setHold(true);
    writes = recorder.count("write");
    postPlayFile(media("a44.mp2").c_str(), id);
    ASSERT_TRUE(recorder.waitFor("write", writes + 1));
    const int start = recorder.find("STARTED", recorder.find("ENDED"));
    postSeekBy(-5000, id);
    recorder.setHold(false);
    ASSERT_TRUE(recorder.waitFor("ENDED", 2));
    EXPECT_EQ(playedAfterFlush(recorder, start), 0);
    EXPECT_NEAR(double(recorder.bytes()), 2 * second, second * 0.15);   // the whole file again (less what stays buffered)

    recorder.setHold(true);
    writes = recorder.count("write");
    postPlayFile(media("a44.mp2").c_str(), id);
    ASSERT_TRUE(recorder.waitFor("write", writes + 1));
    const int beforeEnd = recorder.find("STARTED", recorder.find("ENDED", start));
    recorder.played = 0;   // an output that keeps no time: the read position counts
    postSeekBy(5000, id);
    recorder.setHold(false);
    ASSERT_TRUE(recorder.waitFor("ENDED", 3));
    const int flush = recorder.find("flush", beforeEnd);
    ASSERT_GT(flush, 0);
    EXPECT_LT(flush, recorder.find("ENDED", beforeEnd));
    EXPECT_EQ(recorder.bytes(), 0) << "sound went out after the jump to the end";
    EXPECT_EQ(recorder.count("STARTED"), 3);
    DecoderStatus st;
    getDecoderStatus(st);
    EXPECT_EQ(st.percent, 100);
}

// Three minutes of lame VBR: the header's frame count gives the listed time, and its table
// takes a seek to 50 % to the middle of the music (found by matching the PCM that follows
// the seek against the whole decoding).
TEST_F(DecoderThreadTest, VbrHeaderGivesTheLengthAndTheMiddle) {
    const std::string vbr = test::mediaPath("gapless/vbr3min.mp3");
    ASSERT_TRUE(test::fileExists(vbr)) << vbr << " is missing (tests/media/gapless.sh makes it)";
    PlaylistEntry entry;
    std::snprintf(entry.path, sizeof entry.path, "%s", vbr.c_str());
    ASSERT_EQ(readEntryInfo(entry), 1);
    std::printf("listed: %d ms\n", int(entry.playTimeMs));
    EXPECT_NEAR(entry.playTimeMs, 180000, 1000);

    const std::vector<uint8_t> wholeBytes = test::decodeInRow({vbr}, false);
    const std::vector<int16_t> whole = test::samplesOf(wholeBytes.data(), wholeBytes.size());
    recorder.setHold(true);
    postPlayFile(vbr.c_str(), id);
    ASSERT_TRUE(recorder.waitFor("write"));
    postSeekPercent(50, id);
    recorder.setHold(false);
    // Ninety seconds of music: a sanitizer build needs longer than one wait.
    bool ended = false;
    for (int i = 0; i < 12 && !ended; ++i) ended = recorder.waitFor("ENDED");
    ASSERT_TRUE(ended);
    const int flush = recorder.find("flush");
    ASSERT_GT(flush, 0);
    std::vector<int16_t> after;
    long long playedMs = -1;
    {
        std::lock_guard<std::mutex> lock(recorder.m);
        after = test::samplesOf(recorder.pcm.data(), recorder.pcm.size());
        if (flush + 1 < int(recorder.log.size()) && recorder.log[size_t(flush) + 1].rfind("played ", 0) == 0)
            playedMs = std::stoll(recorder.log[size_t(flush) + 1].substr(7));
    }
    // A stretch a few frames in (the state before the seek has worn off) against every
    // place in the whole decoding; the best match is where the seek went on.
    constexpr size_t kProbeAt = 2 * 1152 * 8, kProbe = 2 * 2048;
    ASSERT_GT(after.size(), kProbeAt + kProbe);
    size_t best = 0;
    double bestError = -1;
    auto tryAt = [&](size_t at) {
        double error = 0;
        for (size_t i = 0; i < kProbe && (bestError < 0 || error < bestError); ++i)
            error += std::abs(double(whole[at + i]) - after[kProbeAt + i]);
        if (bestError < 0 || error < bestError) {
            bestError = error;
            best = at;
        }
    };
    // Frame starts first (the whole decoding lost 576 + 529 samples at its start), every
    // place only when none of them matches exactly.
    for (size_t at = 2 * (1152 - 1105); at + kProbe <= whole.size(); at += 2 * 1152) tryAt(at);
    for (size_t at = 0; bestError > 0 && at + kProbe <= whole.size(); at += 2) tryAt(at);
    const double landing = double(best - kProbeAt) / double(whole.size());
    std::printf("seek to 50%% went on at %.2f%% of the music (probe error %.0f), played time %lld ms\n",
                landing * 100.0, bestError, playedMs);
    EXPECT_NEAR(landing, 0.5, 0.01);
    EXPECT_LT(bestError, double(kProbe));
    EXPECT_NEAR(double(playedMs), 90000.0, 1800.0);
}

// An album cut into three lame files plays as the whole does: no gap, no step at the joins;
// with gapless playback off every frame of every file is played, as before.
TEST_F(DecoderThreadTest, GaplessAlbumJoinsLikeTheWhole) {
    for (const std::string& f : test::albumPieces())
        ASSERT_TRUE(test::fileExists(f)) << f << " is missing (tests/media/gapless.sh makes it)";
    const std::vector<uint8_t> wholeBytes = test::decodeInRow({test::albumWhole()}, false);
    const std::vector<int16_t> whole = test::samplesOf(wholeBytes.data(), wholeBytes.size());
    int ended = 0;
    for (int gapless : {1, 0}) {
        settings().GaplessPlayback = gapless;
        for (const std::string& f : test::albumPieces()) {
            postPlayFile(f.c_str(), id);
            ASSERT_TRUE(recorder.waitFor("ENDED", ++ended));
        }
        postReleaseAudio(id);
        ASSERT_TRUE(recorder.waitFor("shutdown", 2 - gapless));
        std::vector<int16_t> pieces;
        {
            std::lock_guard<std::mutex> lock(recorder.m);
            pieces = test::samplesOf(recorder.pcm.data(), recorder.pcm.size());
        }
        if (gapless) {
            ASSERT_EQ(pieces.size(), whole.size());
            test::JoinError e = test::compareJoins(pieces, whole, {882000, 1764000});
            std::printf("pieces against the whole: %.1f dB, worst join %.1f dB\n", e.overallDb, e.worstJoinDb);
            EXPECT_GT(e.overallDb, 30.0);
            EXPECT_GT(e.worstJoinDb, 28.0);
        } else {
            EXPECT_EQ(pieces.size(), 3u * 768 * 1152 * 2);
        }
    }
}

// A 4.6 GB file: a seek to 50 % lands in the middle and the played time goes on from there.
TEST_F(DecoderThreadTest, SeekInAFileOverFourGigabytesLandsInTheMiddle) {
    std::string path = test::scratchDir("decoder_thread_large") + "/large.mp3";
    ASSERT_GT(test::writeLargeSparseFile(media("e44.mp3"), path), 0);
    recorder.setHold(true);
    postPlayFile(path.c_str(), id);
    ASSERT_TRUE(recorder.waitFor("write"));
    postSeekPercent(50, id);
    recorder.setHold(false);
    // The copy at the middle plays; the search for more after it goes on through the 2.3 GB
    // of zeros to the end and is not waited for (the quit at the end stops it).
    const auto give = std::chrono::steady_clock::now() + 10s;
    while (recorder.bytes() <= 400000 && std::chrono::steady_clock::now() < give) std::this_thread::sleep_for(5ms);
    int flush = recorder.find("flush");
    ASSERT_GT(flush, 0);
    int played = recorder.find("played ", flush);
    ASSERT_GT(played, flush);
    long long ms = 0;
    {
        std::lock_guard<std::mutex> lock(recorder.m);
        ms = std::stoll(recorder.log[size_t(played)].substr(7));
    }
    // About 40 hours at the middle; 32-bit sizes put it at 153 MB, about 2.7 hours.
    EXPECT_GT(ms, 140000000LL);
    EXPECT_LT(ms, 150000000LL);
    // The copy at the middle played whole after the seek (less one threshold kept back).
    EXPECT_GT(recorder.bytes(), 400000);
    std::remove(path.c_str());
}

// 4.6 GB of 320 kbit/s at 48 kHz, some 32 hours: a seek to 99 % lands near the end and the
// played time goes on from there. With 32-bit sizes the file would count as 305 MB.
TEST_F(DecoderThreadTest, SeekToNinetyNinePercentOfAHugeLongFile) {
    const std::string path = test::scratchDir("decoder_thread_huge") + "/huge.mp3";
    const int64_t size = 4600000000LL;
    const int64_t estimate = test::seekEstimate(size, 960.0, 99);
    ASSERT_TRUE(test::writeSparseCopies(test::mediaPath("foundation/l3_48_320_s.mp3"), path, size, {0, estimate - 2000}));
    recorder.setHold(true);
    postPlayFile(path.c_str(), id);
    ASSERT_TRUE(recorder.waitFor("write"));
    postSeekPercent(99, id);
    recorder.setHold(false);
    ASSERT_TRUE(recorder.waitFor("ENDED"));
    int flush = recorder.find("flush");
    ASSERT_GT(flush, 0);
    int played = recorder.find("played ", flush);
    ASSERT_GT(played, flush);
    long long ms = 0;
    {
        std::lock_guard<std::mutex> lock(recorder.m);
        ms = std::stoll(recorder.log[size_t(played)].substr(7));
    }
    // 24 ms a frame, from about where the seek found its header.
    const long long expected = estimate / 960 * 24;
    EXPECT_GT(ms, expected - 1000);
    EXPECT_LT(ms, expected + 3000);
    EXPECT_GT(ms, 110000000LL);
    // The copy near the end played after the seek (less one threshold kept back).
    EXPECT_GT(recorder.bytes(), 60000);
    std::remove(path.c_str());
}

// A file that loses step for good: 3 s of sound, then 40 GB of zeros (a sparse file, no
// disk). The search for the stream goes on past the old limit, and a Stop that comes during
// it is obeyed between its blocks: the file ends as stopped, not by itself.
TEST_F(DecoderThreadTest, StopEndsALongSearchForTheStream) {
    const std::string path = test::scratchDir("decoder_thread_search") + "/lost.mp3";
    const std::string src = media("e44.mp3");
    ASSERT_TRUE(test::writeSparseCopies(src, path, 40LL << 30, {0}));
    const long pcm = long(test::decodeInRow({src}, false, false).size());
    postPlayFile(path.c_str(), id);
    // Every frame but those below one threshold has been written: the search is under way.
    const auto give = std::chrono::steady_clock::now() + 10s;
    while (recorder.bytes() < pcm - 16384 && recorder.count("ENDED") == 0 && std::chrono::steady_clock::now() < give)
        std::this_thread::sleep_for(5ms);
    std::this_thread::sleep_for(100ms);
    postStop(id);
    EXPECT_TRUE(recorder.waitFor("close 1")) << "the stop was not seen during the search";
    EXPECT_EQ(recorder.count("ENDED"), 0);
    std::remove(path.c_str());
}

// A damaged file whose question the front end never answers.
class DecoderThreadQuestionTest : public DecoderThreadTest {
protected:
    void SetUp() override {
        listener.holdQuestions = true;
        DecoderThreadTest::SetUp();
        damaged = test::scratchDir("decoder_thread_question") + "/damaged.mp2";
        ASSERT_TRUE(test::writeWithFreeFormatFrame(media("a44.mp2"), 20, damaged));
    }
    std::string damaged;
};

TEST_F(DecoderThreadQuestionTest, StopDuringAQuestionEndsTheFile) {
    postPlayFile(damaged.c_str(), id);
    ASSERT_TRUE(recorder.waitFor("ask 1"));
    postStop(id);
    ASSERT_TRUE(recorder.waitFor("close 1"));
    EXPECT_GT(recorder.find("flush"), recorder.find("ask 1"));
    EXPECT_EQ(recorder.count("ENDED"), 0);
    // The thread is idle and plays the next request.
    postPlayFile(media("d22.mp2").c_str(), id);
    ASSERT_TRUE(recorder.waitFor("ENDED"));
}

TEST_F(DecoderThreadQuestionTest, QuitDuringAQuestionEndsTheThread) {
    postPlayFile(damaged.c_str(), id);
    ASSERT_TRUE(recorder.waitFor("ask 1"));
    auto t0 = std::chrono::steady_clock::now();
    stopDecoderThread(id, thread);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 2s);
    EXPECT_FALSE(thread.running());
    EXPECT_EQ(recorder.count("shutdown"), 1);
    // The thread is gone: posts say so.
    EXPECT_EQ(postStop(id), 0);
    EXPECT_EQ(postPlayFile(damaged.c_str(), id), 0);
    EXPECT_EQ(postSeekPercent(10, id), 0);
}

TEST_F(DecoderThreadQuestionTest, OnlyTheAnswerToTheOpenQuestionCounts) {
    postPlayFile(damaged.c_str(), id);
    ASSERT_TRUE(recorder.waitFor("ask 1"));
    postStop(id);
    ASSERT_TRUE(recorder.waitFor("close 1"));
    postPlayFile(damaged.c_str(), id);
    ASSERT_TRUE(recorder.waitFor("ask 2"));
    EXPECT_EQ(listener.lastQuestion.load(), 2);
    // A seek that arrives during the question waits its turn; the late answer to the first
    // question changes nothing.
    postSeekPercent(90, id);
    DecoderListener::postAnswer(1, 1, id);
    std::this_thread::sleep_for(200ms);
    int asked = recorder.find("ask 2");
    EXPECT_EQ(recorder.find("flush", asked), -1);
    EXPECT_EQ(recorder.count("ENDED"), 0);
    ASSERT_EQ(DecoderListener::postAnswer(2, 1, id), 1);
    ASSERT_TRUE(recorder.waitFor("ENDED"));
    EXPECT_GT(recorder.find("flush", asked), asked);
    EXPECT_GT(recorder.find("played 1000", asked), asked);    // 90 % of two seconds, in whole seconds
}

#ifndef _WIN32
// Linux cannot end a thread safely from outside: it is detached and left behind.
TEST_F(DecoderThreadTest, StopGivesUpOnAThreadThatDoesNotEnd) {
    recorder.setHold(true);     // the thread blocks in the device's write
    postPlayFile(media("a44.mp2").c_str(), id);
    ASSERT_TRUE(recorder.waitFor("write"));
    auto t0 = std::chrono::steady_clock::now();
    stopDecoderThread(id, thread);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 6s);    // the program goes on ending
    EXPECT_TRUE(thread.running());
    // Let the abandoned thread go (it made itself a new queue) before the test's objects go.
    recorder.setHold(false);
    while (!thread.join(20)) postThreadMessage(id, kMsgQuit, 0, 0);
}
#endif

// A long run of play, seek and stop in every order the user interface can post them (fixed
// seed): every play starts at most once (one with a stop already behind it not at all),
// nothing is reported, and the thread still plays a file whole afterwards. Runs under both
// sanitizers.
TEST_F(DecoderThreadTest, ThousandPlaySeekStopCyclesLeaveAWorkingThread) {
    const std::string files[] = {media("a44.mp2"), media("c48.mp2"), media("d22.mp2"), media("e44.mp3")};
    const int percents[] = {0, 1, 50, 99, 100, 101, -5, 1000, 2147483647, -2147483647};
    unsigned seed = 1000;
    auto next = [&seed](unsigned n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    int starts = 0, ends = 0;
    for (int cycle = 0; cycle < 1000; ++cycle) {
        postPlayFile(files[next(4)].c_str(), id);
        ++starts;
        for (unsigned k = next(3); k > 0; --k) postSeekPercent(percents[next(10)], id);
        if (next(8) == 0) postPriorityChanged(id);
        switch (next(16)) {
        case 0:   // to its end; the next play opens a new file
            ASSERT_TRUE(recorder.waitFor("ENDED", ++ends)) << "cycle " << cycle;
            if (next(2)) postReleaseAudio(id);
            break;
        case 1:   // a play that comes while the file plays is dropped
            postPlayFile(files[0].c_str(), id);
            postStop(id);
            break;
        default:
            postStop(id);
            break;
        }
    }
    postStop(id);
    postPlayFile(files[0].c_str(), id);
    // Plays of the burst that started may have ended too: the last play's end is the entry
    // after which nothing more comes.
    ASSERT_TRUE(recorder.waitFor("ENDED", ends + 1));
    ASSERT_TRUE(recorder.waitForLastEntry("ENDED", 1s));
    EXPECT_GE(recorder.count("STARTED"), ends + 1);
    EXPECT_LE(recorder.count("STARTED"), starts + 1);
    EXPECT_EQ(recorder.countPrefix("box"), 0);
    EXPECT_EQ(recorder.count("FAILED"), 0);
    // the last file went out whole but for the tail that waits for the release
    const long whole = long(test::decodeInRow({files[0]}, false).size());
    EXPECT_LE(recorder.bytes(), whole);
    EXPECT_GT(recorder.bytes(), whole - 16384);
    DecoderStatus st;
    getDecoderStatus(st);
    EXPECT_EQ(st.percent, 100);
    EXPECT_EQ(st.sampleRate, 44100);
}

TEST(DecoderThreadPriority, ValuesOutsideTheSixChoicesMeanNormal) {
    EXPECT_EQ(threadPriorityFor(6), PriorityNormal);
    EXPECT_EQ(threadPriorityFor(-1), PriorityNormal);
    EXPECT_EQ(threadPriorityFor(5), PriorityTimeCritical);
}

} // namespace
} // namespace korvo
