#include "platform/thread.h"

#include <windows.h>

namespace korvo {

namespace {

struct StartBlock {
    ThreadFunction fn;
    void* param;
    HANDLE queueReady;
};

DWORD WINAPI threadEntry(LPVOID p) {
    StartBlock* block = static_cast<StartBlock*>(p);
    ThreadFunction fn = block->fn;
    void* param = block->param;
    ensureThreadQueue();
    SetEvent(block->queueReady);    // block belongs to the starter from here on
    return fn(param);
}

void fromMsg(const MSG& m, ThreadMessage& msg) {
    msg.message = m.message;
    msg.wParam = m.wParam;
    msg.lParam = m.lParam;
}

} // namespace

long currentThreadId() { return static_cast<long>(GetCurrentThreadId()); }

void ensureThreadQueue() {
    MSG m;
    PeekMessageA(&m, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
}

int postThreadMessage(long threadId, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return PostThreadMessageA(static_cast<DWORD>(threadId), message, wParam, lParam) ? 1 : 0;
}

int getThreadMessage(ThreadMessage& msg) {
    MSG m;
    BOOL r = GetMessageA(&m, nullptr, 0, 0);
    if (r == -1) {
        msg = ThreadMessage{kMsgQuit, 0, 0};
        return 0;
    }
    fromMsg(m, msg);
    return r ? 1 : 0;
}

int peekThreadMessage(ThreadMessage& msg) {
    MSG m;
    if (!PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) return 0;
    fromMsg(m, msg);
    return 1;
}

int setCurrentThreadPriority(int priority) { return SetThreadPriority(GetCurrentThread(), priority) ? 1 : 0; }

void sleepMs(unsigned ms) { Sleep(ms); }

Thread::~Thread() {
    if (impl_) CloseHandle(static_cast<HANDLE>(impl_));    // the thread itself runs on
}

long Thread::start(ThreadFunction fn, void* param, unsigned stackSize) {
    if (impl_) return -1;
    StartBlock block{fn, param, CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    if (!block.queueReady) return -1;
    DWORD tid = 0;
    HANDLE h = CreateThread(nullptr, stackSize, threadEntry, &block, 0, &tid);
    if (!h) {
        CloseHandle(block.queueReady);
        return -1;
    }
    WaitForSingleObject(block.queueReady, INFINITE);
    CloseHandle(block.queueReady);
    impl_ = h;
    id_ = static_cast<long>(tid);
    return id_;
}

bool Thread::running() const {
    return impl_ && WaitForSingleObject(static_cast<HANDLE>(impl_), 0) == WAIT_TIMEOUT;
}

int Thread::join(unsigned timeoutMs) {
    if (!impl_) return 1;
    return WaitForSingleObject(static_cast<HANDLE>(impl_), timeoutMs) == WAIT_OBJECT_0 ? 1 : 0;
}

void Thread::abandon(unsigned exitCode) {
    if (impl_ && running()) TerminateThread(static_cast<HANDLE>(impl_), exitCode);
}

void* Thread::nativeHandle() const { return impl_; }

} // namespace korvo
