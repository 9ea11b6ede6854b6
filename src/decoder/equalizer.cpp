#include "equalizer.h"

namespace korvo {

const int kEqAnchorLines[kEqBands] = {0, 3, 8, 19, 30, 50, 100, 150, 200, 300, 400, 576};

float* eqLineGains() {
    static float gains[kEqLines] = {};
    return gains;
}

int buildEqLineGains(const float* bandGains, float* lineGains) {
    for (int i = 0; i + 1 < kEqBands; ++i) {
        int a0 = kEqAnchorLines[i], a1 = kEqAnchorLines[i + 1];
        long double g0 = bandGains[i], g1 = bandGains[i + 1];
        lineGains[a0] = bandGains[i];
        long double slope = (g1 - g0) / (long double)(a0 - a1);
        for (int j = a0 + 1; j < a1; ++j) lineGains[j] = float(g0 + slope * (long double)(a0 - j));
    }
    return 1;
}

void applyEq(double (*spectrum)[kEqLines], const float* lineGains) {
    double* a = spectrum[0];
    double* b = spectrum[1];
    for (int j = 0; j < kEqLines; ++j) {
        double g = lineGains[j];
        a[j] *= g;
        b[j] *= g;
    }
}

} // namespace korvo
