// libFuzzer target: a playlist file in the INI format, read through the playlist's own entry
// point.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::readPlaylistFile("list.pls", &korvo::Playlist::readPlsFile, data, size);
    return 0;
}
