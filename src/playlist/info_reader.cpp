#include "info_reader.h"

#include <cstdio>
#include <cstddef>
#include <cstring>
#include <new>
#include <system_error>

#include "entry_info.h"

namespace korvo {

InfoReader::~InfoReader() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

int InfoReader::start() {
    if (thread_.joinable()) return 1;
    try {
        thread_ = std::thread(&InfoReader::run, this);
    } catch (const std::system_error&) {
        return 0;   // no thread to be had: the caller keeps the entry unread
    }
    return 1;
}

int InfoReader::request(uint32_t id, const char* path) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!start()) return 0;
    queue_.push_back({id, path});
    wake_.notify_one();
    return 1;
}

int InfoReader::prefer(uint32_t id, const char* path) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!start()) return 0;
    if (!readEarly_.insert(id).second) return 1;   // already ahead of the rest
    preferred_.push_back({id, path});
    wake_.notify_one();
    return 1;
}

void InfoReader::dropQueued() {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.clear();
    preferred_.clear();
    readEarly_.clear();
}

std::vector<EntryPayload> InfoReader::take(size_t most, bool* more) {
    std::vector<EntryPayload> out;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (results_.size() <= most) {
            out.swap(results_);
        } else {
            out.assign(results_.begin(), results_.begin() + std::ptrdiff_t(most));
            results_.erase(results_.begin(), results_.begin() + std::ptrdiff_t(most));
        }
        if (more) *more = !results_.empty();
        notified_ = false;
    }
    wake_.notify_all();   // reading may wait for room
    return out;
}

bool InfoReader::idle() {
    std::lock_guard<std::mutex> lock(mutex_);
    return queue_.empty() && preferred_.empty() && !reading_ && results_.empty();
}

void InfoReader::run() {
    // Read outside the lock, into an entry of the thread's own.
    PlaylistEntry* entry = new (std::nothrow) PlaylistEntry();
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
        if ((queue_.empty() && preferred_.empty()) || results_.size() >= kMostWaiting) {
            wake_.wait(lock);
            continue;
        }
        Request next;
        if (!preferred_.empty()) {
            next = std::move(preferred_.front());
            preferred_.pop_front();
        } else {
            next = std::move(queue_.front());
            queue_.pop_front();
            if (readEarly_.erase(next.id)) continue;   // read when it was preferred
        }
        if (!entry) continue;   // without memory nothing is read; the entries stay unread
        reading_ = true;
        lock.unlock();
        *entry = PlaylistEntry();
        std::snprintf(entry->path, sizeof entry->path, "%s", next.path.c_str());
        entry->id = next.id;
        readEntryInfo(*entry);
        lock.lock();
        reading_ = false;
        results_.push_back(entry->payload());
        const auto now = std::chrono::steady_clock::now();
        const bool due = now - lastNotify_ >= std::chrono::milliseconds(kBatchMs) ||
                         (queue_.empty() && preferred_.empty()) || results_.size() >= kMostWaiting;
        if (notified_ || !due) continue;
        notified_ = true;
        lastNotify_ = now;
        lock.unlock();
        if (notify_) notify_(context_);
        lock.lock();
    }
    lock.unlock();
    delete entry;
}

} // namespace korvo
