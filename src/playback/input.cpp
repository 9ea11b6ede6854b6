#include "input.h"

#include <cstring>

#include "decoder/frame_reader.h"
#include "decoder/frame_tables.h"
#include "decoder/id3v2_extent.h"
#include "playlist/apev2.h"
#include "playlist/path_rules.h"

namespace korvo {

int Input::openInput(const char* path, const StreamSaving& saving) {
    closeInput();
    isStream_ = isUrl(path);
    if (isStream_) {
        if (openUrl(path, saving)) return 1;
        isStream_ = false;
        return 0;
    }
    if (!file_.open(path, File::ReadShared)) return 0;
    // A file still being written (a recording) plays to where it was now: its end is fixed
    // here, so that the player ends cleanly instead of chasing the writer.
    openSize_ = file_.size();
    if (openSize_ < 0) openSize_ = 0;
    // An APEv2 tag (and an ID3v1 tag behind it) is no audio: its bytes, scanned for frame
    // headers, could pass for a frame or a free-format stream. The audio ends where it begins.
    Apev2Tag ape;
    if (readApev2Tag(file_, ape) && ape.start < openSize_) openSize_ = ape.start;
    file_.seek(0, File::Begin);
    audioStart_ = -1;
    return 1;
}

void Input::closeInput() {
    vbr_ = nullptr;
    file_.close();
    openSize_ = 0;
    stream_.closeStream();
    isStream_ = false;
    headLen_ = headPos_ = 0;
    refused_ = false;
}

int Input::read(uint8_t* dst, int n) {
    if (isStream_) {
        // The first bytes, read to tell a station list from audio, come first; the read stays
        // whole.
        int k = 0;
        if (headPos_ < headLen_ && n > 0) {
            k = n < headLen_ - headPos_ ? n : headLen_ - headPos_;
            std::memcpy(dst, head_ + headPos_, size_t(k));
            headPos_ += k;
            if (k == n) return k;
        }
        const int more = stream_.read(dst + k, n - k);
        return more < 0 ? (k > 0 ? k : -1) : k + more;
    }
    if (!file_.isOpen() || n <= 0) return 0;
    const int64_t pos = file_.position();
    if (pos < 0) return -1;
    if (pos >= openSize_) return 0;
    if (openSize_ - pos < int64_t(n)) n = int(openSize_ - pos);
    return file_.read(dst, n);
}

void Input::stepBack(int n) {
    if (!isStream_ && file_.isOpen()) file_.seek(-n, File::Current);
}

// LSF Layer III frames hold 576 samples, so their length and duration use twice the rate;
// Layer I and II frames keep their full sample count at every rate.
static int effectiveRate(const FrameHeader& h) {
    int rate = frameSampleRate(h);
    return (h.lsf && h.layer == 3) ? rate * 2 : rate;
}

double Input::frameBytes(const FrameHeader& h) {
    int rate = effectiveRate(h);
    int kbps = frameBitrateKbps(h);
    if (rate == 0 || kbps == 0) return 1.0;
    switch (h.layer) {
    case 1: return double(kbps) * 48000.0 / rate;
    case 2:
    case 3: return double(kbps) * 144000.0 / rate;
    default: return 1.0;
    }
}

int64_t Input::totalFrames(const FrameHeader& h) {
    if (isStream_ || !file_.isOpen()) return 0;
    if (vbr_ && vbr_->frames > 0) return vbr_->frames;
    // The frames are counted where the audio is: after a leading tag.
    const int64_t size = openSize_ - audioStart();
    if (size <= 0) return 0;
    return int64_t(double(size) / frameBytes(h));
}

int64_t Input::elapsedSeconds(const FrameHeader& h) {
    if (isStream_ || !file_.isOpen()) return 0;
    int64_t pos = file_.position();
    if (pos < 0) return 0;
    pos -= audioStart();
    if (pos < 0) return 0;
    int64_t frames = int64_t(double(pos) / frameBytes(h));
    int k = effectiveRate(h) / 1000;
    if (k <= 0) return 0;
    double msPerFrame = double(h.layer == 1 ? 384 : 1152) / k;
    int64_t seconds = int64_t(double(frames) * msPerFrame * 0.001);
    return seconds < 0 ? 0 : seconds;
}

int64_t Input::playedMs(const FrameHeader& h, int64_t frame) {
    if (vbr_ && vbr_->frames > 0 && vbr_->sampleRate > 0 && !isStream_)
        return frame * vbr_->samplesPerFrame * 1000 / vbr_->sampleRate;
    return elapsedSeconds(h) * 1000;
}

int64_t Input::audioStart() {
    if (audioStart_ >= 0) return audioStart_;
    const int64_t here = file_.position();
    uint8_t h[kId3v2HeaderSize];
    Id3v2Extent tag;
    int64_t start = 0;
    if (file_.seek(0, File::Begin) == 0) {
        const int got = file_.read(h, kId3v2HeaderSize);
        if (parseId3v2Extent(h, got, tag)) start = tag.totalSize();
    }
    file_.seek(here, File::Begin);
    audioStart_ = start;
    return start;
}

// Where frame F should start: by the header's table when the file has one (the share of
// the frames is the share of the play time), else by the bitrate estimate. -1: beyond the end.
int64_t Input::estimatedOffset(const FrameHeader& h, int64_t frame) {
    if (vbr_ && vbr_->frames > 0 && vbr_->hasSeekTable) {
        if (frame + 4 > vbr_->frames) return -1;    // the last four frames, as below
        return audioStart() + vbr_->offsetAt(double(frame) * 100.0 / double(vbr_->frames));
    }
    const double fb = frameBytes(h);
    const int64_t offset = audioStart() + int64_t(fb * double(frame));
    return double(offset) > double(openSize_) - 4.0 * fb ? -1 : offset;
}

int Input::seekToFrame(FrameReader& reader, FrameHeader& h, int64_t frame) {
    if (isStream_ || !file_.isOpen()) return 0;
    const int64_t offset = estimatedOffset(h, frame);
    if (offset < 0) return 0;
    const int64_t before = file_.position();
    if (before < 0 || file_.seek(offset, File::Begin) < 0) return 0;
    int n = read(seekBytes_, int(sizeof seekBytes_));
    const bool toEnd = n >= 0 && n < int(sizeof seekBytes_);
    const uint32_t reference = reader.firstHeader();
    auto wordAt = [&](int i) {
        return (uint32_t(seekBytes_[i]) << 24) | (uint32_t(seekBytes_[i + 1]) << 16) |
               (uint32_t(seekBytes_[i + 2]) << 8) | seekBytes_[i + 3];
    };
    // Only the fields a VBR stream keeps are compared; a candidate counts when the next
    // header of the same kind follows at its length (or the file ends there).
    int found = -1;
    for (int i = 0; i + 4 <= n && i < kSeekWindow; ++i) {
        uint32_t w = wordAt(i);
        if (!FrameReader::sameKind(w, reference)) continue;
        int length = FrameReader::frameLength(w);
        if (length <= 4) continue;
        if (i + length + 4 <= n) {
            uint32_t next = wordAt(i + length);
            if (!FrameReader::isValidHeader(next) || !FrameReader::sameKind(next, reference)) continue;
        } else if (!(toEnd && i + length >= n)) {
            continue;
        }
        found = i;
        break;
    }
    if (found < 0) {
        file_.seek(before, File::Begin);
        return 0;
    }
    seekOffset_ = file_.seek(offset + found, File::Begin);
    reader.dropLookAhead();
    reader.readFrame(h);
    reader.readFrame(h);
    reader.clearBodies();
    return 1;
}

} // namespace korvo
