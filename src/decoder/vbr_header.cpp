#include "vbr_header.h"

#include <cstring>

#include "frame_reader.h"
#include "frame_tables.h"

namespace korvo {

namespace {

uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
uint32_t be16(const uint8_t* p) { return uint32_t(p[0]) << 8 | p[1]; }

constexpr uint32_t kXingFrames = 1, kXingBytes = 2, kXingToc = 4, kXingQuality = 8;
constexpr int kLameTagSize = 36;
constexpr int kLameDelayAt = 21;
constexpr int kLamePeakAt = 11;
constexpr int kLameTrackGainAt = 15;
constexpr int kLameAlbumGainAt = 17;
constexpr double kLamePeakUnit = 8388608.0;   // 1.0 = 2^23
enum LameGainName { kGainNotSet = 0, kGainRadio = 1, kGainAudiophile = 2 };

// One gain field: 3 bits name, 3 bits originator, a sign bit, 9 bits of tenths of a dB.
// Gives the name, or 0 when the field is empty.
int lameGainField(const uint8_t* p, int& tenths) {
    const uint32_t v = be16(p);
    const int name = int(v >> 13);
    const int magnitude = int(v & 0x1FF);
    tenths = (v & 0x200) ? -magnitude : magnitude;
    return name;
}

// lame writes its extension itself; ffmpeg's muxer writes the same layout under its own name.
bool knownEncoder(const uint8_t* p) {
    return std::memcmp(p, "LAME", 4) == 0 || std::memcmp(p, "Lavf", 4) == 0 || std::memcmp(p, "Lavc", 4) == 0;
}

int parseXing(const uint8_t* p, int room, VbrHeader& out) {
    if (room < 8 || (std::memcmp(p, "Xing", 4) != 0 && std::memcmp(p, "Info", 4) != 0)) return 0;
    const uint32_t flags = be32(p + 4);
    int at = 8;
    if (flags & kXingFrames) {
        if (at + 4 > room) return 0;
        out.frames = be32(p + at);
        at += 4;
    }
    if (flags & kXingBytes) {
        if (at + 4 > room) return 0;
        out.bytes = be32(p + at);
        at += 4;
    }
    if (flags & kXingToc) {
        if (at + 100 > room) return 0;
        // The table gives each percent's position in 256ths of the byte count.
        if (out.bytes > 0) {
            for (int i = 0; i < 100; ++i) out.seekOffsets[i] = int64_t(p[at + i]) * out.bytes / 256;
            out.seekOffsets[100] = out.bytes;
            bool rising = true;
            for (int i = 0; i < 100; ++i) rising = rising && out.seekOffsets[i] <= out.seekOffsets[i + 1];
            out.hasSeekTable = rising ? 1 : 0;
        }
        at += 100;
    }
    if (flags & kXingQuality) at += 4;
    if (at + kLameTagSize <= room && knownEncoder(p + at)) {
        const uint8_t* d = p + at + kLameDelayAt;
        out.encoderDelay = int(d[0]) << 4 | d[1] >> 4;
        out.encoderPadding = (d[1] & 15) << 8 | d[2];
        const uint8_t* lame = p + at;
        out.lamePeak = double(be32(lame + kLamePeakAt)) / kLamePeakUnit;
        int tenths = 0;
        if (lameGainField(lame + kLameTrackGainAt, tenths) == kGainRadio) {
            out.lameTrackGainSet = 1;
            out.lameTrackGainTenths = tenths;
        }
        if (lameGainField(lame + kLameAlbumGainAt, tenths) == kGainAudiophile) {
            out.lameAlbumGainSet = 1;
            out.lameAlbumGainTenths = tenths;
        }
    }
    return 1;
}

int parseVbri(const uint8_t* p, int room, VbrHeader& out) {
    constexpr int kFixed = 26;
    if (room < kFixed || std::memcmp(p, "VBRI", 4) != 0) return 0;
    out.bytes = be32(p + 10);
    out.frames = be32(p + 14);
    const int entries = int(be16(p + 18));
    const int scale = int(be16(p + 20));
    const int entrySize = int(be16(p + 22));
    const int framesPerEntry = int(be16(p + 24));
    if (entries <= 0 || entrySize < 1 || entrySize > 4 || framesPerEntry <= 0 || out.frames <= 0 ||
        kFixed + entries * entrySize > room)
        return 1;
    // Each entry is the size of the next framesPerEntry frames: sum them up per percent.
    auto entryBytes = [&](int i) {
        uint32_t v = 0;
        for (int k = 0; k < entrySize; ++k) v = v << 8 | p[kFixed + i * entrySize + k];
        return int64_t(v) * scale;
    };
    int64_t start = 0;   // offset of entry `entry`
    int entry = 0;
    for (int i = 0; i <= 100; ++i) {
        const double frame = double(out.frames) * i / 100.0;
        while (entry < entries && double(entry + 1) * framesPerEntry <= frame) start += entryBytes(entry++);
        const double inside = frame / framesPerEntry - entry;
        out.seekOffsets[i] = start + (entry < entries ? int64_t(inside * double(entryBytes(entry))) : 0);
    }
    out.hasSeekTable = 1;
    return 1;
}

} // namespace

int64_t VbrHeader::offsetAt(double percent) const {
    if (!hasSeekTable) return -1;
    if (percent < 0) percent = 0;
    if (percent > 100) percent = 100;
    int i = int(percent);
    if (i >= 100) return seekOffsets[100];
    const double f = percent - i;
    return seekOffsets[i] + int64_t(f * double(seekOffsets[i + 1] - seekOffsets[i]));
}

int parseVbrHeader(uint32_t w, const uint8_t* body, int bodySize, VbrHeader& out) {
    out = VbrHeader();
    if (!FrameReader::isValidHeader(w) || ((w >> 17) & 3) != 1) return 0;   // Layer III only
    const bool mpeg1 = ((w >> 19) & 3) == 3;
    const bool mono = ((w >> 6) & 3) == 3;
    const bool crc = ((w >> 16) & 1) == 0;
    const int sideInfo = (mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17)) + (crc ? 2 : 0);
    VbrHeader& v = out;
    int found = 0;
    if (bodySize > sideInfo) found = parseXing(body + sideInfo, bodySize - sideInfo, v);
    constexpr int kVbriAt = 32;
    if (!found && bodySize > kVbriAt) found = parseVbri(body + kVbriAt, bodySize - kVbriAt, v);
    if (!found) {
        out = VbrHeader();
        return 0;
    }
    FrameHeader h;
    h.mpeg25 = (w & (1u << 20)) ? 0 : 1;
    h.lsf = mpeg1 ? 0 : 1;
    const int sampling = int((w >> 10) & 3);
    h.samplingIndex = h.mpeg25 ? sampling + 6 : sampling + 3 * h.lsf;
    v.sampleRate = frameSampleRate(h);
    v.samplesPerFrame = mpeg1 ? 1152 : 576;
    v.present = 1;
    return 1;
}

} // namespace korvo
