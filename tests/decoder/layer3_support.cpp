#include "layer3_support.h"

#include <memory>

#include "decoder/decoder.h"
#include "test_support.h"

namespace korvo::test {

int decodeInStreamLayout(const std::string& path, std::vector<int16_t>& out, int mappingMode) {
    out.clear();
    std::vector<uint8_t> data = readFileBytes(path);
    if (data.empty()) return 0;
    auto d = std::make_unique<Decoder>();
    d->options.mappingMode = mappingMode;
    MemoryInput input(data.data(), data.size());
    d->startFile(&input, false);
    int frames = 0;
    while (d->readFrame()) {
        PcmBuffer& pcm = d->pcm();
        pcm.consume(pcm.fill);
        d->decodeFrame();
        int pairs = pcm.fill / 4;
        int channels = d->header().channels;
        for (int i = 0; i < pairs; ++i) {
            const uint8_t* p = pcm.data + 4 * i;
            out.push_back(int16_t(uint16_t(p[0] | (p[1] << 8))));
            if (channels == 2) out.push_back(int16_t(uint16_t(p[2] | (p[3] << 8))));
        }
        ++frames;
    }
    d->startFile(nullptr, false);
    return frames;
}

int bestOffset(const std::vector<int16_t>& a, const std::vector<int16_t>& b, int maxOffset) {
    const size_t window = 4096;
    size_t mid = b.size() / 3;
    if (b.size() < mid + window) return 0;
    int best = 0;
    double bestErr = -1;
    for (int off = 0; off <= maxOffset; ++off) {
        if (mid + size_t(off) + window > a.size()) break;
        double err = 0;
        for (size_t i = 0; i < window; ++i) {
            double d = double(a[mid + size_t(off) + i]) - double(b[mid + i]);
            err += d * d;
        }
        if (bestErr < 0 || err < bestErr) {
            bestErr = err;
            best = off;
        }
    }
    return best;
}

void BitWriter::put(uint32_t v, int n) {
    for (int i = n - 1; i >= 0; --i) {
        if (bit_ == 0) bytes.push_back(0);
        if ((v >> i) & 1) bytes.back() |= uint8_t(0x80 >> bit_);
        bit_ = (bit_ + 1) & 7;
    }
}

} // namespace korvo::test
