// The sound device on Linux: a PulseAudio playback stream with the same contract as the
// Windows device driver (playback held until the fourth block, pause by corking, played
// time from the stream's own clock). The server's buffer is sized in time, so that the
// drain at the end of a list is short at every rate.
#include <pulse/pulseaudio.h>

#include <cstring>

#include "decoder_thread.h"
#include "output_driver.h"
#include "platform/prompt.h"
#include "platform/shared_library.h"
#include "playback_texts.h"

namespace korvo {

namespace {

// The library is opened by the first init, not at start: decoding and listing need none of it.
#define KORVO_PULSE_FUNCTIONS(X) \
    X(pa_context_connect) \
    X(pa_context_disconnect) \
    X(pa_context_errno) \
    X(pa_context_get_state) \
    X(pa_context_new) \
    X(pa_context_set_sink_input_volume) \
    X(pa_context_set_state_callback) \
    X(pa_context_unref) \
    X(pa_cvolume_set) \
    X(pa_operation_get_state) \
    X(pa_operation_unref) \
    X(pa_sample_spec_valid) \
    X(pa_stream_connect_playback) \
    X(pa_stream_cork) \
    X(pa_stream_disconnect) \
    X(pa_stream_drain) \
    X(pa_stream_flush) \
    X(pa_stream_get_index) \
    X(pa_stream_get_state) \
    X(pa_stream_get_time) \
    X(pa_stream_new) \
    X(pa_stream_set_state_callback) \
    X(pa_stream_set_write_callback) \
    X(pa_stream_unref) \
    X(pa_stream_writable_size) \
    X(pa_stream_write) \
    X(pa_strerror) \
    X(pa_sw_volume_from_linear) \
    X(pa_threaded_mainloop_free) \
    X(pa_threaded_mainloop_get_api) \
    X(pa_threaded_mainloop_lock) \
    X(pa_threaded_mainloop_new) \
    X(pa_threaded_mainloop_signal) \
    X(pa_threaded_mainloop_start) \
    X(pa_threaded_mainloop_stop) \
    X(pa_threaded_mainloop_unlock) \
    X(pa_threaded_mainloop_wait)

struct PulseFunctions {
#define KORVO_PULSE_MEMBER(name) decltype(&::name) name = nullptr;
    KORVO_PULSE_FUNCTIONS(KORVO_PULSE_MEMBER)
#undef KORVO_PULSE_MEMBER
} lib;

int loadPulse() {
    static const int loaded = [] {
        void* handle = openSharedLibrary("libpulse.so.0");
        if (!handle) return 0;
        PulseFunctions table;
        KORVO_PULSE_FUNCTIONS(KORVO_LOAD_FUNCTION)
        lib = table;
        return 1;
    }();
    return loaded;
}

constexpr int kBlocks = 10;
constexpr int kBlockBytes = 32768;
constexpr char kClientName[] = "LUMEN KORVO";
// Half a second: ten device blocks of 32 KB would be ten seconds at 8 kHz.
constexpr int kBufferMsMax = 500;

struct PulseDriver {
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    int channels = 2;
    int bytesPerSecond = 176400;
    int written = 0;          // blocks since open or flush, counted up to 3
    bool armed = false;       // corked until enough is queued
    bool failed = false;      // the stream broke; writes give up
    int level = 0;
    pa_usec_t playedBase = 0; // stream time when the played counter was last set
    int64_t playedOffset = 0; // the value it was set to (ms)
} g;

struct Lock {
    Lock() { lib.pa_threaded_mainloop_lock(g.loop); }
    ~Lock() { lib.pa_threaded_mainloop_unlock(g.loop); }
};

void signalLoop() { lib.pa_threaded_mainloop_signal(g.loop, 0); }

void onContextState(pa_context*, void*) { signalLoop(); }
void onStreamState(pa_stream*, void*) { signalLoop(); }
void onStreamWrite(pa_stream*, size_t, void*) { signalLoop(); }
void onDone(pa_stream*, int, void*) { signalLoop(); }

// Waits for an operation with the lock held.
void finish(pa_operation* op) {
    if (!op) return;
    while (lib.pa_operation_get_state(op) == PA_OPERATION_RUNNING) lib.pa_threaded_mainloop_wait(g.loop);
    lib.pa_operation_unref(op);
}

void cork(int on) {
    if (g.stream) finish(lib.pa_stream_cork(g.stream, on, &onDone, nullptr));
}

pa_usec_t streamTime() {
    pa_usec_t t = 0;
    if (!g.stream || lib.pa_stream_get_time(g.stream, &t) < 0) return g.playedBase;
    return t;
}

void showError(const char* text) { prompt().show(text, texts::kPulseTitle, IconWarning); }

void freeContext() {
    if (g.context) {
        lib.pa_context_disconnect(g.context);
        lib.pa_context_unref(g.context);
        g.context = nullptr;
    }
}

int pulseInit() {
    if (g.loop && g.context) return 1;
    if (!loadPulse()) return 0;
    g.loop = lib.pa_threaded_mainloop_new();
    if (!g.loop) return 0;
    if (lib.pa_threaded_mainloop_start(g.loop) < 0) {
        lib.pa_threaded_mainloop_free(g.loop);
        g.loop = nullptr;
        return 0;
    }
    bool ready = false;
    {
        Lock lock;
        g.context = lib.pa_context_new(lib.pa_threaded_mainloop_get_api(g.loop), kClientName);
        if (g.context) {
            lib.pa_context_set_state_callback(g.context, &onContextState, nullptr);
            if (lib.pa_context_connect(g.context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
                for (;;) {
                    pa_context_state_t st = lib.pa_context_get_state(g.context);
                    if (st == PA_CONTEXT_READY) { ready = true; break; }
                    if (!PA_CONTEXT_IS_GOOD(st)) break;
                    lib.pa_threaded_mainloop_wait(g.loop);
                }
            }
            if (!ready) freeContext();
        }
    }
    if (!ready) {
        lib.pa_threaded_mainloop_stop(g.loop);
        lib.pa_threaded_mainloop_free(g.loop);
        g.loop = nullptr;
        return 0;
    }
    return 1;
}

int pulseClose(int reset);

int pulseShutdown() {
    if (!g.loop) return 1;
    if (g.stream) pulseClose(1);
    {
        Lock lock;
        freeContext();
    }
    lib.pa_threaded_mainloop_stop(g.loop);
    lib.pa_threaded_mainloop_free(g.loop);
    g.loop = nullptr;
    return 1;
}

void applyVolume() {
    if (!g.stream || !g.context) return;
    pa_cvolume cv;
    lib.pa_cvolume_set(&cv, unsigned(g.channels), lib.pa_sw_volume_from_linear(double(g.level) * 1024.0 / 65535.0));
    pa_operation* op = lib.pa_context_set_sink_input_volume(g.context, lib.pa_stream_get_index(g.stream), &cv, nullptr, nullptr);
    if (op) lib.pa_operation_unref(op);
}

int pulseOpen(int rate, int channels, int eightBit) {
    if (!g.loop || !g.context) return 0;
    Lock lock;
    if (g.stream) return 0;
    pa_sample_spec sampleFormat;
    sampleFormat.format = eightBit ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
    sampleFormat.rate = uint32_t(rate);
    sampleFormat.channels = uint8_t(channels);
    if (!lib.pa_sample_spec_valid(&sampleFormat)) {
        showError(lib.pa_strerror(PA_ERR_INVALID));
        return 0;
    }
    g.channels = channels;
    g.bytesPerSecond = rate * channels * (eightBit ? 1 : 2);
    g.stream = lib.pa_stream_new(g.context, kClientName, &sampleFormat, nullptr);
    if (!g.stream) {
        showError(lib.pa_strerror(lib.pa_context_errno(g.context)));
        return 0;
    }
    lib.pa_stream_set_state_callback(g.stream, &onStreamState, nullptr);
    lib.pa_stream_set_write_callback(g.stream, &onStreamWrite, nullptr);
    pa_buffer_attr attr;
    attr.maxlength = uint32_t(-1);
    int target = int(int64_t(g.bytesPerSecond) * kBufferMsMax / 1000);
    if (target > kBlocks * kBlockBytes) target = kBlocks * kBlockBytes;
    // Room for at least two of the decoder thread's writes (threshold plus one frame).
    int write = currentWriteThreshold() + 4608;
    if (target < 2 * write) target = 2 * write;
    target -= target % (channels * (eightBit ? 1 : 2));
    attr.tlength = uint32_t(target);
    // Held back by corking until the fourth block; after an underrun one write block
    // restarts it, and a drain plays whatever is left.
    attr.prebuf = uint32_t(currentWriteThreshold());
    attr.minreq = uint32_t(-1);
    attr.fragsize = uint32_t(-1);
    auto flags = pa_stream_flags_t(PA_STREAM_START_CORKED | PA_STREAM_INTERPOLATE_TIMING |
                                   PA_STREAM_AUTO_TIMING_UPDATE);
    bool ready = false;
    if (lib.pa_stream_connect_playback(g.stream, nullptr, &attr, flags, nullptr, nullptr) >= 0) {
        for (;;) {
            pa_stream_state_t st = lib.pa_stream_get_state(g.stream);
            if (st == PA_STREAM_READY) { ready = true; break; }
            if (!PA_STREAM_IS_GOOD(st)) break;
            lib.pa_threaded_mainloop_wait(g.loop);
        }
    }
    if (!ready) {
        showError(lib.pa_strerror(lib.pa_context_errno(g.context)));
        lib.pa_stream_disconnect(g.stream);
        lib.pa_stream_unref(g.stream);
        g.stream = nullptr;
        return 0;
    }
    g.written = 0;
    g.armed = true;
    g.failed = false;
    g.playedBase = streamTime();
    g.playedOffset = 0;
    applyVolume();
    return 1;
}

int pulseClose(int reset) {
    if (!g.loop) return 0;
    Lock lock;
    if (!g.stream) return 0;
    if (reset) {
        finish(lib.pa_stream_flush(g.stream, &onDone, nullptr));
    } else if (!g.failed) {
        // Let the queued audio play out.
        cork(0);
        finish(lib.pa_stream_drain(g.stream, &onDone, nullptr));
    }
    lib.pa_stream_disconnect(g.stream);
    lib.pa_stream_unref(g.stream);
    g.stream = nullptr;
    g.armed = false;
    return 1;
}

int pulseIsOpen() {
    if (!g.loop) return 0;
    Lock lock;
    return g.stream ? 1 : 0;
}

int pulseWrite(int n, const uint8_t* bytes) {
    if (n <= 0) return n;
    if (!g.loop) return -1;
    Lock lock;
    if (!g.stream) return -1;
    for (;;) {
        if (g.failed || !PA_STREAM_IS_GOOD(lib.pa_stream_get_state(g.stream))) {
            if (!g.failed) showError(lib.pa_strerror(lib.pa_context_errno(g.context)));
            g.failed = true;
            return -1;
        }
        size_t room = lib.pa_stream_writable_size(g.stream);
        if (room == size_t(-1)) {
            g.failed = true;
            continue;
        }
        if (room >= size_t(n)) break;
        // The buffer filled before the fourth block: start now rather than wait forever.
        if (g.armed) {
            g.armed = false;
            cork(0);
            continue;
        }
        lib.pa_threaded_mainloop_wait(g.loop);
    }
    if (lib.pa_stream_write(g.stream, bytes, size_t(n), nullptr, 0, PA_SEEK_RELATIVE) < 0) {
        showError(lib.pa_strerror(lib.pa_context_errno(g.context)));
        g.failed = true;
        return -1;
    }
    if (g.written < 3) {
        ++g.written;
    } else if (g.armed) {
        g.armed = false;
        cork(0);
    }
    return n;
}

int pulseFlush() {
    if (!g.loop) return 1;
    Lock lock;
    if (!g.stream) return 1;
    finish(lib.pa_stream_flush(g.stream, &onDone, nullptr));
    g.written = 0;
    cork(1);
    g.armed = true;
    g.playedBase = streamTime();
    g.playedOffset = 0;
    return 1;
}

int pulsePause() {
    if (!g.loop) return 0;
    Lock lock;
    if (!g.stream) return 0;
    cork(1);
    return 1;
}

int pulseResume() {
    if (!g.loop) return 1;
    Lock lock;
    if (!g.stream) return 1;
    cork(0);
    g.armed = false;
    return 1;
}

int64_t pulseGetPlayedTime() {
    if (!g.loop) return 0;
    Lock lock;
    if (!g.stream) return 0;
    pa_usec_t now = streamTime();
    pa_usec_t since = now > g.playedBase ? now - g.playedBase : 0;
    return g.playedOffset + int64_t(since / 1000);
}

int64_t pulseSetPlayedTime(int64_t ms) {
    if (!g.loop) return ms;
    Lock lock;
    g.playedBase = streamTime();
    g.playedOffset = ms;
    return ms;
}

int pulseGetVolume() {
    if (!g.loop) return -1;
    Lock lock;
    return g.stream ? g.level : -1;
}

void pulseSetVolume(int level) {
    if (!g.loop) return;
    Lock lock;
    if (!g.stream) return;
    g.level = level & 63;
    applyVolume();
}

int pulseBufferCount() { return kBlocks; }

int pulseFreeBufferCount() {
    if (!g.loop) return kBlocks;
    Lock lock;
    if (!g.stream) return kBlocks;
    size_t room = lib.pa_stream_writable_size(g.stream);
    if (room == size_t(-1)) return 0;
    int free = int(room / kBlockBytes);
    return free > kBlocks ? kBlocks : free;
}

const OutputDriver kPulseDriver = {
    &pulseInit,    &pulseShutdown, &pulseOpen,          &pulseClose,          &pulseIsOpen,
    &pulseWrite,   &pulseFlush,    &pulsePause,         &pulseResume,         &pulseGetPlayedTime,
    &pulseSetPlayedTime, &pulseGetVolume, &pulseSetVolume, &pulseBufferCount, &pulseFreeBufferCount,
};

} // namespace

const OutputDriver& soundDeviceDriver() { return kPulseDriver; }

int deviceName(int deviceId, char* dst) {
    // One device: the server's default sink.
    const char* name = deviceId == -1 || deviceId == 0 ? texts::kPulseDeviceName : texts::kBadDevice;
    std::strncpy(dst, name, kDeviceNameSize - 1);
    dst[kDeviceNameSize - 1] = 0;
    return name == texts::kBadDevice ? 0 : 1;
}

} // namespace korvo
