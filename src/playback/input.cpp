#include "input.h"

#include <cctype>
#include <cstring>

#include "decoder/frame_reader.h"
#include "decoder/frame_tables.h"

namespace korvo {

bool Input::isUrl(const char* text) {
    size_t len = std::strlen(text);
    // An occurrence that ends at the last character does not count.
    for (size_t i = 0; i + 4 <= len; ++i)
        if (text[i] == ':' && text[i + 1] == '/' && text[i + 2] == '/') return true;
    return false;
}

int Input::openInput(const char* path) {
    closeInput();
    isStream_ = isUrl(path);
    if (isStream_) {
        // Streaming is not built yet: a URL fails like a file that cannot be opened.
        isStream_ = false;
        return 0;
    }
    return file_.open(path, File::ReadShared);
}

void Input::closeInput() {
    file_.close();
    isStream_ = false;
}

int Input::read(uint8_t* dst, int n) {
    if (!file_.isOpen()) return 0;
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

int Input::totalFrames(const FrameHeader& h) {
    if (isStream_ || !file_.isOpen()) return 0;
    uint32_t size = uint32_t(file_.size());
    return int(double(size) / frameBytes(h));
}

int Input::elapsedSeconds(const FrameHeader& h) {
    if (isStream_ || !file_.isOpen()) return 0;
    int64_t pos = file_.position();
    if (pos < 0) return 0;
    int frames = int(double(pos) / frameBytes(h));
    int k = effectiveRate(h) / 1000;
    if (k <= 0) return 0;
    double msPerFrame = double(h.layer == 1 ? 384 : 1152) / k;
    int seconds = int(frames * msPerFrame * 0.001);
    return seconds < 0 ? 0 : seconds;
}

int Input::seekToFrame(FrameReader& reader, FrameHeader& h, int frame) {
    if (isStream_ || !file_.isOpen()) return 0;
    double fb = frameBytes(h);
    int64_t offset = int64_t((fb + 8.0) * frame);
    if (double(offset) > double(file_.size()) - 4.0 * fb) return 0;
    if (file_.seek(offset, File::Begin) < 0) return 0;
    uint8_t b[4];
    if (file_.read(b, 4) != 4) return 0;
    uint32_t word = (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3];
    while (!FrameReader::matchesStream(word, reader.firstHeader())) {
        // The end of the file without a match fails the seek.
        if (file_.read(b, 1) != 1) return 0;
        word = (word << 8) | b[0];
    }
    seekOffset_ = file_.seek(-4, File::Current);
    reader.readFrame(h);
    reader.readFrame(h);
    reader.clearBodies();
    return 1;
}

} // namespace korvo
