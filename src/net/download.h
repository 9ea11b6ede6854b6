#pragma once
// What the two download threads (libcurl's and WinInet's) share: the pipe to the reader, the
// record of how a transfer ended, and the saved copy of the stream.
#include <atomic>
#include <cstdint>
#include <mutex>

#include "net/icy_metadata.h"
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
    // Lets the copy go, old file untouched (the body is a station list, not the stream).
    void drop();

private:
    File direct_;
    ReplacingFile copy_;
    char path_[kPathCapacity] = {};
    int64_t written_ = 0;
};

// The song titles of a stream, each due once the reader has read the audio that came before
// it: a title is shown with its song, not when the download (up to a pipe ahead) met it.
class TitleQueue {
public:
    // Download thread: a title after `offset` audio bytes.
    void push(int64_t offset, const char* title);
    // Reader: the oldest title due at `read` audio bytes; 1 when there was one.
    int pop(int64_t read, char* title, int size);

private:
    // A pipe holds fewer blocks than this at the smallest useful interval; when more wait,
    // the oldest goes.
    static constexpr int kCapacity = 16;
    struct Item {
        int64_t offset;
        char title[kIcyTitleBytes];
    };
    std::mutex m_;
    Item items_[kCapacity];
    int first_ = 0;
    int count_ = 0;
};

// When a live stream's connection ends, whether and after how long it is tried again.
class ReconnectPlan {
public:
    // The connection that ended: live (no Content-Length), the body bytes it brought, how
    // long it lasted, and whether it failed. The wait before the next try in ms, or -1 when
    // the stream ends here: a stream with a length, one that never played, a station that
    // answered a try with nothing (it has ended), or the tries used up.
    long next(bool live, int64_t bytes, unsigned lastedMs, bool failed);
    // The stream ended because every try failed: a failed transfer.
    bool usedUp() const { return usedUp_; }
    // A try has been made since the first connection.
    bool reconnected() const { return reconnected_; }

private:
    int tries_ = 0;
    bool played_ = false;
    bool reconnected_ = false;
    bool usedUp_ = false;
};

// What the reply said about its body, known before the first body byte.
struct StreamAnswer {
    char contentType[128] = {};
    char stationName[kIcyTitleBytes] = {};
    int metaint = 0;
};

// An open stream's part that both sides keep alike: the body goes through the pipe to the
// reader and into the saved copy, and the record tells how the transfer ended.
struct Download {
    Pipe pipe;
    StreamSaveFile save;
    TransferRecord record;
    // Set before the body flows; read by others once the open has returned.
    StreamAnswer answer;
    TitleQueue titles;
    // Reader only: the audio bytes it has read (the download thread looks whether it has
    // caught up), and the first few of them.
    std::atomic<int64_t> readBytes{0};
    uint8_t head[16] = {};
    int headLen = 0;

    // Download thread, before each connection's body: takes its metadata blocks out from now
    // on, counted from its first byte.
    void startBody(int metaint) { icy_.reset(metaint); }
    // Opener, once the answer is known: the copy of url, as saving says.
    void openSave(const char* url, const StreamSaving& saving);
    // Set by the download thread before the body's first byte reaches the pipe: the body is
    // a station list (its type, its first bytes, its URL's name say so); it is not saved.
    std::atomic<bool> listBody{false};
    // Download thread: body bytes, the metadata taken out, to the pipe (blocking while it is
    // full; failing at once once the reader has gone), then to the copy.
    void deliver(const void* data, int n);

    // The stop's first steps: the read end closes (a writer blocked on a full pipe is let go),
    // the quit message goes, and the thread is waited for a bounded time; one that outlasts
    // the wait is given up. True when the thread ended.
    bool stopThread(Thread& thread);
    // Puts the saved copy in its place, once the transfer has ended or been given up.
    void finishSave() { save.finish(record.complete()); }

    // Taken from the stream at its open: who hears of reconnects, and the stops seen so far.
    StreamNotice notice = nullptr;
    void* noticeContext = nullptr;
    unsigned stopsAtOpen = 0;
    // Download thread, while a live stream waits to reconnect: the wait is told once the
    // reader has read all the audio before the break (until then the listener hears no gap),
    // and the return once audio flows again.
    void noteWaiting() {
        if (notice && !toldWaiting_ && readBytes.load() >= delivered_) {
            toldWaiting_ = true;
            notice(noticeContext, 1);
        }
    }
    void noteBack() {
        if (notice && toldWaiting_) notice(noticeContext, 0);
        toldWaiting_ = false;
    }
    // A stop came for the stream since it opened (interruptStreamReconnect).
    bool stopAsked() const;

private:
    static void onTitle(void* self, const char* title, int audioBefore);
    IcyReader icy_;
    int64_t delivered_ = 0;    // audio bytes handed to the pipe
    bool toldWaiting_ = false;
    bool listNamed_ = false;   // the URL is named like a station list
    bool bodySeen_ = false;
    uint8_t audio_[kDownloadReadBytes];
};

// The stall limit in use (setStreamStallLimitMs).
unsigned streamStallLimitMs();
unsigned streamReconnectUnitMs();
// The count of interruptStreamReconnect calls.
unsigned streamStops();

// Reads the answer's headers (name: value, any case) that tell about the body.
void noteAnswerHeader(StreamAnswer& answer, const char* name, const char* value);
// The kind of a Content-Type that is surely no MPEG audio, or nullptr.
const char* notMpegContentType(const char* contentType);

} // namespace korvo
