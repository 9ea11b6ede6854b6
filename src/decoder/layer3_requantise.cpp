// Requantisation: the Huffman values, already raised to the 4/3 power, scaled by the global
// gain, the scale factors and the subblock gains into the spectrum.
#include <algorithm>

#include "layer3_internal.h"
#include "layer3_tables.h"

namespace korvo {

void Layer3Decoder::State::requantise(int ch, GranuleInfo& gi, int samplingIndex, int lsf, int qEnd, int forced) {
    const ScaleBandTable& sb = kScaleBandTables[samplingIndex];
    const int* sf = scalefac[ch];
    double* xr = spectrum[ch];
    int shift = 1 + gi.scalefacScale;
    // Values beyond qEnd are zero (a value cut short by part23Length was stored as zero).
    if (qEnd < 576) std::memset(q + qEnd, 0, sizeof(double) * size_t(576 - qEnd));
    // Bands above the last line holding a value stay zero: no work for them.
    int last = qEnd - 1;
    while (last >= 0 && q[last] == 0.0) --last;
    last = std::max(last, forced);

    auto requantRun = [&](int from, int count, int step, int qFrom, double g) {
        bool any = false;
        const double* qq = q + qFrom;
        double* dst = xr + from;
        if (step == 1) {
            for (int k = 0; k < count; ++k) {
                any |= qq[k] != 0.0;
                dst[k] = qq[k] * g;
            }
        } else {
            for (int k = 0; k < count; ++k) {
                any |= qq[k] != 0.0;
                dst[k * step] = qq[k] * g;
            }
        }
        return any || (forced >= qFrom && forced < qFrom + count);
    };

    if (gi.blockType != 2) {
        // The band holding the last value is the highest with data.
        int b = 0;
        for (; b < 22 && sb.longStart[b] <= last; ++b) {
            const double g = gainAt(gi.gainIndex + ((sf[b] + gi.preflag * kPreEmphasis[b]) << shift));
            const double* qq = q + sb.longStart[b];
            double* dst = xr + sb.longStart[b];
            for (int k = 0, n = sb.longWidth[b]; k < n; ++k) dst[k] = qq[k] * g;
        }
        int end = sb.longStart[b];
        if (end < 576) std::memset(xr + end, 0, sizeof(double) * size_t(576 - end));
        gi.longBandLimit = b;
        gi.activeSubbands = g_layer3Tables.longLimit[samplingIndex][gi.longBandLimit];
        return;
    }

    std::memset(xr, 0, sizeof(double) * 576);
    int highestLong = -1;
    int highest[3] = {-1, -1, -1};
    int firstShort = 0;
    if (gi.mixedBlockFlag) {
        int nLong = mixedLongBands(samplingIndex);
        for (int b = 0; b < nLong && sb.longStart[b] <= last; ++b) {
            int idx = gi.gainIndex + (sf[b] << shift);
            if (requantRun(sb.longStart[b], sb.longWidth[b], 1, sb.longStart[b], gainAt(idx))) highestLong = b;
        }
        firstShort = 3;
        highest[0] = highest[1] = highest[2] = 2;
    }
    for (int b = firstShort; b < 13 && sb.shortStart3[b] <= last; ++b) {
        int start = sb.shortStart3[b];
        int width = sb.shortWidth[b];
        for (int w = 0; w < 3; ++w) {
            int entry = gi.mixedBlockFlag ? mixedShortEntry(lsf, b, w) : 3 * b + w;
            int s = entry < 39 ? sf[entry] : 0;
            int idx = gi.windowGainIndex[w] + (s << shift);
            if (requantRun(start + w, width, 3, start + w * width, gainAt(idx))) highest[w] = b;
        }
    }
    int r = 0;
    for (int w = 0; w < 3; ++w) {
        gi.shortBandLimit[w] = highest[w] + 1;
        r = std::max(r, highest[w] + 1);
    }
    gi.longBandLimit = highestLong + 1;
    gi.activeSubbands = r != 0 ? g_layer3Tables.shortLimit[samplingIndex][r] : g_layer3Tables.longLimit[samplingIndex][gi.longBandLimit];
}

} // namespace korvo
