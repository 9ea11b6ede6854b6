#include "synthesis_tables.h"

namespace korvo {

namespace {

// D[0..256] of the synthesis window, ISO/IEC 11172-3 Table 3-B.3, in units of 1/65536
// (every coefficient of the table is such a multiple). The second half mirrors the first:
// D[512 - i] = -D[i], except at multiples of 64 where D[512 - i] = D[i].
constexpr int kHalfWindow[257] = {
          0,     -1,     -1,     -1,     -1,     -1,     -1,     -2,     -2,     -2,
         -2,     -3,     -3,     -4,     -4,     -5,     -5,     -6,     -7,     -7,
         -8,     -9,    -10,    -11,    -13,    -14,    -16,    -17,    -19,    -21,
        -24,    -26,    -29,    -31,    -35,    -38,    -41,    -45,    -49,    -53,
        -58,    -63,    -68,    -73,    -79,    -85,    -91,    -97,   -104,   -111,
       -117,   -125,   -132,   -139,   -147,   -154,   -161,   -169,   -176,   -183,
       -190,   -196,   -202,   -208,    213,    218,    222,    225,    227,    228,
        228,    227,    224,    221,    215,    208,    200,    189,    177,    163,
        146,    127,    106,     83,     57,     29,     -2,    -36,    -72,   -111,
       -153,   -197,   -244,   -294,   -347,   -401,   -459,   -519,   -581,   -645,
       -711,   -779,   -848,   -919,   -991,  -1064,  -1137,  -1210,  -1283,  -1356,
      -1428,  -1498,  -1567,  -1634,  -1698,  -1759,  -1817,  -1870,  -1919,  -1962,
      -2001,  -2032,  -2057,  -2075,  -2085,  -2087,  -2080,  -2063,   2037,   2000,
       1952,   1893,   1822,   1739,   1644,   1535,   1414,   1280,   1131,    970,
        794,    605,    402,    185,    -45,   -288,   -545,   -814,  -1095,  -1388,
      -1692,  -2006,  -2330,  -2663,  -3004,  -3351,  -3705,  -4063,  -4425,  -4788,
      -5153,  -5517,  -5879,  -6237,  -6589,  -6935,  -7271,  -7597,  -7910,  -8209,
      -8491,  -8755,  -8998,  -9219,  -9416,  -9585,  -9727,  -9838,  -9916,  -9959,
      -9966,  -9935,  -9863,  -9750,  -9592,  -9389,  -9139,  -8840,  -8492,  -8092,
      -7640,  -7134,   6574,   5959,   5288,   4561,   3776,   2935,   2037,   1082,
         70,   -998,  -2122,  -3300,  -4533,  -5818,  -7154,  -8540,  -9975, -11455,
     -12980, -14548, -16155, -17799, -19478, -21189, -22929, -24694, -26482, -28289,
     -30112, -31947, -33791, -35640, -37489, -39336, -41176, -43006, -44821, -46617,
     -48390, -50137, -51853, -53534, -55178, -56778, -58333, -59838, -61289, -62684,
     -64019, -65290, -66494, -67629, -68692, -69679, -70590, -71420, -72169, -72835,
     -73415, -73908, -74313, -74630, -74856, -74992,  75038,
};

// D scaled by 32768: exact, since every entry is a multiple of 1/65536.
constexpr SynthesisWindowD makeFullWindow() {
    SynthesisWindowD w{};
    for (int i = 0; i <= 256; ++i) w.d[i] = kHalfWindow[i] / 2.0;
    for (int i = 257; i < 512; ++i) w.d[i] = (512 - i) % 64 == 0 ? w.d[512 - i] : -w.d[512 - i];
    return w;
}

constexpr SynthesisWindowD kFull = makeFullWindow();

// Column age a (0 = the current slot). With A the 32-point transform of the slot, an even
// age holds A[16 + r] in row r (V[r] of the standard), an odd age A[16 - r] (which is
// -V[32 + r]). Sample j is the sum over ages of D[32 a + j] times U's element,
// the symmetries of V giving the signs below.
constexpr SynthesisWindow makeArranged() {
    SynthesisWindow w{};
    for (int a2 = 0; a2 < 32; ++a2) {
        const int a = a2 & 15;
        const int base = 64 * (a >> 1);
        for (int r = 0; r < SynthesisWindow::kFrontRows; ++r) {
            double v = 0;
            if ((a & 1) == 0) {
                if (r < 16) v = kFull.d[base + r];
            } else if (r <= 16) {
                v = -kFull.d[base + 32 + r];
            }
            w.front[a2][r] = v;
        }
        for (int r = 0; r < SynthesisWindow::kBackRows; ++r) {
            double v = 0;
            if (r >= 1) v = (a & 1) == 0 ? -kFull.d[base + 32 - r] : -kFull.d[base + 64 - r];
            w.back[a2][r] = v;
        }
    }
    return w;
}

} // namespace

constinit const SynthesisWindowD kSynthesisWindowD = kFull;
constinit const SynthesisWindow kSynthesisWindow = makeArranged();

} // namespace korvo
