// The stream through WinInet: the download thread reads the URL handle in small passes
// and writes into the anonymous pipe, the only buffer between network and decoder.
#include "net/stream.h"

#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <cstring>

#include "net/net_texts.h"
#include "platform/file.h"
#include "platform/pipe.h"
#include "platform/prompt.h"
#include "platform/thread.h"

namespace korvo {

namespace {

struct StreamState {
    HINTERNET internetHandle = nullptr;
    HINTERNET urlHandle = nullptr;
    Pipe pipe;
    File saveFile;
    Thread thread;
};

void closeInternet(StreamState& s) {
    if (s.urlHandle) InternetCloseHandle(s.urlHandle);
    if (s.internetHandle) InternetCloseHandle(s.internetHandle);
    s.urlHandle = nullptr;
    s.internetHandle = nullptr;
}

// The server's last response text; where there is none (nothing was answered), the
// system's text for the error code.
void lastErrorText(char* text, DWORD size) {
    DWORD code = GetLastError();
    DWORD detail = 0;
    DWORD len = size;
    text[0] = 0;
    if (!InternetGetLastResponseInfoA(&detail, text, &len) || len == 0 || len >= size) {
        text[0] = 0;
        DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_IGNORE_INSERTS,
                                 GetModuleHandleA("wininet.dll"), code, 0, text, size, nullptr);
        if (n == 0) std::snprintf(text, size, "Error %lu", static_cast<unsigned long>(code));
    }
    text[size - 1] = 0;
    size_t end = std::strlen(text);
    while (end > 0 && (text[end - 1] == '\r' || text[end - 1] == '\n' || text[end - 1] == ' ')) text[--end] = 0;
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

void CALLBACK ignoreStatus(HINTERNET, DWORD_PTR, DWORD, LPVOID, DWORD) {}

unsigned downloadThread(void* param) {
    StreamState& s = *static_cast<StreamState*>(param);
    bool downloadFinished = false;
    unsigned char chunk[kDownloadReadBytes];
    while (!downloadFinished) {
        ThreadMessage msg;
        if (peekThreadMessage(msg) && msg.message == kMsgQuit) {
            downloadFinished = true;
            break;
        }
        DWORD got = 0;
        if (InternetReadFile(s.urlHandle, chunk, sizeof chunk, &got) && got > 0) {
            // Blocks while the pipe is full; fails at once once the reader has gone.
            s.pipe.write(chunk, int(got));
            if (s.saveFile.isOpen()) s.saveFile.write(chunk, int(got));
        } else {
            downloadFinished = true;    // the end of the data, or a failed read
        }
    }
    s.pipe.closeWrite();
    s.saveFile.close();
    return 1;
}

} // namespace

void setStreamStallLimitMs(unsigned) {}

int HttpStream::openStream(const char* url) {
    closeStream();
    auto* s = new StreamState;
    char text[kStreamErrorTextBytes];
    s->internetHandle = InternetOpenA(net_texts::kUserAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    if (!s->internetHandle) {
        lastErrorText(text, sizeof text);
        delete s;
        prompt().show(text, net_texts::kInternetErrorTitle, IconError);
        return 0;
    }
    s->urlHandle = InternetOpenUrlA(s->internetHandle, url, net_texts::kAcceptHeader, DWORD(-1), 0, 0);
    if (!s->urlHandle) {
        lastErrorText(text, sizeof text);
        closeInternet(*s);
        delete s;
        prompt().show(text, net_texts::kUrlErrorTitle, IconError);
        return 0;
    }
    if (isErrorAnswer(s->urlHandle, text, sizeof text)) {
        closeInternet(*s);
        delete s;
        prompt().show(text, net_texts::kUrlErrorTitle, IconError);
        return 0;
    }
    if (InternetSetStatusCallback(s->urlHandle, &ignoreStatus) == INTERNET_INVALID_STATUS_CALLBACK) {
        closeInternet(*s);
        delete s;
        prompt().show(net_texts::kNoCallback, net_texts::kInternetErrorTitle, IconError);
        return 0;
    }
    if (!s->pipe.create(kStreamPipeBytes)) {
        closeInternet(*s);
        delete s;
        prompt().show(net_texts::kNoBuffer, net_texts::kInternetErrorTitle, IconError);
        return 0;
    }
    // Made here rather than on the download thread: its warning then goes through the
    // decoder thread's messages and never holds up the download.
    openStreamSaveFile(url, s->saveFile);
    if (s->thread.start(&downloadThread, s, kDownloadStackBytes) == -1) {
        s->pipe.closeRead();
        s->pipe.closeWrite();
        closeInternet(*s);
        delete s;
        prompt().show(net_texts::kNoThread, net_texts::kInternetErrorTitle, IconError);
        return 0;
    }
    impl_ = s;
    return 1;
}

int HttpStream::read(uint8_t* dst, int n) {
    auto* s = static_cast<StreamState*>(impl_);
    if (!s) return -1;
    // Whole reads, so that a header read never ends the stream for arriving in pieces.
    int have = 0;
    while (have < n) {
        int got = s->pipe.read(dst + have, n - have);
        if (got < 0) return have > 0 ? have : -1;
        if (got == 0) break;
        have += got;
    }
    return have;
}

void HttpStream::closeStream() {
    auto* s = static_cast<StreamState*>(impl_);
    if (!s) return;
    impl_ = nullptr;
    s->pipe.closeRead();
    postThreadMessage(s->thread.id(), kMsgQuit, 0, 0);
    // A thread blocked in a network read is given up on.
    if (!s->thread.join(kDownloadStopWaitMs)) s->thread.abandon(1);
    s->pipe.closeWrite();
    s->saveFile.close();
    closeInternet(*s);
    delete s;
}

} // namespace korvo
