// The sound device on Windows: waveOut with a ring of ten 32 KB buffers. The completion
// callback runs on a system thread; the writer waits for a free buffer by polling.
#include <windows.h>
#include <mmsystem.h>

#include <cstring>

#include "settings/settings.h"
#include "decoder_thread.h"
#include "output_driver.h"
#include "platform/prompt.h"
#include "playback_texts.h"

namespace korvo {

namespace {

constexpr int kBuffers = 10;
constexpr int kBufferBytes = 32768;
constexpr int kStartAfterBlocks = 3;   // playback starts when the fourth block is queued

struct WaveOutDriver {
    HWAVEOUT device = nullptr;
    WAVEHDR headers[kBuffers] = {};
    bool initialised = false;
    volatile LONG freeCount = kBuffers;
    int ring = 0;
    int written = 0;
    bool driverPaused = false;
    volatile LONG64 played = 0;
    DWORD pollMs = 46;
    WAVEFORMATEX format = {};
} g;

void showError(MMRESULT err, const char* title) {
    char text[256];
    if (waveOutGetErrorTextA(err, text, sizeof text) != MMSYSERR_NOERROR) {
        std::strncpy(text, texts::kUnknownError, sizeof text - 1);
        text[sizeof text - 1] = 0;
    }
    prompt().show(text, title, IconWarning);
}

void CALLBACK onWaveOut(HWAVEOUT, UINT message, DWORD_PTR, DWORD_PTR param1, DWORD_PTR) {
    if (message == WOM_OPEN) {
        InterlockedExchange64(&g.played, 0);
    } else if (message == WOM_DONE) {
        InterlockedIncrement(&g.freeCount);
        const WAVEHDR* hdr = reinterpret_cast<const WAVEHDR*>(param1);
        double perMs = double(g.format.nAvgBytesPerSec) * 0.001;
        if (hdr && perMs > 0) InterlockedExchangeAdd64(&g.played, LONG64(double(hdr->dwBufferLength) / perMs));
    }
}

int woInit() {
    if (g.initialised) return 1;
    for (int i = 0; i < kBuffers; ++i) {
        WAVEHDR& h = g.headers[i];
        h = WAVEHDR{};
        h.lpData = static_cast<LPSTR>(HeapAlloc(GetProcessHeap(), 0, kBufferBytes));
        if (!h.lpData) {
            for (int j = 0; j < i; ++j) {
                HeapFree(GetProcessHeap(), 0, g.headers[j].lpData);
                g.headers[j].lpData = nullptr;
            }
            return 0;
        }
        h.dwBufferLength = kBufferBytes;
    }
    g.initialised = true;
    return 1;
}

int woShutdown() {
    if (g.initialised) {
        for (WAVEHDR& h : g.headers) {
            HeapFree(GetProcessHeap(), 0, h.lpData);
            h.lpData = nullptr;
        }
        g.initialised = false;
    }
    return 1;
}

int woOpen(int rate, int channels, int eightBit) {
    if (g.device) return 0;
    if (!g.initialised) return 0;
    WAVEFORMATEX& f = g.format;
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = WORD(channels);
    f.nSamplesPerSec = DWORD(rate);
    f.wBitsPerSample = WORD(eightBit ? 8 : 16);
    f.nBlockAlign = WORD(channels * f.wBitsPerSample / 8);
    f.nAvgBytesPerSec = f.nSamplesPerSec * f.nBlockAlign;
    f.cbSize = 0;

    const Settings& s = settings();
    DWORD flags = CALLBACK_FUNCTION;
    if (sharedValue(s.AudioBypassACM)) flags |= WAVE_FORMAT_DIRECT;
    if (sharedValue(s.AudioAllowSyncDev)) flags |= WAVE_ALLOWSYNC;
    HWAVEOUT device = nullptr;
    MMRESULT err = waveOutOpen(&device, UINT(sharedValue(s.WinMMOutputDev)), &f, DWORD_PTR(&onWaveOut), 0, flags);
    if (err != MMSYSERR_NOERROR) {
        showError(err, texts::kWaveOutOpen);
        return 0;
    }
    g.device = device;
    for (WAVEHDR& h : g.headers) {
        h.dwBufferLength = kBufferBytes;
        h.dwBytesRecorded = 0;
        h.dwUser = 0;
        h.dwFlags = 0;
        h.dwLoops = 0;
        waveOutPrepareHeader(g.device, &h, sizeof h);
    }
    InterlockedExchange(&g.freeCount, kBuffers);
    g.ring = 0;
    g.written = 0;
    // Half the playing time of one write block.
    double blocksPerSecond = double(f.nAvgBytesPerSec) / double(currentWriteThreshold());
    g.pollMs = DWORD(1000.0 / blocksPerSecond * 0.5);
    if (g.pollMs == 0) g.pollMs = 1;
    err = waveOutPause(g.device);
    if (err != MMSYSERR_NOERROR) showError(err, texts::kWaveOutPause);
    InterlockedExchange64(&g.played, 0);
    g.driverPaused = true;
    return 1;
}

int woWrite(int n, const uint8_t* bytes) {
    if (n <= 0) return n;
    if (!g.device) return -1;
    if (n > kBufferBytes) n = kBufferBytes;     // one block at most; the caller keeps the rest
    if (g.ring > kBuffers - 1) g.ring = 0;
    while (InterlockedCompareExchange(&g.freeCount, 0, 0) <= 0) Sleep(g.pollMs);
    WAVEHDR& h = g.headers[g.ring];
    std::memcpy(h.lpData, bytes, size_t(n));
    h.dwBufferLength = DWORD(n);
    InterlockedDecrement(&g.freeCount);
    waveOutWrite(g.device, &h, sizeof h);
    ++g.ring;
    if (g.written < kStartAfterBlocks) {
        ++g.written;
    } else if (g.driverPaused) {
        g.driverPaused = false;
        waveOutRestart(g.device);
    }
    return n;
}

int woClose(int reset) {
    if (!g.device) return 0;
    if (reset) waveOutReset(g.device);
    while (InterlockedCompareExchange(&g.freeCount, 0, 0) < kBuffers) Sleep(g.pollMs);
    for (WAVEHDR& h : g.headers) waveOutUnprepareHeader(g.device, &h, sizeof h);
    MMRESULT err;
    while ((err = waveOutClose(g.device)) != MMSYSERR_NOERROR) {
        waveOutReset(g.device);
        showError(err, texts::kWaveOutClose);
    }
    g.device = nullptr;
    return 1;
}

int woIsOpen() { return g.device ? 1 : 0; }

// The user interface thread pauses and flushes while the decoder thread may be closing the
// device: a handle that went away meanwhile is no error to show.
bool goneMeanwhile(MMRESULT err) { return err == MMSYSERR_INVALHANDLE; }

int woFlush() {
    HWAVEOUT device = g.device;
    if (!device) return 1;
    waveOutReset(device);
    g.written = 0;
    InterlockedExchange64(&g.played, 0);
    MMRESULT err = waveOutPause(device);
    if (err != MMSYSERR_NOERROR && !goneMeanwhile(err)) showError(err, texts::kWaveOutPause);
    g.driverPaused = true;
    return 1;
}

int woPause() {
    // Between two files (a stop, the next file not yet open) there is nothing to pause: no box.
    HWAVEOUT device = g.device;
    if (!device) return 0;
    MMRESULT err = waveOutPause(device);
    if (err == MMSYSERR_NOERROR) return 1;
    if (!goneMeanwhile(err)) showError(err, texts::kWaveOutPause);
    return 0;
}

int woResume() {
    // Between two files nothing is open: the next device starts on its own at its fourth block.
    HWAVEOUT device = g.device;
    if (!device) return 1;
    waveOutRestart(device);
    g.driverPaused = false;
    return 1;
}

int64_t woGetPlayedTime() { return g.device ? int64_t(InterlockedCompareExchange64(&g.played, 0, 0)) : 0; }

int64_t woSetPlayedTime(int64_t ms) {
    InterlockedExchange64(&g.played, LONG64(ms));
    return ms;
}

int woGetVolume() {
    if (!g.device) return -1;
    DWORD v = 0;
    waveOutGetVolume(g.device, &v);
    return int((v & 0xFFFF) >> 10) & 63;
}

void woSetVolume(int level) {
    if (!g.device) return;
    DWORD half = DWORD(level & 63) * 1024;     // 63 gives 64512, not 65535
    waveOutSetVolume(g.device, half | (half << 16));
}

int woBufferCount() { return kBuffers; }
int woFreeBufferCount() { return int(InterlockedCompareExchange(&g.freeCount, 0, 0)); }

const OutputDriver kWaveOutDriver = {
    &woInit,  &woShutdown, &woOpen,   &woClose,         &woIsOpen,
    &woWrite, &woFlush,    &woPause,  &woResume,        &woGetPlayedTime,
    &woSetPlayedTime, &woGetVolume, &woSetVolume, &woBufferCount, &woFreeBufferCount,
};

} // namespace

const OutputDriver& soundDeviceDriver() { return kWaveOutDriver; }

int deviceName(int deviceId, char* dst) {
    WAVEOUTCAPSA caps;
    if (waveOutGetDevCapsA(UINT_PTR(UINT(deviceId)), &caps, sizeof caps) != MMSYSERR_NOERROR) {
        std::strncpy(dst, texts::kBadDevice, kDeviceNameSize - 1);
        dst[kDeviceNameSize - 1] = 0;
        return 0;
    }
    std::strncpy(dst, caps.szPname, kDeviceNameSize - 1);
    dst[kDeviceNameSize - 1] = 0;
    return 1;
}

} // namespace korvo
