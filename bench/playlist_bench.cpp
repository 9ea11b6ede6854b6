// Long playlists: reading a PLS file of 20,000 entries into the playlist, and sorting it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "playlist/playlist.h"

namespace {

constexpr int kEntries = 20000;

// Stream addresses, so that no entry is looked up on disk: the figure is the list's own work.
const std::string& longPls() {
    static const std::string path = [] {
        std::string p = (std::filesystem::temp_directory_path() / "korvo_bench_20000.pls").string();
        std::ofstream out(p, std::ios::binary | std::ios::trunc);
        out << "[playlist]\r\n";
        for (int i = 1; i <= kEntries; ++i)
            out << "File" << i << "=http://radio.example/" << (i * 7919) % kEntries << "/stream.mp3\r\n";
        out << "NumberOfEntries=" << kEntries << "\r\n";
        return p;
    }();
    return path;
}

void BM_ReadPls20000(benchmark::State& state) {
    const std::string& path = longPls();
    for (auto _ : state) {
        korvo::Playlist list;
        list.setReadFileInfo(0);
        list.readPlsFile(path.c_str());
        if (list.countEntries() != kEntries) state.SkipWithError("entries missing");
        benchmark::DoNotOptimize(list.head());
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
}
BENCHMARK(BM_ReadPls20000)->Unit(benchmark::kMillisecond);

void BM_SortPlaylist20000(benchmark::State& state) {
    korvo::Playlist list;
    list.setReadFileInfo(0);
    list.readPlsFile(longPls().c_str());
    int descending = 0;
    for (auto _ : state) {
        list.sortPlaylist(descending);   // each run reverses the last one's order
        descending ^= 1;
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
}
BENCHMARK(BM_SortPlaylist20000)->Unit(benchmark::kMillisecond);

} // namespace
