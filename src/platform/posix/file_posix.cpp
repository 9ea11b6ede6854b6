#include "platform/file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvo {

namespace {

// The descriptor is kept as fd + 1 so that a null handle means "closed".
int fdOf(void* h) { return static_cast<int>(reinterpret_cast<intptr_t>(h)) - 1; }
void* handleOf(int fd) { return reinterpret_cast<void*>(static_cast<intptr_t>(fd) + 1); }

} // namespace

int File::open(const char* path, Mode mode) {
    close();
    if (!path || !*path) return 0;
    int flags = O_RDONLY;
    if (mode == ReadWrite) flags = O_RDWR;
    else if (mode == Create) flags = O_RDWR | O_CREAT | O_TRUNC;
    int fd;
    do fd = ::open(path, flags | O_CLOEXEC, 0644);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return 0;
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {    // CreateFileA refuses folders
        ::close(fd);
        return 0;
    }
    handle_ = handleOf(fd);
    return 1;
}

void File::close() {
    if (handle_) {
        ::close(fdOf(handle_));
        handle_ = nullptr;
    }
}

int File::read(void* dst, int n) {
    if (!handle_ || n < 0) return -1;
    char* p = static_cast<char*>(dst);
    int done = 0;
    while (done < n) {
        ssize_t r = ::read(fdOf(handle_), p + done, static_cast<size_t>(n - done));
        if (r < 0) {
            if (errno == EINTR) continue;
            return done > 0 ? done : -1;
        }
        if (r == 0) break;
        done += static_cast<int>(r);
    }
    return done;
}

int File::write(const void* src, int n) {
    if (!handle_ || n < 0) return -1;
    const char* p = static_cast<const char*>(src);
    int done = 0;
    while (done < n) {
        ssize_t r = ::write(fdOf(handle_), p + done, static_cast<size_t>(n - done));
        if (r < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        done += static_cast<int>(r);
    }
    return done;
}

int64_t File::seek(int64_t offset, Origin origin) {
    if (!handle_) return -1;
    int whence = origin == Begin ? SEEK_SET : origin == Current ? SEEK_CUR : SEEK_END;
    off_t r = ::lseek(fdOf(handle_), static_cast<off_t>(offset), whence);
    return r < 0 ? -1 : static_cast<int64_t>(r);
}

int64_t File::position() { return seek(0, Current); }

int64_t File::size() {
    if (!handle_) return -1;
    struct stat st;
    if (fstat(fdOf(handle_), &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

int File::truncateHere() {
    int64_t pos = position();
    if (pos < 0) return 0;
    return ftruncate(fdOf(handle_), static_cast<off_t>(pos)) == 0 ? 1 : 0;
}

PathInfo pathInfo(const char* path) {
    PathInfo info;
    struct stat st;
    if (path && *path && stat(path, &st) == 0) {
        info.exists = true;
        info.directory = S_ISDIR(st.st_mode);
    }
    return info;
}

int removeFile(const char* path) { return path && ::unlink(path) == 0 ? 1 : 0; }

bool systemProgramDirectory(char* out, size_t outSize) {
    if (outSize < 2) return false;
    ssize_t n = ::readlink("/proc/self/exe", out, outSize - 1);
    if (n <= 0 || static_cast<size_t>(n) >= outSize - 1) return false;    // none, or maybe cut
    out[n] = '\0';
    char* slash = std::strrchr(out, '/');
    if (!slash) return false;
    slash[1] = '\0';
    return true;
}

} // namespace korvo
