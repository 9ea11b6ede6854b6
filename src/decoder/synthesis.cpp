#include "synthesis.h"

#include <cstring>

#include "dsp_avx2.h"
#include "dsp_kernels.h"
#include "vector_path.h"

namespace korvo {

namespace {

// 1.5 * 2^52: adding and subtracting it rounds to the nearest integer, ties to even, in the
// default rounding mode, identically for scalar and vector code.
constexpr double kRoundMagic = 6755399441055744.0;

inline double clampRound(double v) {
    v = v > -32768.0 ? v : -32768.0;   // also takes a NaN to the floor
    v = v < 32767.0 ? v : 32767.0;
    return (v + kRoundMagic) - kRoundMagic;
}

struct EightBitTable {
    uint8_t entries[8192];   // index s / 8 + 4096
};

constexpr EightBitTable makeEightBitTable() {
    EightBitTable t{};
    for (int i = -4096; i < 4096; ++i) t.entries[i + 4096] = uint8_t(((i >> 5) - 128) & 0xFF);
    return t;
}

// Fixed by nature for the whole process; being constant it needs no building at run time.
constinit const EightBitTable kEightBit = makeEightBitTable();

void writePlainSamples(const double* sums, double gain, uint8_t* out, int step) {
    for (int j = 0; j < 32; ++j) {
        int v = int(clampRound(sums[j] * gain));
        out[step * j] = uint8_t(v & 0xFF);
        out[step * j + 1] = uint8_t((v >> 8) & 0xFF);
    }
}

// The transform of count slots, two at a time.
void plainDct(const double (*slots)[32], int count, double (*out)[32]) {
    int i = 0;
    for (; i + 2 <= count; i += 2) {
        Pair in[32], res[32];
        for (int k = 0; k < 32; ++k) in[k] = Pair{slots[i][k], slots[i + 1][k]};
        LeeDct<32, Pair>::run(in, res);
        for (int k = 0; k < 32; ++k) {
            out[i][k] = res[k][0];
            out[i + 1][k] = res[k][1];
        }
    }
    for (; i < count; ++i) LeeDct<32, double>::run(slots[i], out[i]);
}

} // namespace

Synthesis::Synthesis() = default;

void Synthesis::buildEightBitTable() {}

uint8_t Synthesis::eightBitSample(int sample) { return kEightBit.entries[(sample >> 3) + 4096]; }

int Synthesis::toSample(double sum) { return int(clampRound(sum)); }

void Synthesis::store(const double* a, int channel, int p) {
    const int half = p & 1;
    double* evenSide = state_[channel][half][p];
    double* oddSide = state_[channel][half ^ 1][p];
    for (int r = 0; r < 16; ++r) evenSide[r] = a[16 + r];
    evenSide[16] = 0.0;
    evenSide[17] = 0.0;
    for (int r = 0; r <= 16; ++r) oddSide[r] = a[16 - r];
    oddSide[17] = 0.0;
}

void Synthesis::emit(const double* sums, int channel, bool mono, uint8_t* out) {
    if (eightBit_) {
        for (int j = 0; j < 32; ++j) {
            uint8_t v = kEightBit.entries[(int(clampRound(sums[j] * gain_)) >> 3) + 4096];
            if (mono) out[2 * j] = out[2 * j + 1] = v;
            else out[2 * j + channel] = v;
        }
        return;
    }
    writePlainSamples(sums, gain_, out + 2 * channel, 4);
    if (mono) writePlainSamples(sums, gain_, out + 2, 4);
}

void Synthesis::synthSlots(const double (*slots)[32], int count, int channel, bool mono, uint8_t* out,
                           int blockBytes) {
    channel = mono ? 0 : channel & 1;
    count = count < 0 ? 0 : count > kMaxSlots ? kMaxSlots : count;
    if (channel == 0) {
        batchStart_ = position_;
        position_ = (position_ - count) & 15;
    }
    [[maybe_unused]] const bool vector = vectorPathActive();
    alignas(32) double a[kMaxSlots][32];
#if KORVO_HAVE_AVX2_PATH
    if (vector) avx2::synthesisDct(slots, count, a);
    else
#endif
        plainDct(slots, count, a);
    for (int i = 0; i < count; ++i) {
        const int p = (batchStart_ - 1 - i) & 15;
        store(a[i], channel, p);
        uint8_t* slotOut = out + size_t(i) * size_t(blockBytes);
        double sums[32];
#if KORVO_HAVE_AVX2_PATH
        if (vector && !eightBit_) {
            avx2::windowSamples(state_[channel][p & 1], p, gain_, slotOut, channel, mono);
            continue;
        }
        if (vector) avx2::windowSums(state_[channel][p & 1], p, sums);
        else
#endif
            windowSumsOf(state_[channel][p & 1], p, sums);
        emit(sums, channel, mono, slotOut);
    }
}

void Synthesis::synthStereoChannel(const double* subbands, int channel, uint8_t* out) {
    synthSlots(reinterpret_cast<const double(*)[32]>(subbands), 1, channel, false, out, 0);
}

void Synthesis::synthMono(const double* subbands, uint8_t* out) {
    synthSlots(reinterpret_cast<const double(*)[32]>(subbands), 1, 0, true, out, 0);
}

} // namespace korvo
