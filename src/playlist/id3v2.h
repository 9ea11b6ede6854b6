#pragma once
// Title and artist from an ID3v2 tag (versions 2.2, 2.3 and 2.4) at the start of a file.
#include <cstdint>

namespace korvo {

class File;

// Room for a name in UTF-8: far past what a list row shows, cut at a character boundary.
inline constexpr int kId3v2NameCapacity = 256;

struct Id3v2Names {
    int32_t present = 0;   // 1 when the tag held a title or an artist
    char title[kId3v2NameCapacity] = {};
    char artist[kId3v2NameCapacity] = {};
};

// The ReplayGain texts of TXXX frames, as written ("-7.23 dB", "0.988525"); empty when absent.
inline constexpr int kGainTextCapacity = 32;
enum ReplayGainItem { kTrackGainItem, kTrackPeakItem, kAlbumGainItem, kAlbumPeakItem, kReplayGainItems };
// Their keys, in item order, as TXXX descriptions and APEv2 item keys (case does not matter).
extern const char* const kReplayGainItemKeys[kReplayGainItems];
struct ReplayGainTexts {
    char text[kReplayGainItems][kGainTextCapacity] = {};
};

// Where the tag's bytes come from. Frames that are not wanted are passed over with skip,
// so a large picture is never read.
class TagSource {
public:
    virtual ~TagSource() = default;
    // Bytes read (fewer only at the end), or -1.
    virtual int read(void* dst, int n) = 0;
    // Moves n bytes forwards; 1 on success.
    virtual int skip(int64_t n) = 0;
};

// Reads from the source's current position, which is the start of the file. Fills names
// and gives 1 when a tag with a title or artist was found; names.present = 0 and 0 otherwise.
// With gains, the frames are read on to the end for the ReplayGain TXXX frames as well.
int readId3v2Names(TagSource& in, Id3v2Names& names, ReplayGainTexts* gains = nullptr);
// The same from the start of an open file; the file position is left anywhere.
int readId3v2Names(File& file, Id3v2Names& names, ReplayGainTexts* gains = nullptr);

} // namespace korvo
