#pragma once
// What the two download threads (libcurl's and WinInet's) share: the record of how a transfer
// ended.
#include <cstdint>
#include <mutex>

#include "net/stream.h"

namespace korvo {

// Written by the download thread; read by others once the transfer has ended (the reader has
// met the pipe's end, or the thread has been joined).
class TransferRecord {
public:
    // Download thread only: the Content-Length (-1: none) and the body bytes as they arrive.
    void setAnnounced(int64_t bytes) { announced_ = bytes; }
    void add(int64_t bytes) { received_ += bytes; }
    // Once, when the transfer ends: error is nullptr when the data simply ended (short when
    // fewer bytes arrived than were announced), else why it failed.
    void ended(const char* error);
    void stopped();

    // 1 when the transfer ended short or failed, with the reason in text.
    int fault(char* text, int size) const;
    // The whole announced length arrived.
    bool complete() const;

private:
    enum State { Running, Complete, Short, Failed, Stopped };
    mutable std::mutex m_;
    State state_ = Running;
    bool reachedLength_ = false;
    char text_[kStreamErrorTextBytes] = {};
    int64_t announced_ = -1;
    int64_t received_ = 0;
};

// The stall limit in use (setStreamStallLimitMs).
unsigned streamStallLimitMs();

} // namespace korvo
