// The stream through WinInet: the download thread reads the URL handle in small passes
// and writes into the anonymous pipe, the only buffer between network and decoder. The
// handles are asynchronous, so that no wait for the network outlasts one slice: between
// slices the thread looks for its quit message, however long a server stays silent, and
// is terminated only when something else holds it.
#include "net/stream.h"

#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "net/certificate_error_texts.h"
#include "net/download.h"
#include "net/net_texts.h"
#include "platform/file.h"
#include "platform/pipe.h"
#include "platform/prompt.h"
#include "platform/thread.h"

namespace korvo {

namespace {

// The longest wait for the network between two looks at the queue.
constexpr DWORD kReadSliceMs = 100;

// The operation under way on the URL handle, filled in by WinInet's callback. A read that
// never completes keeps its buffer in use after the handle was closed (Wine's WinInet keeps
// the connection until the read ends), so the block is shared: the stream lets go of it at
// its close, the URL handle once WinInet says it is closing.
struct Request {
    HANDLE done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HINTERNET handle = nullptr;     // the URL handle, once opened
    HINTERNET created = nullptr;    // the handle an open that failed had made
    DWORD_PTR result = 0;
    DWORD error = 0;
    INTERNET_BUFFERSA buffers{};
    unsigned char chunk[kDownloadReadBytes];
    LONG owners = 2;

    ~Request() {
        if (done) CloseHandle(done);
    }
    void release() {
        if (InterlockedDecrement(&owners) == 0) delete this;
    }
};

void CALLBACK onStatus(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info, DWORD) {
    auto* r = reinterpret_cast<Request*>(context);
    if (!r) return;    // the root handle's own notices
    if (status == INTERNET_STATUS_HANDLE_CREATED) {
        r->created = reinterpret_cast<HINTERNET>(static_cast<const INTERNET_ASYNC_RESULT*>(info)->dwResult);
    } else if (status == INTERNET_STATUS_REQUEST_COMPLETE) {
        const auto* result = static_cast<const INTERNET_ASYNC_RESULT*>(info);
        r->result = result->dwResult;
        r->error = result->dwError;
        SetEvent(r->done);
    } else if (status == INTERNET_STATUS_HANDLE_CLOSING && handle && handle == (r->handle ? r->handle : r->created)) {
        r->release();
    }
}

// The most of an answer's headers that are looked for in its body (see takeHeadersFromBody).
constexpr int kBodyHeadBytes = 4096;

struct StreamState : Download {
    // Body bytes the opener read while it looked for headers; delivered first.
    uint8_t pendingBody[kBodyHeadBytes];
    int pendingLen = 0;
    HINTERNET internetHandle = nullptr;
    HINTERNET urlHandle = nullptr;
    Request* request = nullptr;
    bool requestTaken = false;    // WinInet works with the request (the open did not fail at once)
    Thread thread;
    char url[kPathCapacity] = {};
    // Download thread: a reconnect's try is under way or its body flows; its answer goes into
    // again, since the reader keeps the first.
    bool reconnecting = false;
    StreamAnswer again;
};

// The connection's URL handle and request; the root handle stays for the next connection.
void closeConnection(StreamState& s) {
    // A read still under way is left to WinInet with the handle.
    if (s.urlHandle) InternetCloseHandle(s.urlHandle);
    s.urlHandle = nullptr;
    if (s.request) {
        // An open that WinInet refused at once never took its part; one that failed later
        // lets go with the closing notice of the handle it had made (if it told of one).
        if (!s.requestTaken) s.request->release();
        s.request->release();
    }
    s.request = nullptr;
}

void closeInternet(StreamState& s) {
    closeConnection(s);
    if (s.internetHandle) InternetCloseHandle(s.internetHandle);
    s.internetHandle = nullptr;
}

// Starts opening the URL with the stream's request: the handle when WinInet answered at
// once; otherwise nullptr with the error (ERROR_IO_PENDING: the answer comes to the request).
HINTERNET beginOpen(StreamState& s, DWORD& error) {
    char headers[sizeof net_texts::kAcceptHeader + sizeof net_texts::kIcyMetaDataHeader];
    std::snprintf(headers, sizeof headers, "%s%s", net_texts::kAcceptHeader, net_texts::kIcyMetaDataHeader);
    // An https:// URL goes over TLS with the server's certificate checked against the
    // system's authorities; WinInet refuses one that does not verify, with its own text.
    const DWORD flags = _strnicmp(s.url, "https://", 8) == 0 ? INTERNET_FLAG_SECURE : 0;
    HINTERNET handle = InternetOpenUrlA(s.internetHandle, s.url, headers, DWORD(-1), flags,
                                        reinterpret_cast<DWORD_PTR>(s.request));
    error = handle ? 0 : GetLastError();
    s.requestTaken = handle || error == ERROR_IO_PENDING;
    return handle;
}

void trimLineEnd(char* text) {
    size_t end = std::strlen(text);
    while (end > 0 && (text[end - 1] == '\r' || text[end - 1] == '\n' || text[end - 1] == ' ')) text[--end] = 0;
}

// The system's text for an error code of WinInet or Windows (for a certificate error it lacks,
// Windows's own).
void errorCodeText(DWORD code, char* text, DWORD size) {
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             GetModuleHandleA("wininet.dll"), code, 0, text, size, nullptr);
    for (const CertificateErrorText& known : kCertificateErrorTexts)
        if (n == 0 && known.code == code) n = DWORD(std::snprintf(text, size, "%s", known.text));
    if (n == 0) std::snprintf(text, size, "Error %lu", static_cast<unsigned long>(code));
    text[size - 1] = 0;
    trimLineEnd(text);
}

// The server's last response text; where there is none (nothing was answered), the
// system's text for the error code.
void lastErrorText(DWORD code, char* text, DWORD size) {
    DWORD detail = 0;
    DWORD len = size;
    text[0] = 0;
    if (!InternetGetLastResponseInfoA(&detail, text, &len) || len == 0 || len >= size) {
        errorCodeText(code, text, size);
        return;
    }
    text[size - 1] = 0;
    trimLineEnd(text);
}

// WinInet opens an error answer like any other; its page would be played as noise.
bool isErrorAnswer(HINTERNET url, char* text, size_t size) {
    DWORD status = 0;
    DWORD len = sizeof status;
    if (!HttpQueryInfoA(url, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &len, nullptr) || status < 400)
        return false;
    char reason[256] = {};
    DWORD reasonLen = sizeof reason;
    if (!HttpQueryInfoA(url, HTTP_QUERY_STATUS_TEXT, reason, &reasonLen, nullptr)) reason[0] = 0;
    reason[sizeof reason - 1] = 0;
    std::snprintf(text, size, net_texts::kErrorAnswer, static_cast<unsigned long>(status), reason);
    return true;
}

// The Content-Length of the answer, or -1 without one.
int64_t announcedLength(HINTERNET url) {
    char text[32] = {};
    DWORD len = sizeof text;
    if (!HttpQueryInfoA(url, HTTP_QUERY_CONTENT_LENGTH, text, &len, nullptr)) return -1;
    text[sizeof text - 1] = 0;
    char* end = nullptr;
    long long n = std::strtoll(text, &end, 10);
    return end != text && n >= 0 ? int64_t(n) : -1;
}

// The answer's headers that tell about the body.
void readAnswer(HINTERNET url, StreamAnswer& answer) {
    const char* const names[] = {"Content-Type", "icy-name", "icy-metaint"};
    for (const char* name : names) {
        char value[kIcyTitleBytes] = {};
        std::snprintf(value, sizeof value, "%s", name);
        DWORD len = sizeof value;
        if (!HttpQueryInfoA(url, HTTP_QUERY_CUSTOM, value, &len, nullptr)) continue;
        value[sizeof value - 1] = 0;
        noteAnswerHeader(answer, name, value);
    }
}

// Whether the answer came with header lines of its own. WinInet takes an "ICY 200 OK" status
// line for an answer without headers (HTTP/0.9): its headers then arrive as body bytes.
bool answerHasHeaders(HINTERNET url) {
    char raw[kBodyHeadBytes] = {};
    DWORD len = sizeof raw - 1;
    if (!HttpQueryInfoA(url, HTTP_QUERY_RAW_HEADERS_CRLF, raw, &len, nullptr))
        return GetLastError() == ERROR_INSUFFICIENT_BUFFER;
    raw[sizeof raw - 1] = 0;
    const char* lineEnd = std::strchr(raw, '\n');
    return lineEnd && std::strchr(lineEnd, ':') != nullptr;
}

// One read of the opener's, waited for at most the stall limit; bytes read, 0 at the end or
// on any failure.
int readNow(StreamState& s, uint8_t* dst, int size) {
    Request& r = *s.request;
    r.buffers = INTERNET_BUFFERSA{};
    r.buffers.dwStructSize = sizeof r.buffers;
    r.buffers.lpvBuffer = r.chunk;
    r.buffers.dwBufferLength = DWORD(size < int(sizeof r.chunk) ? size : int(sizeof r.chunk));
    if (!InternetReadFileExA(s.urlHandle, &r.buffers, IRF_ASYNC, reinterpret_cast<DWORD_PTR>(&r))) {
        if (GetLastError() != ERROR_IO_PENDING) return 0;
        if (WaitForSingleObject(r.done, streamStallLimitMs()) != WAIT_OBJECT_0 || r.error) return 0;
    }
    const int got = int(r.buffers.dwBufferLength);
    std::memcpy(dst, r.chunk, size_t(got));
    return got;
}

// An answer whose headers came in its body: they are read up to the blank line (within the
// first kBodyHeadBytes) and noted; what follows is the body. Without a blank line there,
// everything read is body.
void takeHeadersFromBody(StreamState& s, StreamAnswer& answer) {
    int have = 0;
    const uint8_t* blank = nullptr;
    while (have < kBodyHeadBytes && !blank) {
        const int got = readNow(s, s.pendingBody + have, kBodyHeadBytes - have);
        if (got <= 0) break;
        have += got;
        for (int i = 0; i + 4 <= have; ++i)
            if (!std::memcmp(s.pendingBody + i, "\r\n\r\n", 4)) {
                blank = s.pendingBody + i;
                break;
            }
    }
    s.pendingLen = have;
    if (!blank) return;
    const int headLen = int(blank - s.pendingBody);
    char head[kBodyHeadBytes + 1];
    std::memcpy(head, s.pendingBody, size_t(headLen));
    head[headLen] = 0;
    for (char* line = head; *line;) {
        char* end = line + std::strcspn(line, "\r\n");
        const bool last = *end == 0;
        *end = 0;
        char* colon = std::strchr(line, ':');
        if (colon) {
            *colon = 0;
            noteAnswerHeader(answer, line, colon + 1);
        }
        if (last) break;
        line = end + 1;
    }
    s.pendingLen = have - headLen - 4;
    std::memmove(s.pendingBody, blank + 4, size_t(s.pendingLen));
}

enum class Wait { Completed, Quit, Stalled, Failed };

// The quit message (other messages are dropped), or a stop while reconnecting.
bool quitArrived(const StreamState& s) {
    ThreadMessage msg;
    if (peekThreadMessage(msg) && msg.message == kMsgQuit) return true;
    return s.reconnecting && s.stopAsked();
}

// Waits for the operation under way, looking at the queue between slices.
Wait awaitCompletion(const StreamState& s, Request& r, ULONGLONG lastData) {
    DWORD waited;
    while ((waited = WaitForSingleObject(r.done, kReadSliceMs)) == WAIT_TIMEOUT) {
        if (quitArrived(s)) return Wait::Quit;
        if (GetTickCount64() - lastData >= streamStallLimitMs()) return Wait::Stalled;
    }
    return waited == WAIT_OBJECT_0 ? Wait::Completed : Wait::Failed;
}

// One connection's body into the pipe until it ends (failure holds why it failed) or the
// stop comes (true). bytes counts what it brought.
bool pumpConnection(StreamState& s, char* failure, int64_t& bytes) {
    Request& r = *s.request;
    ULONGLONG lastData = GetTickCount64();
    if (s.pendingLen > 0) {
        s.noteBack();
        s.deliver(s.pendingBody, s.pendingLen);
        bytes += s.pendingLen;
        s.pendingLen = 0;
    }
    for (;;) {
        if (quitArrived(s)) return true;
        r.buffers = INTERNET_BUFFERSA{};
        r.buffers.dwStructSize = sizeof r.buffers;
        r.buffers.lpvBuffer = r.chunk;
        r.buffers.dwBufferLength = sizeof r.chunk;
        DWORD error = 0;
        if (!InternetReadFileExA(s.urlHandle, &r.buffers, IRF_ASYNC, reinterpret_cast<DWORD_PTR>(&r))) {
            error = GetLastError();
            if (error == ERROR_IO_PENDING) {
                const Wait w = awaitCompletion(s, r, lastData);
                if (w == Wait::Quit) return true;
                if (w == Wait::Stalled) {
                    std::snprintf(failure, kStreamErrorTextBytes, net_texts::kNoAnswer, streamStallLimitMs() / 1000);
                    return false;
                }
                error = w == Wait::Failed ? GetLastError() : r.error;
            }
        }
        if (error) {
            errorCodeText(error, failure, kStreamErrorTextBytes);
            return false;
        }
        const DWORD got = r.buffers.dwBufferLength;
        if (got == 0) return false;    // the end of the data
        s.noteBack();
        s.deliver(r.chunk, int(got));
        bytes += got;
        lastData = GetTickCount64();
    }
}

enum class Reopen { Opened, Failed, Stopped };

// A reconnect: the URL opened again on the root handle, waited for in slices; its answer's
// metadata interval counts from its first body byte.
Reopen reopen(StreamState& s, char* failure) {
    closeConnection(s);
    s.request = new Request;
    Request& r = *s.request;
    if (!r.done) {
        std::snprintf(failure, kStreamErrorTextBytes, "%s", net_texts::kNoCallback);
        return Reopen::Failed;
    }
    DWORD error = 0;
    HINTERNET handle = beginOpen(s, error);
    if (!handle && error == ERROR_IO_PENDING) {
        const Wait w = awaitCompletion(s, r, GetTickCount64());
        if (w == Wait::Quit) return Reopen::Stopped;
        if (w == Wait::Stalled) {
            std::snprintf(failure, kStreamErrorTextBytes, net_texts::kNoAnswer, streamStallLimitMs() / 1000);
            return Reopen::Failed;
        }
        handle = w == Wait::Completed ? reinterpret_cast<HINTERNET>(r.result) : nullptr;
        error = w == Wait::Completed ? r.error : GetLastError();
    }
    if (!handle) {
        lastErrorText(error, failure, kStreamErrorTextBytes);
        return Reopen::Failed;
    }
    r.handle = handle;
    s.urlHandle = handle;
    if (isErrorAnswer(handle, failure, kStreamErrorTextBytes)) return Reopen::Failed;
    s.again = StreamAnswer{};
    readAnswer(handle, s.again);
    s.pendingLen = 0;
    if (!answerHasHeaders(handle)) takeHeadersFromBody(s, s.again);
    s.startBody(s.again.metaint);
    return Reopen::Opened;
}

unsigned downloadThread(void* param) {
    StreamState& s = *static_cast<StreamState*>(param);
    char failure[kStreamErrorTextBytes] = {};
    bool stopped = false;
    bool connected = true;
    ReconnectPlan plan;
    for (;;) {
        const ULONGLONG began = GetTickCount64();
        int64_t bytes = 0;
        if (connected && (stopped = pumpConnection(s, failure, bytes))) break;
        // A station list is read once, whatever its length: its entries are what plays.
        const bool live = !s.listBody && (!connected || announcedLength(s.urlHandle) < 0);
        const long wait = plan.next(live, bytes, unsigned(GetTickCount64() - began), failure[0] != 0);
        if (wait < 0) break;
        // The reader waits on the pipe meanwhile, as for slow data.
        s.reconnecting = true;
        const ULONGLONG end = GetTickCount64() + ULONGLONG(wait);
        while (!stopped && GetTickCount64() < end) {
            s.noteWaiting();
            const ULONGLONG left = end - GetTickCount64();
            Sleep(DWORD(left < kReadSliceMs ? left : kReadSliceMs));
            stopped = quitArrived(s);
        }
        failure[0] = 0;
        const Reopen o = stopped ? Reopen::Stopped : reopen(s, failure);
        if ((stopped = o == Reopen::Stopped)) break;
        connected = o == Reopen::Opened;
    }
    if (stopped) s.record.stopped();
    else s.record.ended(failure[0] ? failure : plan.usedUp() ? net_texts::kConnectionLost : nullptr);
    s.pipe.closeWrite();
    return 1;
}

} // namespace

int HttpStream::openStream(const char* url, const StreamSaving& saving) {
    closeStream();
    refusedAsNotMpeg_ = false;
    auto* s = new StreamState;
    char text[kStreamErrorTextBytes];
    auto fail = [&](const char* title) {
        closeInternet(*s);
        delete s;
        prompt().show(text, title, IconError);
        return 0;
    };
    s->internetHandle = InternetOpenA(net_texts::kUserAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, INTERNET_FLAG_ASYNC);
    if (!s->internetHandle) {
        lastErrorText(GetLastError(), text, sizeof text);
        return fail(net_texts::kInternetErrorTitle);
    }
    // Every notice comes to the callback, the URL handle's and its reads' with their request.
    if (InternetSetStatusCallback(s->internetHandle, &onStatus) == INTERNET_INVALID_STATUS_CALLBACK) {
        std::snprintf(text, sizeof text, "%s", net_texts::kNoCallback);
        return fail(net_texts::kInternetErrorTitle);
    }
    s->request = new Request;
    Request& r = *s->request;
    if (!r.done) {
        std::snprintf(text, sizeof text, "%s", net_texts::kNoCallback);
        return fail(net_texts::kInternetErrorTitle);
    }
    std::snprintf(s->url, sizeof s->url, "%s", url);
    DWORD error = 0;
    HINTERNET handle = beginOpen(*s, error);
    if (!handle && error == ERROR_IO_PENDING) {
        // Like the blocking open before: the call returns once the reply is known.
        WaitForSingleObject(r.done, INFINITE);
        handle = reinterpret_cast<HINTERNET>(r.result);
        error = r.error;
    }
    if (!handle) {
        lastErrorText(error, text, sizeof text);
        return fail(net_texts::kUrlErrorTitle);
    }
    r.handle = handle;
    s->urlHandle = handle;
    if (isErrorAnswer(s->urlHandle, text, sizeof text)) return fail(net_texts::kUrlErrorTitle);
    readAnswer(s->urlHandle, s->answer);
    if (!answerHasHeaders(s->urlHandle)) takeHeadersFromBody(*s, s->answer);
    if (refuseNotMpeg(url, *s)) {
        closeInternet(*s);
        delete s;
        return 0;
    }
    s->startBody(s->answer.metaint);
    if (!s->pipe.create(kStreamPipeBytes)) {
        std::snprintf(text, sizeof text, "%s", net_texts::kNoBuffer);
        return fail(net_texts::kInternetErrorTitle);
    }
    s->record.setAnnounced(announcedLength(s->urlHandle));
    // Made here rather than on the download thread: its warning then goes through the
    // decoder thread's messages and never holds up the download.
    s->openSave(url, saving);
    s->stopsAtOpen = streamStops();
    s->notice = notice_;
    s->noticeContext = noticeContext_;
    if (s->thread.start(&downloadThread, s, kDownloadStackBytes) == -1) {
        s->pipe.closeRead();
        s->pipe.closeWrite();
        std::snprintf(text, sizeof text, "%s", net_texts::kNoThread);
        return fail(net_texts::kInternetErrorTitle);
    }
    impl_ = s;
    return 1;
}

Download* HttpStream::download() const { return static_cast<StreamState*>(impl_); }

void HttpStream::closeStream() {
    auto* s = static_cast<StreamState*>(impl_);
    if (!s) return;
    impl_ = nullptr;
    // The thread looks at its queue at least every slice; a thread held elsewhere (a save
    // file that takes no more) is terminated as the last resort.
    s->stopThread(s->thread);
    s->pipe.closeWrite();
    s->finishSave();
    closeInternet(*s);
    delete s;
}

} // namespace korvo
