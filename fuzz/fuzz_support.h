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

namespace fuzz {

// The pipe of a network stream as the frame reader sees it: reads give what has arrived,
// here a chunk whose size comes from a small generator seeded by the fuzzer, and it cannot
// step back.
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

} // namespace fuzz
