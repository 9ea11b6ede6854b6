#pragma once
// What the parts of the Layer III decoder share: the tables computed once, the bit cursor
// over the main data and the decoder's working state. Only the decoder's own files include it.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "dsp_kernels.h"
#include "layer3.h"
#include "layer3_tables.h"

namespace korvo {

class FrameReader;

// The gain table reaches 378 positions for conforming streams; small global gains with large
// scale factors and subblock gains go further, so it is extended by the same formula.
constexpr int kGainSize = 512;
constexpr int kPowerSize = 8207;
// LSF intensity positions reach 31 (5-bit scale factors); the tables carry the formula that far.
constexpr int kIntensityPositions = 32;
constexpr int kLutBitsMax = 10;

// A multi-bit look-up over one Huffman tree; layer3_huffman.cpp lays out its entries.
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

struct Layer3Tables {
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

// Built by Layer3Decoder::initLayer3Tables.
extern Layer3Tables g_layer3Tables;

inline double gainAt(int i) { return g_layer3Tables.gain[i < kGainSize ? i : kGainSize - 1]; }

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

// Here, not beside intensity stereo, so that it stays inlined into the frame's flow.
inline void Layer3Decoder::State::middleSide(int lines) {
    double* a = spectrum[0];
    double* b = spectrum[1];
    for (int i = 0; i < lines; ++i) {
        double m = a[i], s = b[i];
        a[i] = m + s;
        b[i] = m - s;
    }
}

// Fills the Huffman look-ups of t from the fixed trees.
void buildHuffmanLookups(Layer3Tables& t);

// Reads the side information after the header from the reader's cursor. 0 when a granule's
// is unusable (window switching with block type 0).
int readLayer3SideInfo(FrameReader& rd, int channels, int lsf, int samplingIndex, int ms, int gainOffset,
                       SideInfo& si);

} // namespace korvo
