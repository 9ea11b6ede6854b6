// The Layer III tables computed once: gains, powers, windows, transform constants, intensity
// ratios, subband limits and the LSF scale-factor layouts.
#include <algorithm>
#include <cmath>

#include "layer3_internal.h"
#include "layer3_tables.h"

namespace korvo {

namespace {
constexpr double kPi = 3.14159265358979323846;
} // namespace

Layer3Tables g_layer3Tables;

void Layer3Decoder::initLayer3Tables() {
    Layer3Tables& t = g_layer3Tables;
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

    buildHuffmanLookups(t);
    t.built = true;
}

namespace layer3 {
double gainTable(int i) { return gainAt(i < 0 ? 0 : i); }
double powerTable(int m) { return g_layer3Tables.power[std::clamp(m, 0, kPowerSize - 1)]; }
int longSubbandLimit(int samplingIndex, int i) { return g_layer3Tables.longLimit[samplingIndex][i]; }
int shortSubbandLimit(int samplingIndex, int i) { return g_layer3Tables.shortLimit[samplingIndex][i]; }
uint16_t lsfScaleWord(int intensity, int index) {
    return intensity ? g_layer3Tables.lsfIntensity[index & 255] : g_layer3Tables.lsfNormal[index & 511];
}
} // namespace layer3

} // namespace korvo
