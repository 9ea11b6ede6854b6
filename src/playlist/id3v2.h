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
int readId3v2Names(TagSource& in, Id3v2Names& names);
// The same from the start of an open file; the file position is left anywhere.
int readId3v2Names(File& file, Id3v2Names& names);

} // namespace korvo
