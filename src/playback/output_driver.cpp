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

int selectOutputDriver(int system) {
    if (system < 0 || system >= kOutputSystemSlots) return 1;
    const OutputDriver* table = gRegistered[system] ? gRegistered[system] : builtIn(system);
    if (table) gTable = *table;
    return 1;
}

void registerOutputSystem(int system, const OutputDriver* table) {
    if (system >= 0 && system < kOutputSystemSlots) gRegistered[system] = table;
}

} // namespace korvo
