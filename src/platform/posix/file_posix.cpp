#include "platform/file.h"
#include "platform/replace_os.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
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
    else if (mode == ReadRegular) flags = O_RDONLY | O_NONBLOCK;    // a FIFO's open would wait
    int fd;
    do fd = ::open(path, flags | O_CLOEXEC, 0644);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return 0;
    struct stat st;
    const bool known = fstat(fd, &st) == 0;
    // CreateFileA refuses folders
    if ((known && S_ISDIR(st.st_mode)) || (mode == ReadRegular && !(known && S_ISREG(st.st_mode)))) {
        ::close(fd);
        return 0;
    }
    if (mode == ReadRegular) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
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
        info.regular = S_ISREG(st.st_mode);
        if (info.regular) info.size = static_cast<int64_t>(st.st_size);
    }
    return info;
}

int removeFile(const char* path) { return path && ::unlink(path) == 0 ? 1 : 0; }

namespace replace_os {

int resolveTarget(const char* target, char* out, size_t outSize) {
    // A link is followed to its file, so that the link itself stays.
    char resolved[PATH_MAX];
    const char* path = target;
    struct stat st;
    if (lstat(target, &st) == 0 && S_ISLNK(st.st_mode) && realpath(target, resolved)) path = resolved;
    size_t n = std::strlen(path);
    if (n + 1 > outSize) return 0;
    std::memcpy(out, path, n + 1);
    return 1;
}

int makeTemporaryBeside(const char* target, char* temp, size_t tempSize) {
    const char* slash = std::strrchr(target, '/');
    const size_t folder = slash ? size_t(slash - target + 1) : 0;
    static const char kPattern[] = ".korvo-XXXXXX";
    if (folder + sizeof kPattern > tempSize) return 0;
    std::memcpy(temp, target, folder);
    std::memcpy(temp + folder, kPattern, sizeof kPattern);
    int fd = mkostemp(temp, O_CLOEXEC);
    if (fd < 0) return 0;
    ::close(fd);
    return 1;
}

int flushToDisk(File& file) { return file.isOpen() && fsync(fdOf(file.nativeHandle())) == 0 ? 1 : 0; }

namespace {
// The mode a new file gets: what open(2) would give 0666 under this process's umask, read
// without changing it (umask(2) would, for every thread at once).
mode_t newFileMode() {
    mode_t mask = 022;
    if (std::FILE* f = std::fopen("/proc/self/status", "re")) {
        char line[128];
        while (std::fgets(line, sizeof line, f))
            if (std::strncmp(line, "Umask:", 6) == 0) {
                mask = mode_t(std::strtoul(line + 6, nullptr, 8));
                break;
            }
        std::fclose(f);
    }
    return 0666 & ~mask;
}
} // namespace

int putInPlace(const char* temp, const char* target) {
    struct stat st;
    if (stat(target, &st) == 0) {
        if (!S_ISREG(st.st_mode)) return 0;    // a folder or a device is not replaced
        if (chmod(temp, st.st_mode & 07777) != 0) return 0;
        // Keeping another owner's file needs rights we may not have; it then becomes ours.
        if (chown(temp, st.st_uid, st.st_gid) != 0) {
        }
    } else if (chmod(temp, newFileMode()) != 0) {
        return 0;
    }
    return ::rename(temp, target) == 0 ? 1 : 0;
}

int placeAsNew(const char* temp, const char* path) {
    if (chmod(temp, newFileMode()) != 0) return 0;
    // A link refuses a name that is taken, where rename would replace what has it.
    if (::link(temp, path) == 0) {
        ::unlink(temp);
        return 1;
    }
    if (errno == EEXIST) return -1;
    // A file system without hard links (FAT): look, then move.
    struct stat st;
    if (lstat(path, &st) == 0) return -1;
    if (errno != ENOENT) return 0;
    return ::rename(temp, path) == 0 ? 1 : 0;
}

} // namespace replace_os

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
