#include "layer2.h"

#include <cmath>

#include "decoder.h"
#include "layer2_multipliers.h"
#include "slot_render.h"

namespace korvo {

namespace {

template <int N, int Size>
void buildDegroup(uint8_t (&table)[Size][3], const uint8_t (&levels)[N]) {
    int code = 0;
    for (int a = 0; a < N; ++a)
        for (int b = 0; b < N; ++b)
            for (int c = 0; c < N; ++c, ++code) {
                table[code][0] = levels[c];
                table[code][1] = levels[b];
                table[code][2] = levels[a];
            }
    // Code words beyond n^3 - 1 do not occur in valid streams: three zero samples.
    for (; code < Size; ++code) table[code][0] = table[code][1] = table[code][2] = 0;
}

Layer12Tables makeTables() {
    Layer12Tables t{};
    for (int r = 0; r < 27; ++r) {
        for (int j = 0; j < 63; ++j) t.mulTable[r][j] = kLayer2Multipliers[r] * std::pow(2.0, (3.0 - j) / 3.0);
        t.mulTable[r][63] = 0.0;
    }
    buildDegroup(t.degroup3, kGroupLevels3);
    buildDegroup(t.degroup5, kGroupLevels5);
    buildDegroup(t.degroup9, kGroupLevels9);
    return t;
}

// Three samples of one subband and channel from one code set.
struct Codes {
    const AllocEntry* entry;   // nullptr: allocation 0
    uint32_t c[3];
};

inline void readCodes(FrameReader& br, Codes& k) {
    const AllocEntry* e = k.entry;
    if (!e) return;
    if (e->kind > 0) {
        k.c[0] = br.readBits(e->bits);
    } else {
        k.c[0] = br.readBits(e->bits);
        k.c[1] = br.readBits(e->bits);
        k.c[2] = br.readBits(e->bits);
    }
}

inline void requantise(const Layer12Tables& t, const Codes& k, int scale, double* s0, double* s1, double* s2) {
    const AllocEntry* e = k.entry;
    if (!e) {
        *s0 = *s1 = *s2 = 0.0;
        return;
    }
    if (e->kind > 0) {
        const uint8_t* rows;
        switch (e->kind) {
        case 3: rows = t.degroup3[k.c[0] & 31]; break;
        case 5: rows = t.degroup5[k.c[0] & 127]; break;
        default: rows = t.degroup9[k.c[0] & 1023]; break;
        }
        *s0 = t.mulTable[rows[0]][scale];
        *s1 = t.mulTable[rows[1]][scale];
        *s2 = t.mulTable[rows[2]][scale];
    } else {
        const double m = t.mulTable[e->bits][scale];   // widths 3..16 in the fixed tables
        *s0 = double(int(e->kind) + int(k.c[0])) * m;
        *s1 = double(int(e->kind) + int(k.c[1])) * m;
        *s2 = double(int(e->kind) + int(k.c[2])) * m;
    }
}

} // namespace

const Layer12Tables& layer12Tables() {
    static const Layer12Tables tables = makeTables();
    return tables;
}

void buildLayer12Tables() { (void)layer12Tables(); }

int decodeLayer2(Decoder& d) {
    const Layer12Tables& t = layer12Tables();
    const FrameHeader& h = d.header();
    FrameReader& br = d.reader();
    Synthesis& syn = d.synthesis();
    PcmBuffer& pcm = d.pcm();

    const int channels = h.channels == 1 ? 1 : 2;
    int limit = h.allocTable ? h.subbandLimit : 0;
    if (limit < 0) limit = 0;
    if (limit > 32) limit = 32;
    int bound = channels == 1 ? limit : h.jointBound;
    if (bound < 0) bound = 0;
    if (bound > limit) bound = limit;
    const Rendering rendering = renderingChoice(h, channels);

    // Bit allocation: each subband's block starts with its field width.
    const AllocEntry* alloc[2][32] = {};
    const AllocEntry* block = h.allocTable;
    for (int sb = 0; sb < limit; ++sb) {
        const int nbal = block[0].bits;
        if (sb < bound) {
            for (int ch = 0; ch < channels; ++ch) {
                uint32_t v = br.readBits(nbal);
                alloc[ch][sb] = v ? block + v : nullptr;
            }
        } else {
            uint32_t v = br.readBits(nbal);
            alloc[0][sb] = alloc[1][sb] = v ? block + v : nullptr;
        }
        block += 1 << nbal;
    }

    // Scale-factor selection, then the scale factors (6-bit indexes, so within mulTable).
    uint8_t scfsi[2][32] = {};
    for (int sb = 0; sb < limit; ++sb)
        for (int ch = 0; ch < channels; ++ch)
            if (alloc[ch][sb]) scfsi[ch][sb] = uint8_t(br.readBitsShort(2));
    uint8_t scale[2][32][3] = {};
    for (int sb = 0; sb < limit; ++sb)
        for (int ch = 0; ch < channels; ++ch) {
            if (!alloc[ch][sb]) continue;
            uint8_t* s = scale[ch][sb];
            switch (scfsi[ch][sb]) {
            case 0:
                s[0] = uint8_t(br.readBitsShort(6));
                s[1] = uint8_t(br.readBitsShort(6));
                s[2] = uint8_t(br.readBitsShort(6));
                break;
            case 1:
                s[0] = s[1] = uint8_t(br.readBitsShort(6));
                s[2] = uint8_t(br.readBitsShort(6));
                break;
            case 2:
                s[0] = s[1] = s[2] = uint8_t(br.readBitsShort(6));
                break;
            default:
                s[0] = uint8_t(br.readBitsShort(6));
                s[1] = s[2] = uint8_t(br.readBitsShort(6));
                break;
            }
        }

    // The whole frame's 36 slots per channel first, then synthesis in two runs of 18.
    // Subbands below the limit are written for every slot; only those above are cleared.
    alignas(32) double samples[2][36][32];
    for (int ch = 0; ch < 2; ++ch)
        for (int k = 0; k < 36; ++k)
            for (int sb = limit; sb < 32; ++sb) samples[ch][k][sb] = 0.0;
    for (int g = 0; g < 12; ++g) {
        const int part = g >> 2;
        double(*s0)[32] = samples[0] + 3 * g;
        double(*s1)[32] = samples[1] + 3 * g;
        for (int sb = 0; sb < bound; ++sb)
            for (int ch = 0; ch < channels; ++ch) {
                Codes k{alloc[ch][sb], {0, 0, 0}};
                readCodes(br, k);
                double(*s)[32] = ch ? s1 : s0;
                requantise(t, k, scale[ch][sb][part], &s[0][sb], &s[1][sb], &s[2][sb]);
            }
        for (int sb = bound; sb < limit; ++sb) {
            Codes k{alloc[0][sb], {0, 0, 0}};
            readCodes(br, k);
            requantise(t, k, scale[0][sb][part], &s0[0][sb], &s0[1][sb], &s0[2][sb]);
            requantise(t, k, scale[1][sb][part], &s1[0][sb], &s1[1][sb], &s1[2][sb]);
        }
    }
    renderSlots(syn, pcm, h, rendering, samples[0], samples[1], 18);
    renderSlots(syn, pcm, h, rendering, samples[0] + 18, samples[1] + 18, 18);
    return 1;
}

} // namespace korvo
