// korvo info: what the frame reader and the input make of each file.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cli_texts.h"
#include "commands.h"
#include "decode_options.h"
#include "decoder/frame_reader.h"
#include "decoder/frame_tables.h"
#include "decoder/vbr_header.h"
#include "net/icy_metadata.h"
#include "net/net_texts.h"
#include "playback/input.h"
#include "playlist/path_rules.h"
#include "playlist/replay_gain.h"

namespace korvo::cli {
namespace {

const char* versionName(const FrameHeader& h) { return h.mpeg25 ? "2.5" : (h.lsf ? "2" : "1"); }

// Prints one file's report; 1 when it gave at least one frame.
int infoOne(const char* path, bool doSeek, double percent) {
    Input input;
    if (!input.openInput(path)) {
        if (!input.refusedAsNotMpeg()) std::fprintf(stderr, "korvo: cannot open %s\n", path);
        return 0;
    }
    static FrameReader reader;   // large buffers; one reader serves every file in turn
    FrameHeader h;
    reader.setInput(&input);
    reader.setPrompt(&prompt());
    reader.resetFrameReader();
    if (!reader.readFrame(h)) {
        char why[kStreamErrorTextBytes];
        if (input.isStream() && !input.transferFault(why, int(sizeof why))) {
            input.describeNotMpeg(path, why, int(sizeof why));
            prompt().show(why, net_texts::kUrlErrorTitle, IconError);
        } else {
            std::fprintf(stderr, "korvo: no MPEG audio frame in %s\n", path);
        }
        return 0;
    }
    const FrameHeader first = h;
    VbrHeader vbr;
    if (parseVbrHeader(reader.currentHeader(), reader.body(), reader.bodySize(), vbr)) input.setVbrHeader(&vbr);
    long frames = 1;
    // A radio station plays for ever: its report ends with the first song title.
    char title[kIcyTitleBytes] = {};
    while (!input.nextStreamTitle(title, int(sizeof title)) && reader.readFrame(h)) ++frames;
    std::printf("file: %s\n", path);
    std::printf("layer: %d\n", first.layer);
    std::printf("version: %s\n", versionName(first));
    std::printf("sample_rate: %d\n", frameSampleRate(first));
    std::printf("channels: %d\n", first.channels);
    std::printf("bitrate_kbps: %d\n", frameBitrateKbps(first));
    std::printf("frames: %ld\n", frames);
    std::printf("estimated_frames: %lld\n", static_cast<long long>(input.totalFrames(first)));
    std::printf("seconds: %lld\n", static_cast<long long>(input.elapsedSeconds(h)));
    if (input.stationName()[0]) std::printf("station: %s\n", input.stationName());
    if (title[0]) std::printf("title: %s\n", title);
    if (vbr.present) {
        std::printf("header_frames: %lld\n", static_cast<long long>(vbr.frames));
        std::printf("header_play_ms: %lld\n", static_cast<long long>(vbr.playMs()));
        if (vbr.encoderDelay >= 0) std::printf("encoder_delay: %d\nencoder_padding: %d\n", vbr.encoderDelay, vbr.encoderPadding);
    }
    if (!isUrl(path)) {
        ReplayGainValues gains;
        readReplayGain(path, gains);
        for (const auto& [name, value] : {std::pair{cli_texts::kGainTrack, gains.track}, std::pair{cli_texts::kGainAlbum, gains.album}}) {
            if (value.source == GainSource::None)
                std::printf(cli_texts::kNoGainFormat, name);
            else
                std::printf(cli_texts::kGainFormat, name, value.gainDb, value.peak, gainSourceName(value.source));
        }
    }
    if (doSeek) {
        // The player's own conversion, with the single-precision factor.
        int64_t target = int64_t(float(input.totalFrames(h)) * float(percent) * 0.01f);
        int ok = input.seekToFrame(reader, h, target);
        std::printf("seek_frame: %lld\n", static_cast<long long>(target));
        if (ok)
            std::printf("seek_offset: %lld\n", (long long)input.lastSeekOffset());
        else
            std::printf("seek_offset: none\n");
    }
    input.closeInput();
    return 1;
}

struct InfoJob {
    std::vector<std::string> files;
    double seekPercent = -1;   // below 0: no seek asked for
};
InfoJob job;

void define(CLI::App& c) {
    c.add_option("FILE", job.files, "MPEG audio files or URLs")->required();
    c.add_option("--seek", job.seekPercent, "where a seek to this share of the file lands")->check(numberIn(0, 100))->type_name("PERCENT");
}

int runInfo() {
    const std::vector<std::string>& files = job.files;
    int status = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        if (i) std::printf("\n");
        if (!infoOne(files[i].c_str(), job.seekPercent >= 0, job.seekPercent)) status = 1;
    }
    return status;
}

Registrar reg({"info", "the first frame's format, the frame count and the play time of each file", &define, &runInfo});

} // namespace
} // namespace korvo::cli
