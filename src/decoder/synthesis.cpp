#include "synthesis.h"

#include <cstring>

#include "synthesis_tables.h"

namespace korvo {

namespace {

// Lee's factorisation of the 32-point DCT-II X[m] = sum x[k] cos((2k + 1) m pi / 64):
// the sums of mirrored inputs give the even outputs, their scaled differences the odd ones.
constexpr int cosineOffset(int n) { return 32 - n; }

template <int N>
struct FastDct {
    static inline void run(const double* in, double* out) {
        constexpr int H = N / 2;
        const double* c = kSynthesisCosines + cosineOffset(N);
        double sums[H], diffs[H], even[H], odd[H];
        for (int k = 0; k < H; ++k) {
            sums[k] = in[k] + in[N - 1 - k];
            diffs[k] = (in[k] - in[N - 1 - k]) * c[k];
        }
        FastDct<H>::run(sums, even);
        FastDct<H>::run(diffs, odd);
        for (int m = 0; m < H; ++m) out[2 * m] = even[m];
        for (int m = 0; m < H - 1; ++m) out[2 * m + 1] = odd[m] + odd[m + 1];
        out[N - 1] = odd[H - 1];
    }
};

template <>
struct FastDct<1> {
    static inline void run(const double* in, double* out) { out[0] = in[0]; }
};

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

// Windowing of one channel and slot: 32 sums of 16 products each. Every output is summed over
// the columns in column order and the loops run across outputs, so the wider vector code
// picked on processors that have it adds in exactly the same order as the plain code.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__) && !defined(__SANITIZE_THREAD__)
__attribute__((target_clones("avx2", "default")))
#endif
void windowSums(const double (*columns)[18], int p, double* out) {
    constexpr int kFront = SynthesisWindow::kFrontRows, kBack = SynthesisWindow::kBackRows;
    double front[kFront] = {};
    double back[kBack] = {};
    for (int c = 0; c < 16; ++c) {
        const double* s = columns[c];
        const double* wf = kSynthesisWindow.front[16 - p + c];
        const double* wb = kSynthesisWindow.back[16 - p + c];
        for (int r = 0; r < kFront; ++r) front[r] += wf[r] * s[r];
        for (int r = 0; r < kBack; ++r) back[r] += wb[r] * s[r];
    }
    for (int j = 0; j <= 16; ++j) out[j] = front[j];
    for (int r = 1; r < 16; ++r) out[32 - r] = back[r];
}

} // namespace

Synthesis::Synthesis() = default;

void Synthesis::buildEightBitTable() {}

uint8_t Synthesis::eightBitSample(int sample) { return kEightBit.entries[(sample >> 3) + 4096]; }

int Synthesis::toSample(double sum) { return int(clampRound(sum)); }

void Synthesis::render(const double* subbands, int channel, int32_t* samples) {
    double a[32];
    FastDct<32>::run(subbands, a);

    const int p = position_;
    const int half = p & 1;
    double* evenSide = state_[channel][half][p];
    double* oddSide = state_[channel][half ^ 1][p];
    for (int r = 0; r < 16; ++r) evenSide[r] = a[16 + r];
    evenSide[16] = 0.0;
    evenSide[17] = 0.0;
    for (int r = 0; r <= 16; ++r) oddSide[r] = a[16 - r];
    oddSide[17] = 0.0;

    double out[32];
    windowSums(state_[channel][half], p, out);
    for (int j = 0; j < 32; ++j) samples[j] = int32_t(clampRound(out[j]));
}

void Synthesis::synthStereoChannel(const double* subbands, int channel, uint8_t* out) {
    channel &= 1;
    if (channel == 0) position_ = (position_ - 1) & 15;
    int32_t s[32];
    render(subbands, channel, s);
    if (eightBit_) {
        for (int j = 0; j < 32; ++j) out[2 * j + channel] = kEightBit.entries[(s[j] >> 3) + 4096];
    } else {
        uint8_t* o = out + 2 * channel;
        for (int j = 0; j < 32; ++j) {
            o[4 * j] = uint8_t(s[j] & 0xFF);
            o[4 * j + 1] = uint8_t((s[j] >> 8) & 0xFF);
        }
    }
}

void Synthesis::synthMono(const double* subbands, uint8_t* out) {
    position_ = (position_ - 1) & 15;
    int32_t s[32];
    render(subbands, 0, s);
    if (eightBit_) {
        for (int j = 0; j < 32; ++j) out[2 * j] = out[2 * j + 1] = kEightBit.entries[(s[j] >> 3) + 4096];
    } else {
        for (int j = 0; j < 32; ++j) {
            uint8_t lo = uint8_t(s[j] & 0xFF), hi = uint8_t((s[j] >> 8) & 0xFF);
            out[4 * j] = out[4 * j + 2] = lo;
            out[4 * j + 1] = out[4 * j + 3] = hi;
        }
    }
}

} // namespace korvo
