#pragma once
// Records the default capture device (the null sink's monitor in the test setup) and keeps
// the loudness of every 50 ms slice, so tests can ask when there was sound.
#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace korvo::uitest {

class SoundRecorder {
public:
    SoundRecorder() = default;
    ~SoundRecorder();
    SoundRecorder(const SoundRecorder&) = delete;
    SoundRecorder& operator=(const SoundRecorder&) = delete;

    bool start();        // false when no capture device can be opened
    void stop();
    bool recording() const { return device_ != nullptr; }

    // Waits up to timeoutMs for a slice louder than the threshold, recorded after sinceTick
    // (GetTickCount); returns that slice's tick, or 0.
    DWORD waitForSound(DWORD sinceTick, int timeoutMs);
    // True when every slice recorded in the last ms milliseconds is quiet (waits for them).
    bool quietFor(int ms);
    // The longest run of quiet slices recorded between the two ticks, in milliseconds.
    int longestQuietMs(DWORD fromTick, DWORD toTick);
    // The mean strength of a tone of hz in the left channel of the slices recorded between
    // the two ticks (hz a multiple of 20, so it falls on a bin of a 50 ms slice); 0 when none.
    double toneLevel(DWORD fromTick, DWORD toTick, int hz);
    // The same, robust to a dropout (a busy machine can starve the sound device for a
    // moment): the loudest of the stretch's 200 ms parts.
    double steadyLevel(DWORD fromTick, DWORD toTick, int hz);

private:
    void collect();   // the worker: takes filled buffers, measures them, hands them back
    struct Slice {
        DWORD tick;
        int peak;
        std::vector<short> left;   // kept for the newest slices only
    };
    HWAVEIN device_ = nullptr;
    std::vector<WAVEHDR> headers_;
    std::vector<std::vector<char>> buffers_;
    std::mutex lock_;
    std::vector<Slice> slices_;
    std::atomic<bool> stopping_{false};
    std::thread worker_;
};

} // namespace korvo::uitest
