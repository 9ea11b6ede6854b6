// korvo decode: files into one WAV file, exactly the PCM the player hands its output.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "decode_options.h"
#include "decoder/decoder.h"
#include "decoder/equalizer.h"
#include "decoder/frame_tables.h"
#include "platform/dir_search.h"
#include "net/net_texts.h"
#include "playback/input.h"
#include "playback/playback_texts.h"
#include "playback/wav_writer.h"
#include "playlist/replay_gain.h"

namespace korvo::cli {
namespace {

struct DecodeJob {
    std::vector<std::string> files;
    std::string output;
    bool eightBit = false;
    std::string eq;
    int mappingMode = 2;
    bool noGapless = false;
    GainOptions gain;
};
DecodeJob job;

void define(CLI::App& c) {
    c.add_option("FILE", job.files, "MPEG audio files or URLs, decoded in a row")->required();
    c.add_option("-o,--output", job.output, "the WAV file to write")->required()->type_name("OUT.wav");
    c.add_flag("--8bit", job.eightBit, "unsigned 8-bit samples instead of 16-bit");
    c.add_option("--eq", job.eq, "equalizer gains of the twelve bands (Layer III)")->check(eqGains())->type_name("G0,...,G11");
    c.add_option("--mapping", job.mappingMode, "Layer III mapping scheme")->capture_default_str()->check(wholeNumberIn(1, 4))->type_name("N");
    c.add_flag("--no-gapless", job.noGapless, "decode every frame as it is: no encoder delay or padding trimmed");
    addGainOptions(c, job.gain);
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

int runDecode() {
    const char* output = job.output.c_str();
    // Creating the output would destroy an input before it was read.
    for (const std::string& name : job.files) {
        if (sameFile(output, name.c_str())) {
            std::fprintf(stderr, "korvo decode: ");
            std::fprintf(stderr, texts::kWavOutputIsInput, output);
            std::fprintf(stderr, "\n");
            return kExitUsage;
        }
    }
    // One decoding object for every file: the filterbank's state runs on from file to file.
    auto decoder = std::make_unique<Decoder>();
    decoder->reader().setPrompt(&prompt());
    decoder->options.mappingMode = job.mappingMode;
    decoder->options.gapless = job.noGapless ? 0 : 1;
    if (!job.eq.empty()) {
        float bands[kEqBands];
        parseEqGains(job.eq.c_str(), bands);
        buildEqLineGains(bands);
        decoder->options.eqEnabled = 1;
        decoder->options.eqLineGains = eqLineGains();
    }
    ReplayGainChoice gain;
    gain.mode = job.gain.modeValue();
    gain.preampDb = job.gain.preampDb;
    WavWriter wav;
    int rate = 0;
    auto fail = [&](const char* what, const char* path) {
        std::fprintf(stderr, "korvo decode: %s: %s\n", what, path);
        wav.discard();
        return 1;
    };

    // A stream that broke off is decoded as far as it came, reported, and fails the run.
    bool broken = false;
    for (const std::string& name : job.files) {
        const char* path = name.c_str();
        Input input;
        if (!input.openInput(path)) {
            if (input.refusedAsNotMpeg()) {    // its message is out
                wav.discard();
                return 1;
            }
            return fail("cannot open", path);
        }
        decoder->options.gainFactor = replayGainFactorOf(path, input.isStream(), gain);
        decoder->startFile(&input, job.eightBit);
        long frames = 0;
        while (decoder->readFrame()) {
            const int frameRate = frameSampleRate(decoder->header());
            if (!wav.isOpen()) {
                rate = frameRate;
                if (!wav.open(output, rate, 2, job.eightBit)) {
                    input.closeInput();
                    return fail("cannot create", output);
                }
            } else if (frameRate != rate) {
                input.closeInput();
                return fail("sample rate differs from the first file's", path);
            }
            if (!decoder->decodeFrame()) {
                if (!drain(*decoder, wav) || !decoder->decodeFrame()) {
                    input.closeInput();
                    return fail("cannot write", output);
                }
            }
            ++frames;
            if (decoder->pcm().fill >= PcmBuffer::kCapacity / 2 && !drain(*decoder, wav)) {
                input.closeInput();
                return fail("cannot write", output);
            }
        }
        char why[kStreamErrorTextBytes];
        const bool fault = input.transferFault(why, int(sizeof why));
        if (fault) {
            std::fprintf(stderr, "korvo decode: %s: %s\n", path, why);
            broken = true;
        }
        if (frames == 0 && input.isStream() && !fault) {
            // Something else than MPEG audio: said as the player says it.
            input.describeNotMpeg(path, why, int(sizeof why));
            input.closeInput();
            prompt().show(why, net_texts::kUrlErrorTitle, IconError);
            wav.discard();
            return 1;
        }
        input.closeInput();
        decoder->endFile();
        if (!drain(*decoder, wav)) return fail("cannot write", output);
        if (frames == 0) return fail("no MPEG audio frame in", path);
    }
    if (!wav.close()) {
        // Nothing was put in its place: a file that was there keeps its bytes.
        std::fprintf(stderr, "korvo decode: cannot finish %s\n", output);
        return 1;
    }
    return broken ? 1 : 0;
}

Registrar reg({"decode", "decode files into one WAV file, exactly the PCM the player plays", &define, &runDecode});

} // namespace
} // namespace korvo::cli
