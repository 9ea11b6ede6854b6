#include "platform/thread.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <unordered_map>

namespace korvo {

namespace {

// Win32 refuses posts beyond this many waiting messages; so do we.
constexpr size_t kQueueLimit = 10000;

struct MessageQueue {
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<ThreadMessage> messages;
};

struct QueueRegistry {
    std::mutex mutex;
    std::unordered_map<long, std::shared_ptr<MessageQueue>> queues;
};

QueueRegistry& registry() {
    static QueueRegistry* r = new QueueRegistry;    // outlives every thread_local cleanup
    return *r;
}

std::atomic<long> g_nextId{1};
thread_local long t_id = 0;

std::shared_ptr<MessageQueue> findQueue(long id) {
    QueueRegistry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.queues.find(id);
    return it == r.queues.end() ? nullptr : it->second;
}

void createQueue(long id) {
    QueueRegistry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto& q = r.queues[id];
    if (!q) q = std::make_shared<MessageQueue>();
}

void dropQueue(long id) {
    QueueRegistry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.queues.erase(id);
}

// Removes the queue of a thread that ends (one that was not started through Thread).
struct QueueGuard {
    long id = 0;
    ~QueueGuard() {
        if (id) dropQueue(id);
    }
};
thread_local QueueGuard t_guard;

std::shared_ptr<MessageQueue> ownQueue() {
    long id = currentThreadId();
    std::shared_ptr<MessageQueue> q = findQueue(id);
    if (!q) {
        createQueue(id);
        t_guard.id = id;
        q = findQueue(id);
    }
    return q;
}

struct ThreadState {
    std::thread thread;
    std::mutex mutex;
    std::condition_variable endedCv;
    bool ended = false;
};

} // namespace

long currentThreadId() {
    if (t_id == 0) t_id = g_nextId.fetch_add(1);
    return t_id;
}

void ensureThreadQueue() { ownQueue(); }

int postThreadMessage(long threadId, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    std::shared_ptr<MessageQueue> q = findQueue(threadId);
    if (!q) return 0;
    {
        std::lock_guard<std::mutex> lock(q->mutex);
        if (q->messages.size() >= kQueueLimit) return 0;
        q->messages.push_back(ThreadMessage{message, wParam, lParam});
    }
    q->ready.notify_one();
    return 1;
}

int getThreadMessage(ThreadMessage& msg) {
    std::shared_ptr<MessageQueue> q = ownQueue();
    std::unique_lock<std::mutex> lock(q->mutex);
    q->ready.wait(lock, [&] { return !q->messages.empty(); });
    msg = q->messages.front();
    q->messages.pop_front();
    return msg.message == kMsgQuit ? 0 : 1;
}

int peekThreadMessage(ThreadMessage& msg) {
    std::shared_ptr<MessageQueue> q = ownQueue();
    std::lock_guard<std::mutex> lock(q->mutex);
    if (q->messages.empty()) return 0;
    msg = q->messages.front();
    q->messages.pop_front();
    return 1;
}

int setCurrentThreadPriority(int priority) {
    int nice = 0;
    switch (priority) {
    case PriorityLowest: nice = 10; break;
    case PriorityBelowNormal: nice = 5; break;
    case PriorityNormal: nice = 0; break;
    case PriorityAboveNormal: nice = -5; break;
    case PriorityHighest: nice = -10; break;
    case PriorityTimeCritical: nice = -15; break;
    default: return 0;
    }
    // Linux applies the nice value to the calling thread alone; raising it needs privileges,
    // and a refusal leaves the thread where it is.
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), nice);
    return 1;
}

void sleepMs(unsigned ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

Thread::~Thread() {
    auto* s = static_cast<std::shared_ptr<ThreadState>*>(impl_);
    if (!s) return;
    if ((*s)->thread.joinable()) {
        if (running()) (*s)->thread.detach();
        else (*s)->thread.join();
    }
    delete s;
}

long Thread::start(ThreadFunction fn, void* param, unsigned) {
    if (impl_) return -1;
    auto state = std::make_shared<ThreadState>();
    long id = g_nextId.fetch_add(1);
    createQueue(id);
    try {
        state->thread = std::thread([state, id, fn, param] {
            t_id = id;
            fn(param);
            dropQueue(id);
            std::lock_guard<std::mutex> lock(state->mutex);
            state->ended = true;
            state->endedCv.notify_all();
        });
    } catch (const std::system_error&) {
        dropQueue(id);
        return -1;
    }
    impl_ = new std::shared_ptr<ThreadState>(std::move(state));
    id_ = id;
    return id;
}

bool Thread::running() const {
    auto* s = static_cast<std::shared_ptr<ThreadState>*>(impl_);
    if (!s) return false;
    std::lock_guard<std::mutex> lock((*s)->mutex);
    return !(*s)->ended;
}

int Thread::join(unsigned timeoutMs) {
    auto* s = static_cast<std::shared_ptr<ThreadState>*>(impl_);
    if (!s) return 1;
    ThreadState& st = **s;
    {
        std::unique_lock<std::mutex> lock(st.mutex);
        if (timeoutMs == kWaitForever) st.endedCv.wait(lock, [&] { return st.ended; });
        else if (!st.endedCv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return st.ended; }))
            return 0;
    }
    if (st.thread.joinable()) st.thread.join();
    return 1;
}

void Thread::abandon(unsigned) {
    auto* s = static_cast<std::shared_ptr<ThreadState>*>(impl_);
    if (!s) return;
    // A thread cannot be killed safely here; it is left to end on its own.
    if ((*s)->thread.joinable()) (*s)->thread.detach();
    dropQueue(id_);
}

void* Thread::nativeHandle() const {
    auto* s = static_cast<std::shared_ptr<ThreadState>*>(impl_);
    return s ? &(*s)->thread : nullptr;
}

} // namespace korvo
