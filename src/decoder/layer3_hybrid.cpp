// The hybrid filterbank: alias reduction, then the inverse MDCT of each subband, windowed
// and overlapped with the previous granule's second half.
#include <algorithm>

#include "dsp_avx2.h"
#include "layer3_internal.h"
#include "vector_path.h"

namespace korvo {

void Layer3Decoder::State::antialias(int ch, const GranuleInfo& gi) {
    int bounds;
    if (gi.blockType == 2) bounds = gi.mixedBlockFlag ? 1 : 0;
    else bounds = gi.activeSubbands - 1;
    double* x = spectrum[ch];
    const double* cs = g_layer3Tables.cs;
    const double* ca = g_layer3Tables.ca;
#if KORVO_HAVE_AVX2_PATH
    if (vectorPathActive()) {
        avx2::antialias(x, bounds, cs, ca);
        return;
    }
#endif
    for (int s = 1; s <= bounds && s < 32; ++s) {
        double* up = x + 18 * s - 1;   // line 17 of subband s - 1
        double* dn = x + 18 * s;
        for (int j = 0; j < 8; ++j) {
            double bu = up[-j], bd = dn[j];
            up[-j] = bu * cs[j] - bd * ca[j];
            dn[j] = bd * cs[j] + bu * ca[j];
        }
    }
}

namespace {

// 36-point inverse MDCT of subband sb, windowed, overlapped; out and ov are [18][32].
inline void longTransform(const double* x, int sb, int blockType, double (*ov)[32], double (*out)[32]) {
    double previous[18], cur[18], next[18];
    for (int t = 0; t < 18; ++t) previous[t] = ov[t][sb];
    imdct36(x + 18 * sb, g_layer3Tables.imdct, blockType, previous, cur, next);
    const bool odd = sb & 1;
    for (int t = 0; t < 18; ++t) {
        out[t][sb] = (odd && (t & 1)) ? -cur[t] : cur[t];
        ov[t][sb] = next[t];
    }
}

// Subbands sb and sb + 1 (sb even) through the long-block transform.
inline void longTransformPair(const double* x, int sb, int blockType, double (*ov)[32], double (*out)[32]) {
    const double* a = x + 18 * sb;
    Pair in[18], previous[18], cur[18], next[18];
    for (int i = 0; i < 18; ++i) in[i] = Pair{a[i], a[18 + i]};
    for (int t = 0; t < 18; ++t) previous[t] = Pair{ov[t][sb], ov[t][sb + 1]};
    imdct36(in, g_layer3Tables.imdct, blockType, previous, cur, next);
    for (int t = 0; t < 18; ++t) {
        out[t][sb] = cur[t][0];
        out[t][sb + 1] = (t & 1) ? -cur[t][1] : cur[t][1];
        ov[t][sb] = next[t][0];
        ov[t][sb + 1] = next[t][1];
    }
}

inline void shortTransform(const double* x, int sb, double (*ov)[32], double (*out)[32]) {
    const double* in = x + 18 * sb;
    const bool odd = sb & 1;
    double block[36] = {};
    const double* sw = g_layer3Tables.shortWindow;
    for (int w = 0; w < 3; ++w) {
        double z[12] = {};
        for (int k = 0; k < 6; ++k) {
            double xk = in[w + 3 * k];
            if (xk == 0.0) continue;
            const double* c = g_layer3Tables.imdct12[k];
            for (int i = 0; i < 12; ++i) z[i] += xk * c[i];
        }
        for (int i = 0; i < 12; ++i) block[6 + 6 * w + i] += z[i] * sw[i];
    }
    for (int t = 0; t < 18; ++t) {
        double v = ov[t][sb] + block[t];
        out[t][sb] = (odd && (t & 1)) ? -v : v;
        ov[t][sb] = block[18 + t];
    }
}

} // namespace

void Layer3Decoder::State::hybrid(int ch, const GranuleInfo& gi) {
    const double* x = spectrum[ch];
    double(*out)[32] = timeSamples[ch];
    double(*ov)[32] = overlap[ch];
    int sb = 0;
    // The mixed flag puts the two lowest subbands on the normal window whatever the block type.
    if (gi.mixedBlockFlag) {
        longTransform(x, 0, 0, ov, out);
        longTransform(x, 1, 0, ov, out);
        sb = 2;
    }
    // Subbands above the active ones hold zeros: their transform is zero, only the overlap
    // passes on. Work goes in pairs (fours on the vector path); a zero subband in a pair or
    // four gives the same samples through the transform.
    int active = std::clamp(gi.activeSubbands, 0, 32);
    if (gi.blockType == 2) {
        for (; sb < active; ++sb) shortTransform(x, sb, ov, out);
    } else {
#if KORVO_HAVE_AVX2_PATH
        if (vectorPathActive()) {
            for (; sb < active && (sb & 3); ++sb) longTransform(x, sb, gi.blockType, ov, out);
            const int groups = (active - sb + 3) / 4;
            if (groups > 0) avx2::longBlocks(x, sb, groups, g_layer3Tables.imdct, gi.blockType, ov, out);
            sb += 4 * std::max(groups, 0);
        }
#endif
        if (sb & 1) longTransform(x, sb++, gi.blockType, ov, out);
        for (; sb < active; sb += 2) longTransformPair(x, sb, gi.blockType, ov, out);
    }
    for (; sb < 32; ++sb) {
        const bool odd = sb & 1;
        for (int t = 0; t < 18; ++t) {
            double v = ov[t][sb];
            out[t][sb] = (odd && (t & 1)) ? -v : v;
            ov[t][sb] = 0.0;
        }
    }
}

} // namespace korvo
