// The PulseAudio driver against a real server (scripts/pulse-null.sh: a null sink as the
// default device): what the sink's monitor records is what the decoder made.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "settings/settings.h"
#include "playback/decoder_thread.h"
#include "playback/output_driver.h"
#include "playback_support.h"
#include "cli/korvo_run.h"
#include "sound_check.h"
#include "test_support.h"

extern char** environ;

namespace korvo {
namespace {

using namespace std::chrono_literals;

// The server scripts/pulse-null.sh starts, unless the environment names another.
void pointAtTestServer() {
    if (!std::getenv("PULSE_SERVER") && test::fileExists("/tmp/korvo-pulse/native"))
        setenv("PULSE_SERVER", "unix:/tmp/korvo-pulse/native", 1);
}

// parec on the default sink's monitor, 44.1 kHz 16-bit stereo, read as it arrives.
class Recorder {
public:
    bool start() {
        int fds[2];
        if (pipe(fds) != 0) return false;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
        posix_spawn_file_actions_addclose(&fa, fds[0]);
        const char* argv[] = {"parec", "--raw", "--latency-msec=10", "--rate=44100", "--format=s16le",
                              "--channels=2", "-d", "@DEFAULT_MONITOR@", nullptr};
        int rc = posix_spawnp(&pid_, "parec", &fa, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&fa);
        close(fds[1]);
        if (rc != 0) {
            close(fds[0]);
            return false;
        }
        fd_ = fds[0];
        reader_ = std::thread([this] {
            uint8_t buf[8192];
            for (;;) {
                ssize_t n = read(fd_, buf, sizeof buf);
                if (n <= 0) break;
                std::lock_guard<std::mutex> lock(m_);
                bytes_.insert(bytes_.end(), buf, buf + n);
            }
        });
        std::this_thread::sleep_for(300ms);     // parec connected and recording
        return true;
    }
    std::vector<int16_t> stop() {
        std::this_thread::sleep_for(200ms);
        kill(pid_, SIGINT);
        int status = 0;
        waitpid(pid_, &status, 0);
        reader_.join();
        close(fd_);
        std::lock_guard<std::mutex> lock(m_);
        std::vector<int16_t> s(bytes_.size() / 2);
        for (size_t i = 0; i < s.size(); ++i) s[i] = int16_t(bytes_[2 * i] | bytes_[2 * i + 1] << 8);
        return s;
    }
    size_t size() {
        std::lock_guard<std::mutex> lock(m_);
        return bytes_.size();
    }
    std::vector<uint8_t> slice(size_t from, size_t to) {
        std::lock_guard<std::mutex> lock(m_);
        to = std::min(to, bytes_.size());
        return from < to ? std::vector<uint8_t>(bytes_.begin() + long(from), bytes_.begin() + long(to))
                         : std::vector<uint8_t>();
    }

private:
    pid_t pid_ = -1;
    int fd_ = -1;
    std::thread reader_;
    std::mutex m_;
    std::vector<uint8_t> bytes_;
};

class PulseSoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        pointAtTestServer();
        if (!soundDeviceDriver().init())
            GTEST_SKIP() << "no PulseAudio server could be reached (start one with scripts/pulse-null.sh)";
        saved = settings();
        settings().AudioOutputSystem = kOutputSoundDevice;
        settings().AudioOutput8Bit = 0;
        settings().DecoderPriority = 2;
        settings().MappingMode = 2;
        settings().EqEnabled = 0;
        settings().EqVolume = 15;
        ASSERT_TRUE(recorder.start()) << "parec could not be started";
        started = true;
    }
    void TearDown() override {
        if (started) settings() = saved;
    }
    static std::string media(const char* name) {
        std::string p = test::mediaPath(std::string("playback/") + name);
        EXPECT_TRUE(test::fileExists(p)) << p << " is missing (tests/media/playback.sh makes it)";
        return p;
    }

    Settings saved;
    Recorder recorder;
    bool started = false;
};

TEST_F(PulseSoundTest, PlaysTheDecodingOfTwoFilesWithoutAGap) {
    std::string a = media("a44.mp2"), b = media("b44.mp2");
    test::ListPlayback playback({a, b});
    ASSERT_TRUE(playback.start());
    test::ListPlayer& player = playback.player;
    ASSERT_TRUE(player.waitDone(15000));
    playback.stop();    // the release lets the queued audio play out first
    std::vector<int16_t> rec = recorder.stop();

    std::vector<uint8_t> ref = test::decodeInRow({a, b}, false);
    long join = long(test::decodeInRow({a}, false).size() / 4);
    test::SoundMatch m = test::matchSound(rec, ref, 44100, join);
    EXPECT_GT(m.correlation, 0.99);
    EXPECT_LT(std::abs(m.lengthDifferenceMs), 100.0) << "recorded " << m.recordedMs << " ms";
    EXPECT_LE(m.silenceAtJoin, m.referenceSilenceAtJoin + 8) << "a gap where the files meet";
}

TEST_F(PulseSoundTest, PauseHoldsAndResumeContinues) {
    std::string a = media("a44.mp2");
    test::ListPlayback playback({a});
    ASSERT_TRUE(playback.start());
    test::ListPlayer& player = playback.player;
    std::this_thread::sleep_for(700ms);
    ASSERT_EQ(outputDriver().pause(), 1);
    std::this_thread::sleep_for(150ms);
    size_t held = recorder.size();
    int64_t playedAtPause = outputDriver().getPlayedTime();
    std::this_thread::sleep_for(500ms);
    // Nothing but silence reached the sink while paused, and the clock stood still.
    std::vector<uint8_t> during = recorder.slice(held, recorder.size());
    size_t loud = 0;
    for (uint8_t v : during) loud += v != 0;
    EXPECT_EQ(loud, 0u);
    EXPECT_LE(outputDriver().getPlayedTime() - playedAtPause, 20);
    outputDriver().resume();
    ASSERT_TRUE(player.waitDone(15000));
    playback.stop();
    std::vector<int16_t> rec = recorder.stop();

    // All of the file arrived once the pause was taken out.
    test::SoundMatch m = test::matchSound(test::withoutSilence(rec), test::decodeInRow({a}, false), 44100);
    EXPECT_GT(m.correlation, 0.99);
    EXPECT_LT(std::abs(m.lengthDifferenceMs), 100.0);
}

// korvo play of a 20 s file at 8 kHz: the end of the list waits for the sound server to
// play what it holds, and what it holds is short.
TEST_F(PulseSoundTest, KorvoPlayPlaysALowRateFileToItsEnd) {
    // Long enough that a buffer holding seconds at this rate would still be playing it
    // when the end of the list stops waiting.
    std::string low8 = media("low8.mp3");
    test::KorvoRun run = test::runKorvo({"play", low8}, 60000);
    std::vector<int16_t> rec = recorder.stop();
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    // First to last sound recorded, at the monitor's 44.1 kHz.
    long first = -1, last = -1;
    for (long i = 0; i + 1 < long(rec.size()); i += 2) {
        if (std::abs(rec[size_t(i)]) > 64 || std::abs(rec[size_t(i + 1)]) > 64) {
            if (first < 0) first = i / 2;
            last = i / 2;
        }
    }
    ASSERT_GE(first, 0) << "nothing was recorded";
    double seconds = double(last - first) / 44100.0;
    std::printf("korvo play of 8 s at 8 kHz: %.2f s recorded\n", seconds);
    EXPECT_GT(seconds, 7.5);
}

} // namespace
} // namespace korvo
