#include "output_driver.h"

namespace korvo {

namespace {

OutputDriver gTable = {};
const OutputDriver* gRegistered[kOutputSystemSlots] = {};

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
    gTable = table ? *table : soundDeviceDriver();
    return 1;
}

void registerOutputSystem(int system, const OutputDriver* table) {
    if (system >= 0 && system < kOutputSystemSlots) gRegistered[system] = table;
}

} // namespace korvo
