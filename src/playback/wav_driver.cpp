// Output system 1: the PCM goes into a WAV file. Each open asks the front end for a name
// (the Windows program shows its save dialog, korvo takes --wav); the file takes every
// following file of the same sample rate until the output is closed.
#include <cstring>

#include "output_driver.h"
#include "platform/prompt.h"
#include "playback_texts.h"
#include "wav_writer.h"

namespace korvo {

namespace {


struct WavDriver {
    WavWriter writer;
    bool open = false;
    WavFileNameHook hook = nullptr;
    void* hookContext = nullptr;
} g;

void warn(const char* text) { prompt().show(text, texts::kWavErrorTitle, IconWarning); }

int wavInit() { return 1; }
int wavShutdown() { return 1; }

int wavOpen(int rate, int channels, int eightBit) {
    if (g.open) return 0;
    char path[kPathCapacity] = {};
    // No name (cancelled, or nobody to ask): the file ends quietly as if stopped.
    if (!g.hook || !g.hook(path, kPathCapacity, rate, g.hookContext) || !path[0]) return 0;
    if (!g.writer.open(path, rate, channels, eightBit != 0)) {
        warn(texts::kWavCouldNotOpen);
        return 0;
    }
    g.open = true;
    return 1;
}

int wavClose(int) {
    if (!g.open) return 0;
    if (!g.writer.close()) warn(texts::kWavCloseFailed);
    g.open = false;
    return 0;
}

int wavIsOpen() { return g.open ? 1 : 0; }

int wavWrite(int n, const uint8_t* bytes) {
    if (n <= 0) return n;
    if (!g.open) return -1;
    if (g.writer.write(bytes, n) != n) {
        // Told here; the decoder thread ends the file as stopped.
        warn(texts::kWavCouldNotWrite);
        return -1;
    }
    return n;
}

int wavNothing() { return 0; }
int64_t wavNoTime() { return 0; }
int64_t wavNothingMs(int64_t) { return 0; }
void wavNoVolume(int) {}

const OutputDriver kWavDriver = {
    &wavInit,    &wavShutdown, &wavOpen,     &wavClose,      &wavIsOpen,
    &wavWrite,   &wavNothing,  &wavNothing,  &wavNothing,    &wavNoTime,
    &wavNothingMs, &wavNothing, &wavNoVolume, &wavNothing,   &wavNothing,
};

} // namespace

const OutputDriver& wavFileDriver() { return kWavDriver; }

void setWavFileNameHook(WavFileNameHook hook, void* context) {
    g.hook = hook;
    g.hookContext = context;
}

} // namespace korvo
