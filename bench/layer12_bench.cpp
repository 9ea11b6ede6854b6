// Profiling aids: the synthesis filterbank alone, and whole Layer II decoding.
#include <benchmark/benchmark.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "decoder/decoder.h"
#include "decoder/synthesis.h"

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

// A Layer II conformance stream (48 kHz stereo), decoded frame by frame from memory.
void BM_Layer2Decode(benchmark::State& state) {
    std::ifstream in(std::string(KORVO_SHARED_DIR) + "/vectors/iso/l2-fl16.bit", std::ios::binary);
    std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (data.empty()) {
        state.SkipWithError("conformance stream missing");
        return;
    }
    auto decoder = std::make_unique<korvo::Decoder>();
    int64_t frames = 0;
    for (auto _ : state) {
        korvo::MemoryInput input(data.data(), data.size());
        decoder->startFile(&input, false);
        while (decoder->readFrame()) {
            decoder->decodeFrame();
            decoder->pcm().consume(decoder->pcm().fill);
            ++frames;
        }
    }
    state.SetItemsProcessed(frames);
    state.counters["frames"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Layer2Decode);

} // namespace

BENCHMARK_MAIN();
