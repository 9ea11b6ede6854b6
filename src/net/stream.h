#pragma once
// An HTTP stream as the decoder's input: a download thread copies the response body into
// a pipe, and the decoder reads the pipe's read end as it reads a file. One stream is
// open at a time; every open makes a new session, pipe and thread.
#include <cstdint>

namespace korvo {

constexpr unsigned kStreamPipeBytes = 65536;
constexpr unsigned kDownloadStackBytes = 16384;
constexpr int kDownloadReadBytes = 2048;
constexpr int kStreamErrorTextBytes = 1024;
constexpr unsigned kDownloadStopWaitMs = 2000;
// A server that sends nothing for this long ends the stream.
constexpr unsigned kStreamStallLimitMs = 30000;
// A live stream that breaks off tries again after waits of these many units (1 s each), and
// the tries count afresh after a connection that lasted kReconnectFreshUnits.
constexpr int kReconnectTries = 5;
extern const int kReconnectWaitUnits[kReconnectTries];
constexpr unsigned kReconnectUnitMs = 1000;
constexpr int kReconnectFreshUnits = 10;

// Told on the download thread when a live stream waits to reconnect (1) and when the new
// connection brings audio again (0). Must not wait for the reader.
using StreamNotice = void (*)(void* context, int reconnecting);

// What becomes of a stream's bytes besides playing them: with save set, a copy goes into
// folder. The caller reads its settings when the stream opens; folder is needed only then.
struct StreamSaving {
    bool save = false;
    const char* folder = "";
};

struct Download;

class HttpStream {
public:
    HttpStream() = default;
    ~HttpStream() { closeStream(); }
    HttpStream(const HttpStream&) = delete;
    HttpStream& operator=(const HttpStream&) = delete;

    // Opens the URL and starts the download thread; 1 on success. On failure the user has
    // been shown the reason and nothing is left open.
    int openStream(const char* url, const StreamSaving& saving);
    // Bytes from the pipe, waiting for them; 0 at the end of the stream, -1 on an error.
    int read(uint8_t* dst, int n);
    // Stops the download: the read end first (a writer blocked on a full pipe is let go),
    // then the quit message, a bounded wait, and the rest. Safe when nothing is open.
    void closeStream();
    bool isOpen() const { return impl_ != nullptr; }
    // Once read has met the end: 1 when the transfer ended short of its announced length or
    // failed, with the reason in text. 0 after a complete transfer, while it runs, after a stop.
    int transferFault(char* text, int size) const;

    // The answer's type leaves open that the body is a station list (a playlist): then, once
    // read has given the body's first bytes, bodyIsList tells.
    bool mayBeList() const;
    bool bodyIsList() const;

    // The station's name (icy-name); empty when the answer gave none or nothing is open.
    const char* stationName() const;
    // The next song title due with the audio read so far, in UTF-8; 1 when there was one.
    int nextTitle(char* title, int size);
    // Why a stream that gave no frame is no MPEG audio: its first bytes or its type. The
    // text is the whole message (kNotMpeg) for url.
    void describeNotMpeg(const char* url, char* text, int size) const;
    // The last open failed because the answer's type is surely no MPEG audio; the user has
    // been told so.
    bool refusedAsNotMpeg() const { return refusedAsNotMpeg_; }
    // Who hears of reconnects (StreamNotice); taken by the next open.
    void setNotice(StreamNotice notice, void* context) {
        notice_ = notice;
        noticeContext_ = context;
    }

private:
    // After the answer, before anything is saved: an answer that is surely no MPEG audio is
    // shown to the user, and true tells the open to give up.
    bool refuseNotMpeg(const char* url, const Download& d);

    bool refusedAsNotMpeg_ = false;
    StreamNotice notice_ = nullptr;
    void* noticeContext_ = nullptr;
    // The part of the open stream both sides keep alike; nullptr when nothing is open.
    Download* download() const;

    void* impl_ = nullptr;
};

// Where a stream of url is saved in folder dir: the last segment of the URL's path (before
// any '?' or '#'). 0 when that name is empty, ".", "..", holds a character no file name may
// hold, or the path would not fit in size; then path is left empty.
int streamSavePath(const char* url, const char* dir, char* path, int size);

// The message for a stream of url that is not MPEG audio but kind.
void formatNotMpeg(const char* kind, const char* url, char* text, int size);

// The stall limit in use; tests shorten it.
void setStreamStallLimitMs(unsigned ms);
// The unit of the reconnect waits (kReconnectUnitMs); tests shorten it.
void setStreamReconnectUnitMs(unsigned ms);
// A stop for whatever stream is open: a reconnect's wait or try ends at once, though the
// reader (blocked on the pipe meanwhile) has not closed the stream yet.
void interruptStreamReconnect();

} // namespace korvo
