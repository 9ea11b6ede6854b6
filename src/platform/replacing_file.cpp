#include <cstdio>
#include <cstring>

#include "platform/file.h"
#include "platform/replace_os.h"

namespace korvo {

namespace {

constexpr int kCopyChunk = 1 << 16;

int copyInto(const char* from, File& to) {
    File old;
    if (!old.open(from, File::ReadShared)) return 1;    // no old file: start empty
    static thread_local char buf[kCopyChunk];
    for (;;) {
        int n = old.read(buf, kCopyChunk);
        if (n < 0) return 0;
        if (n == 0) return 1;
        if (to.write(buf, n) != n) return 0;
    }
}

// path with " (n)" before the extension of its file name: "a/radio.mp3" -> "a/radio (2).mp3".
// A leading dot starts no extension. 0 when it does not fit.
int numberedName(const char* path, int n, char* out, size_t size) {
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '/' || *p == kPathSeparator) name = p + 1;
    const char* dot = std::strrchr(name, '.');
    if (!dot || dot == name) dot = name + std::strlen(name);
    int written = std::snprintf(out, size, "%.*s (%d)%s", int(dot - path), path, n, dot);
    return written > 0 && size_t(written) < size ? 1 : 0;
}

} // namespace

int ReplacingFile::open(const char* path, bool copyOld) {
    abandon();
    if (!path || !*path) return 0;
    if (!replace_os::resolveTarget(path, target_, sizeof target_)) return 0;
    if (!replace_os::makeTemporaryBeside(target_, temp_, sizeof temp_)) {
        temp_[0] = 0;
        return 0;
    }
    open_ = true;
    failed_ = false;
    flushed_ = false;
    if (!file_.open(temp_, File::ReadWrite) || (copyOld && !copyInto(target_, file_))) {
        abandon();
        return 0;
    }
    return 1;
}

int ReplacingFile::write(const void* src, size_t n) {
    if (!open_ || !file_.isOpen()) failed_ = true;
    const char* p = static_cast<const char*>(src);
    while (!failed_ && n > 0) {
        int chunk = n > size_t(kCopyChunk) ? kCopyChunk : int(n);
        if (file_.write(p, chunk) != chunk) failed_ = true;
        p += chunk;
        n -= size_t(chunk);
    }
    return failed_ ? 0 : 1;
}

bool ReplacingFile::finishWriting() {
    if (!open_ || failed_) return false;
    if (flushed_) return true;
    // A file others wrote by its path is opened again to be flushed.
    bool ok = file_.isOpen() || file_.open(temp_, File::ReadWrite) == 1;
    if (ok) ok = replace_os::flushToDisk(file_) == 1;
    file_.close();
    failed_ = !ok;
    flushed_ = ok;
    return ok;
}

int ReplacingFile::commit() {
    if (!finishWriting() || !replace_os::putInPlace(temp_, target_)) {
        abandon();
        return 0;
    }
    open_ = false;
    temp_[0] = 0;
    return 1;
}

int ReplacingFile::commitBeside(char* placed, size_t placedSize) {
    char path[kPathCapacity];
    int result = 0;
    if (finishWriting()) {
        for (int n = 2; n <= kNumberedNamesTried && numberedName(target_, n, path, sizeof path); ++n) {
            result = replace_os::placeAsNew(temp_, path);
            if (result != -1) break;    // -1: the name is taken, try the next
        }
    }
    if (result != 1) {
        abandon();
        return 0;
    }
    if (placed && placedSize > 0) std::snprintf(placed, placedSize, "%s", path);
    open_ = false;
    temp_[0] = 0;
    return 1;
}

void ReplacingFile::abandon() {
    file_.close();
    if (open_ && temp_[0]) removeFile(temp_);
    open_ = false;
    temp_[0] = 0;
}

int writeWholeFile(const char* path, const void* data, size_t size) {
    ReplacingFile out;
    if (!out.open(path)) return 0;
    if (size > 0 && !out.write(data, size)) return 0;
    return out.commit();
}

} // namespace korvo
