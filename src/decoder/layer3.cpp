#include "layer3.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "decoder.h"
#include "dsp_avx2.h"
#include "dsp_kernels.h"
#include "equalizer.h"
#include "layer3_huffman_tables.h"
#include "layer3_tables.h"
#include "vector_path.h"

namespace korvo {

namespace {

constexpr double kPi = 3.14159265358979323846;

// ---------------------------------------------------------------------------------------------
// Computed tables (built once by initLayer3Tables).

// The gain table reaches 378 positions for conforming streams; small global gains with large
// scale factors and subblock gains go further, so it is extended by the same formula.
constexpr int kGainSize = 512;
constexpr int kPowerSize = 8207;
// LSF intensity positions reach 31 (5-bit scale factors); the tables carry the formula that far.
constexpr int kIntensityPositions = 32;
constexpr int kLutBitsMax = 10;

struct HuffLut {
    const int16_t* tree = nullptr;
    int bits = 0;
    uint32_t entries[1 << kLutBitsMax];
};

// Count1 quadruples with their sign bits in one look-up: the deepest code (6 bits) and four
// signs fit in 10. Entry: total length in bits 0-3, value j in bits 4 + 2j (0: zero, 1: +1, 3: -1).
struct QuadLut {
    int bits = 0;
    uint16_t entries[1 << kLutBitsMax];
};

struct Tables {
    bool built = false;
    double gain[kGainSize];
    double power[kPowerSize];
    double signedPower[2 * kPowerSize - 1];   // sign(m) * |m|^(4/3) at m + kPowerSize - 1
    double cs[8], ca[8];
    double longWindow[4][36];
    double shortWindow[12];
    ImdctConstants imdct;
    double imdct12[6][12];      // [input k][output i]
    double isMpeg1[2][16][2];   // [ms][position][left, right]
    double isLsf[2][2][kIntensityPositions][2];   // [intensity scale][ms][position][left, right]
    int longLimit[9][23];
    int shortLimit[9][14];
    uint16_t lsfNormal[512];
    uint16_t lsfIntensity[256];
    HuffLut luts[18];           // distinct trees: 15 big-value trees, zero tree, count1 A and B
    const HuffLut* bigLut[32];
    const HuffLut* count1Lut[2];
    QuadLut quads[2];
};

Tables g_tables;

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

// ---------------------------------------------------------------------------------------------
// Bit cursor over the main data. Reads never leave [base, base + size); beyond it come zeros,
// so a part23Length or bigValues far beyond the frame cannot read outside the body buffer.

class MainBits {
public:
    void init(const uint8_t* base, size_t size, size_t pos) {
        base_ = base;
        size_ = size;
        this->pos = pos;
    }
    // The next 64 bits, of which the first 57 at least are the stream's.
    uint64_t peek64() const {
        size_t byte = pos >> 3;
        uint64_t v;
        if (byte + 8 <= size_) {
            std::memcpy(&v, base_ + byte, 8);
            v = __builtin_bswap64(v);
        } else {
            v = 0;
            for (size_t i = 0; i < 8; ++i) v = (v << 8) | (byte + i < size_ ? base_[byte + i] : 0u);
        }
        return v << (pos & 7);
    }
    static constexpr int kPeek64Bits = 57;
    uint32_t peek32() const { return uint32_t(peek64() >> 32); }
    // n from 0 to 24.
    uint32_t get(int n) {
        if (n == 0) return 0;
        uint32_t v = peek32() >> (32 - n);
        pos += size_t(n);
        return v;
    }
    uint32_t get1() {
        uint32_t v = peek32() >> 31;
        ++pos;
        return v;
    }
    size_t pos = 0;

private:
    const uint8_t* base_ = nullptr;
    size_t size_ = 0;
};

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

inline double gainAt(int i) { return g_tables.gain[i < kGainSize ? i : kGainSize - 1]; }

} // namespace

// ---------------------------------------------------------------------------------------------

void Layer3Decoder::initLayer3Tables() {
    Tables& t = g_tables;
    if (t.built) return;
    for (int i = 0; i < kGainSize; ++i) t.gain[i] = std::pow(2.0, -0.25 * (i - 256 + 210));
    for (int m = 0; m < kPowerSize; ++m) t.power[m] = std::pow(double(m), 4.0 / 3.0);
    for (int m = kPowerSize - 1; m >= 0; --m) {
        t.signedPower[kPowerSize - 1 + m] = t.power[m];
        if (m > 0) t.signedPower[kPowerSize - 1 - m] = -t.power[m];
    }
    for (int j = 0; j < 8; ++j) {
        double c = kAntialiasCoefficients[j];
        double sq = std::sqrt(1.0 + c * c);
        t.cs[j] = 1.0 / sq;
        t.ca[j] = c / sq;
    }
    // Block-type windows of ISO/IEC 11172-3 (2.4.3.4.10.3).
    for (int i = 0; i < 36; ++i) {
        double s36 = std::sin(kPi / 36 * (i + 0.5));
        t.longWindow[0][i] = s36;
        if (i < 18) t.longWindow[1][i] = s36;
        else if (i < 24) t.longWindow[1][i] = 1.0;
        else if (i < 30) t.longWindow[1][i] = std::sin(kPi / 12 * (i - 18 + 0.5));
        else t.longWindow[1][i] = 0.0;
        if (i < 6) t.longWindow[3][i] = 0.0;
        else if (i < 12) t.longWindow[3][i] = std::sin(kPi / 12 * (i - 6 + 0.5));
        else if (i < 18) t.longWindow[3][i] = 1.0;
        else t.longWindow[3][i] = s36;
        t.longWindow[2][i] = i < 12 ? std::sin(kPi / 12 * (i + 0.5)) : 0.0;
    }
    for (int i = 0; i < 12; ++i) t.shortWindow[i] = std::sin(kPi / 12 * (i + 0.5));
    // The 36-point inverse MDCT is an 18-point DCT-IV z (y_i = z_(i+9), -z_(26-i), -z_(i-27));
    // the DCT-IV becomes a DCT-III of the pairwise sums, split into two 9-point halves.
    const int c9Multiples[6] = {1, 2, 4, 5, 7, 8};
    for (int i = 0; i < 6; ++i) t.imdct.c9[i] = std::cos(kPi * c9Multiples[i] / 18);
    t.imdct.c9[6] = std::cos(kPi / 6);
    for (int n = 0; n < 9; ++n) t.imdct.oddScale[n] = 1.0 / (2.0 * std::cos(kPi * (n + 0.5) / 18));
    for (int i = 0; i < 36; ++i) {
        const int n = imdctSource(i);
        const double sign = i < 9 ? 1.0 : -1.0;
        double twiddle = 1.0 / (2.0 * std::cos(kPi * (2 * n + 1) / 72));
        for (int b = 0; b < 4; ++b) t.imdct.twiddled[b][i] = t.longWindow[b][i] * sign * twiddle;
    }
    for (int k = 0; k < 6; ++k)
        for (int i = 0; i < 12; ++i) t.imdct12[k][i] = std::cos(kPi / 24 * (2 * i + 1 + 6) * (2 * k + 1));
    const double root2 = std::sqrt(2.0);
    for (int p = 0; p < 16; ++p) {
        double r = std::tan(p * kPi / 12);
        double l = r / (1 + r), rr = 1 / (1 + r);
        t.isMpeg1[0][p][0] = l;
        t.isMpeg1[0][p][1] = rr;
        t.isMpeg1[1][p][0] = l * root2;
        t.isMpeg1[1][p][1] = rr * root2;
    }
    for (int s = 0; s < 2; ++s) {
        double b = std::pow(2.0, -0.25 * (s + 1));
        for (int p = 0; p < kIntensityPositions; ++p) {
            double l = 1, r = 1;
            if (p & 1) l = std::pow(b, (p + 1) / 2);
            else if (p > 0) r = std::pow(b, p / 2);
            t.isLsf[s][0][p][0] = l;
            t.isLsf[s][0][p][1] = r;
            t.isLsf[s][1][p][0] = l * root2;
            t.isLsf[s][1][p][1] = r * root2;
        }
    }
    for (int sfi = 0; sfi < 9; ++sfi) {
        const ScaleBandTable& sb = kScaleBandTables[sfi];
        for (int i = 0; i < 23; ++i) t.longLimit[sfi][i] = std::min((sb.longStart[i] + 7) / 18 + 1, 32);
        for (int i = 0; i < 14; ++i) t.shortLimit[sfi][i] = std::min((sb.shortStart3[i] - 1) / 18 + 1, 32);
    }
    auto pack = [](int a, int b, int c, int d, int table, int pre) {
        return uint16_t(a | (b << 3) | (c << 6) | (d << 9) | (table << 12) | (pre << 15));
    };
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j)
            for (int k = 0; k < 4; ++k)
                for (int l = 0; l < 4; ++l) t.lsfNormal[80 * i + 16 * j + 4 * k + l] = pack(i, j, k, l, 0, 0);
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j)
            for (int k = 0; k < 4; ++k) t.lsfNormal[400 + 20 * i + 4 * j + k] = pack(i, j, k, 0, 1, 0);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j) t.lsfNormal[500 + 3 * i + j] = pack(i, j, 0, 0, 2, 1);
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 6; ++j)
            for (int k = 0; k < 6; ++k) t.lsfIntensity[36 * i + 6 * j + k] = pack(i, j, k, 0, 3, 0);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k) t.lsfIntensity[180 + 16 * i + 4 * j + k] = pack(i, j, k, 0, 4, 0);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j) t.lsfIntensity[244 + 3 * i + j] = pack(i, j, 0, 0, 5, 0);

    // Multi-bit look-up tables over the fixed trees (one per distinct tree).
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
    t.built = true;
}

namespace layer3 {
double gainTable(int i) { return gainAt(i < 0 ? 0 : i); }
double powerTable(int m) { return g_tables.power[std::clamp(m, 0, kPowerSize - 1)]; }
int longSubbandLimit(int samplingIndex, int i) { return g_tables.longLimit[samplingIndex][i]; }
int shortSubbandLimit(int samplingIndex, int i) { return g_tables.shortLimit[samplingIndex][i]; }
uint16_t lsfScaleWord(int intensity, int index) {
    return intensity ? g_tables.lsfIntensity[index & 255] : g_tables.lsfNormal[index & 511];
}
} // namespace layer3

// ---------------------------------------------------------------------------------------------

struct Layer3Decoder::State {
    int scalefac[2][39] = {};
    alignas(32) double q[576] = {};   // |m|^(4/3) with m's sign, before the gains
    alignas(32) double spectrum[2][576] = {};
    alignas(32) double timeSamples[2][18][32] = {};
    alignas(32) double overlap[2][18][32] = {};   // second halves saved by the previous granule, [t][subband]
    MainBits bits;

    int readScaleFactors(int ch, GranuleInfo& gi);
    int readScaleFactorsLsf(int ch, GranuleInfo& gi, int intensity, int lsfLongMixed);
    int decodeHuffman(const GranuleInfo& gi, size_t endPos, int& qEnd, int& forced);
    void requantise(int ch, GranuleInfo& gi, int samplingIndex, int lsf, int qEnd, int forced);
    void middleSide(int lines);
    void intensityStereo(const GranuleInfo& gi1, int samplingIndex, int lsf, int ms, int mappingMode);
    void antialias(int ch, const GranuleInfo& gi);
    void hybrid(int ch, const GranuleInfo& gi);
};

Layer3Decoder::Layer3Decoder() : s_(std::make_unique<State>()) { initLayer3Tables(); }
Layer3Decoder::~Layer3Decoder() = default;

namespace {
// Long bands that form the long part of a mixed block: those below line 36.
inline int mixedLongBands(int samplingIndex) {
    const ScaleBandTable& sb = kScaleBandTables[samplingIndex];
    int n = 0;
    while (n < 22 && sb.longStart[n] < 36) ++n;
    return n;
}
// Store entry of short band b (3 and up), window w in a mixed block: after the long entries
// (8 in MPEG-1, 6 in LSF).
inline int mixedShortEntry(int lsf, int b, int w) { return (lsf ? 6 : 8) + 3 * (b - 3) + w; }
} // namespace

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
    uint16_t s = intensity ? g_tables.lsfIntensity[(gi.scalefacCompress >> 1) & 255]
                           : g_tables.lsfNormal[gi.scalefacCompress & 511];
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

// Huffman walk into q (bitstream order), each value already raised to the 4/3 power, so the
// requantisation after it only scales. 1 when the big values overran part23Length.
int Layer3Decoder::State::decodeHuffman(const GranuleInfo& gi, size_t endPos, int& qEnd, int& forced) {
    forced = -1;
    MainBits bits = this->bits;   // a local cursor stays in registers
    const double* SP = g_tables.signedPower + (kPowerSize - 1);
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
        const HuffLut& lut = *g_tables.bigLut[gi.tableSelect[r] & 31];
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
    const HuffLut& c1 = *g_tables.count1Lut[gi.count1TableSelect & 1];
    const QuadLut& quads = g_tables.quads[gi.count1TableSelect & 1];
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
        gi.activeSubbands = g_tables.longLimit[samplingIndex][gi.longBandLimit];
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
    gi.activeSubbands = r != 0 ? g_tables.shortLimit[samplingIndex][r] : g_tables.longLimit[samplingIndex][gi.longBandLimit];
}

void Layer3Decoder::State::middleSide(int lines) {
    double* a = spectrum[0];
    double* b = spectrum[1];
    for (int i = 0; i < lines; ++i) {
        double m = a[i], s = b[i];
        a[i] = m + s;
        b[i] = m - s;
    }
}

void Layer3Decoder::State::intensityStereo(const GranuleInfo& gi, int samplingIndex, int lsf, int ms,
                                           int mappingMode) {
    const ScaleBandTable& sb = kScaleBandTables[samplingIndex];
    const int* sf = scalefac[1];
    double* l = spectrum[0];
    double* r = spectrum[1];
    const double(*table)[2] =
        lsf ? g_tables.isLsf[gi.scalefacCompress & 1][ms] : g_tables.isMpeg1[ms];
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

void Layer3Decoder::State::antialias(int ch, const GranuleInfo& gi) {
    int bounds;
    if (gi.blockType == 2) bounds = gi.mixedBlockFlag ? 1 : 0;
    else bounds = gi.activeSubbands - 1;
    double* x = spectrum[ch];
    const double* cs = g_tables.cs;
    const double* ca = g_tables.ca;
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
    imdct36(x + 18 * sb, g_tables.imdct, blockType, previous, cur, next);
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
    imdct36(in, g_tables.imdct, blockType, previous, cur, next);
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
    const double* sw = g_tables.shortWindow;
    for (int w = 0; w < 3; ++w) {
        double z[12] = {};
        for (int k = 0; k < 6; ++k) {
            double xk = in[w + 3 * k];
            if (xk == 0.0) continue;
            const double* c = g_tables.imdct12[k];
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
            if (groups > 0) avx2::longBlocks(x, sb, groups, g_tables.imdct, gi.blockType, ov, out);
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

// ---------------------------------------------------------------------------------------------

int Layer3Decoder::decodeLayer3Frame(Decoder& d) {
    lastDecoded_ = decodeFrame(d);
    return 1;
}

int Layer3Decoder::decodeFrame(Decoder& d) {
    State& st = *s_;
    const FrameHeader& h = d.header();
    FrameReader& rd = d.reader();
    const int channels = h.channels == 1 ? 1 : 2;
    const int lsf = h.lsf;
    const int sfi = std::clamp(int(h.samplingIndex), 0, 8);
    const ScaleBandTable& sb = kScaleBandTables[sfi];
    const int ms = (h.mode == 1 && (h.modeExtension & 2)) ? 1 : 0;
    const int is = (h.mode == 1 && (h.modeExtension & 1)) ? 1 : 0;
    const int channelSelect = channels == 1 ? 0 : h.channelSelect;
    const int gainOffset = channelSelect == 3 ? 4 : 0;
    const int granules = lsf ? 1 : 2;

    SideInfo si;
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

    rd.setMainDataPointer(int(si.mainDataBegin));
    const uint8_t* base = rd.bufferStart();
    size_t size = size_t(rd.bufferEnd() - base) + 8;
    st.bits.init(base, size, size_t(rd.cursor() - base) * 8 + size_t(rd.bitIndex()));

    Synthesis& syn = d.synthesis();
    PcmBuffer& pcm = d.pcm();
    const int outChannels = (channels == 2 && channelSelect == -1) ? 2 : 1;

    for (int gr = 0; gr < granules; ++gr) {
        for (int ch = 0; ch < channels; ++ch) {
            GranuleInfo& gi = si.granules[ch][gr];
            size_t startPos = st.bits.pos;
            int part2 = lsf ? st.readScaleFactorsLsf(ch, gi, ch == 1 && is, 0) : st.readScaleFactors(ch, gi);
            (void)part2;
            size_t endPos = startPos + size_t(gi.part23Length);
            int qEnd = 0, forced = -1;
            if (st.decodeHuffman(gi, endPos, qEnd, forced)) return 0;
            st.bits.pos = endPos;
            st.requantise(ch, gi, sfi, lsf, qEnd, forced);
        }
        GranuleInfo& g0 = si.granules[0][gr];
        if (channels == 2) {
            GranuleInfo& g1 = si.granules[1][gr];
            if (ms) {
                int lines = 18 * std::max(g0.activeSubbands, g1.activeSubbands);
                st.middleSide(std::min(lines, 576));
            }
            if (is) st.intensityStereo(g1, sfi, lsf, ms, d.options.mappingMode);
            if (ms || is || channelSelect == 3) {
                int a = std::max(g0.activeSubbands, g1.activeSubbands);
                g0.activeSubbands = g1.activeSubbands = a;
            }
            if (channelSelect == 1 || channelSelect == 3) {
                int lines = std::min(18 * g1.activeSubbands, 576);
                if (channelSelect == 1) std::memcpy(st.spectrum[0], st.spectrum[1], sizeof(double) * size_t(lines));
                else for (int i = 0; i < lines; ++i) st.spectrum[0][i] += st.spectrum[1][i];
                g0.activeSubbands = std::max(g0.activeSubbands, g1.activeSubbands);
                if (channelSelect == 1) { g0.blockType = g1.blockType; g0.mixedBlockFlag = g1.mixedBlockFlag; }
            }
        }
        if (d.options.eqEnabled && d.options.eqLineGains) applyEq(st.spectrum, d.options.eqLineGains);
        for (int ch = 0; ch < outChannels; ++ch) {
            const GranuleInfo& gi = si.granules[ch][gr];
            st.antialias(ch, gi);
            st.hybrid(ch, gi);
        }
        uint8_t* out = pcm.data + pcm.fill;
        if (outChannels == 1) {
            syn.synthSlots(st.timeSamples[0], 18, 0, true, out, h.pcmBytesPerBlock);
        } else {
            syn.synthSlots(st.timeSamples[0], 18, 0, false, out, h.pcmBytesPerBlock);
            syn.synthSlots(st.timeSamples[1], 18, 1, false, out, h.pcmBytesPerBlock);
        }
        pcm.fill += 18 * h.pcmBytesPerBlock;
    }
    return 1;
}

} // namespace korvo
