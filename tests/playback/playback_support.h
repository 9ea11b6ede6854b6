#pragma once
// Helpers of the player tests: a front end that plays a list the way the main window
// does, and the reference decoding of files played in a row.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "playback/decoder_thread.h"

namespace korvo::test {

// Plays its list: the next file on each end, the release after the last one.
class ListPlayer : public DecoderListener {
public:
    explicit ListPlayer(std::vector<std::string> files) : files_(std::move(files)) {}
    void start(long threadId);
    void notify(uint32_t message) override;
    // Waits until the list has ended; false after the timeout.
    bool waitDone(int timeoutMs);
    int started();

private:
    std::mutex m_;
    std::condition_variable cv_;
    std::vector<std::string> files_;
    long threadId_ = -1;
    int next_ = 0;
    int started_ = 0;
    bool done_ = false;
};

// A decoder thread playing a ListPlayer's list; the tests assert on start() and the waits.
class ListPlayback {
public:
    explicit ListPlayback(std::vector<std::string> files) : player(std::move(files)) {}
    // Starts the thread and the first file; false if the thread could not be started.
    bool start();
    void stop() { stopDecoderThread(id_, thread_); }
    ListPlayer player;

private:
    Thread thread_;
    long id_ = -1;
};

// The PCM of the files decoded one after another by one decoding object, as the player
// decodes them.
std::vector<uint8_t> decodeInRow(const std::vector<std::string>& paths, bool eightBit, bool gapless = true);

// 16-bit little-endian PCM bytes as samples.
std::vector<int16_t> samplesOf(const uint8_t* bytes, size_t size);

// How a decoding of an album's pieces in a row compares with the decoding of the whole:
// the signal-to-noise ratio in dB over everything and the worst over the 4096 samples
// around each join (at the given sample pair indices).
struct JoinError {
    double overallDb = 0;
    double worstJoinDb = 0;
};
JoinError compareJoins(const std::vector<int16_t>& pieces, const std::vector<int16_t>& whole,
                       const std::vector<size_t>& joins);

// The three lame files of one minute cut from one piece, and the whole (tests/media/gapless.sh).
std::vector<std::string> albumPieces();
std::string albumWhole();

// Copies src to dst with the header of frame `frame` given bitrate index 0 (free format,
// which the player cannot decode): a file damaged in the middle. false when src has fewer
// frames.
bool writeWithFreeFormatFrame(const std::string& src, int frame, const std::string& dst);

// A file of 4.6 GB that costs no disk: the 128 kbit/s 44.1 kHz Layer III file src at the
// start and again just before where a seek to 50 % estimates the middle, zeros (holes)
// elsewhere. Returns where the second copy starts, or -1.
constexpr int64_t kLargeFileSize = 4600000000LL;
int64_t writeLargeSparseFile(const std::string& src, const std::string& path);

// A sparse file of `size` bytes holding copies of src at the given offsets, holes elsewhere.
bool writeSparseCopies(const std::string& src, const std::string& path, int64_t size, const std::vector<int64_t>& at);
// Where a seek to `percent` of a file of `size` bytes and `frameBytes` per frame looks for its
// header, by the player's own conversion (single-precision factor, each frame as long as it is).
int64_t seekEstimate(int64_t size, double frameBytes, int percent);

// Little-endian fields of a WAV file.
inline uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
inline uint16_t le16(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }

} // namespace korvo::test
