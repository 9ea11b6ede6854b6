// korvo list PATH...: the playlist as the editor shows it, with its total play time.
#include <cstdio>
#include <string>
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

std::vector<std::string> paths;

void define(CLI::App& c) { c.add_option("PATH", paths, "files, playlist files, folders or URLs")->required(); }

int runList() {
    korvo::Playlist list;
    list.setPrompt(&korvo::prompt());
    list.setReadFileInfo(1);
    list.setMissingPathFormat(korvo::cli_texts::kNoSuchFileOrFolder);
    // Unlike the program's command line, korvo takes URLs as URLs.
    for (const std::string& p : paths)
        list.addPath(korvo::containsUrlMarker(p.c_str()) ? korvo::Playlist::AddUrl : korvo::Playlist::AddOrdinary,
                     p.c_str());

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

korvo::cli::Registrar reg({"list", "the playlist as the editor shows it, with its total play time", &define, &runList});

} // namespace
