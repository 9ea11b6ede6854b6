// korvo decode: files into one WAV file, exactly the PCM the player hands its output.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "commands.h"
#include "decode_options.h"
#include "decoder/decoder.h"
#include "decoder/equalizer.h"
#include "decoder/frame_tables.h"
#include "playback/input.h"
#include "playback/wav_writer.h"

namespace korvo::cli {
namespace {

struct DecodeJob {
    std::vector<const char*> files;
    const char* output = nullptr;
    bool eightBit = false;
    bool eq = false;
    float eqBands[kEqBands] = {};
    int mappingMode = 2;
    bool gapless = true;
};

// 1 when the arguments make a job; prints what is wrong otherwise.
int parseArguments(int argc, char** argv, DecodeJob& job) {
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (!std::strcmp(a, "-o")) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "korvo decode: -o needs a file name\n");
                return 0;
            }
            job.output = argv[++i];
        } else if (!std::strcmp(a, "--8bit")) {
            job.eightBit = true;
        } else if (!std::strcmp(a, "--no-gapless")) {
            job.gapless = false;
        } else if (!std::strcmp(a, "--eq")) {
            if (i + 1 >= argc || !parseEqGains(argv[++i], job.eqBands)) {
                std::fprintf(stderr, "korvo decode: --eq takes twelve gains 0.0..2.0 separated by commas\n");
                return 0;
            }
            job.eq = true;
        } else if (!std::strcmp(a, "--mapping")) {
            if (i + 1 >= argc || !parseMappingMode(argv[++i], job.mappingMode)) {
                std::fprintf(stderr, "korvo decode: --mapping takes 1, 2, 3 or 4\n");
                return 0;
            }
        } else if (a[0] == '-' && a[1] != '\0') {
            std::fprintf(stderr, "korvo decode: unknown option %s\n", a);
            return 0;
        } else {
            job.files.push_back(a);
        }
    }
    if (job.files.empty() || !job.output) {
        std::fprintf(stderr, "usage: korvo decode FILE... -o OUT.wav [--8bit] [--eq G0,...,G11] [--mapping N] [--no-gapless]\n");
        return 0;
    }
    return 1;
}

// Hands what may be output of the PCM to the file; 0 when the file refused it.
int drain(Decoder& decoder, WavWriter& wav) {
    PcmBuffer& pcm = decoder.pcm();
    const int ready = decoder.writableBytes();
    if (ready == 0) return 1;
    int n = wav.write(pcm.data, ready);
    pcm.consume(ready);
    return n >= 0;
}

int runDecode(int argc, char** argv) {
    DecodeJob job;
    if (!parseArguments(argc, argv, job)) return 1;

    // One decoding object for every file: the filterbank's state runs on from file to file.
    auto decoder = std::make_unique<Decoder>();
    decoder->options.mappingMode = job.mappingMode;
    decoder->options.gapless = job.gapless ? 1 : 0;
    if (job.eq) {
        buildEqLineGains(job.eqBands);
        decoder->options.eqEnabled = 1;
        decoder->options.eqLineGains = eqLineGains();
    }
    WavWriter wav;
    int rate = 0;
    auto fail = [&](const char* what, const char* path) {
        std::fprintf(stderr, "korvo decode: %s: %s\n", what, path);
        wav.discard();
        return 1;
    };

    for (const char* path : job.files) {
        Input input;
        if (!input.openInput(path)) return fail("cannot open", path);
        decoder->startFile(&input, job.eightBit);
        long frames = 0;
        while (decoder->readFrame()) {
            const int frameRate = frameSampleRate(decoder->header());
            if (!wav.isOpen()) {
                rate = frameRate;
                if (!wav.open(job.output, rate, 2, job.eightBit)) {
                    input.closeInput();
                    return fail("cannot create", job.output);
                }
            } else if (frameRate != rate) {
                input.closeInput();
                return fail("sample rate differs from the first file's", path);
            }
            if (!decoder->decodeFrame()) {
                if (!drain(*decoder, wav) || !decoder->decodeFrame()) {
                    input.closeInput();
                    return fail("cannot write", job.output);
                }
            }
            ++frames;
            if (decoder->pcm().fill >= PcmBuffer::kCapacity / 2 && !drain(*decoder, wav)) {
                input.closeInput();
                return fail("cannot write", job.output);
            }
        }
        input.closeInput();
        decoder->endFile();
        if (!drain(*decoder, wav)) return fail("cannot write", job.output);
        if (frames == 0) return fail("no MPEG audio frame in", path);
    }
    if (!wav.close()) {
        std::fprintf(stderr, "korvo decode: cannot finish %s\n", job.output);
        removeFile(job.output);
        return 1;
    }
    return 0;
}

Registrar reg({"decode", "decode FILE... -o OUT.wav [--8bit] [--eq G0,...,G11] [--mapping N] [--no-gapless]", &runDecode});

} // namespace
} // namespace korvo::cli
