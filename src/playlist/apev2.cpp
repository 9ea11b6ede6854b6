#include "apev2.h"

#include <cstring>

#include "id3v1.h"
#include "platform/file.h"
#include "text_encoding.h"

namespace korvo {

namespace {

constexpr uint32_t kVersion1 = 1000, kVersion2 = 2000;
constexpr uint32_t kHasHeader = 1u << 31;
constexpr int kMaxKey = 255;
// Values looked at: names and gain texts are short; pictures and the like are passed over.
constexpr uint32_t kMaxValue = 1024;
constexpr uint32_t kTypeMask = 6;   // bits 1-2: 0 is UTF-8 text
// A tag larger than this is taken as damage, not read.
constexpr uint32_t kMaxTagSize = 16u << 20;

uint32_t le32(const uint8_t* b) { return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24; }

bool readAt(File& file, int64_t at, void* dst, int n) {
    return file.seek(at, File::Begin) == at && file.read(dst, n) == n;
}

} // namespace

int readApev2Tag(File& file, Apev2Tag& tag) {
    tag = Apev2Tag{};
    int64_t end = file.size();
    if (end < kApeBlockSize) return 0;
    uint8_t block[kTagSize];
    if (end >= kTagSize && readAt(file, end - kTagSize, block, kTagSize) && isTagBlock(block)) end -= kTagSize;
    uint8_t foot[kApeBlockSize];
    if (end < kApeBlockSize || !readAt(file, end - kApeBlockSize, foot, kApeBlockSize)) return 0;
    if (std::memcmp(foot, kApeMagic, sizeof kApeMagic - 1) != 0) return 0;
    const uint32_t version = le32(foot + 8);
    const uint32_t size = le32(foot + 12);   // items and footer
    const uint32_t count = le32(foot + 16);
    const uint32_t flags = le32(foot + 20);
    if (version != kVersion1 && version != kVersion2) return 0;
    if (size < uint32_t(kApeBlockSize) || size > kMaxTagSize || int64_t(size) > end) return 0;
    const int64_t items = end - size;
    const bool header = version == kVersion2 && (flags & kHasHeader);
    const int64_t start = header ? items - kApeBlockSize : items;
    if (start < 0) return 0;
    if (header) {
        uint8_t head[kApeBlockSize];
        if (!readAt(file, start, head, kApeBlockSize) || std::memcmp(head, kApeMagic, sizeof kApeMagic - 1) != 0) return 0;
    }
    tag.present = 1;
    tag.start = start;
    tag.end = end;

    const int64_t itemsEnd = end - kApeBlockSize;
    int64_t at = items;
    for (uint32_t i = 0; i < count && at + 8 < itemsEnd; ++i) {
        uint8_t head[8 + kMaxKey + 1];
        int64_t room = itemsEnd - at;
        int n = room < int64_t(sizeof head) ? int(room) : int(sizeof head);
        if (!readAt(file, at, head, n)) break;
        const uint32_t valueSize = le32(head);
        const uint32_t itemFlags = le32(head + 4);
        int keyLength = 0;
        while (8 + keyLength < n && head[8 + keyLength]) ++keyLength;
        if (8 + keyLength >= n || keyLength < 2) break;   // no terminator within bounds: damage
        const char* key = reinterpret_cast<const char*>(head + 8);
        const int64_t valueAt = at + 8 + keyLength + 1;
        if (valueAt + valueSize > itemsEnd) break;
        at = valueAt + valueSize;
        if ((itemFlags & kTypeMask) != 0 || valueSize > kMaxValue) continue;
        char* out = nullptr;
        size_t outSize = kGainTextCapacity;
        if (sameAsciiText(key, "Title")) {
            out = tag.title;
            outSize = sizeof tag.title;
        } else if (sameAsciiText(key, "Artist")) {
            out = tag.artist;
            outSize = sizeof tag.artist;
        }
        for (int k = 0; k < kReplayGainItems && !out; ++k)
            if (sameAsciiText(key, kReplayGainItemKeys[k])) out = tag.gains.text[k];
        if (!out || out[0]) continue;
        char value[kMaxValue];
        if (!readAt(file, valueAt, value, int(valueSize))) break;
        // Several values of one item are separated by zero bytes: the first one names it.
        size_t len = 0;
        while (len < valueSize && value[len]) ++len;
        copyUtf8(value, len, out, outSize);
    }
    return 1;
}

} // namespace korvo
