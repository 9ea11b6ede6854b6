// korvo save-list OUT.pls PATH...: writes the playlist of the given paths as a list file of the
// type its name asks for (".m3u", ".m3u8" or else PLS).
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "commands.h"
#include "playlist/path_rules.h"
#include "playlist/playlist.h"

namespace {

// Local paths become absolute so that entries beside the list can be written relative to it.
std::string absoluteUnlessUrl(const char* path) {
    if (korvo::containsUrlMarker(path)) return path;
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(path, ec);
    return ec ? std::string(path) : p.lexically_normal().string();
}

struct SaveJob {
    std::string output;
    std::vector<std::string> paths;
};
SaveJob job;

void define(CLI::App& c) {
    c.add_option("OUT.pls", job.output, "the playlist file to write: M3U for .m3u, UTF-8 M3U for .m3u8, else PLS")->required();
    c.add_option("PATH", job.paths, "files, playlist files, folders or URLs")->required();
}

int runSaveList() {
    korvo::Playlist list;
    list.setPrompt(&korvo::prompt());
    // Titles and lengths go into the list as the editor knows them.
    list.setReadFileInfo(1);
    list.setMissingPathFormat(korvo::cli_texts::kNoSuchFileOrFolder);
    for (const std::string& p : job.paths) {
        bool url = korvo::containsUrlMarker(p.c_str());
        list.addPath(url ? korvo::Playlist::AddUrl : korvo::Playlist::AddOrdinary, absoluteUnlessUrl(p.c_str()).c_str());
    }
    if (list.countEntries() == 0) {
        std::fprintf(stderr, "korvo save-list: nothing to write\n");
        return 1;
    }
    std::string out = absoluteUnlessUrl(job.output.c_str());
    int written = list.saveList(out.c_str());
    if (written == 0) {
        std::fprintf(stderr, "korvo save-list: cannot write %s\n", out.c_str());
        return 1;
    }
    std::printf("%d entries written to %s\n", written, out.c_str());
    return 0;
}

korvo::cli::Registrar reg({"save-list", "writes the playlist of the given paths as a PLS, M3U or M3U8 file", &define, &runSaveList});

} // namespace
