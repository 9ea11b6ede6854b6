#pragma once
// The output driver table: every output system fills the same fifteen operations, in slot
// order; the decoder thread and the user interface call through the process-wide table.
#include <cstdint>

namespace korvo {

struct OutputDriver {
    int (*init)();
    int (*shutdown)();
    int (*open)(int rate, int channels, int eightBit);
    int (*close)(int reset);
    int (*isOpen)();
    int (*write)(int n, const uint8_t* bytes);      // bytes taken (may block); -1 on failure
    int (*flush)();
    int (*pause)();
    int (*resume)();
    int64_t (*getPlayedTime)();               // milliseconds; 64 bits outlast any playing time
    int64_t (*setPlayedTime)(int64_t ms);
    int (*getVolume)();
    void (*setVolume)(int level);
    int (*bufferCount)();
    int (*freeBufferCount)();
};

// Output systems: the sound device (waveOut on Windows, PulseAudio elsewhere) and the WAV file.
constexpr int kOutputSoundDevice = 0;
constexpr int kOutputWavFile = 1;
constexpr int kOutputSystemSlots = 8;

// The process-wide table.
OutputDriver& outputDriver();
// Ends a pause before a stop or a quit: the device plays on and drops what it holds, so that
// a decoder thread held in its write gets to the message.
void resumeAndFlushOutput();
// Fills the table for a system; a number with no table (registered or built in) selects
// the sound device. Always 1.
int selectOutputDriver(int system);
// Replaces the operations of a system number (tests put a recording driver here);
// nullptr brings back the built-in one.
void registerOutputSystem(int system, const OutputDriver* table);

// Name of a sound device, at most 32 characters with the terminator; "Bad Device" and 0
// when it cannot be asked.
constexpr int kDeviceNameSize = 32;
int deviceName(int deviceId, char* dst);

// The built-in tables.
const OutputDriver& soundDeviceDriver();
const OutputDriver& wavFileDriver();

// The WAV driver asks for the name of each file it creates. The hook writes a path of at
// most 259 characters into path and returns 1, or returns 0 to cancel.
using WavFileNameHook = int (*)(char* path, int size, int rate, void* context);
void setWavFileNameHook(WavFileNameHook hook, void* context);

} // namespace korvo
