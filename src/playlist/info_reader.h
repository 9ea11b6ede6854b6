#pragma once
// Reads entries' information (readEntryInfo) on a thread of its own, so that adding a long
// list never waits for the disk. Results carry the entry's identity, never its position:
// the list may be reordered or cut while they are read.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include "playlist_entry.h"

namespace korvo {

class InfoReader {
public:
    // Called on the reading thread when results wait to be taken; once, until take is
    // called, and at most every kBatchMs while more are being read.
    using Notify = void (*)(void* context);
    static constexpr int kBatchMs = 100;
    // Results waiting at most: past that, reading waits for them to be taken, so that a list
    // added before anyone takes them holds no second copy of itself.
    static constexpr size_t kMostWaiting = 2048;

    InfoReader(Notify notify, void* context) : notify_(notify), context_(context) {}
    ~InfoReader();
    InfoReader(const InfoReader&) = delete;
    InfoReader& operator=(const InfoReader&) = delete;

    // Queues an entry, read after those queued before it. 0 when the thread cannot start
    // (the entry then stays unread).
    int request(uint32_t id, const char* path);
    // Reads this entry before the queued ones (the one playing, the rows in view).
    int prefer(uint32_t id, const char* path);
    // Forgets what is queued and not yet read (the list was emptied).
    void dropQueued();
    // What was read since the last call (at most most of it), in the order read; each
    // payload's id names its entry. more tells whether results are left to take.
    std::vector<EntryPayload> take(size_t most = kMostWaiting, bool* more = nullptr);
    // Nothing queued, nothing being read and nothing left to take.
    bool idle();

private:
    struct Request {
        uint32_t id;
        std::string path;
    };
    void run();
    int start();   // under mutex_

    Notify notify_;
    void* context_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Request> queue_;
    std::deque<Request> preferred_;
    std::unordered_set<uint32_t> readEarly_;   // preferred ones still waiting in queue_
    std::vector<EntryPayload> results_;
    bool reading_ = false;
    bool notified_ = false;
    bool stop_ = false;
    std::chrono::steady_clock::time_point lastNotify_{};
    std::thread thread_;
};

} // namespace korvo
