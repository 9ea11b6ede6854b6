#include "sound_recorder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace korvo::uitest {
namespace {
constexpr int kRate = 44100;
constexpr int kSliceBytes = kRate / 20 * 4;   // 50 ms of 16-bit stereo
constexpr int kBuffers = 8;
constexpr int kLoud = 300;                    // peak above the noise floor of silence
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
            {
                std::lock_guard<std::mutex> g(lock_);
                slices_.push_back({GetTickCount(), peak});
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

} // namespace korvo::uitest
