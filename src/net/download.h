#pragma once
// What the two download threads (libcurl's and WinInet's) share: the pipe to the reader, the
// record of how a transfer ended, and the saved copy of the stream.
#include <cstdint>
#include <mutex>

#include "net/stream.h"
#include "platform/file.h"
#include "platform/pipe.h"
#include "platform/thread.h"

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

// The copy of a stream saved (StreamSaving). The bytes go into a temporary file beside
// the file of its name, which it replaces at the end only when it is at least as long or the
// transfer was complete; otherwise both are kept, the new one as "name (2).ext". A FIFO or a
// device of that name holds no earlier copy to lose: it is written directly, as before.
class StreamSaveFile {
public:
    // Starts the copy of url when saving asks for one; when it cannot, shows the save-file
    // warning.
    void open(const char* url, const StreamSaving& saving);
    bool isOpen() const { return direct_.isOpen() || copy_.isOpen(); }
    void write(const void* data, int n);
    // Puts the copy in its place (complete: the whole announced length arrived); a copy that
    // cannot be kept is shown with the save-file warning. Safe when nothing is open.
    void finish(bool complete);

private:
    File direct_;
    ReplacingFile copy_;
    char path_[kPathCapacity] = {};
    int64_t written_ = 0;
};

// An open stream's part that both sides keep alike: the body goes through the pipe to the
// reader and into the saved copy, and the record tells how the transfer ended.
struct Download {
    Pipe pipe;
    StreamSaveFile save;
    TransferRecord record;

    // Download thread: body bytes to the pipe (blocking while it is full; failing at once once
    // the reader has gone), then to the copy.
    void deliver(const void* data, int n);
    // The stop's first steps: the read end closes (a writer blocked on a full pipe is let go),
    // the quit message goes, and the thread is waited for a bounded time; one that outlasts
    // the wait is given up. True when the thread ended.
    bool stopThread(Thread& thread);
    // Puts the saved copy in its place, once the transfer has ended or been given up.
    void finishSave() { save.finish(record.complete()); }
};

// The stall limit in use (setStreamStallLimitMs).
unsigned streamStallLimitMs();

} // namespace korvo
