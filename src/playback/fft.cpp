// The real transform as a complex one of half the size over the even and odd samples, then
// split into the real signal's bins.
#include "playback/fft.h"

#include <cmath>
#include <utility>

namespace korvo {

namespace {

constexpr int kHalf = kFftSize / 2;
constexpr int kQuarter = kFftSize / 4;

// In place, decimation in time; the twiddles of size kHalf are every second one of kFftSize.
void complexFft(float* re, float* im) {
    for (int i = 1, j = 0; i < kHalf; ++i) {
        int bit = kHalf >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j |= bit;
        if (i < j) std::swap(re[i], re[j]), std::swap(im[i], im[j]);
    }
    for (int len = 2; len <= kHalf; len <<= 1) {
        const int step = kFftSize / len;   // W_len^m = W_N^(m * step)
        for (int m = 0; m < len / 2; ++m) {
            const float wr = fftCosine(m * step), wi = -fftSine(m * step);
            for (int start = 0; start < kHalf; start += len) {
                const int a = start + m, b = a + len / 2;
                const float tr = re[b] * wr - im[b] * wi, ti = re[b] * wi + im[b] * wr;
                re[b] = re[a] - tr, im[b] = im[a] - ti;
                re[a] += tr, im[a] += ti;
            }
        }
    }
}

} // namespace

float fftSine(int k) {
    k &= kFftSize - 1;
    if (k <= kQuarter) return kFftQuarterSine[k];
    if (k <= kHalf) return kFftQuarterSine[kHalf - k];
    if (k <= kHalf + kQuarter) return -kFftQuarterSine[k - kHalf];
    return -kFftQuarterSine[kFftSize - k];
}

float fftCosine(int k) { return fftSine(k + kQuarter); }

void realFftMagnitudes(const float* samples, float* magnitudes) {
    float re[kHalf], im[kHalf];
    for (int n = 0; n < kHalf; ++n) re[n] = samples[2 * n], im[n] = samples[2 * n + 1];
    complexFft(re, im);
    for (int k = 0; k < kHalf; ++k) {
        const int mk = (kHalf - k) & (kHalf - 1);
        // the even samples' bin and the odd samples' bin
        const float er = 0.5f * (re[k] + re[mk]), ei = 0.5f * (im[k] - im[mk]);
        const float orr = 0.5f * (im[k] + im[mk]), oi = -0.5f * (re[k] - re[mk]);
        const float wr = fftCosine(k), wi = -fftSine(k);
        const float xr = er + orr * wr - oi * wi, xi = ei + orr * wi + oi * wr;
        magnitudes[k] = std::sqrt(xr * xr + xi * xi);
    }
}

} // namespace korvo
