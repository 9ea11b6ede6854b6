#include "platform/file.h"
#include "platform/replace_os.h"

#include <cstring>
#include <windows.h>

namespace korvo {

namespace {

HANDLE h(void* p) { return static_cast<HANDLE>(p); }

} // namespace

int File::open(const char* path, Mode mode) {
    close();
    if (!path || !*path) return 0;
    DWORD access = GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    if (mode == ReadWrite) access = GENERIC_READ | GENERIC_WRITE;
    else if (mode == Create) {
        access = GENERIC_READ | GENERIC_WRITE;
        disposition = CREATE_ALWAYS;
    }
    // The device namespace (pipes among it): opening a pipe there would take its connection.
    if (mode == ReadRegular && std::strncmp(path, "\\\\.\\", 4) == 0) return 0;
    HANDLE f = CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 0;
    // Names such as NUL or COM1 reach devices.
    if (mode == ReadRegular && GetFileType(f) != FILE_TYPE_DISK) {
        CloseHandle(f);
        return 0;
    }
    handle_ = f;
    return 1;
}

void File::close() {
    if (handle_) {
        CloseHandle(h(handle_));
        handle_ = nullptr;
    }
}

int File::read(void* dst, int n) {
    if (!handle_ || n < 0) return -1;
    DWORD got = 0;
    if (!ReadFile(h(handle_), dst, static_cast<DWORD>(n), &got, nullptr)) {
        // the write end of a pipe closing is the end of the data, not an error
        return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
    }
    return static_cast<int>(got);
}

int File::write(const void* src, int n) {
    if (!handle_ || n < 0) return -1;
    DWORD put = 0;
    if (!WriteFile(h(handle_), src, static_cast<DWORD>(n), &put, nullptr)) return -1;
    return static_cast<int>(put);
}

int64_t File::seek(int64_t offset, Origin origin) {
    if (!handle_) return -1;
    DWORD method = origin == Begin ? FILE_BEGIN : origin == Current ? FILE_CURRENT : FILE_END;
    LONG high = static_cast<LONG>(offset >> 32);
    SetLastError(NO_ERROR);
    DWORD low = SetFilePointer(h(handle_), static_cast<LONG>(offset & 0xFFFFFFFF), &high, method);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return -1;
    return (static_cast<int64_t>(high) << 32) | low;
}

int64_t File::position() { return seek(0, Current); }

int64_t File::size() {
    if (!handle_) return -1;
    DWORD high = 0;
    SetLastError(NO_ERROR);
    DWORD low = GetFileSize(h(handle_), &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return -1;
    return (static_cast<int64_t>(high) << 32) | low;
}

int File::truncateHere() {
    if (!handle_) return 0;
    return SetEndOfFile(h(handle_)) ? 1 : 0;
}

PathInfo pathInfo(const char* path) {
    PathInfo info;
    if (!path || !*path) return info;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExA(path, GetFileExInfoStandard, &data)) {
        info.exists = true;
        info.directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        info.regular = !info.directory && !(data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE);
        if (info.regular) info.size = (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    return info;
}

int removeFile(const char* path) { return path && DeleteFileA(path) ? 1 : 0; }

namespace replace_os {

int resolveTarget(const char* target, char* out, size_t outSize) {
    size_t n = std::strlen(target);
    if (n + 1 > outSize) return 0;
    std::memcpy(out, target, n + 1);
    return 1;
}

int makeTemporaryBeside(const char* target, char* temp, size_t tempSize) {
    if (tempSize < MAX_PATH) return 0;
    char folder[MAX_PATH];
    const char* slash = std::strrchr(target, '\\');
    const char* other = std::strrchr(target, '/');
    if (other && (!slash || other > slash)) slash = other;
    size_t n = slash ? size_t(slash - target + 1) : 0;
    if (n + 1 > sizeof folder) return 0;
    if (n == 0) {
        folder[0] = '.';
        folder[1] = 0;
    } else {
        std::memcpy(folder, target, n);
        folder[n] = 0;
    }
    // Makes the file, under a name no other caller gets.
    return GetTempFileNameA(folder, "kv", 0, temp) != 0 ? 1 : 0;
}

int flushToDisk(File& file) { return file.isOpen() && FlushFileBuffers(h(file.nativeHandle())) ? 1 : 0; }

int putInPlace(const char* temp, const char* target) {
    const DWORD attributes = GetFileAttributesA(target);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return MoveFileExA(temp, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 1 : 0;
    // A folder or a device is not replaced (Wine's ReplaceFileA would put the file in a
    // folder's place, and the folder's contents would be gone).
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) return 0;
    // An old file that another program holds open without delete sharing cannot be replaced;
    // asked first, since Wine's ReplaceFileA would leave an empty temporary file behind.
    HANDLE probe = CreateFileA(target, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    if (probe == INVALID_HANDLE_VALUE) return 0;
    CloseHandle(probe);
    // Keeps the old file's attributes, security and creation time.
    return ReplaceFileA(target, temp, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) ? 1 : 0;
}

int placeAsNew(const char* temp, const char* path) {
    // Without MOVEFILE_REPLACE_EXISTING the move refuses a name that is taken.
    if (MoveFileExA(temp, path, MOVEFILE_WRITE_THROUGH)) return 1;
    DWORD error = GetLastError();
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? -1 : 0;
}

} // namespace replace_os

bool systemProgramDirectory(char* out, size_t outSize) {
    if (outSize < 2) return false;
    DWORD n = GetModuleFileNameA(nullptr, out, static_cast<DWORD>(outSize));
    if (n == 0 || n >= outSize) return false;
    char* slash = std::strrchr(out, '\\');
    if (!slash) return false;
    slash[1] = '\0';
    return true;
}

} // namespace korvo
