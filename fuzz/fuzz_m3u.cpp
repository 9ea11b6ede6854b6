// libFuzzer target: a playlist file with one entry a line, read through the playlist's own entry
// point.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::readPlaylistFile("list.m3u", &korvo::Playlist::readM3uFile, data, size);
    return 0;
}
