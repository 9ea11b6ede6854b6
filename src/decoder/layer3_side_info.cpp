// Side information (each granule's sizes, block type, Huffman tables and gains) and the scale
// factors at the start of a granule's main data.
#include <algorithm>

#include "frame_reader.h"
#include "layer3_internal.h"
#include "layer3_tables.h"

namespace korvo {

int readLayer3SideInfo(FrameReader& rd, int channels, int lsf, int samplingIndex, int ms, int gainOffset,
                       SideInfo& si) {
    const ScaleBandTable& sb = kScaleBandTables[samplingIndex];
    const int granules = lsf ? 1 : 2;
    si.mainDataBegin = lsf ? rd.readBits(8) : rd.readBits(9);
    si.privateBits = lsf ? rd.readBits(channels == 1 ? 1 : 2) : rd.readBits(channels == 1 ? 5 : 3);
    if (!lsf)
        for (int ch = 0; ch < channels; ++ch) {
            si.granules[ch][0].scfsi = -1;
            si.granules[ch][1].scfsi = int(rd.readBits(4));
        }
    for (int gr = 0; gr < granules; ++gr) {
        for (int ch = 0; ch < channels; ++ch) {
            GranuleInfo& gi = si.granules[ch][gr];
            gi.part23Length = int(rd.readBits(12));
            gi.bigValues = std::min(int(rd.readBits(9)), 288);
            int globalGain = int(rd.readBits(8));
            gi.gainIndex = 256 - globalGain + gainOffset + (ms ? 2 : 0);
            gi.scalefacCompress = int(rd.readBits(lsf ? 9 : 4));
            if (rd.readBit()) {
                gi.blockType = int(rd.readBits(2));
                gi.mixedBlockFlag = int(rd.readBit());
                gi.tableSelect[0] = int(rd.readBits(5));
                gi.tableSelect[1] = int(rd.readBits(5));
                gi.tableSelect[2] = 0;
                for (int w = 0; w < 3; ++w) gi.windowGainIndex[w] = gi.gainIndex + 8 * int(rd.readBits(3));
                if (gi.blockType == 0) return 0;
                // Region 1 begins after short band 2 (short blocks) or long band 7 (start, stop):
                // 18 or 27 pairs at every rate but 8 kHz, whose bands are twice as wide.
                gi.region1Begin = gi.blockType == 2 ? sb.shortStart3[3] / 2 : sb.longStart[8] / 2;
                gi.region2Begin = 288;
            } else {
                for (int r = 0; r < 3; ++r) gi.tableSelect[r] = int(rd.readBits(5));
                int r0 = int(rd.readBits(4));
                int r1 = int(rd.readBits(3));
                // Counts whose sum passes the last boundary are taken as the last boundary.
                gi.region1Begin = sb.longStart[std::min(r0 + 1, 22)] / 2;
                gi.region2Begin = sb.longStart[std::min(r0 + r1 + 2, 22)] / 2;
                gi.blockType = 0;
                gi.mixedBlockFlag = 0;
                for (int w = 0; w < 3; ++w) gi.windowGainIndex[w] = gi.gainIndex;
            }
            if (!lsf) gi.preflag = int(rd.readBit());
            gi.scalefacScale = int(rd.readBit());
            gi.count1TableSelect = int(rd.readBit());
        }
    }
    return 1;
}

int Layer3Decoder::State::readScaleFactors(int ch, GranuleInfo& gi) {
    int* sf = scalefac[ch];
    int slen1 = kSlen1[gi.scalefacCompress & 15];
    int slen2 = kSlen2[gi.scalefacCompress & 15];
    int count = 0;
    if (gi.blockType == 2) {
        int n1 = gi.mixedBlockFlag ? 17 : 18;
        for (int i = 0; i < n1; ++i) sf[i] = int(bits.get(slen1));
        for (int i = 0; i < 18; ++i) sf[n1 + i] = int(bits.get(slen2));
        for (int i = n1 + 18; i < 39; ++i) sf[i] = 0;
        return n1 * slen1 + 18 * slen2;
    }
    static const int groupStart[5] = {0, 6, 11, 16, 21};
    for (int g = 0; g < 4; ++g) {
        if (gi.scfsi >= 0 && (gi.scfsi & (8 >> g))) continue;   // kept from granule 0
        int len = g < 2 ? slen1 : slen2;
        for (int i = groupStart[g]; i < groupStart[g + 1]; ++i) sf[i] = int(bits.get(len));
        count += len * (groupStart[g + 1] - groupStart[g]);
    }
    for (int i = 21; i < 39; ++i) sf[i] = 0;
    return count;
}

int Layer3Decoder::State::readScaleFactorsLsf(int ch, GranuleInfo& gi, int intensity, int) {
    int* sf = scalefac[ch];
    uint16_t s = intensity ? g_layer3Tables.lsfIntensity[(gi.scalefacCompress >> 1) & 255]
                           : g_layer3Tables.lsfNormal[gi.scalefacCompress & 511];
    gi.preflag = s >> 15;
    int kind = gi.blockType != 2 ? 0 : (gi.mixedBlockFlag ? 2 : 1);
    const uint8_t* counts = kLsfBandCounts[kind][(s >> 12) & 7];
    int n = 0, total = 0;
    for (int i = 0; i < 4; ++i) {
        int width = (s >> (3 * i)) & 7;
        for (int k = 0; k < counts[i] && n < 39; ++k) sf[n++] = int(bits.get(width));
        total += counts[i] * width;
    }
    while (n < 39) sf[n++] = 0;
    return total;
}

} // namespace korvo
