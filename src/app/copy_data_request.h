#pragma once
// Requests a second start of the program sends to the running one (WM_COPYDATA). They are
// copied when they arrive and run after the message has returned, in order: a box shown
// while running one must not hold the second start, which waits in its send.
#include <cstdint>

#include "playlist/path_rules.h"

namespace korvo {

class Playlist;

// COPYDATASTRUCT::dwData.
enum CopyDataRequest {
    RequestClear = 0, RequestAddPath = 1, RequestPlayPath = 2, RequestPlayIndex = 3, RequestPlayFirst = 4
};

// Adds a path from a command line, ours or a second start's: a URL as a URL entry (it names
// no file or folder), anything else by its kind.
void addRequestedPath(Playlist& list, const char* path);

// What running a request asks of the window that received it.
class CopyDataWindow {
public:
    virtual ~CopyDataWindow() = default;
    virtual bool alive() = 0;               // false once the window is being destroyed
    virtual void allowRefresh() = 0;        // playlist editor refreshes allowed again
    virtual void requestRefresh() = 0;
    virtual void stopForNewAction() = 0;
    virtual void playCurrentEntry() = 0;
    virtual void playCurrentCommand() = 0;  // the window's own play-current command
    // The timer that closes a hand-over's add batch when its second start never sends the
    // play request: (re)armed, and stopped.
    virtual void armBatchTimer() = 0;
    virtual void stopBatchTimer() = 0;
};

class CopyDataRequests {
public:
    // Two whole command lines of requests (256 tokens each, with the clear and the play).
    static constexpr int kQueueSize = 520;

    struct Copied {
        uint64_t code = 0;
        uint32_t cbData = 0;
        int32_t hasPath = 0;   // codes 1 and 2: the path fitted the buffer
        char path[kPathCapacity] = {};
    };

    // Copies a request as it arrives (data holds cbData bytes, or is null); 0 when the
    // queue is full and the request is dropped.
    int receive(uint64_t code, uint32_t cbData, const void* data);
    // Runs the queued requests in order. A request that lets more arrive (through a box's
    // message loop) leaves them to the run already going.
    void runQueued(Playlist& list, CopyDataWindow& window);
    // The batch timer ran out: closes the hand-over batch unless requests are still to run.
    void batchTimerExpired(Playlist& list, CopyDataWindow& window);

    int queued() const { return count_; }
    bool handOverBatchOpen() const { return handOverBatch_ != 0; }

private:
    void run(const Copied& r, Playlist& list, CopyDataWindow& window);
    void beginHandOverBatch(Playlist& list, CopyDataWindow& window);
    void endHandOverBatch(Playlist& list, CopyDataWindow& window);

    Copied requests_[kQueueSize];
    int head_ = 0;
    int count_ = 0;
    int running_ = 0;
    int handOverBatch_ = 0;   // an add batch opened by a clear request is open
};

} // namespace korvo
