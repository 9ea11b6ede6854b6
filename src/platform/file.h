#pragma once
// Files through the operating system: a thin handle with Win32 semantics on both sides.
#include <cstdint>

namespace korvo {

class File {
public:
    enum Mode { ReadShared, ReadWrite, Create };   // Create truncates or makes the file, read/write access
    enum Origin { Begin, Current, End };

    File() = default;
    ~File() { close(); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    File& operator=(File&& other) noexcept {
        if (this != &other) {
            close();
            handle_ = other.handle_;
            other.handle_ = nullptr;
        }
        return *this;
    }

    int open(const char* path, Mode mode);     // 1 on success
    void close();
    bool isOpen() const { return handle_ != nullptr; }

    // Bytes read (0 at the end of the file), or -1 on an error.
    int read(void* dst, int n);
    // Bytes written, or -1 on an error.
    int write(const void* src, int n);
    // Moves like SetFilePointer: returns the new position, or -1 on failure.
    int64_t seek(int64_t offset, Origin origin);
    int64_t position();
    int64_t size();
    int truncateHere();                        // cut the file at the current position; 1 on success

    void* nativeHandle() const { return handle_; }

private:
    void* handle_ = nullptr;
};

// File attributes of a path.
struct PathInfo {
    bool exists = false;
    bool directory = false;
};
PathInfo pathInfo(const char* path);
int removeFile(const char* path);              // 1 on success

// The folder of the running program, ending in the path separator.
const char* programDirectory();
// Overrides the program directory (tests place their INI files in a scratch folder).
void setProgramDirectory(const char* dir);

#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

} // namespace korvo
