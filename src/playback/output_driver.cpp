#include "output_driver.h"

#include "playback/pcm_tap.h"

namespace korvo {

namespace {

OutputDriver gTable = {};
OutputDriver gChosen = {};   // the selected system's own operations
const OutputDriver* gRegistered[kOutputSystemSlots] = {};

// What goes to the output also goes to the tap, and leaves it when the output drops it.
int tapOpen(int rate, int channels, int eightBit) {
    const int ok = gChosen.open(rate, channels, eightBit);
    pcmTap().reset(ok ? rate : 0, eightBit);
    return ok;
}
int tapClose(int reset) {
    pcmTap().reset(0, 0);
    return gChosen.close(reset);
}
int tapWrite(int n, const uint8_t* bytes) {
    const int taken = gChosen.write(n, bytes);
    if (taken > 0) pcmTap().write(bytes, taken);
    return taken;
}
int tapFlush() {
    const int ok = gChosen.flush();
    pcmTap().restart();
    return ok;
}

const OutputDriver* builtIn(int system) {
    if (system == kOutputSoundDevice) return &soundDeviceDriver();
    if (system == kOutputWavFile) return &wavFileDriver();
    return nullptr;
}

} // namespace

OutputDriver& outputDriver() { return gTable; }

void resumeAndFlushOutput() {
    gTable.resume();
    gTable.flush();
}

int selectOutputDriver(int system) {
    const OutputDriver* table = nullptr;
    if (system >= 0 && system < kOutputSystemSlots) table = gRegistered[system] ? gRegistered[system] : builtIn(system);
    // A number without a table means the sound device: an empty table would be called.
    gChosen = table ? *table : soundDeviceDriver();
    gTable = gChosen;
    gTable.open = &tapOpen;
    gTable.close = &tapClose;
    gTable.write = &tapWrite;
    gTable.flush = &tapFlush;
    return 1;
}

void registerOutputSystem(int system, const OutputDriver* table) {
    if (system >= 0 && system < kOutputSystemSlots) gRegistered[system] = table;
}

} // namespace korvo
