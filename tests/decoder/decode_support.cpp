#include "decode_support.h"

#include <cmath>
#include <memory>

#include "decoder/decoder.h"
#include "decoder/frame_tables.h"
#include "test_support.h"

namespace korvo::test {

std::vector<int16_t> DecodedFile::channel(int c) const { return deinterleave(stereo, 2, c); }

bool decodeFile(const std::string& path, DecodedFile& out, bool eightBit, Decoder* decoder) {
    out = DecodedFile{};
    std::vector<uint8_t> data = readFileBytes(path);
    if (data.empty()) return false;
    std::unique_ptr<Decoder> own;
    if (!decoder) {
        own = std::make_unique<Decoder>();
        decoder = own.get();
    }
    MemoryInput input(data.data(), data.size());
    decoder->startFile(&input, eightBit);
    PcmBuffer& pcm = decoder->pcm();
    auto drain = [&] {
        out.bytes.insert(out.bytes.end(), pcm.data, pcm.data + pcm.fill);
        pcm.consume(pcm.fill);
    };
    drain();
    while (decoder->readFrame()) {
        if (!decoder->decodeFrame()) {
            drain();
            if (!decoder->decodeFrame()) return false;
        }
        if (out.frames == 0) {
            out.sampleRate = frameSampleRate(decoder->header());
            out.layer = decoder->header().layer;
            out.channels = decoder->header().channels;
        }
        ++out.frames;
        if (pcm.fill >= PcmBuffer::kCapacity / 2) drain();
    }
    drain();
    decoder->startFile(nullptr, false);
    if (!eightBit) {
        out.stereo.resize(out.bytes.size() / 2);
        for (size_t i = 0; i < out.stereo.size(); ++i)
            out.stereo[i] = int16_t(uint16_t(out.bytes[2 * i] | (out.bytes[2 * i + 1] << 8)));
    }
    return out.frames > 0;
}

std::vector<int16_t> readPcm16(const std::string& path) {
    std::vector<uint8_t> b = readFileBytes(path);
    std::vector<int16_t> s(b.size() / 2);
    for (size_t i = 0; i < s.size(); ++i) s[i] = int16_t(uint16_t(b[2 * i] | (b[2 * i + 1] << 8)));
    return s;
}

std::vector<int16_t> deinterleave(const std::vector<int16_t>& pcm, int channels, int offset) {
    std::vector<int16_t> out;
    out.reserve(pcm.size() / size_t(channels));
    for (size_t i = size_t(offset); i < pcm.size(); i += size_t(channels)) out.push_back(pcm[i]);
    return out;
}

double psnr(const std::vector<int16_t>& a, const std::vector<int16_t>& b) {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    if (n == 0) return 0.0;
    double sum = 0;
    for (size_t i = 0; i < n; ++i) {
        double d = double(a[i]) - double(b[i]);
        sum += d * d;
    }
    if (sum == 0) return 200.0;
    return 10.0 * std::log10(32767.0 * 32767.0 / (sum / double(n)));
}

int maxAbsDiff(const std::vector<int16_t>& a, const std::vector<int16_t>& b) {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    int m = 0;
    for (size_t i = 0; i < n; ++i) {
        int d = std::abs(int(a[i]) - int(b[i]));
        if (d > m) m = d;
    }
    return m;
}

} // namespace korvo::test
