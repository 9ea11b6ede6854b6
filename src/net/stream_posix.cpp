// The stream through libcurl: the transfer runs on the download thread and writes into the
// pipe from its write callback. Stopping never kills the thread: the transfer is ended
// from its own callbacks once the stop is known.
#include "net/stream.h"

// Calls go through the table below, not the header's checking macros.
#define CURL_DISABLE_TYPECHECK 1
#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "net/download.h"
#include "net/net_texts.h"
#include "platform/file.h"
#include "platform/pipe.h"
#include "platform/prompt.h"
#include "platform/shared_library.h"
#include "platform/thread.h"

namespace korvo {

namespace {

// The library is opened by the first stream, not at start: decoding and listing need none of it.
#define KORVO_CURL_FUNCTIONS(X) \
    X(curl_easy_cleanup) \
    X(curl_easy_getinfo) \
    X(curl_easy_init) \
    X(curl_easy_perform) \
    X(curl_easy_setopt) \
    X(curl_easy_strerror) \
    X(curl_global_init) \
    X(curl_slist_append) \
    X(curl_slist_free_all)

struct CurlFunctions {
#define KORVO_CURL_MEMBER(name) decltype(&::name) name = nullptr;
    KORVO_CURL_FUNCTIONS(KORVO_CURL_MEMBER)
#undef KORVO_CURL_MEMBER
} lib;

int loadCurl() {
    static const int loaded = [] {
        void* handle = openSharedLibrary("libcurl.so.4");
        if (!handle) return 0;
        CurlFunctions table;
        KORVO_CURL_FUNCTIONS(KORVO_LOAD_FUNCTION)
        table.curl_global_init(CURL_GLOBAL_DEFAULT);
        lib = table;
        return 1;
    }();
    return loaded;
}

// How long the opener waits for a connection before it gives up.
constexpr long kConnectTimeoutSeconds = 30;

using Clock = std::chrono::steady_clock;

// Shared by the opener and the download thread; the last one to let go frees it, so a
// thread that outlives the stop wait still finds everything it uses.
struct StreamState : Download {
    CURL* curl = nullptr;
    curl_slist* headers = nullptr;
    curl_slist* aliases = nullptr;
    char errorText[kStreamErrorTextBytes] = {};
    CURLcode result = CURLE_OK;
    char stallText[kStreamErrorTextBytes] = {};

    // Until the reply's headers are in, the opener waits; then the body flows.
    enum Phase { Connecting, Streaming, Failed };
    std::mutex mutex;
    std::condition_variable changed;
    Phase phase = Connecting;
    // The save file is made once the reply is known (a refused URL leaves no file); the
    // body waits for it, so the file gets every byte the pipe gets.
    bool saveReady = false;

    // Set by the stop. A thread the stop gave up on has lost its queue with the quit message
    // in it, and must still end its transfer.
    std::atomic<bool> stopWanted{false};
    // Whoever is last finishes the saved copy: the stop once the thread has ended, or a
    // thread the stop gave up on. Under mutex.
    bool threadEnded = false;
    bool abandoned = false;

    // Download thread only.
    bool quit = false;
    bool bodyStarted = false;
    // A reconnect's try is under way or its body flows: its headers go into again, since
    // the reader keeps the first answer.
    bool reconnecting = false;
    StreamAnswer again;
    int64_t connectionBytes = 0;
    StreamAnswer& heard() { return reconnecting ? again : answer; }
    curl_off_t lastBytes = 0;
    Clock::time_point lastActivity = Clock::now();

    ~StreamState() {
        if (curl) lib.curl_easy_cleanup(curl);
        lib.curl_slist_free_all(headers);
        lib.curl_slist_free_all(aliases);
    }

    void setSaveReady() {
        std::lock_guard<std::mutex> lock(mutex);
        saveReady = true;
        changed.notify_all();
    }
    void waitSaveReady() {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return saveReady; });
    }

    bool opened() {
        std::lock_guard<std::mutex> lock(mutex);
        return phase == Streaming;
    }

    void setPhase(Phase p) {
        std::lock_guard<std::mutex> lock(mutex);
        if (phase == Connecting) phase = p;
        changed.notify_all();
    }
};

struct Impl {
    std::shared_ptr<StreamState> state;
    Thread thread;
};

// True once the stop is known: its quit message (other messages are dropped), or its flag.
bool quitArrived(StreamState& s) {
    ThreadMessage msg;
    while (!s.quit && peekThreadMessage(msg))
        if (msg.message == kMsgQuit) s.quit = true;
    if (!s.quit && (s.stopWanted.load() || (s.reconnecting && s.stopAsked()))) s.quit = true;
    return s.quit;
}

// One line of the headers: a status line starts a reply afresh (a redirect's answer said
// nothing about the body that follows it); the body's own headers are kept.
void noteHeaderLine(StreamState& s, const char* data, size_t n) {
    if (s.bodyStarted) return;
    char line[1024];
    if (n >= sizeof line) n = sizeof line - 1;
    std::memcpy(line, data, n);
    line[n] = 0;
    if (!std::strncmp(line, "HTTP/", 5) || !std::strncmp(line, "ICY ", 4)) {
        s.heard() = StreamAnswer{};
        return;
    }
    char* colon = std::strchr(line, ':');
    if (!colon) return;
    *colon = 0;
    noteAnswerHeader(s.heard(), line, colon + 1);
}

size_t onHeader(char* data, size_t size, size_t count, void* user) {
    auto& s = *static_cast<StreamState*>(user);
    size_t n = size * count;
    noteHeaderLine(s, data, n);
    // The blank line ends one reply's headers; a redirect's reply is followed by the next.
    if (n <= 2 && (n == 0 || data[0] == '\r' || data[0] == '\n')) {
        long code = 0;
        lib.curl_easy_getinfo(s.curl, CURLINFO_RESPONSE_CODE, &code);
        char* location = nullptr;
        lib.curl_easy_getinfo(s.curl, CURLINFO_REDIRECT_URL, &location);
        const bool redirect = code >= 300 && code < 400 && location;
        // Only a 2xx answer is known here: a redirect's next URL may not be known yet, and the
        // answer it leads to would rewrite the headers the opener is reading. Any other answer
        // is known when its body starts or its transfer ends.
        if (!redirect && code >= 200 && code < 300) s.setPhase(StreamState::Streaming);
    }
    s.lastActivity = Clock::now();
    return quitArrived(s) ? 0 : n;
}

size_t onBody(char* data, size_t size, size_t count, void* user) {
    auto& s = *static_cast<StreamState*>(user);
    size_t n = size * count;
    s.setPhase(StreamState::Streaming);
    s.waitSaveReady();
    if (quitArrived(s)) return 0;
    if (!s.bodyStarted) {
        s.bodyStarted = true;
        s.startBody(s.heard().metaint);
        s.noteBack();
    }
    s.connectionBytes += int64_t(n);
    // Blocks while the pipe is full (the decoder is paused), and in the saved copy's write
    // (a slow disk, a FIFO): the stop may have come meanwhile.
    s.deliver(data, int(n));
    s.lastActivity = Clock::now();
    return quitArrived(s) ? 0 : n;
}

// Called about once a second even while nothing arrives: here a stop and a stall end the
// transfer.
int onProgress(void* user, curl_off_t, curl_off_t now, curl_off_t, curl_off_t) {
    auto& s = *static_cast<StreamState*>(user);
    if (quitArrived(s)) return 1;
    Clock::time_point t = Clock::now();
    if (now != s.lastBytes) {
        s.lastBytes = now;
        s.lastActivity = t;
    }
    auto silent = std::chrono::duration_cast<std::chrono::milliseconds>(t - s.lastActivity).count();
    const unsigned limit = streamStallLimitMs();
    if (silent < long(limit)) return 0;
    // libcurl would only say that a callback aborted; before any reply, say what happened.
    std::snprintf(s.stallText, sizeof s.stallText, net_texts::kNoAnswer, limit / 1000);
    return 1;
}

// Why the transfer failed: a stall, libcurl's own words, or its text for the code.
const char* failureText(const StreamState& s) {
    return s.stallText[0] ? s.stallText : s.errorText[0] ? s.errorText : lib.curl_easy_strerror(s.result);
}

// The wait before a reconnect, in slices; false when a stop came meanwhile.
bool waitToReconnect(StreamState& s, long ms) {
    constexpr long kSliceMs = 50;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(ms);
    while (!quitArrived(s)) {
        const long left = long(std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count());
        if (left <= 0) return true;
        s.noteWaiting();
        sleepMs(unsigned(left < kSliceMs ? left : kSliceMs));
    }
    return false;
}

unsigned downloadThread(void* param) {
    std::shared_ptr<StreamState> state(std::move(*static_cast<std::shared_ptr<StreamState>*>(param)));
    delete static_cast<std::shared_ptr<StreamState>*>(param);
    StreamState& s = *state;
    ReconnectPlan plan;
    for (;;) {
        const Clock::time_point began = Clock::now();
        s.lastActivity = began;
        s.result = lib.curl_easy_perform(s.curl);
        // How it ended is known before the reader sees the end after the last byte.
        if (s.quit) {
            s.record.stopped();
            break;
        }
        curl_off_t announced = -1;
        if (lib.curl_easy_getinfo(s.curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced) != CURLE_OK) announced = -1;
        const bool failed = s.result != CURLE_OK;
        const auto lasted = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - began).count();
        // A station list is read once, whatever its length: its entries are what plays.
        const long wait = plan.next(announced < 0 && !s.listBody, s.connectionBytes, unsigned(lasted), failed);
        if (wait < 0) {
            if (!plan.reconnected()) s.record.setAnnounced(int64_t(announced));
            s.record.ended(failed ? failureText(s) : plan.usedUp() ? net_texts::kConnectionLost : nullptr);
            break;
        }
        // The reader waits on the pipe meanwhile, as for slow data.
        s.reconnecting = true;
        if (!waitToReconnect(s, wait)) {
            s.record.stopped();
            break;
        }
        s.bodyStarted = false;
        s.connectionBytes = 0;
        s.lastBytes = 0;
        s.errorText[0] = 0;
        s.stallText[0] = 0;
    }
    // A reply without a body still opened.
    s.setPhase(s.result == CURLE_OK ? StreamState::Streaming : StreamState::Failed);
    if (s.opened()) s.waitSaveReady();    // the opener is still deciding about the file
    s.pipe.closeWrite();
    bool finishHere;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.threadEnded = true;
        finishHere = s.abandoned;
    }
    if (finishHere) s.finishSave();
    return 1;
}

bool configure(StreamState& s, const char* url) {
    if (!loadCurl()) return false;
    s.curl = lib.curl_easy_init();
    if (!s.curl) return false;
    // The header as one line without its line end: libcurl adds its own.
    char accept[sizeof net_texts::kAcceptHeader];
    std::snprintf(accept, sizeof accept, "%s", net_texts::kAcceptHeader);
    accept[std::strcspn(accept, "\r\n")] = 0;
    char icy[sizeof net_texts::kIcyMetaDataHeader];
    std::snprintf(icy, sizeof icy, "%s", net_texts::kIcyMetaDataHeader);
    icy[std::strcspn(icy, "\r\n")] = 0;
    s.headers = lib.curl_slist_append(nullptr, accept);
    if (s.headers) {
        curl_slist* both = lib.curl_slist_append(s.headers, icy);
        if (!both) return false;
        s.headers = both;
    }
    s.aliases = lib.curl_slist_append(nullptr, net_texts::kIcyStatus);
    if (!s.headers || !s.aliases) return false;
    CURL* c = s.curl;
    lib.curl_easy_setopt(c, CURLOPT_URL, url);
    lib.curl_easy_setopt(c, CURLOPT_USERAGENT, net_texts::kUserAgent);
    lib.curl_easy_setopt(c, CURLOPT_HTTPHEADER, s.headers);
    lib.curl_easy_setopt(c, CURLOPT_HTTP200ALIASES, s.aliases);
    lib.curl_easy_setopt(c, CURLOPT_PROXY, "");    // direct, as on Windows
    lib.curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    lib.curl_easy_setopt(c, CURLOPT_MAXREDIRS, 10L);
    lib.curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);
    lib.curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    lib.curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    // HTTPS: the server's certificate must verify against the system's authorities, or
    // against the file SSL_CERT_FILE names, as with OpenSSL's own tools.
    lib.curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    lib.curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    const char* authorities = std::getenv("SSL_CERT_FILE");
    if (authorities && *authorities) lib.curl_easy_setopt(c, CURLOPT_CAINFO, authorities);
    lib.curl_easy_setopt(c, CURLOPT_BUFFERSIZE, long(kDownloadReadBytes));
    lib.curl_easy_setopt(c, CURLOPT_ERRORBUFFER, s.errorText);
    lib.curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &onHeader);
    lib.curl_easy_setopt(c, CURLOPT_HEADERDATA, &s);
    lib.curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &onBody);
    lib.curl_easy_setopt(c, CURLOPT_WRITEDATA, &s);
    lib.curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &onProgress);
    lib.curl_easy_setopt(c, CURLOPT_XFERINFODATA, &s);
    lib.curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    return true;
}

} // namespace

int HttpStream::openStream(const char* url, const StreamSaving& saving) {
    closeStream();
    refusedAsNotMpeg_ = false;
    auto state = std::make_shared<StreamState>();
    StreamState& s = *state;
    if (!configure(s, url)) {
        prompt().show(net_texts::kNoCallback, net_texts::kInternetErrorTitle, IconError);
        return 0;
    }
    if (!s.pipe.create(kStreamPipeBytes)) {
        prompt().show(net_texts::kNoBuffer, net_texts::kInternetErrorTitle, IconError);
        return 0;
    }
    s.stopsAtOpen = streamStops();
    s.notice = notice_;
    s.noticeContext = noticeContext_;
    auto* impl = new Impl;
    impl->state = state;
    auto* param = new std::shared_ptr<StreamState>(state);
    if (impl->thread.start(&downloadThread, param, kDownloadStackBytes) == -1) {
        delete param;
        delete impl;
        prompt().show(net_texts::kNoThread, net_texts::kInternetErrorTitle, IconError);
        return 0;
    }
    // Like opening the URL on Windows: the call returns once the reply is known.
    StreamState::Phase phase;
    {
        std::unique_lock<std::mutex> lock(s.mutex);
        s.changed.wait(lock, [&] { return s.phase != StreamState::Connecting; });
        phase = s.phase;
    }
    if (phase == StreamState::Failed) {
        impl->thread.join(kWaitForever);    // it has ended its transfer already
        char text[kStreamErrorTextBytes];
        std::snprintf(text, sizeof text, "%s", failureText(s));
        delete impl;
        prompt().show(text, net_texts::kUrlErrorTitle, IconError);
        return 0;
    }
    impl_ = impl;
    // The answer is known, and nothing is saved yet: a stream that is something else ends here.
    if (refuseNotMpeg(url, s)) {
        s.setSaveReady();
        closeStream();
        return 0;
    }
    s.openSave(url, saving);
    s.setSaveReady();
    return 1;
}

Download* HttpStream::download() const {
    auto* impl = static_cast<Impl*>(impl_);
    return impl ? impl->state.get() : nullptr;
}

void HttpStream::closeStream() {
    auto* impl = static_cast<Impl*>(impl_);
    if (!impl) return;
    impl_ = nullptr;
    StreamState& s = *impl->state;
    s.stopWanted.store(true);
    bool ended = s.stopThread(impl->thread);
    if (!ended) {
        std::lock_guard<std::mutex> lock(s.mutex);
        ended = s.threadEnded;
        s.abandoned = !ended;
    }
    if (ended) s.finishSave();
    // What the thread still holds is freed by whichever of us lets go last.
    delete impl;
}

} // namespace korvo
