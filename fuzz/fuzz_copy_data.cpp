// libFuzzer target: second-start requests as the running window receives them. The input is
// a series of requests (code byte, any value, size byte, then that many payload bytes, with a declared
// size that may lie); the window's stand-in lets a further request arrive while one runs,
// as a box's message loop does.
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/stat.h>

#include "app/copy_data_request.h"
#include "fuzz_support.h"
#include "playlist/playlist.h"

namespace {

// A folder is added with all its subfolders: one outside the folder the target runs in (the
// machine's "/", say) would have it walk the whole disk for one input.
bool namesAFolderElsewhere(const uint8_t* bytes, size_t size) {
    static const std::string here = [] {
        char cwd[PATH_MAX];
        return std::string(realpath(".", cwd) ? cwd : "/");
    }();
    const std::string path(reinterpret_cast<const char*>(bytes), size);
    char resolved[PATH_MAX];
    struct stat st;
    if (!realpath(path.c_str(), resolved) || stat(resolved, &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    const std::string r(resolved);
    return r != here && r.compare(0, here.size() + 1, here + "/") != 0;
}

struct FakeWindow : korvo::CopyDataWindow {
    korvo::CopyDataRequests* requests = nullptr;
    korvo::Playlist* list = nullptr;
    const uint8_t* nested = nullptr;   // a request that arrives during the next play command
    size_t nestedSize = 0;
    int timerArmed = 0;
    bool alive() override { return true; }
    void allowRefresh() override {}
    void requestRefresh() override {}
    void stopForNewAction() override {}
    void playCurrentEntry() override {}
    void playCurrentCommand() override {
        if (!nested) return;
        const uint8_t* p = nested;
        nested = nullptr;
        requests->receive(p[0], uint32_t(nestedSize), p + 1);
        requests->runQueued(*list, *this);   // the outer run takes it
        FUZZ_CHECK(requests->queued() >= 1);
    }
    void armBatchTimer() override { timerArmed = 1; }
    void stopBatchTimer() override { timerArmed = 0; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::quietPrompt();
    static auto* requests = new korvo::CopyDataRequests;
    korvo::Playlist list;
    list.setPrompt(&fuzz::quietPrompt());
    list.setReadFileInfo(0);
    FakeWindow window;
    window.requests = requests;
    window.list = &list;
    size_t pos = 0;
    int received = 0;
    while (pos + 2 <= size) {
        uint8_t code = data[pos];   // 0xFF: the next request comes during a play command
        uint32_t declared = data[pos + 1];
        pos += 2;
        size_t have = size - pos;
        size_t payload = declared < have ? declared : have;
        // The size byte's top bit claims more than was sent: the handler must not read it.
        if (declared & 0x80) declared = uint32_t(payload) | (uint32_t(declared) << 24);
        const uint8_t* bytes = payload ? data + pos : nullptr;
        if (code == 0xFF && payload) {
            window.nested = bytes;
            window.nestedSize = payload - 1;
        } else if ((declared <= payload || declared >= uint32_t(korvo::kPathCapacity)) &&
                   !(bytes && namesAFolderElsewhere(bytes, payload))) {
            if (requests->receive(code, declared, bytes)) ++received;
        }
        pos += payload;
        if (received % 7 == 6) requests->runQueued(list, window);
    }
    requests->runQueued(list, window);
    FUZZ_CHECK(requests->queued() == 0);
    requests->batchTimerExpired(list, window);
    FUZZ_CHECK(!requests->handOverBatchOpen() && !window.timerArmed);
    int n = 0;
    for (const korvo::PlaylistEntry* e = list.head(); e; e = e->next, ++n)
        FUZZ_CHECK(std::strlen(e->path) < size_t(korvo::kPathCapacity));
    FUZZ_CHECK(n == list.countEntries());
    return 0;
}
