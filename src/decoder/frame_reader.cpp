#include "frame_reader.h"

#include <cstring>

#include "decoder_texts.h"
#include "frame_tables.h"
#include "id3v2_extent.h"
#include "layer2_tables.h"

namespace korvo {

FrameReader::FrameReader() { resetFrameReader(); }

bool FrameReader::isValidHeader(uint32_t w) {
    return (w & 0xFFE00000u) == 0xFFE00000u && ((w >> 17) & 3) != 0 && ((w >> 12) & 15) != 15 &&
           ((w >> 10) & 3) != 3;
}

void FrameReader::resetFrameReader() {
    std::memset(buffers_, 0, sizeof buffers_);
    lastHeader_ = firstHeader_ = currentHeader_ = 0;
    bitIndex_ = 0;
    bodySize_ = nextBodySize_ = previousBodySize_ = sideInfoSize_ = 0;
    bufferIndex_ = 0;
    body_ = buffers_[1];
    previousBody_ = buffers_[1];
    cursor_ = body_;
    limit_ = buffers_[1] + kBufferSize;
    atStart_ = true;
    startSearched_ = 0;
    aheadStart_ = kLookAheadCapacity;
}

void FrameReader::clearBodies() {
    std::memset(buffers_, 0, sizeof buffers_);
    cursor_ = body_;
    bitIndex_ = 0;
}

void FrameReader::setCursor(const uint8_t* p, int bitIndex) {
    cursor_ = p;
    bitIndex_ = bitIndex & 7;
}

void FrameReader::setMainDataPointer(int backstep) {
    if (backstep < 0) backstep = 0;
    if (backstep > kMainDataRoom - 1) backstep = kMainDataRoom - 1;
    uint8_t* dst = body_ + sideInfoSize_ - backstep;
    if (backstep != 0) {
        const uint8_t* src = previousBody_ + previousBodySize_ - backstep;
        // The previous body sits in the other buffer, so the areas never overlap.
        std::memmove(dst, src, size_t(backstep));
    }
    cursor_ = dst;
    bitIndex_ = 0;
}

int FrameReader::pull(uint8_t* dst, int n) {
    if (n <= 0) return 0;
    int have = kLookAheadCapacity - aheadStart_;
    int k = have < n ? have : n;
    if (k > 0) {
        std::memcpy(dst, ahead_ + aheadStart_, size_t(k));
        aheadStart_ += k;
        if (k == n) return n;
    }
    int got = input_ ? input_->read(dst + k, n - k) : 0;
    if (got <= 0) return k > 0 ? k : got;
    return k + got;
}

bool FrameReader::unread(const uint8_t* src, int n) {
    if (n <= 0) return true;
    if (n > aheadStart_) return false;
    aheadStart_ -= n;
    std::memcpy(ahead_ + aheadStart_, src, size_t(n));
    return true;
}

void FrameReader::unreadWord(uint32_t word, int lastBytes) {
    uint8_t b[4] = {uint8_t(word >> 24), uint8_t(word >> 16), uint8_t(word >> 8), uint8_t(word)};
    unread(b + 4 - lastBytes, lastBytes);
}

int FrameReader::frameLength(uint32_t w) {
    if (!isValidHeader(w)) return 0;
    FrameHeader h;
    h.mpeg25 = (w & (1u << 20)) ? 0 : 1;
    h.lsf = h.mpeg25 ? 1 : ((w & (1u << 19)) ? 0 : 1);
    h.layer = 4 - int((w >> 17) & 3);
    int sampling = int((w >> 10) & 3);
    h.samplingIndex = h.mpeg25 ? sampling + 6 : sampling + 3 * h.lsf;
    h.bitrateIndex = int((w >> 12) & 15);
    const int rate = frameSampleRate(h);
    const int kbps = frameBitrateKbps(h);
    if (rate == 0 || kbps == 0) return 0;
    const int padding = int((w >> 9) & 1);
    switch (h.layer) {
    case 1: return (12000 * kbps / rate + padding) * 4;
    case 2: return 144000 * kbps / rate + padding;
    case 3: return 144000 * kbps / (h.lsf ? rate * 2 : rate) + padding;
    default: return 0;
    }
}

bool FrameReader::confirmedByNext(uint32_t w) {
    int length = frameLength(w);
    if (length <= 4 || length - 4 > kBodyCapacity) return false;
    const int body = length - 4;
    const int want = body + 4;
    int have = 0;
    while (have < want) {
        int n = pull(probe_ + have, want - have);
        if (n <= 0) break;
        have += n;
    }
    bool ok;
    if (have == want) {
        uint32_t next = (uint32_t(probe_[body]) << 24) | (uint32_t(probe_[body + 1]) << 16) |
                        (uint32_t(probe_[body + 2]) << 8) | probe_[body + 3];
        ok = isValidHeader(next) && sameKind(next, w);
    } else {
        ok = have >= body;      // the data end after this frame
    }
    unread(probe_, have > 0 ? have : 0);
    return ok;
}

int FrameReader::pullWhole(uint8_t* dst, int n) {
    int have = 0;
    while (have < n) {
        int got = pull(dst + have, n - have);
        if (got <= 0) break;
        have += got;
    }
    return have;
}

int FrameReader::read4(uint32_t& word) {
    uint8_t b[4];
    // A stream's pipe gives what has arrived: a header cut between two reads is read whole.
    if (pullWhole(b, 4) < 4) return 0;
    word = (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3];
    return 1;
}

// A tag of any size in front of the audio would defeat the byte scan; step over it.
int FrameReader::skipId3v2(uint32_t& word) {
    if ((word >> 8) != 0x494433u) return 1;   // "ID3"
    uint8_t head[kId3v2HeaderSize] = {'I', 'D', '3', uint8_t(word)};
    uint8_t* rest = head + 4;
    const int restSize = kId3v2HeaderSize - 4;
    if (pullWhole(rest, restSize) < restSize) return 0;
    Id3v2Extent tag;
    if (!parseId3v2Extent(head, kId3v2HeaderSize, tag)) {
        unread(rest, restSize);
        return 1;
    }
    uint64_t skip = uint64_t(tag.totalSize() - kId3v2HeaderSize);
    uint8_t sink[4096];
    while (skip > 0) {
        int want = skip > sizeof sink ? int(sizeof sink) : int(skip);
        int got = pull(sink, want);
        if (got <= 0) return 0;
        skip -= uint64_t(got);
    }
    return read4(word);
}

bool FrameReader::searchOn(int& used) {
    // Junk in front of a stream is searched only so far (a network stream's first frame as
    // far as kStreamStartSearch); a stream that was found is searched for to its end.
    if (firstHeader_ == 0) {
        if (!input_ || !input_->isStream()) return false;
        startSearched_ += used;
        if (startSearched_ >= kStreamStartSearch) return false;
    }
    if (!ownerLetsOn()) return false;
    used = 0;
    return true;
}

// Walks the input a byte at a time (four at a time over 0xFF runs) to the next valid header.
int FrameReader::scan(uint32_t& word, int& steps) {
    int runs = 0;
    for (;;) {
        // At least a whole word, then what else the input has ready, up to a block.
        int n = pullWhole(block_, 4);
        if (n < 4) return 0;
        const int more = pull(block_ + 4, kSearchBlock - 4);
        if (more > 0) n += more;
        int p = 0;
        while (p + 4 <= n) {
            if (steps >= kScanLimit && !searchOn(steps)) return 0;
            if (block_[p] != 0xFF) {
                // No header and no run of 0xFF starts before the next 0xFF byte: each byte
                // up to it is one step.
                const void* ff = std::memchr(block_ + p, 0xFF, size_t(n - p));
                int to = ff ? int(static_cast<const uint8_t*>(ff) - block_) : n;
                if (to - p > kScanLimit - steps) to = p + (kScanLimit - steps);
                steps += to - p;
                p = to;
                continue;
            }
            const uint32_t w = (uint32_t(block_[p]) << 24) | (uint32_t(block_[p + 1]) << 16) |
                               (uint32_t(block_[p + 2]) << 8) | block_[p + 3];
            if ((w >> 16) == 0xFFFFu) {
                // Not counted as steps, but a long run still lets the owner stop the search.
                if (++runs >= kScanLimit) {
                    if (!ownerLetsOn()) return 0;
                    runs = 0;
                }
                p += 4;
                continue;
            }
            if (isValidHeader(w)) {
                word = w;
                unread(block_ + p + 4, n - p - 4);
                return 1;
            }
            ++steps;     // on by one byte
            ++p;
        }
        unread(block_ + p, n - p);   // the start of a word the next block completes
    }
}

int FrameReader::slide(int& windows, bool& found) {
    found = false;
    if (lastHeader_ == 0) {
        // No stream to look for: one byte on, and the scan takes over.
        uint8_t b;
        if (pull(&b, 1) != 1) return 0;
        currentHeader_ = (currentHeader_ << 8) | b;
        return 1;
    }
    for (;;) {
        const int n = pull(block_, kSearchBlock);
        if (n <= 0) return 0;
        int i = 0;
        while (i < n) {
            // Only a window whose first byte is 0xFF can hold a header: those that end
            // before the next such byte's window are passed over.
            if (i >= 3 && block_[i - 3] != 0xFF) {
                const void* ff = i < n - 1 ? std::memchr(block_ + i - 2, 0xFF, size_t(n - 1 - i)) : nullptr;
                int to = ff ? int(static_cast<const uint8_t*>(ff) - block_) + 3 : n;
                if (to - i > kScanLimit - windows) to = i + (kScanLimit - windows);
                windows += to - i;
                i = to;
                currentHeader_ = (uint32_t(block_[i - 4]) << 24) | (uint32_t(block_[i - 3]) << 16) |
                                 (uint32_t(block_[i - 2]) << 8) | block_[i - 1];
                if (windows >= kScanLimit && !searchOn(windows)) return 0;
                continue;
            }
            ++windows;
            currentHeader_ = (currentHeader_ << 8) | block_[i];
            if (windows >= kScanLimit && !searchOn(windows)) return 0;
            if (matchesStream(currentHeader_, lastHeader_) || matchesStream(currentHeader_, firstHeader_)) {
                unread(block_ + i + 1, n - i - 1);
                found = true;
                return 1;
            }
            ++i;
        }
    }
}

int FrameReader::readFrame(FrameHeader& h) {
    uint32_t word;
    if (!read4(word)) return 0;
    if (atStart_) {
        atStart_ = false;
        if (!skipId3v2(word)) return 0;
    }
    currentHeader_ = word;

    if (currentHeader_ == lastHeader_ && lastHeader_ != 0) {
        h.headerChanged = 0;
        return readBody();
    }
    h.headerChanged = 1;
    bool needScan = firstHeader_ == 0 && !isValidHeader(currentHeader_);

    // One budget of scan steps and windows per call, however many candidates fail.
    int steps = 0;
    int windows = 0;
    for (;;) {
        if (needScan) {
            if (!scan(word, steps)) return 0;
            currentHeader_ = word;
            needScan = false;
            if (!confirmedByNext(word)) {
                unreadWord(word, 3);
                ++steps;
                needScan = true;
                continue;
            }
        }
        if ((currentHeader_ & 0xFFE00000u) != 0xFFE00000u) {
            bool found = false;
            if (!slide(windows, found)) return 0;
            if (!found) {
                needScan = true;
                continue;
            }
            if (!confirmedByNext(currentHeader_)) {
                // Slide on from the byte after this false start.
                unreadWord(currentHeader_, 3);
                currentHeader_ = 0;
                continue;
            }
        }
        int result = 0;
        if (parseAndSize(h, result)) return result;
        needScan = true;
    }
}

// Steps 5 to 8: returns 1 with result set when done (body read or end), 0 to rescan.
int FrameReader::parseAndSize(FrameHeader& h, int& result) {
    const uint32_t w = currentHeader_;
    if (firstHeader_ == 0) firstHeader_ = w;
    if (w & (1u << 20)) {
        h.mpeg25 = 0;
        h.lsf = (w & (1u << 19)) ? 0 : 1;
    } else {
        h.lsf = 1;
        h.mpeg25 = 1;
    }
    if (lastHeader_ == 0) {
        h.layer = 4 - int((w >> 17) & 3);
        int sampling = int((w >> 10) & 3);
        if (sampling == 3) return 0;
        h.samplingIndex = h.mpeg25 ? sampling + 6 : sampling + 3 * h.lsf;
        h.crcPresent = 1 - int((w >> 16) & 1);
    } else {
        // The stream's sampling field stays; its index follows this header's version, or the
        // rate would disagree with the bitrate table and the side information read for it.
        const int sampling = h.samplingIndex % 3;
        h.samplingIndex = h.mpeg25 ? sampling + 6 : sampling + 3 * h.lsf;
    }
    h.bitrateIndex = int((w >> 12) & 15);
    h.paddingBit = int((w >> 9) & 1);
    h.privateBit = int((w >> 8) & 1);
    h.mode = int((w >> 6) & 3);
    h.modeExtension = int((w >> 4) & 3);
    h.copyright = int((w >> 3) & 1);
    h.original = int((w >> 2) & 1);
    h.emphasis = int(w & 3);
    h.channels = h.mode == 3 ? 1 : 2;
    lastHeader_ = w;

    if (h.bitrateIndex == 0) {
        if (!prompt_ || !prompt_->askYesNo(texts::kInvalidBitrateText, texts::kInvalidBitrateTitle, IconWarning)) {
            result = 0;
            return 1;
        }
        return 0;
    }
    if (h.bitrateIndex == 15) return 0;

    const int rate = frameSampleRate(h);
    const int kbps = frameBitrateKbps(h);
    if (rate == 0) {
        result = 0;
        return 1;
    }
    int size;
    switch (h.layer) {
    case 1:
        h.jointBound = h.mode == 1 ? 4 * (h.modeExtension + 1) : 32;
        size = (12000 * kbps / rate + h.paddingBit) * 4 - 4;
        break;
    case 2: {
        int table = 4;
        if (!h.lsf) {
            int headerSampling = h.samplingIndex < 3 ? h.samplingIndex : 0;
            table = kLayer2TableSelect[headerSampling][h.channels == 1 ? 1 : 0][h.bitrateIndex];
        }
        h.allocTable = kLayer2AllocTables[table];
        h.subbandLimit = kLayer2SubbandLimits[table];
        h.jointBound = h.mode == 1 ? 4 * (h.modeExtension + 1) : h.subbandLimit;
        if (h.jointBound > h.subbandLimit) h.jointBound = h.subbandLimit;
        size = 144000 * kbps / rate + h.paddingBit - 4;
        break;
    }
    case 3:
        sideInfoSize_ = h.lsf ? (h.channels == 1 ? 9 : 17) : (h.channels == 1 ? 17 : 32);
        if (h.crcPresent) sideInfoSize_ += 2;
        size = 144000 * kbps / (h.lsf ? rate * 2 : rate) + h.paddingBit - 4;
        break;
    default:
        result = 0;
        return 1;
    }
    // A body beyond the buffer (MPEG-2.5 Layer II at high bitrates) cannot be a frame of ours.
    if (size <= 0 || size > kBodyCapacity) {
        if (firstHeader_ == w) firstHeader_ = lastHeader_ = 0;
        return 0;
    }
    nextBodySize_ = size;
    result = readBody();
    return 1;
}

int FrameReader::readBody() {
    previousBodySize_ = bodySize_;
    bodySize_ = nextBodySize_;
    previousBody_ = body_;
    body_ = buffers_[bufferIndex_] + kMainDataRoom;
    limit_ = buffers_[bufferIndex_] + kBufferSize;
    bufferIndex_ = 1 - bufferIndex_;
    if (input_->isStream()) {
        int have = 0;
        while (have < bodySize_) {
            int n = pull(body_ + have, bodySize_ - have);
            if (n <= 0) return 0;   // a partial frame from a stream is never decoded
            have += n;
        }
    } else {
        int n = pull(body_, bodySize_);
        if (n <= 0) return 0;
        if (n < bodySize_) std::memset(body_ + n, 0, size_t(bodySize_ - n));
    }
    cursor_ = body_;
    bitIndex_ = 0;
    return 1;
}

} // namespace korvo
