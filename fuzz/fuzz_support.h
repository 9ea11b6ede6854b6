#pragma once
// Shared by the fuzz targets: a prompt that says nothing and a private folder for the files
// a target writes (parsers that take a path get the fuzzer's bytes as a file).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "platform/prompt.h"

namespace fuzz {

class QuietPrompt : public korvo::Prompt {
public:
    void show(const char*, const char*, korvo::PromptIcon) override { ++shown; }
    int askYesNo(const char*, const char*, korvo::PromptIcon) override { return (++asked & 1); }
    long shown = 0;
    long asked = 0;
};

// Handed to the decoder and the lists the targets make; also the process prompt, for the
// layers that still tell the user through it.
inline QuietPrompt& quietPrompt() {
    static QuietPrompt* p = [] {
        auto* q = new QuietPrompt;
        korvo::setPrompt(q);
        return q;
    }();
    return *p;
}

// One folder per process under the system's temporary folder; removed by nobody, as the
// fuzzer may stop the process anywhere (it holds one small file per target).
inline const std::string& scratchFolder() {
    static std::string folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/korvo-fuzz-XXXXXX";
        char* made = mkdtemp(pattern.data());
        if (!made) std::abort();
        return std::string(made);
    }();
    return folder;
}

inline std::string writeScratch(const char* name, const uint8_t* data, size_t size) {
    std::string path = scratchFolder() + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
    return path;
}

// Stops the run with a message libFuzzer records with the input.
#define FUZZ_CHECK(cond)                                                          \
    do {                                                                          \
        if (!(cond)) {                                                            \
            std::fprintf(stderr, "check failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
            std::abort();                                                         \
        }                                                                         \
    } while (0)

} // namespace fuzz

#include "decoder/byte_input.h"
#include "decoder/decoder.h"
#include "playlist/playlist.h"

namespace fuzz {

// The pipe of a network stream as the frame reader sees it: reads give what has arrived,
// here a chunk whose size comes from a small generator seeded by the fuzzer, and it cannot
// step back.
// The first four bytes of an input as a little-endian seed; the caller checks there are four.
inline uint32_t seedOf(const uint8_t* data) {
    return uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 | uint32_t(data[3]) << 24;
}

class ChunkedStream : public korvo::ByteInput {
public:
    ChunkedStream(const uint8_t* data, size_t size, uint32_t seed) : data_(data), size_(size), state_(seed | 1) {}
    int read(uint8_t* dst, int n) override {
        if (n <= 0 || pos_ >= size_) return 0;
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        // Mostly small chunks, so that headers and bodies are cut everywhere.
        size_t chunk = (state_ & 0x80) ? 1 + (state_ >> 8) % 4096 : 1 + (state_ >> 8) % 7;
        size_t k = size_ - pos_;
        if (k > size_t(n)) k = size_t(n);
        if (k > chunk) k = chunk;
        std::memcpy(dst, data_ + pos_, k);
        pos_ += k;
        return int(k);
    }
    void stepBack(int) override {}
    bool isStream() const override { return true; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    uint32_t state_;
};

// Decodes up to 4096 frames of the input, calling eachFrame() after each frame is read and
// before it is decoded, and drops the sound as the player would once it is played; the
// decoder is left without input, ready for the next run.
template <class EachFrame>
void decodeFrames(korvo::Decoder& decoder, korvo::ByteInput& input, bool eightBit, EachFrame eachFrame) {
    decoder.reader().setPrompt(&quietPrompt());
    decoder.startFile(&input, eightBit);
    int frames = 0;
    while (decoder.readFrame() && frames < 4096) {
        eachFrame();
        korvo::PcmBuffer& pcm = decoder.pcm();
        if (!pcm.hasRoomForFrame()) pcm.consume(pcm.fill);
        decoder.decodeFrame();
        ++frames;
    }
    decoder.pcm().consume(decoder.pcm().fill);
    decoder.startFile(nullptr, false);
}

// Reads the fuzzer's bytes as a playlist file NAME through READ (one of the list's own file
// readers). Entries resolve against the scratch folder; none of them name real audio.
inline void readPlaylistFile(const char* name, int (korvo::Playlist::*read)(const char*), const uint8_t* data,
                             size_t size) {
    quietPrompt();
    std::string path = writeScratch(name, data, size);
    korvo::Playlist list;
    list.setPrompt(&quietPrompt());
    list.setReadFileInfo(1);
    (list.*read)(path.c_str());
    // Whatever the file held, the list is a proper one: counted entries, paths within bounds.
    int n = 0;
    for (const korvo::PlaylistEntry* e = list.head(); e; e = e->next) {
        FUZZ_CHECK(std::char_traits<char>::length(e->path) < size_t(korvo::kPathCapacity));
        ++n;
    }
    FUZZ_CHECK(n == list.countEntries());
}

} // namespace fuzz
