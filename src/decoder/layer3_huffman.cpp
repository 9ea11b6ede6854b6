// The Huffman walk over a granule's main data, with the multi-bit look-ups it reads.
#include <algorithm>

#include "layer3_huffman_tables.h"
#include "layer3_internal.h"

namespace korvo {

namespace {

// Entries: a leaf's value and code length (bit 31 clear), or the tree node to go on from
// (bit 31 set). For pairs (withSigns), a leaf whose sign bits fit in the look-up too comes
// signed: bit 30 set, code and sign bits together as the length in the low byte (a shift
// takes it as it is), x and y as signed bytes above it.
// Values of 15 never come signed: they may carry extra bits.
constexpr uint32_t kSignedPair = 0x40000000u;

void buildLut(HuffLut& lut, const int16_t* tree, bool withSigns) {
    lut.tree = tree;
    int depth = 0;
    // The deepest leaf bounds the look-up width.
    struct Walk { int idx, d; };
    Walk stack[600];
    int sp = 0;
    stack[sp++] = {0, 0};
    while (sp > 0) {
        Walk w = stack[--sp];
        if (tree[w.idx] >= 0) { depth = std::max(depth, w.d); continue; }
        stack[sp++] = {w.idx + 1, w.d + 1};
        stack[sp++] = {w.idx + 1 - tree[w.idx], w.d + 1};
    }
    lut.bits = std::min(std::max(depth + (withSigns ? 2 : 0), 1), kLutBitsMax);
    for (int p = 0; p < (1 << lut.bits); ++p) {
        int idx = 0;
        int used = 0;
        while (tree[idx] < 0 && used < lut.bits) {
            int bit = (p >> (lut.bits - 1 - used)) & 1;
            idx = bit ? idx + 1 - tree[idx] : idx + 1;
            ++used;
        }
        if (tree[idx] >= 0) {
            lut.entries[p] = uint32_t(tree[idx]) | (uint32_t(used) << 16);
            int x = tree[idx] >> 4, y = tree[idx] & 15;
            int len = used + (x != 0) + (y != 0);
            if (withSigns && x != 15 && y != 15 && len <= lut.bits) {
                int at = used;
                if (x && ((p >> (lut.bits - 1 - at++)) & 1)) x = -x;
                if (y && ((p >> (lut.bits - 1 - at++)) & 1)) y = -y;
                lut.entries[p] = kSignedPair | (uint32_t(uint8_t(int8_t(y))) << 16) |
                                 (uint32_t(uint8_t(int8_t(x))) << 8) | uint32_t(len);
            }
        } else
            lut.entries[p] = 0x80000000u | uint32_t(idx);
    }
}

void buildQuadLut(QuadLut& lut, const HuffLut& codes) {
    lut.bits = std::min(codes.bits + 4, kLutBitsMax);
    for (int p = 0; p < (1 << lut.bits); ++p) {
        // Every count1 code is a leaf within the code look-up's width.
        const uint32_t e = codes.entries[p >> (lut.bits - codes.bits)];
        const int v = int(e & 0xFFFF);
        int len = int(e >> 16) & 0xFF;
        uint16_t packed = 0;
        for (int j = 0; j < 4; ++j) {
            if (!(v & (8 >> j))) continue;
            const bool negative = (p >> (lut.bits - 1 - len++)) & 1;
            packed = uint16_t(packed | ((negative ? 3 : 1) << (4 + 2 * j)));
        }
        lut.entries[p] = uint16_t(packed | len);
    }
}

inline int decodeHuff(MainBits& br, const HuffLut& lut) {
    uint32_t e = lut.entries[br.peek32() >> (32 - lut.bits)];
    if (!(e & 0x80000000u)) {
        br.pos += e >> 16;
        return int(e & 0xFFFF);
    }
    br.pos += size_t(lut.bits);
    const int16_t* tree = lut.tree;
    int idx = int(e & 0xFFFF);
    while (tree[idx] < 0) idx = br.get1() ? idx + 1 - tree[idx] : idx + 1;
    return tree[idx];
}

// Length of a Huffman code at the cursor without consuming it.
inline int huffCodeLength(const MainBits& br, const HuffLut& lut, int& value) {
    uint32_t bits = br.peek32();
    uint32_t e = lut.entries[bits >> (32 - lut.bits)];
    if (!(e & 0x80000000u)) {
        value = int(e & 0xFFFF);
        return int(e >> 16);
    }
    MainBits copy = br;
    copy.pos += size_t(lut.bits);
    const int16_t* tree = lut.tree;
    int idx = int(e & 0xFFFF);
    while (tree[idx] < 0) idx = copy.get1() ? idx + 1 - tree[idx] : idx + 1;
    value = tree[idx];
    return int(copy.pos - br.pos);
}

} // namespace

// Multi-bit look-up tables over the fixed trees (one per distinct tree).
void buildHuffmanLookups(Layer3Tables& t) {
    int used = 0;
    for (int n = 0; n < 32; ++n) {
        const int16_t* tree = kHuffTables[n].tree;
        const HuffLut* found = nullptr;
        for (int i = 0; i < used; ++i)
            if (t.luts[i].tree == tree) found = &t.luts[i];
        if (!found) {
            buildLut(t.luts[used], tree, true);
            found = &t.luts[used++];
        }
        t.bigLut[n] = found;
    }
    buildLut(t.luts[used], kCount1TreeA, false);
    t.count1Lut[0] = &t.luts[used++];
    buildLut(t.luts[used], kCount1TreeB, false);
    t.count1Lut[1] = &t.luts[used++];
    for (int i = 0; i < 2; ++i) buildQuadLut(t.quads[i], *t.count1Lut[i]);
}

// Huffman walk into q (bitstream order), each value already raised to the 4/3 power, so the
// requantisation after it only scales. 1 when the big values overran part23Length.
int Layer3Decoder::State::decodeHuffman(const GranuleInfo& gi, size_t endPos, int& qEnd, int& forced) {
    forced = -1;
    MainBits bits = this->bits;   // a local cursor stays in registers
    const double* SP = g_layer3Tables.signedPower + (kPowerSize - 1);
    int bv = gi.bigValues;
    int r1 = std::min(gi.region1Begin, 288), r2 = std::clamp(gi.region2Begin, r1, 288);
    int regionPairs[3];
    if (bv <= r1) { regionPairs[0] = bv; regionPairs[1] = 0; regionPairs[2] = 0; }
    else if (bv <= r2) { regionPairs[0] = r1; regionPairs[1] = bv - r1; regionPairs[2] = 0; }
    else { regionPairs[0] = r1; regionPairs[1] = r2 - r1; regionPairs[2] = bv - r2; }
    int regions = gi.blockType == 2 ? 2 : 3;
    double* out = q;
    for (int r = 0; r < regions; ++r) {
        int pairs = regionPairs[r];
        if (pairs <= 0) continue;
        const HuffTable& ht = kHuffTables[gi.tableSelect[r] & 31];
        const HuffLut& lut = *g_layer3Tables.bigLut[gi.tableSelect[r] & 31];
        if (lut.tree[0] >= 0) {   // one-leaf tree: zeros, no bits
            std::memset(out, 0, sizeof(double) * size_t(2 * pairs));
            out += 2 * pairs;
            continue;
        }
        int linbits = ht.linbits;
        const int lutShift = 32 - lut.bits;
        for (int p = 0; p < pairs;) {
            // One fetch of 64 bits usually covers several codes with their sign bits.
            uint64_t w64 = bits.peek64();
            uint32_t e = lut.entries[w64 >> (32 + lutShift)];
            if (e & kSignedPair) {
                int left = MainBits::kPeek64Bits;
                for (;;) {
                    const int len = int(e & 0xFF);
                    bits.pos += size_t(len);
                    out[0] = SP[int8_t((e >> 8) & 0xFF)];
                    out[1] = SP[int8_t((e >> 16) & 0xFF)];
                    out += 2;
                    w64 <<= (e & 63);
                    left -= len;
                    if (++p == pairs || left < lut.bits) break;
                    e = lut.entries[w64 >> (32 + lutShift)];
                    if (!(e & kSignedPair)) break;
                }
                continue;
            }
            ++p;
            uint32_t w = uint32_t(w64 >> 32);
            int v;
            if (!(e & 0x80000000u)) {
                int len = int(e >> 16);
                v = int(e & 0xFFFF);
                w <<= len;
                bits.pos += size_t(len);
            } else {
                v = decodeHuff(bits, lut);
                w = bits.peek32();
            }
            int x = v >> 4, y = v & 15;
            if (linbits && (x == 15 || y == 15)) {
                if (x == 15) x += int(bits.get(linbits));
                if (x && bits.get1()) x = -x;
                if (y == 15) y += int(bits.get(linbits));
                if (y && bits.get1()) y = -y;
            } else {
                // The sign bits follow the code, one per non-zero value; taken without branches,
                // whose outcome the signal makes unpredictable.
                const uint32_t nx = x != 0, ny = y != 0;
                const uint32_t sx = (w >> 31) & nx;
                w <<= nx;
                const uint32_t sy = (w >> 31) & ny;
                x = (x ^ -int(sx)) + int(sx);
                y = (y ^ -int(sy)) + int(sy);
                bits.pos += size_t(nx + ny);
            }
            out[0] = SP[x];
            out[1] = SP[y];
            out += 2;
        }
    }
    int i = int(out - q);
    if (bits.pos > endPos) {
        qEnd = i;
        this->bits = bits;
        return 1;
    }
    const HuffLut& c1 = *g_layer3Tables.count1Lut[gi.count1TableSelect & 1];
    const QuadLut& quads = g_layer3Tables.quads[gi.count1TableSelect & 1];
    static constexpr double kUnit[4] = {0.0, 1.0, 0.0, -1.0};
    const int quadShift = 32 - quads.bits;
    // Whole quadruples, code and signs, while they end within part23Length; one fetch of 64
    // bits serves several, so the next look-up waits on a shift, not on a load.
    for (bool fits = true; fits && i + 4 <= 576;) {
        uint64_t w64 = bits.peek64();
        int left = MainBits::kPeek64Bits;
        do {
            const uint32_t e = quads.entries[w64 >> (32 + quadShift)];
            const int len = int(e & 15);
            if (bits.pos + size_t(len) > endPos) {
                fits = false;
                break;
            }
            bits.pos += size_t(len);
            w64 <<= len;
            left -= len;
            q[i] = kUnit[(e >> 4) & 3];
            q[i + 1] = kUnit[(e >> 6) & 3];
            q[i + 2] = kUnit[(e >> 8) & 3];
            q[i + 3] = kUnit[(e >> 10) & 3];
            i += 4;
        } while (i + 4 <= 576 && left >= quads.bits);
    }
    // The last one, cut short by the end of the part: its code or signs do not fit.
    while (i + 4 <= 576 && bits.pos < endPos) {
        int v;
        int len = huffCodeLength(bits, c1, v);
        if (bits.pos + size_t(len) > endPos) break;   // the quadruple does not fit: zeros
        bits.pos += size_t(len);
        bool cut = false;
        for (int j = 0; j < 4; ++j) {
            double val = 0.0;
            if (!cut && (v & (8 >> j))) {
                if (bits.pos + 1 > endPos) {
                    cut = true;
                    forced = i + j;   // still marks its band as holding data
                } else {
                    val = bits.get1() ? -1.0 : 1.0;
                }
            }
            q[i + j] = val;
        }
        i += 4;
        if (cut) break;
    }
    qEnd = i;
    this->bits = bits;
    return 0;
}

} // namespace korvo
