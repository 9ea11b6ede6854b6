// The fast filterbank against the direct matrixing and windowing of ISO/IEC 11172-3.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <random>
#include <vector>

#include "decoder/synthesis.h"
#include "decoder/synthesis_tables.h"

namespace korvo {
namespace {

// The standard's procedure, literally: V FIFO of 1024, U from it, window, sum.
class DirectSynthesis {
public:
    void slot(const double* s, double* out) {
        std::memmove(v_ + 64, v_, sizeof(double) * 960);
        for (int i = 0; i < 64; ++i) {
            double sum = 0;
            for (int k = 0; k < 32; ++k) sum += std::cos((16 + i) * (2 * k + 1) * 3.14159265358979323846 / 64) * s[k];
            v_[i] = sum;
        }
        double u[512];
        for (int i = 0; i < 8; ++i)
            for (int j = 0; j < 32; ++j) {
                u[i * 64 + j] = v_[i * 128 + j];
                u[i * 64 + 32 + j] = v_[i * 128 + 96 + j];
            }
        for (int j = 0; j < 32; ++j) {
            double sum = 0;
            for (int i = 0; i < 16; ++i) sum += u[j + 32 * i] * kSynthesisWindowD.d[j + 32 * i];
            out[j] = sum;
        }
    }

private:
    double v_[1024] = {};
};

int16_t sampleAt(const std::vector<uint8_t>& pcm, int pair, int channel) {
    return int16_t(uint16_t(pcm[4 * pair + 2 * channel] | (pcm[4 * pair + 2 * channel + 1] << 8)));
}

TEST(Synthesis, MatchesTheDirectFilterOnRandomSlots) {
    Synthesis syn;
    DirectSynthesis direct[2];
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> dist(-0.05, 0.05);
    std::vector<uint8_t> pcm(128);
    int worst = 0;
    for (int slot = 0; slot < 40; ++slot) {
        double s[2][32], ref[2][32];
        for (int c = 0; c < 2; ++c) {
            for (double& x : s[c]) x = dist(rng);
            direct[c].slot(s[c], ref[c]);
        }
        syn.synthStereoChannel(s[0], 0, pcm.data());
        syn.synthStereoChannel(s[1], 1, pcm.data());
        for (int c = 0; c < 2; ++c)
            for (int j = 0; j < 32; ++j) {
                int d = std::abs(sampleAt(pcm, j, c) - int(std::lrint(ref[c][j])));
                if (d > worst) worst = d;
                ASSERT_LE(d, 1) << "slot " << slot << " channel " << c << " sample " << j << " want " << ref[c][j];
            }
    }
}

} // namespace
} // namespace korvo
