// libFuzzer target: a playlist file with one entry a line, read through the playlist's own entry
// point. Entries resolve against the scratch folder; none of them name real audio.
#include "fuzz_support.h"
#include "playlist/playlist.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::quietPrompt();
    std::string path = fuzz::writeScratch("list.m3u", data, size);
    korvo::Playlist list;
    list.setReadFileInfo(1);
    list.readM3uFile(path.c_str());
    // Whatever the file held, the list is a proper one: counted entries, paths within bounds.
    int n = 0;
    for (const korvo::PlaylistEntry* e = list.head(); e; e = e->next) {
        FUZZ_CHECK(std::char_traits<char>::length(e->path) < size_t(korvo::kPathCapacity));
        ++n;
    }
    FUZZ_CHECK(n == list.countEntries());
    return 0;
}
