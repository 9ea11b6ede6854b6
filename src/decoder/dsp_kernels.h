#pragma once
// The arithmetic of the synthesis transform, the synthesis windowing and the 36-point inverse
// MDCT, written once for a value type T: double for the plain code, a vector of four doubles
// for the AVX2 code (four time slots or four subbands side by side). Each lane then sees
// exactly the operations of the plain code in the same order, so both give the same bits.
// Internal to the translation units that include it.
#include "synthesis_tables.h"

namespace korvo {

// Constants of the 36-point inverse MDCT (filled by the Layer III tables).
struct ImdctConstants {
    double c9[7];               // cos(pi k / 18) for k = 1, 2, 4, 5, 7, 8, then cos(pi / 6)
    double oddScale[9];         // 1 / (2 cos(pi (n + 1/2) / 18))
    double twiddled[4][36];     // window times sign times 1 / (2 cos(pi (2n + 1) / 72)), per block type
};

namespace {

// Load, store and broadcast for a value type; the vector one lives in the AVX2 unit.
template <class T>
struct Lanes;

template <>
struct Lanes<double> {
    static double splat(double v) { return v; }
};

// Two values side by side in the compiler's own vector type (no particular instruction set):
// the plain code's way of doing two subbands or slots at once.
typedef double Pair __attribute__((vector_size(16)));

template <>
struct Lanes<Pair> {
    static Pair splat(double v) { return Pair{v, v}; }
};

// Lee's factorisation of the 32-point DCT-II X[m] = sum x[k] cos((2k + 1) m pi / 64):
// the sums of mirrored inputs give the even outputs, their scaled differences the odd ones.
template <int N, class T>
struct LeeDct {
    static inline __attribute__((always_inline)) void run(const T* in, T* out) {
        constexpr int H = N / 2;
        const double* c = kSynthesisCosines + (32 - N);
        T sums[H], diffs[H], even[H], odd[H];
        for (int k = 0; k < H; ++k) {
            sums[k] = in[k] + in[N - 1 - k];
            diffs[k] = (in[k] - in[N - 1 - k]) * Lanes<T>::splat(c[k]);
        }
        LeeDct<H, T>::run(sums, even);
        LeeDct<H, T>::run(diffs, odd);
        for (int m = 0; m < H; ++m) out[2 * m] = even[m];
        for (int m = 0; m < H - 1; ++m) out[2 * m + 1] = odd[m] + odd[m + 1];
        out[N - 1] = odd[H - 1];
    }
};

template <class T>
struct LeeDct<1, T> {
    static inline __attribute__((always_inline)) void run(const T* in, T* out) { out[0] = in[0]; }
};

// Windowing of one channel and slot: 32 sums of 16 products each, every output summed over
// the ring columns in column order (the loops run across outputs, so vector code over the
// outputs adds in the same order as the plain code).
inline __attribute__((always_inline)) void windowSumsOf(const double (*columns)[SynthesisWindow::kStride], int p, double* out) {
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

// Which transform output feeds sample i of the 36 (y_i = z_(i+9), -z_(26-i), -z_(i-27)).
constexpr int imdctSource(int i) { return i < 9 ? i + 9 : i < 27 ? 26 - i : i - 27; }

// 9-point DCT-III X[n] = sum x[m] cos(pi m (2n + 1) / 18). Outputs n and 8 - n share the even
// and odd halves of the sum (their cosines differ by (-1)^m), and the cosines of multiples of
// pi / 6 are 1/2 and sqrt(3)/2: 22 products instead of 72.
template <class T>
inline __attribute__((always_inline)) void dct9(const T* x, const double* c9, T* X) {
    const T c1 = Lanes<T>::splat(c9[0]), c2 = Lanes<T>::splat(c9[1]), c4 = Lanes<T>::splat(c9[2]);
    const T c5 = Lanes<T>::splat(c9[3]), c7 = Lanes<T>::splat(c9[4]), c8 = Lanes<T>::splat(c9[5]);
    const T r3 = Lanes<T>::splat(c9[6]), half = Lanes<T>::splat(0.5);
    const T t0 = x[0] + x[6] * half;
    const T t1 = x[0] - x[6];
    const T t2 = x[2] - x[4] - x[8];
    const T e0 = t0 + x[2] * c2 + x[4] * c4 + x[8] * c8;
    const T e1 = t1 + t2 * half;
    const T e2 = t0 - x[2] * c8 - x[4] * c2 + x[8] * c4;
    const T e3 = t0 - x[2] * c4 + x[4] * c8 - x[8] * c2;
    const T s3 = x[3] * r3;
    const T o0 = x[1] * c1 + s3 + x[5] * c5 + x[7] * c7;
    const T o1 = (x[1] - x[5] - x[7]) * r3;
    const T o2 = x[1] * c5 - s3 - x[5] * c7 + x[7] * c1;
    const T o3 = x[1] * c7 - s3 + x[5] * c1 - x[7] * c5;
    X[0] = e0 + o0, X[8] = e0 - o0;
    X[1] = e1 + o1, X[7] = e1 - o1;
    X[2] = e2 + o2, X[6] = e2 - o2;
    X[3] = e3 + o3, X[5] = e3 - o3;
    X[4] = t1 - t2;
}

// 36-point inverse MDCT of 18 lines as an 18-point DCT-IV: pairwise sums turn it into a
// DCT-III, split into two 9-point halves. cur gets the first 18 windowed samples plus the
// previous overlap, next the second 18 (the overlap of the next granule).
template <class T>
inline __attribute__((always_inline)) void imdct36(const T* in, const ImdctConstants& k, int blockType,
                                                   const T* previous, T* cur, T* next) {
    T v[18];
    v[0] = in[0];
#pragma GCC unroll 18
    for (int i = 1; i < 18; ++i) v[i] = in[i] + in[i - 1];
    T ev[9], od[9];
#pragma GCC unroll 18
    for (int m = 0; m < 9; ++m) ev[m] = v[2 * m];
    od[0] = v[1];
#pragma GCC unroll 18
    for (int m = 1; m < 9; ++m) od[m] = v[2 * m + 1] + v[2 * m - 1];
    T e[9], o[9];
    dct9(ev, k.c9, e);
    dct9(od, k.c9, o);
    T w[18];
#pragma GCC unroll 18
    for (int n = 0; n < 9; ++n) {
        T so = o[n] * Lanes<T>::splat(k.oddScale[n]);
        w[n] = e[n] + so;
        w[17 - n] = e[n] - so;
    }
    const double* tw = k.twiddled[blockType & 3];
#pragma GCC unroll 18
    for (int t = 0; t < 18; ++t) {
        cur[t] = previous[t] + w[imdctSource(t)] * Lanes<T>::splat(tw[t]);
        next[t] = w[imdctSource(18 + t)] * Lanes<T>::splat(tw[18 + t]);
    }
}

} // namespace
} // namespace korvo
