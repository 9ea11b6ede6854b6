#pragma once
// Threads and their message queues.
#include <cstdint>

namespace korvo {

struct ThreadMessage {
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

constexpr uint32_t kMsgQuit = 0x0012;    // same number as WM_QUIT
constexpr unsigned kWaitForever = 0xFFFFFFFFu;    // same number as INFINITE

// Thread priorities with the Win32 numbers.
enum ThreadPriority {
    PriorityLowest = -2, PriorityBelowNormal = -1, PriorityNormal = 0,
    PriorityAboveNormal = 1, PriorityHighest = 2, PriorityTimeCritical = 15
};

using ThreadFunction = unsigned (*)(void* param);

class Thread {
public:
    Thread() = default;
    ~Thread();                 // detaches a thread that is still running
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Starts fn(param); returns the thread identifier, or -1 on failure. The new thread's
    // message queue exists when this returns, so posts to it never get lost.
    // posix keeps at least the system's default stack: the size is a Win32 commit size.
    long start(ThreadFunction fn, void* param, unsigned stackSize);
    long id() const { return id_; }
    bool running() const;
    // Waits up to timeoutMs (kWaitForever: no limit); 1 when the thread has ended.
    int join(unsigned timeoutMs);
    // Gives up on a thread that did not end: Windows terminates it, posix detaches it.
    void abandon(unsigned exitCode);
    void* nativeHandle() const;

private:
    void* impl_ = nullptr;
    long id_ = -1;
};

// Applies a priority to the calling thread (best effort where the system refuses).
int setCurrentThreadPriority(int priority);

// The calling thread's message queue (created on first use, as with Win32).
// Posts go to a thread by identifier; 1 on success.
int postThreadMessage(long threadId, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Posting fails (0) when the thread has no queue or is gone.
// Blocks for the next message; returns 0 for kMsgQuit, 1 otherwise (like GetMessageA).
int getThreadMessage(ThreadMessage& msg);
// Takes a message if one waits; 1 when one was taken.
int peekThreadMessage(ThreadMessage& msg);
// Makes sure the calling thread has a queue before anyone posts to it.
void ensureThreadQueue();
long currentThreadId();

void sleepMs(unsigned ms);

} // namespace korvo
