// libFuzzer target: what the playlist reads from an arbitrary file (play time and ID3v1 tag),
// then the tag written back: after one round the tag is a fixed point and the file keeps
// its length.
#include <cstring>

#include "fuzz_support.h"
#include "platform/file.h"
#include "playlist/entry_info.h"
#include "playlist/id3v1.h"

namespace {

bool sameTag(const korvo::Id3v1Tag& a, const korvo::Id3v1Tag& b) {
    return a.present == b.present && !std::strcmp(a.title, b.title) && !std::strcmp(a.artist, b.artist) &&
           !std::strcmp(a.album, b.album) && !std::strcmp(a.year, b.year) && !std::strcmp(a.comment, b.comment) &&
           !std::strcmp(a.genreName, b.genreName) && a.genreIndex == b.genreIndex && a.genreByte == b.genreByte;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::quietPrompt();
    std::string path = fuzz::writeScratch("entry.mp3", data, size);
    korvo::PlaylistEntry entry;
    std::snprintf(entry.path, sizeof entry.path, "%s", path.c_str());
    int ok = korvo::readEntryInfo(entry);
    FUZZ_CHECK(ok == (size >= 4 ? 1 : 0));
    if (entry.infoRead) FUZZ_CHECK(entry.playTimeMs == -1 || (entry.playTimeMs >= 0 && entry.playTimeMs % 1000 == 0));
    std::string name = korvo::entryDisplayName(entry);
    // Two ID3v2 names and their separator at the most: within a playlist editor row, which holds
    // two path lengths and the row number.
    FUZZ_CHECK(name.size() < size_t(2 * korvo::kPathCapacity));

    korvo::File file;
    FUZZ_CHECK(file.open(path.c_str(), korvo::File::ReadWrite));
    korvo::Id3v1Tag first;
    if (!korvo::readTag(file, first)) return 0;
    FUZZ_CHECK(first.genreIndex >= 0 && first.genreIndex <= korvo::kUnknownGenre);
    const int64_t length = file.size();
    korvo::Id3v1Tag second, third;
    FUZZ_CHECK(korvo::writeTag(file, first, &fuzz::quietPrompt()) == 1);
    FUZZ_CHECK(file.size() == length);
    FUZZ_CHECK(korvo::readTag(file, second) == 1);
    FUZZ_CHECK(second.genreByte == first.genreByte);
    FUZZ_CHECK(korvo::writeTag(file, second, &fuzz::quietPrompt()) == 1);
    FUZZ_CHECK(korvo::readTag(file, third) == 1);
    FUZZ_CHECK(sameTag(second, third));
    return 0;
}
