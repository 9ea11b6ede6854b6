// Selecting the output system by number.
#include <gtest/gtest.h>

#include "playback/output_driver.h"

namespace korvo {
namespace {

int markerInit() { return 7; }

TEST(OutputDriverSelection, NumbersWithoutATableSelectTheSoundDevice) {
    OutputDriver marked = soundDeviceDriver();
    marked.init = &markerInit;
    registerOutputSystem(7, &marked);
    for (int system : {2, 3, -1, 99, 8}) {
        selectOutputDriver(7);
        ASSERT_EQ(outputDriver().init, &markerInit);
        EXPECT_EQ(selectOutputDriver(system), 1);
        // Never an empty slot, never the table from before.
        EXPECT_EQ(outputDriver().init, soundDeviceDriver().init) << system;
        // (open, close, write and flush go through the display's tap, so another slot tells)
        EXPECT_EQ(outputDriver().isOpen, soundDeviceDriver().isOpen) << system;
    }
    selectOutputDriver(kOutputWavFile);
    EXPECT_EQ(outputDriver().isOpen, wavFileDriver().isOpen);
    registerOutputSystem(7, nullptr);
    selectOutputDriver(7);
    EXPECT_EQ(outputDriver().init, soundDeviceDriver().init);
}

} // namespace
} // namespace korvo
