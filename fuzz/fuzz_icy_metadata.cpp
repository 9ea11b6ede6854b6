// libFuzzer property target: a radio body taken in one piece and in chunks of random size
// gives the same audio and the same titles; no title overruns its room or is empty.
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "net/icy_metadata.h"

namespace {

struct Result {
    std::vector<uint8_t> audio;
    std::vector<std::string> titles;
};

void onTitle(void* context, const char* title, int) {
    const size_t len = std::strlen(title);
    FUZZ_CHECK(len > 0 && len < size_t(korvo::kIcyTitleBytes));
    static_cast<Result*>(context)->titles.push_back(title);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 6) return 0;
    const uint32_t seed = fuzz::seedOf(data);
    const int metaint = 1 + (data[4] | (data[5] << 8)) % 600;
    const uint8_t* body = data + 6;
    const int n = int(size - 6);

    Result whole, chunked;
    korvo::IcyReader a(metaint), b(metaint);
    std::vector<uint8_t> out(size_t(n) + 1);
    int got = a.take(body, n, out.data(), &onTitle, &whole);
    FUZZ_CHECK(got >= 0 && got <= n);
    whole.audio.assign(out.begin(), out.begin() + got);

    uint32_t state = seed | 1;
    for (int at = 0; at < n;) {
        state = state * 1103515245u + 12345u;
        int piece = 1 + int((state >> 16) % 300);
        if (piece > n - at) piece = n - at;
        std::vector<uint8_t> room(size_t(piece) + 1, 0xA5);
        got = b.take(body + at, piece, room.data(), &onTitle, &chunked);
        FUZZ_CHECK(got >= 0 && got <= piece && room[size_t(piece)] == 0xA5);
        chunked.audio.insert(chunked.audio.end(), room.begin(), room.begin() + got);
        at += piece;
    }
    FUZZ_CHECK(whole.audio == chunked.audio);
    FUZZ_CHECK(whole.titles == chunked.titles);
    return 0;
}
