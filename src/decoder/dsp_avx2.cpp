// The AVX2 forms of the hot loops: the shared kernels instantiated on four-double vectors.
#include "dsp_avx2.h"

#if KORVO_HAVE_AVX2_PATH
#pragma GCC target("avx2")
#include <immintrin.h>

#include "dsp_kernels.h"

namespace korvo {
namespace {

// A plain vector of four doubles (the intrinsics type carries attributes templates drop).
typedef double V __attribute__((vector_size(32)));

template <>
struct Lanes<V> {
    static V splat(double v) { return _mm256_set1_pd(v); }
};

// Rows a..d of four doubles become columns.
inline void transpose4(V& a, V& b, V& c, V& d) {
    V ab0 = _mm256_unpacklo_pd(a, b), ab1 = _mm256_unpackhi_pd(a, b);
    V cd0 = _mm256_unpacklo_pd(c, d), cd1 = _mm256_unpackhi_pd(c, d);
    a = _mm256_permute2f128_pd(ab0, cd0, 0x20);
    b = _mm256_permute2f128_pd(ab1, cd1, 0x20);
    c = _mm256_permute2f128_pd(ab0, cd0, 0x31);
    d = _mm256_permute2f128_pd(ab1, cd1, 0x31);
}

} // namespace

namespace avx2 {

void synthesisDct(const double (*slots)[32], int count, double (*out)[32]) {
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        V in[32], res[32];
        for (int k = 0; k < 32; k += 4) {
            V a = _mm256_loadu_pd(slots[i] + k), b = _mm256_loadu_pd(slots[i + 1] + k);
            V c = _mm256_loadu_pd(slots[i + 2] + k), d = _mm256_loadu_pd(slots[i + 3] + k);
            transpose4(a, b, c, d);
            in[k] = a, in[k + 1] = b, in[k + 2] = c, in[k + 3] = d;
        }
        LeeDct<32, V>::run(in, res);
        for (int k = 0; k < 32; k += 4) {
            V a = res[k], b = res[k + 1], c = res[k + 2], d = res[k + 3];
            transpose4(a, b, c, d);
            _mm256_storeu_pd(out[i] + k, a);
            _mm256_storeu_pd(out[i + 1] + k, b);
            _mm256_storeu_pd(out[i + 2] + k, c);
            _mm256_storeu_pd(out[i + 3] + k, d);
        }
    }
    for (; i < count; ++i) LeeDct<32, double>::run(slots[i], out[i]);
}

namespace {

// windowSumsOf into eight vectors of four samples each, the front and back sums of a column
// sharing its loads: rows 0..15 of both in four vectors each, rows 16 and 17 of the front in a
// pair. The sums stay in registers; an array in between kept one of them in memory.
inline __attribute__((always_inline)) void windowInto(const double (*columns)[SynthesisWindow::kStride], int p, __m256d (&v)[8]) {
    const double(*wf)[SynthesisWindow::kStride] = kSynthesisWindow.front + 16 - p;
    const double(*wb)[SynthesisWindow::kBackRows] = kSynthesisWindow.back + 16 - p;
    __m256d f0 = _mm256_setzero_pd(), f1 = f0, f2 = f0, f3 = f0, b0 = f0, b1 = f0, b2 = f0, b3 = f0;
    __m128d f4 = _mm_setzero_pd();
    for (int c = 0; c < 16; ++c) {
        const double* s = columns[c];
        const __m256d s0 = _mm256_loadu_pd(s), s1 = _mm256_loadu_pd(s + 4);
        const __m256d s2 = _mm256_loadu_pd(s + 8), s3 = _mm256_loadu_pd(s + 12);
        f0 = _mm256_add_pd(f0, _mm256_mul_pd(_mm256_loadu_pd(wf[c]), s0));
        f1 = _mm256_add_pd(f1, _mm256_mul_pd(_mm256_loadu_pd(wf[c] + 4), s1));
        f2 = _mm256_add_pd(f2, _mm256_mul_pd(_mm256_loadu_pd(wf[c] + 8), s2));
        f3 = _mm256_add_pd(f3, _mm256_mul_pd(_mm256_loadu_pd(wf[c] + 12), s3));
        f4 = _mm_add_pd(f4, _mm_mul_pd(_mm_loadu_pd(wf[c] + 16), _mm_loadu_pd(s + 16)));
        b0 = _mm256_add_pd(b0, _mm256_mul_pd(_mm256_loadu_pd(wb[c]), s0));
        b1 = _mm256_add_pd(b1, _mm256_mul_pd(_mm256_loadu_pd(wb[c] + 4), s1));
        b2 = _mm256_add_pd(b2, _mm256_mul_pd(_mm256_loadu_pd(wb[c] + 8), s2));
        b3 = _mm256_add_pd(b3, _mm256_mul_pd(_mm256_loadu_pd(wb[c] + 12), s3));
    }
    v[0] = f0, v[1] = f1, v[2] = f2, v[3] = f3;
    // Entry r of the back sums is sample 32 - r (entry 0 unused): samples 16..19 are front 16
    // and back 15, 14, 13; each later four takes entry 0 of one back vector (the sample after
    // the one before) and entries 3, 2, 1 of the next.
    const __m256d front16 = _mm256_castpd128_pd256(f4);
    v[4] = _mm256_blend_pd(_mm256_permute4x64_pd(b3, 0x6C), front16, 1);
    v[5] = _mm256_blend_pd(_mm256_permute4x64_pd(b2, 0x6C), b3, 1);
    v[6] = _mm256_blend_pd(_mm256_permute4x64_pd(b1, 0x6C), b2, 1);
    v[7] = _mm256_blend_pd(_mm256_permute4x64_pd(b0, 0x6C), b1, 1);
}

// Scales, rounds and saturates 32 sums to 16-bit samples. max and min take the bound for a
// NaN, as the plain comparisons do; the conversion rounds to nearest, ties to even, as the
// plain rounding does. Stereo pairs are 32-bit words: channel 0 fills the low halves, channel 1
// the high ones.
inline __attribute__((always_inline)) void writeVectors(const __m256d (&sums)[8], double gain, uint8_t* out,
                                                        int channel, bool mono) {
    const __m256d lo = _mm256_set1_pd(-32768.0), hi = _mm256_set1_pd(32767.0), g = _mm256_set1_pd(gain);
    const __m256i low16 = _mm256_set1_epi32(0xFFFF);
    for (int j = 0; j < 8; j += 2) {
        __m256d a = _mm256_min_pd(_mm256_max_pd(_mm256_mul_pd(sums[j], g), lo), hi);
        __m256d b = _mm256_min_pd(_mm256_max_pd(_mm256_mul_pd(sums[j + 1], g), lo), hi);
        __m256i v = _mm256_and_si256(_mm256_set_m128i(_mm256_cvtpd_epi32(b), _mm256_cvtpd_epi32(a)), low16);
        __m256i* dst = reinterpret_cast<__m256i*>(out + 16 * j);
        if (mono) {
            v = _mm256_or_si256(v, _mm256_slli_epi32(v, 16));
        } else {
            const __m256i had = _mm256_loadu_si256(dst);
            v = channel ? _mm256_blend_epi16(had, _mm256_slli_epi32(v, 16), 0xAA) : _mm256_blend_epi16(had, v, 0x55);
        }
        _mm256_storeu_si256(dst, v);
    }
}

} // namespace

void windowSums(const double (*columns)[SynthesisWindow::kStride], int p, double* out) {
    __m256d v[8];
    windowInto(columns, p, v);
    for (int j = 0; j < 8; ++j) _mm256_storeu_pd(out + 4 * j, v[j]);
}

void windowSamples(const double (*columns)[SynthesisWindow::kStride], int p, double gain, uint8_t* out, int channel,
                   bool mono) {
    __m256d v[8];
    windowInto(columns, p, v);
    writeVectors(v, gain, out, channel, mono);
}

void longBlocks(const double* x, int from, int groups, const ImdctConstants& k, int blockType,
                double (*overlap)[32], double (*out)[32]) {
    // Odd subbands negate their odd samples: lanes 1 and 3 of a group that starts even.
    const V flip = _mm256_set_pd(-0.0, 0.0, -0.0, 0.0);
    for (int g = 0; g < groups; ++g) {
        const int sb = from + 4 * g;
        const double* r0 = x + 18 * sb;
        V in[18];
        for (int i = 0; i < 16; i += 4) {
            V a = _mm256_loadu_pd(r0 + i), b = _mm256_loadu_pd(r0 + 18 + i);
            V c = _mm256_loadu_pd(r0 + 36 + i), d = _mm256_loadu_pd(r0 + 54 + i);
            transpose4(a, b, c, d);
            in[i] = a, in[i + 1] = b, in[i + 2] = c, in[i + 3] = d;
        }
        in[16] = _mm256_set_pd(r0[54 + 16], r0[36 + 16], r0[18 + 16], r0[16]);
        in[17] = _mm256_set_pd(r0[54 + 17], r0[36 + 17], r0[18 + 17], r0[17]);
        V previous[18], cur[18], next[18];
        for (int t = 0; t < 18; ++t) previous[t] = _mm256_loadu_pd(overlap[t] + sb);
        imdct36(in, k, blockType, previous, cur, next);
        for (int t = 0; t < 18; ++t) {
            _mm256_storeu_pd(out[t] + sb, (t & 1) ? _mm256_xor_pd(cur[t], flip) : cur[t]);
            _mm256_storeu_pd(overlap[t] + sb, next[t]);
        }
    }
}

void antialias(double* x, int bounds, const double* cs, const double* ca) {
    const __m256d cs0 = _mm256_loadu_pd(cs), cs1 = _mm256_loadu_pd(cs + 4);
    const __m256d ca0 = _mm256_loadu_pd(ca), ca1 = _mm256_loadu_pd(ca + 4);
    for (int s = 1; s <= bounds && s < 32; ++s) {
        double* dn = x + 18 * s;
        // Lines below the boundary run downwards: reversed, lane j holds line 18 s - 1 - j.
        __m256d u0 = _mm256_permute4x64_pd(_mm256_loadu_pd(dn - 4), 0x1B);
        __m256d u1 = _mm256_permute4x64_pd(_mm256_loadu_pd(dn - 8), 0x1B);
        __m256d d0 = _mm256_loadu_pd(dn), d1 = _mm256_loadu_pd(dn + 4);
        __m256d nu0 = _mm256_sub_pd(_mm256_mul_pd(u0, cs0), _mm256_mul_pd(d0, ca0));
        __m256d nu1 = _mm256_sub_pd(_mm256_mul_pd(u1, cs1), _mm256_mul_pd(d1, ca1));
        __m256d nd0 = _mm256_add_pd(_mm256_mul_pd(d0, cs0), _mm256_mul_pd(u0, ca0));
        __m256d nd1 = _mm256_add_pd(_mm256_mul_pd(d1, cs1), _mm256_mul_pd(u1, ca1));
        _mm256_storeu_pd(dn - 4, _mm256_permute4x64_pd(nu0, 0x1B));
        _mm256_storeu_pd(dn - 8, _mm256_permute4x64_pd(nu1, 0x1B));
        _mm256_storeu_pd(dn, nd0);
        _mm256_storeu_pd(dn + 4, nd1);
    }
}

} // namespace avx2
} // namespace korvo

#endif
