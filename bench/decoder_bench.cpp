// Decoding speed: the synthesis filterbank alone, and whole files decoded from memory on the
// vector and the plain path. The files are bench/make_media.sh's (build/bench-media, or the
// folder in KORVO_BENCH_MEDIA); bench/compare.sh sets the same files beside ffmpeg.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "decoder/decoder.h"
#include "decoder/synthesis.h"
#include "decoder/vector_path.h"

namespace {

void BM_SynthesisStereoSlot(benchmark::State& state) {
    korvo::Synthesis syn;
    double s[2][32];
    for (int k = 0; k < 32; ++k) {
        s[0][k] = 0.01 * std::sin(k * 0.7);
        s[1][k] = 0.01 * std::cos(k * 0.3);
    }
    alignas(16) uint8_t pcm[128];
    for (auto _ : state) {
        syn.synthStereoChannel(s[0], 0, pcm);
        syn.synthStereoChannel(s[1], 1, pcm);
        benchmark::DoNotOptimize(pcm);
    }
    state.SetItemsProcessed(state.iterations() * 32);
}
BENCHMARK(BM_SynthesisStereoSlot);

void BM_SynthesisMonoSlot(benchmark::State& state) {
    korvo::Synthesis syn;
    double s[32];
    for (int k = 0; k < 32; ++k) s[k] = 0.01 * std::sin(k * 0.7);
    alignas(16) uint8_t pcm[128];
    for (auto _ : state) {
        syn.synthMono(s, pcm);
        benchmark::DoNotOptimize(pcm);
    }
    state.SetItemsProcessed(state.iterations() * 32);
}
BENCHMARK(BM_SynthesisMonoSlot);

std::vector<uint8_t> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string benchMedia(const char* name) {
    const char* dir = std::getenv("KORVO_BENCH_MEDIA");
    return std::string(dir ? dir : KORVO_SOURCE_DIR "/build/bench-media") + "/" + name;
}

// Decodes the file whole per iteration; items are seconds of audio (per channel samples / rate).
void decodeWhole(benchmark::State& state, const std::string& path, bool plain) {
    std::vector<uint8_t> data = readAll(path);
    if (data.empty()) {
        state.SkipWithError(("missing " + path + " (bench/make_media.sh makes it)").c_str());
        return;
    }
    korvo::forcePlainPath(plain ? 1 : 0);
    auto decoder = std::make_unique<korvo::Decoder>();
    int64_t frames = 0, bytes = 0;
    for (auto _ : state) {
        korvo::MemoryInput input(data.data(), data.size());
        decoder->startFile(&input, false);
        while (decoder->readFrame()) {
            if (!decoder->decodeFrame()) break;
            bytes += decoder->pcm().fill;
            decoder->pcm().consume(decoder->pcm().fill);
            ++frames;
        }
    }
    korvo::forcePlainPath(0);
    state.SetBytesProcessed(bytes);
    state.counters["frames"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
}

void BM_Decode(benchmark::State& state, const char* name, bool plain) { decodeWhole(state, benchMedia(name), plain); }

BENCHMARK_CAPTURE(BM_Decode, layer3_cbr128, "l3_cbr128.mp3", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Decode, layer3_cbr320, "l3_cbr320.mp3", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Decode, layer3_vbr_v2, "l3_vbr2.mp3", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Decode, layer3_mpeg2_24k, "l3_24k.mp3", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Decode, layer2_192, "l2_192.mp2", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Decode, layer1_384, "l1_384.mp1", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Decode, layer3_cbr128_plain, "l3_cbr128.mp3", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Decode, layer2_192_plain, "l2_192.mp2", true)->Unit(benchmark::kMillisecond);

// A Layer II conformance stream (48 kHz stereo), decoded frame by frame from memory.
void BM_Layer2Conformance(benchmark::State& state) {
    decodeWhole(state, std::string(KORVO_SHARED_DIR) + "/vectors/iso/l2-fl16.bit", false);
}
BENCHMARK(BM_Layer2Conformance);

} // namespace

BENCHMARK_MAIN();
