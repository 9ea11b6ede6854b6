#include "net/stream.h"

#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "net/download.h"
#include "net/net_texts.h"
#include "platform/file.h"
#include "platform/prompt.h"

namespace korvo {

namespace {

// Device names Windows keeps for itself, with or without an extension.
bool reservedDeviceName(const char* name, size_t len) {
    static const char* const kNames[] = {"CON", "PRN", "AUX", "NUL"};
    size_t stem = 0;
    while (stem < len && name[stem] != '.') ++stem;
    auto same = [&](const char* word) {
        size_t n = std::strlen(word);
        if (n != stem) return false;
        for (size_t i = 0; i < n; ++i)
            if (std::toupper(static_cast<unsigned char>(name[i])) != word[i]) return false;
        return true;
    };
    for (const char* w : kNames)
        if (same(w)) return true;
    if (stem == 4 && name[3] >= '1' && name[3] <= '9') {
        char three[4] = {char(std::toupper(static_cast<unsigned char>(name[0]))),
                         char(std::toupper(static_cast<unsigned char>(name[1]))),
                         char(std::toupper(static_cast<unsigned char>(name[2]))), 0};
        if (!std::strcmp(three, "COM") || !std::strcmp(three, "LPT")) return true;
    }
    return false;
}

bool safeName(const char* name, size_t len) {
    if (len == 0) return false;
    if ((len == 1 && name[0] == '.') || (len == 2 && name[0] == '.' && name[1] == '.')) return false;
    for (size_t i = 0; i < len; ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || c == 0x7f || std::strchr("\\/:*?\"<>|", c)) return false;
    }
    return !reservedDeviceName(name, len);
}

} // namespace

int streamSavePath(const char* url, const char* dir, char* path, int size) {
    if (size > 0) path[0] = 0;
    if (!url || !dir || size <= 0) return 0;
    // The path starts at the first '/' after "scheme://host"; it ends at '?' or '#'.
    const char* scheme = std::strstr(url, "://");
    const char* p = scheme ? scheme + 3 : url;
    const char* end = p + std::strcspn(p, "?#");
    const char* slash = nullptr;
    for (const char* q = p; q < end; ++q)
        if (*q == '/') slash = q;
    if (!slash) return 0;    // no path at all: nothing to name the file after
    const char* name = slash + 1;
    size_t len = size_t(end - name);
    if (!safeName(name, len)) return 0;
    size_t dirLen = std::strlen(dir);
    if (dirLen == 0) return 0;    // no folder: the name alone would land wherever we run
    bool separator = dirLen > 0 && (dir[dirLen - 1] == '/' || dir[dirLen - 1] == '\\');
    size_t total = dirLen + (separator ? 0 : 1) + len;
    if (total + 1 > size_t(size)) return 0;
    std::memcpy(path, dir, dirLen);
    size_t at = dirLen;
    if (!separator) path[at++] = kPathSeparator;
    std::memcpy(path + at, name, len);
    path[at + len] = 0;
    return 1;
}

namespace {
std::atomic<unsigned> gStallLimitMs{kStreamStallLimitMs};
std::atomic<unsigned> gReconnectUnitMs{kReconnectUnitMs};
std::atomic<unsigned> gStops{0};
} // namespace

void setStreamStallLimitMs(unsigned ms) { gStallLimitMs.store(ms); }
unsigned streamStallLimitMs() { return gStallLimitMs.load(); }
void setStreamReconnectUnitMs(unsigned ms) { gReconnectUnitMs.store(ms); }
unsigned streamReconnectUnitMs() { return gReconnectUnitMs.load(); }
void interruptStreamReconnect() { gStops.fetch_add(1); }
unsigned streamStops() { return gStops.load(); }
bool Download::stopAsked() const { return streamStops() != stopsAtOpen; }

long ReconnectPlan::next(bool live, int64_t bytes, unsigned lastedMs, bool failed) {
    // A try that failed before any audio (an error answer) tells nothing of the station's length.
    if (!live && !(reconnected_ && bytes == 0 && failed)) return -1;
    const unsigned unit = streamReconnectUnitMs();
    if (bytes > 0) played_ = true;
    if (bytes > 0 && lastedMs >= unit * kReconnectFreshUnits) tries_ = 0;
    if (!played_ || (reconnected_ && bytes == 0 && !failed)) return -1;
    if (tries_ == kReconnectTries) {
        usedUp_ = true;
        return -1;
    }
    reconnected_ = true;
    return long(unit) * kReconnectWaitUnits[tries_++];
}

void TransferRecord::ended(const char* error) {
    std::lock_guard<std::mutex> lock(m_);
    if (state_ != Running) return;
    if (announced_ >= 0 && received_ < announced_) {
        state_ = Short;
        std::snprintf(text_, sizeof text_, net_texts::kTransferShort, static_cast<long long>(received_),
                      static_cast<long long>(announced_));
    } else if (error) {
        state_ = Failed;
        std::snprintf(text_, sizeof text_, net_texts::kTransferFailed, error);
    } else {
        state_ = Complete;
        reachedLength_ = announced_ >= 0;
    }
}

void TransferRecord::stopped() {
    std::lock_guard<std::mutex> lock(m_);
    if (state_ == Running) state_ = Stopped;
}

int TransferRecord::fault(char* text, int size) const {
    std::lock_guard<std::mutex> lock(m_);
    if (state_ != Short && state_ != Failed) return 0;
    if (size > 0) std::snprintf(text, size_t(size), "%s", text_);
    return 1;
}

bool TransferRecord::complete() const {
    std::lock_guard<std::mutex> lock(m_);
    return reachedLength_;
}

void StreamSaveFile::open(const char* url, const StreamSaving& saving) {
    if (!saving.save) return;
    bool opened = false;
    if (streamSavePath(url, saving.folder, path_, int(sizeof path_))) {
        const PathInfo old = pathInfo(path_);
        if (old.exists && !old.directory && !old.regular) opened = direct_.open(path_, File::Create) == 1;
        else opened = copy_.open(path_) == 1;
    }
    written_ = 0;
    if (!opened) prompt().show(net_texts::kSaveFileFailed, net_texts::kSaveFileTitle, IconWarning);
}

void StreamSaveFile::write(const void* data, int n) {
    if (direct_.isOpen()) {
        direct_.write(data, n);
    } else if (copy_.isOpen()) {
        copy_.write(data, size_t(n));    // a failed write fails the commit, which tells
        written_ += n;
    }
}

void StreamSaveFile::drop() {
    direct_.close();
    copy_.abandon();
}

void StreamSaveFile::finish(bool complete) {
    direct_.close();
    if (!copy_.isOpen()) return;
    const PathInfo old = pathInfo(path_);
    int kept;
    if (!old.exists || (old.regular && (complete || written_ >= old.size))) {
        kept = copy_.commit();
    } else if (written_ == 0) {
        copy_.abandon();    // nothing arrived: nothing to keep beside the old file
        kept = 1;
    } else {
        kept = copy_.commitBeside();
    }
    if (!kept) {
        char text[kPathCapacity + sizeof net_texts::kSaveFileNotKept];
        std::snprintf(text, sizeof text, net_texts::kSaveFileNotKept, path_);
        prompt().show(text, net_texts::kSaveFileTitle, IconWarning);
    }
}

} // namespace korvo
