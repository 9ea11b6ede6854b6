#include "app/copy_data_request.h"

#include <cstring>

#include "playlist/path_rules.h"
#include "playlist/playlist.h"

namespace korvo {

void addRequestedPath(Playlist& list, const char* path) {
    list.addPath(isUrl(path) ? Playlist::AddUrl : Playlist::AddOrdinary, path);
}

int CopyDataRequests::receive(uint64_t code, uint32_t cbData, const void* data) {
    if (count_ == kQueueSize) return 0;
    Copied& r = requests_[(head_ + count_) % kQueueSize];
    r.code = code;
    r.cbData = cbData;
    // A path that does not fit the buffer, or no data at all, is not a request.
    r.hasPath = data && cbData < uint32_t(kPathCapacity) ? 1 : 0;
    r.path[0] = '\0';
    if (r.hasPath && (code == RequestAddPath || code == RequestPlayPath)) {
        std::memcpy(r.path, data, cbData);
        r.path[cbData] = '\0';
    }
    ++count_;
    return 1;
}

void CopyDataRequests::runQueued(Playlist& list, CopyDataWindow& window) {
    if (running_) return;
    running_ = 1;
    while (count_ > 0 && window.alive()) {
        const Copied r = requests_[head_];   // its slot may be refilled meanwhile
        head_ = (head_ + 1) % kQueueSize;
        --count_;
        run(r, list, window);
    }
    running_ = 0;
}

void CopyDataRequests::batchTimerExpired(Playlist& list, CopyDataWindow& window) {
    // the second start is gone without its play request; a running request keeps it open
    if (!running_ && count_ == 0) endHandOverBatch(list, window);
}

// A hand-over's adds (from its clear to its play request) are one batch: paths that name
// nothing are reported together at the end.
void CopyDataRequests::beginHandOverBatch(Playlist& list, CopyDataWindow& window) {
    endHandOverBatch(list, window);
    list.beginAddBatch();
    handOverBatch_ = 1;
    window.armBatchTimer();
}

void CopyDataRequests::endHandOverBatch(Playlist& list, CopyDataWindow& window) {
    if (!handOverBatch_) return;
    handOverBatch_ = 0;
    window.stopBatchTimer();
    list.endAddBatch();
}

void CopyDataRequests::run(const Copied& r, Playlist& list, CopyDataWindow& window) {
    window.allowRefresh();
    auto addAlone = [&list](const char* path) {
        list.beginAddBatch();
        addRequestedPath(list, path);
        list.endAddBatch();
    };
    switch (r.code) {
    case RequestClear:
        endHandOverBatch(list, window);
        window.stopForNewAction();
        list.clearPlaylist();
        window.requestRefresh();
        beginHandOverBatch(list, window);
        break;
    case RequestAddPath:
        if (!r.hasPath) break;
        if (handOverBatch_) {
            window.armBatchTimer();   // the batch is alive
            addRequestedPath(list, r.path);
        } else {
            addAlone(r.path);
        }
        window.requestRefresh();
        break;
    case RequestPlayPath:
        if (!r.hasPath) break;
        endHandOverBatch(list, window);
        window.stopForNewAction();
        list.clearPlaylist();
        addAlone(r.path);
        window.playCurrentEntry();
        window.requestRefresh();
        break;
    case RequestPlayIndex:
        endHandOverBatch(list, window);
        list.selectEntry(int(r.cbData > 0x7fffffffu ? 0x7fffffffu : r.cbData), nullptr);
        window.playCurrentCommand();
        break;
    case RequestPlayFirst:
        endHandOverBatch(list, window);
        list.selectEntry(0, nullptr);
        window.playCurrentCommand();
        break;
    default:
        break;
    }
}

} // namespace korvo
