// Intensity stereo: the right channel's upper bands, carried by the left, shared out by the
// positions in the right channel's scale factors. Middle/side is in layer3_internal.h.
#include <algorithm>

#include "layer3_internal.h"
#include "layer3_tables.h"

namespace korvo {

void Layer3Decoder::State::intensityStereo(const GranuleInfo& gi, int samplingIndex, int lsf, int ms,
                                           int mappingMode) {
    const ScaleBandTable& sb = kScaleBandTables[samplingIndex];
    const int* sf = scalefac[1];
    double* l = spectrum[0];
    double* r = spectrum[1];
    const double(*table)[2] =
        lsf ? g_layer3Tables.isLsf[gi.scalefacCompress & 1][ms] : g_layer3Tables.isMpeg1[ms];
    int positions = lsf ? kIntensityPositions : 16;
    auto apply = [&](int p, int start, int step, int count) {
        if (p == 7) return;
        p = std::clamp(p, 0, positions - 1);
        double fl = table[p][0], fr = table[p][1];
        for (int k = 0; k < count; ++k) {
            int i = start + k * step;
            if (i >= 576) break;
            double v = l[i];
            l[i] = v * fl;
            r[i] = v * fr;
        }
    };
    auto entry = [&](int band, int w) {
        int e = gi.mixedBlockFlag ? mixedShortEntry(lsf, band, w) : 3 * band + w;
        return e >= 0 && e < 39 ? sf[e] : 0;
    };
    if (gi.blockType == 2) {
        bool longPart = gi.mixedBlockFlag != 0;
        for (int w = 0; w < 3; ++w) {
            int b = gi.shortBandLimit[w];
            if (b > 3) longPart = false;
            for (int band = b; band < 12; ++band)
                apply(entry(band, w), sb.shortStart3[band] + w, 3, sb.shortWidth[band]);
            switch (mappingMode) {
            case 1:
                apply(entry(10, w), sb.shortStart3[11] + w, 3, sb.shortWidth[11]);
                break;
            case 2:
                apply(entry(11, w), sb.shortStart3[12] + w, 3, sb.shortWidth[12]);
                break;
            case 3:
                break;   // the entry after band 11 is 0 and no band lies above 12
            default: {
                int p = (entry(9, w) + entry(10, w) + entry(11, w) + entry(12, w)) / 4;
                int start = (sb.shortStart3[10] + sb.shortStart3[11] + sb.shortStart3[12] + 576) / 4 + w;
                int count = (sb.shortWidth[10] + sb.shortWidth[11] + sb.shortWidth[12]) / 4;
                apply(p, start, 3, count);
                break;
            }
            }
        }
        if (longPart) {
            int nLong = mixedLongBands(samplingIndex);
            for (int band = gi.longBandLimit; band < nLong; ++band)
                apply(sf[band], sb.longStart[band], 1, sb.longWidth[band]);
        }
        return;
    }
    if (gi.longBandLimit >= 22) return;
    for (int band = gi.longBandLimit; band < 21; ++band)
        apply(sf[band], sb.longStart[band], 1, sb.longWidth[band]);
    apply(sf[20], sb.longStart[21], 1, sb.longWidth[21]);
}

} // namespace korvo
