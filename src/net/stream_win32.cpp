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

struct StreamState : Download {
    HINTERNET internetHandle = nullptr;
    HINTERNET urlHandle = nullptr;
    Request* request = nullptr;
    bool requestTaken = false;    // WinInet works with the request (the open did not fail at once)
    Thread thread;
};

void closeInternet(StreamState& s) {
    // A read still under way is left to WinInet with the handle.
    if (s.urlHandle) InternetCloseHandle(s.urlHandle);
    if (s.internetHandle) InternetCloseHandle(s.internetHandle);
    s.urlHandle = nullptr;
    s.internetHandle = nullptr;
    if (s.request) {
        // An open that WinInet refused at once never took its part; one that failed later
        // lets go with the closing notice of the handle it had made (if it told of one).
        if (!s.requestTaken) s.request->release();
        s.request->release();
    }
    s.request = nullptr;
}

void trimLineEnd(char* text) {
    size_t end = std::strlen(text);
    while (end > 0 && (text[end - 1] == '\r' || text[end - 1] == '\n' || text[end - 1] == ' ')) text[--end] = 0;
}

// The system's text for an error code of WinInet or Windows.
void errorCodeText(DWORD code, char* text, DWORD size) {
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             GetModuleHandleA("wininet.dll"), code, 0, text, size, nullptr);
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

enum class Wait { Completed, Quit, Stalled, Failed };

// Waits for the read under way, looking at the queue between slices.
Wait awaitCompletion(Request& r, ULONGLONG lastData) {
    DWORD waited;
    while ((waited = WaitForSingleObject(r.done, kReadSliceMs)) == WAIT_TIMEOUT) {
        ThreadMessage msg;
        if (peekThreadMessage(msg) && msg.message == kMsgQuit) return Wait::Quit;
        if (GetTickCount64() - lastData >= streamStallLimitMs()) return Wait::Stalled;
    }
    return waited == WAIT_OBJECT_0 ? Wait::Completed : Wait::Failed;
}

unsigned downloadThread(void* param) {
    StreamState& s = *static_cast<StreamState*>(param);
    Request& r = *s.request;
    char failure[kStreamErrorTextBytes] = {};
    bool stopped = false;
    ULONGLONG lastData = GetTickCount64();
    for (;;) {
        ThreadMessage msg;
        if (peekThreadMessage(msg) && msg.message == kMsgQuit) {
            stopped = true;
            break;
        }
        r.buffers = INTERNET_BUFFERSA{};
        r.buffers.dwStructSize = sizeof r.buffers;
        r.buffers.lpvBuffer = r.chunk;
        r.buffers.dwBufferLength = sizeof r.chunk;
        DWORD error = 0;
        if (!InternetReadFileExA(s.urlHandle, &r.buffers, IRF_ASYNC, reinterpret_cast<DWORD_PTR>(&r))) {
            error = GetLastError();
            if (error == ERROR_IO_PENDING) {
                const Wait w = awaitCompletion(r, lastData);
                if (w == Wait::Quit) {
                    stopped = true;
                    break;
                }
                if (w == Wait::Stalled) {
                    std::snprintf(failure, sizeof failure, net_texts::kNoAnswer, streamStallLimitMs() / 1000);
                    break;
                }
                error = w == Wait::Failed ? GetLastError() : r.error;
            }
        }
        if (error) {
            errorCodeText(error, failure, sizeof failure);
            break;
        }
        const DWORD got = r.buffers.dwBufferLength;
        if (got == 0) break;    // the end of the data
        s.deliver(r.chunk, int(got));
        lastData = GetTickCount64();
    }
    if (stopped) s.record.stopped();
    else s.record.ended(failure[0] ? failure : nullptr);
    s.pipe.closeWrite();
    return 1;
}

} // namespace

int HttpStream::openStream(const char* url, const StreamSaving& saving) {
    closeStream();
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
    HINTERNET handle = InternetOpenUrlA(s->internetHandle, url, net_texts::kAcceptHeader, DWORD(-1), 0,
                                        reinterpret_cast<DWORD_PTR>(&r));
    DWORD error = handle ? 0 : GetLastError();
    s->requestTaken = handle || error == ERROR_IO_PENDING;
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
    if (!s->pipe.create(kStreamPipeBytes)) {
        std::snprintf(text, sizeof text, "%s", net_texts::kNoBuffer);
        return fail(net_texts::kInternetErrorTitle);
    }
    s->record.setAnnounced(announcedLength(s->urlHandle));
    // Made here rather than on the download thread: its warning then goes through the
    // decoder thread's messages and never holds up the download.
    s->save.open(url, saving);
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
