// korvo list PATH...: the playlist as the editor shows it, with its total play time.
#include <cstdio>
#include <cstring>
#include <vector>

#include "commands.h"
#include "playlist/entry_info.h"
#include "playlist/playlist.h"
#include "playlist/playlist_texts.h"

namespace {

namespace T = korvo::playlist_texts;

void printPlayTime(int seconds) {
    if (seconds == korvo::Playlist::kUnknownPlayTime) {
        std::printf("%s\n", T::kPlaytimeUnknown);
        return;
    }
    std::printf(T::kPlaytimeFormat, seconds / 3600, seconds / 60 % 60, seconds % 60);
    std::printf("\n");
}

int runList(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: korvo list PATH...\n");
        return 2;
    }
    korvo::Playlist list;
    list.setReadFileInfo(1);
    list.setMissingPathFormat(korvo::cli_texts::kNoSuchFileOrFolder);
    // Unlike the program's command line, korvo takes URLs as URLs.
    for (int i = 1; i < argc; ++i)
        list.addPath(std::strstr(argv[i], T::kUrlMarker) ? korvo::Playlist::AddUrl : korvo::Playlist::AddOrdinary,
                     argv[i]);

    std::vector<int> all;
    int row = 1;
    for (const korvo::PlaylistEntry* e = list.head(); e; e = e->next, ++row) {
        std::printf(T::kRowFormat, row, korvo::entryDisplayName(*e).c_str());
        std::printf("\n");
        all.push_back(row - 1);
    }
    printPlayTime(list.playTimeOf(int(all.size()), all.data()));
    return list.countEntries() > 0 ? 0 : 1;
}

korvo::cli::Registrar reg({"list", "list PATH...", &runList});

} // namespace
