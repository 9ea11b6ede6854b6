#include "playback/pcm_tap.h"

namespace korvo {

void PcmTap::reset(int sampleRate, int eightBit) {
    std::lock_guard<std::mutex> hold(lock_);
    rate_ = sampleRate;
    eightBit_ = eightBit;
    clear();
}

void PcmTap::restart() {
    std::lock_guard<std::mutex> hold(lock_);
    clear();
}

void PcmTap::clear() {
    written_ = 0;
    writes_ = 0;
    lastEnd_ = -1;
}

void PcmTap::write(const uint8_t* bytes, int n) {
    std::lock_guard<std::mutex> hold(lock_);
    if (!rate_ || n <= 0) return;
    const int frameBytes = eightBit_ ? 2 : 4;
    for (int i = 0; i + frameBytes <= n; i += frameBytes) {
        int mono;
        if (eightBit_) {
            mono = ((int(bytes[i]) - 128) + (int(bytes[i + 1]) - 128)) * 128;
        } else {
            const int l = int16_t(uint16_t(bytes[i] | (bytes[i + 1] << 8)));
            const int r = int16_t(uint16_t(bytes[i + 2] | (bytes[i + 3] << 8)));
            mono = (l + r) / 2;
        }
        ring_[written_ & (kCapacity - 1)] = int16_t(mono);
        ++written_;
    }
    ends_[writes_ % kWrites] = written_;
    ++writes_;
}

int PcmTap::heard(float* out, int n, int queuedWrites, int64_t nowMs) {
    std::lock_guard<std::mutex> hold(lock_);
    for (int i = 0; i < n; ++i) out[i] = 0.f;
    if (!rate_ || writes_ == 0) return 0;
    if (queuedWrites < 0) queuedWrites = 0;
    if (queuedWrites > kWrites - 1) queuedWrites = kWrites - 1;
    if (queuedWrites > writes_) queuedWrites = int(writes_);
    // Played for certain: everything before the oldest write still queued.
    const int64_t done = writes_ - queuedWrites;
    const int64_t playedEnd = done > 0 ? ends_[(done - 1) % kWrites] : 0;
    const int64_t nextEnd = queuedWrites > 0 ? ends_[done % kWrites] : written_;
    if (playedEnd != lastEnd_) lastEnd_ = playedEnd, lastEndMs_ = nowMs;
    // Within the write that plays now, the clock tells how far it got.
    int64_t end = playedEnd + (nowMs - lastEndMs_) * rate_ / 1000;
    if (end > nextEnd) end = nextEnd;
    if (end > written_) end = written_;
    for (int i = 0; i < n; ++i) {
        const int64_t at = end - n + i;
        if (at >= 0 && at > written_ - kCapacity) out[i] = float(ring_[at & (kCapacity - 1)]) * (1.f / 32768.f);
    }
    return rate_;
}

PcmTap& pcmTap() {
    static PcmTap tap;
    return tap;
}

} // namespace korvo
