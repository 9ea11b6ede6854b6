#include "sound_recorder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace korvo::uitest {
namespace {
constexpr int kRate = 44100;
constexpr int kSliceBytes = kRate / 20 * 4;   // 50 ms of 16-bit stereo
constexpr int kBuffers = 8;
constexpr int kLoud = 300;                    // peak above the noise floor of silence
constexpr size_t kSlicesWithSamples = 1200;   // one minute of samples is kept
} // namespace

SoundRecorder::~SoundRecorder() { stop(); }

bool SoundRecorder::start() {
    WAVEFORMATEX fmt{};
    fmt.wFormatTag = WAVE_FORMAT_PCM;
    fmt.nChannels = 2;
    fmt.nSamplesPerSec = kRate;
    fmt.wBitsPerSample = 16;
    fmt.nBlockAlign = 4;
    fmt.nAvgBytesPerSec = kRate * 4;
    if (waveInOpen(&device_, WAVE_MAPPER, &fmt, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
        device_ = nullptr;
        return false;
    }
    headers_.assign(kBuffers, WAVEHDR{});
    buffers_.assign(kBuffers, std::vector<char>(kSliceBytes));
    for (int i = 0; i < kBuffers; ++i) {
        headers_[size_t(i)].lpData = buffers_[size_t(i)].data();
        headers_[size_t(i)].dwBufferLength = kSliceBytes;
        waveInPrepareHeader(device_, &headers_[size_t(i)], sizeof(WAVEHDR));
        waveInAddBuffer(device_, &headers_[size_t(i)], sizeof(WAVEHDR));
    }
    stopping_ = false;
    worker_ = std::thread([this] { collect(); });
    return waveInStart(device_) == MMSYSERR_NOERROR;
}

void SoundRecorder::collect() {
    while (!stopping_) {
        for (WAVEHDR& h : headers_) {
            if (!(h.dwFlags & WHDR_DONE)) continue;
            int peak = 0;
            const auto* s = reinterpret_cast<const short*>(h.lpData);
            for (DWORD i = 0; i < h.dwBytesRecorded / 2; ++i) peak = std::max(peak, std::abs(int(s[i])));
            std::vector<short> left(h.dwBytesRecorded / 4);
            for (size_t i = 0; i < left.size(); ++i) left[i] = s[2 * i];
            {
                std::lock_guard<std::mutex> g(lock_);
                slices_.push_back({GetTickCount(), peak, std::move(left)});
                if (slices_.size() > kSlicesWithSamples) slices_[slices_.size() - kSlicesWithSamples - 1].left.clear();
            }
            h.dwFlags &= ~DWORD(WHDR_DONE);
            waveInAddBuffer(device_, &h, sizeof h);
        }
        Sleep(5);
    }
}

void SoundRecorder::stop() {
    if (!device_) return;
    stopping_ = true;
    if (worker_.joinable()) worker_.join();
    waveInReset(device_);
    for (WAVEHDR& h : headers_) waveInUnprepareHeader(device_, &h, sizeof h);
    waveInClose(device_);
    device_ = nullptr;
}

DWORD SoundRecorder::waitForSound(DWORD sinceTick, int timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        {
            std::lock_guard<std::mutex> g(lock_);
            for (const Slice& s : slices_)
                if (int(s.tick - sinceTick) >= 0 && s.peak > kLoud) return s.tick;
        }
        if (int(GetTickCount() - start) > timeoutMs) return 0;
        Sleep(20);
    }
}

int SoundRecorder::longestQuietMs(DWORD fromTick, DWORD toTick) {
    std::lock_guard<std::mutex> g(lock_);
    DWORD quietSince = 0;
    int longest = 0;
    for (const Slice& s : slices_) {
        if (int(s.tick - fromTick) < 0 || int(s.tick - toTick) > 0) continue;
        if (s.peak > kLoud) {
            quietSince = 0;
        } else {
            if (!quietSince) quietSince = s.tick;
            longest = std::max(longest, int(s.tick - quietSince) + 50);
        }
    }
    return longest;
}

bool SoundRecorder::quietFor(int ms) {
    DWORD from = GetTickCount();
    Sleep(DWORD(ms) + 200);   // the last slices arrive a little later
    std::lock_guard<std::mutex> g(lock_);
    bool any = false;
    for (const Slice& s : slices_) {
        if (int(s.tick - from) < 0 || int(s.tick - from) > ms) continue;
        any = true;
        if (s.peak > kLoud) return false;
    }
    return any;
}

double SoundRecorder::steadyLevel(DWORD fromTick, DWORD toTick, int hz) {
    double best = 0;
    for (DWORD t = fromTick; t + 200 <= toTick; t += 200) best = std::max(best, toneLevel(t, t + 200, hz));
    return best;
}

double SoundRecorder::toneLevel(DWORD fromTick, DWORD toTick, int hz) {
    std::lock_guard<std::mutex> g(lock_);
    double sum = 0;
    int count = 0;
    for (const Slice& s : slices_) {
        if (int(s.tick - fromTick) < 0 || int(toTick - s.tick) < 0 || s.left.empty()) continue;
        // Goertzel filter on one bin
        double w = 2.0 * 3.14159265358979323846 * hz / kRate, c = 2.0 * std::cos(w);
        double s1 = 0, s2 = 0;
        for (short x : s.left) {
            double s0 = x + c * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        sum += std::sqrt(std::max(0.0, s1 * s1 + s2 * s2 - c * s1 * s2)) / double(s.left.size());
        ++count;
    }
    return count ? sum / count : 0;
}

} // namespace korvo::uitest
