#pragma once
#include <cstdint>

namespace korvo {

// The PCM that the layer decoders append to and the player drains.
struct PcmBuffer {
    static constexpr int kCapacity = 65536;
    // Room one frame may need: 1152 stereo pairs of 16-bit samples.
    static constexpr int kFrameMax = 4608;
    alignas(16) uint8_t data[kCapacity];
    int fill = 0;

    bool hasRoomForFrame() const { return fill <= kCapacity - kFrameMax; }
    // Drops the first n bytes, keeping the rest at the front.
    void consume(int n);
};

} // namespace korvo
