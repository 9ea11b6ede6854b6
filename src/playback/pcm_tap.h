#pragma once
// The PCM on its way to the output, kept for the display's pictures of the sound: a mono
// copy of what the decoder wrote, with the end of each write, so that a reader can find the
// samples the device plays now rather than those the decoder has just made.
#include <cstdint>
#include <mutex>

namespace korvo {

class PcmTap {
public:
    static constexpr int kCapacity = 1 << 17;   // mono samples: the device's ten buffers and more
    static constexpr int kWrites = 16;          // more than the device has buffers

    // The output was opened (or flushed): what was kept is no longer going to play.
    void reset(int sampleRate, int eightBit);
    // The output dropped what it held (a flush) and goes on in the same format.
    void restart();
    // Interleaved stereo PCM as handed to the output (16-bit signed or 8-bit unsigned).
    void write(const uint8_t* bytes, int n);
    // The n mono samples (-1..1) that end where the device plays now; queuedWrites is the count
    // of writes the device still holds, nowMs a steady clock. Samples not there yet are 0.
    // Returns the sample rate, 0 when nothing was written since the output opened.
    int heard(float* out, int n, int queuedWrites, int64_t nowMs);

private:
    void clear();   // under the lock

    std::mutex lock_;
    int16_t ring_[kCapacity] = {};
    int64_t written_ = 0;          // samples since reset
    int64_t ends_[kWrites] = {};   // ring of write ends, in samples
    int64_t writes_ = 0;
    int rate_ = 0;
    int eightBit_ = 0;
    int64_t lastEnd_ = -1;         // the played end seen at the last read, and when
    int64_t lastEndMs_ = 0;
};

// The process-wide tap, fed by the output driver table.
PcmTap& pcmTap();

} // namespace korvo
