#pragma once
// Files through the operating system: a thin handle with Win32 semantics on both sides.
#include <cstddef>
#include <cstdint>

namespace korvo {

class File {
public:
    // Create truncates or makes the file, read/write access. ReadRegular reads an ordinary file
    // only: a folder, device, pipe, FIFO or socket (whose reading may never end, or whose
    // opening waits for a writer) is refused without waiting.
    enum Mode { ReadShared, ReadWrite, Create, ReadRegular };
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

// File attributes of a path (a link is followed).
struct PathInfo {
    bool exists = false;
    bool directory = false;
    bool regular = false;      // an ordinary file: no folder, FIFO or device
    int64_t size = -1;         // bytes, of a regular file
};
PathInfo pathInfo(const char* path);
int removeFile(const char* path);              // 1 on success

// Room for a path: 259 characters and the terminator (the ANSI file functions' limit).
inline constexpr int kPathCapacity = 260;
inline constexpr int kMaxPathLength = kPathCapacity - 1;

// A whole file written beside the one it replaces. The bytes go into a temporary file in the
// same folder, which takes the old file's place only when commit finds all of them written and
// flushed; the new file keeps the old one's attributes (Windows) or mode (Linux). Until then,
// and after any failure, the old file stays byte for byte. An uncommitted writer removes its
// temporary file.
class ReplacingFile {
public:
    ReplacingFile() = default;
    ~ReplacingFile() { abandon(); }
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Makes the temporary file for path; 1 on success. copyOld starts it as a copy of the file
    // at path (when there is one), for writers that change a file rather than make it anew.
    int open(const char* path, bool copyOld = false);
    // 1 when all n bytes went in. A failed write makes commit fail too.
    int write(const void* src, size_t n);
    // Flushes, closes and puts the temporary file in place of the old one; 1 on success. On
    // failure the temporary file is removed and the old file is as it was.
    int commit();
    // Like commit, but the old file stays: the new one takes the first of "name (2).ext",
    // "name (3).ext", ... up to kNumberedNamesTried that names nothing yet. 1 on success, with
    // that path in placed when given.
    int commitBeside(char* placed = nullptr, size_t placedSize = 0);
    static constexpr int kNumberedNamesTried = 999;
    void abandon();
    bool isOpen() const { return open_; }
    // The temporary file, for writers that change it through its path (the profile functions):
    // they work on it between open and commit, while this writer holds no handle to it.
    const char* temporaryPath() const { return temp_; }
    // Lets go of the handle so that others can write the temporary file by its path.
    void releaseHandle() { file_.close(); }

private:
    // Flushes and closes the temporary file, once; false when something went wrong.
    bool finishWriting();

    File file_;
    char target_[kPathCapacity] = {};
    char temp_[kPathCapacity] = {};
    bool open_ = false;
    bool failed_ = false;
    bool flushed_ = false;
};

// Replaces the file at path with size bytes of data through a ReplacingFile; 1 on success.
int writeWholeFile(const char* path, const void* data, size_t size);

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
