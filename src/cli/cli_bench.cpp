// korvo bench: decoding speed per file, nothing written.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "decode_options.h"
#include "decoder/decoder.h"
#include "decoder/frame_tables.h"
#include "decoder/vector_path.h"
#include "platform/file.h"

namespace korvo::cli {
namespace {

int readWholeFile(const char* path, std::vector<uint8_t>& data) {
    File f;
    if (!f.open(path, File::ReadShared)) return 0;
    int64_t size = f.size();
    if (size <= 0 || size > (int64_t(1) << 30)) return 0;
    data.resize(size_t(size));
    int64_t got = 0;
    while (got < size) {
        int n = f.read(data.data() + got, int(std::min<int64_t>(size - got, 1 << 20)));
        if (n <= 0) return 0;
        got += n;
    }
    return 1;
}

// Decodes the bytes once; returns the samples per channel (0 when nothing decoded).
long decodeOnce(Decoder& d, const std::vector<uint8_t>& data, int& rate) {
    MemoryInput input(data.data(), data.size());
    d.startFile(&input, false);
    long samples = 0;
    while (d.readFrame()) {
        if (!d.decodeFrame()) break;
        rate = frameSampleRate(d.header());
        samples += d.pcm().fill / 4;
        d.pcm().consume(d.pcm().fill);
    }
    d.startFile(nullptr, false);
    return samples;
}

double medianOf(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct BenchJob {
    std::vector<std::string> files;
    int repeat = 5;
    bool plain = false;
};
BenchJob job;

void define(CLI::App& c) {
    c.add_option("FILE", job.files, "MPEG audio files")->required();
    c.add_option("--repeat", job.repeat, "decodes per file")->capture_default_str()->check(wholeNumberIn(1, 100000))->type_name("N");
    c.add_flag("--plain", job.plain, "decode with the portable code instead of the processor's vector instructions");
}

int runBench() {
    const int repeat = job.repeat;
    if (job.plain) forcePlainPath(1);
    auto decoder = std::make_unique<Decoder>();
    int status = 0;
    for (const std::string& name : job.files) {
        const char* path = name.c_str();
        std::vector<uint8_t> data;
        if (!readWholeFile(path, data)) {
            std::fprintf(stderr, "korvo bench: cannot read %s\n", path);
            status = 1;
            continue;
        }
        std::vector<double> times, cpu;
        long samples = 0;
        int rate = 0;
        for (int r = 0; r < repeat; ++r) {
            std::clock_t c0 = std::clock();
            auto t0 = std::chrono::steady_clock::now();
            samples = decodeOnce(*decoder, data, rate);
            auto t1 = std::chrono::steady_clock::now();
            std::clock_t c1 = std::clock();
            times.push_back(std::chrono::duration<double>(t1 - t0).count());
            cpu.push_back(double(c1 - c0) / CLOCKS_PER_SEC);
        }
        if (samples == 0 || rate == 0) {
            std::fprintf(stderr, "korvo bench: no MPEG audio frame in %s\n", path);
            status = 1;
            continue;
        }
        const double median = medianOf(times), cpuMedian = medianOf(cpu);
        const double audio = double(samples) / rate;
        std::printf("%s: median %.4f s over %d runs, %.1fx real time (%.2f s of audio; processor time %.4f s; %s code)\n",
                    path, median, repeat, median > 0 ? audio / median : 0.0, audio, cpuMedian,
                    vectorPathActive() ? "AVX2" : "plain");
    }
    return status;
}

Registrar reg({"bench", "decoding speed per file, nothing written", &define, &runBench});

} // namespace
} // namespace korvo::cli
