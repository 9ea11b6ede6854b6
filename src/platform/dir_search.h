#pragma once
// Directory search with a wildcard, matched like FindFirstFileA (case-insensitive, ? and *).
#include <cstdint>
#include <string>

namespace korvo {

struct DirEntry {
    std::string name;      // the entry's name without its folder
    bool directory = false;
    bool hidden = false;   // hidden or system (Windows), a name beginning with "." (elsewhere)
};

class DirSearch {
public:
    DirSearch() = default;
    ~DirSearch();
    DirSearch(const DirSearch&) = delete;
    DirSearch& operator=(const DirSearch&) = delete;

    // Matches come in the system's order (posix sorts them without case, like an NTFS folder).
    // "." and ".." are reported when the wildcard matches them, as FindFirstFileA does.
    // pattern is a folder path followed by a wildcard, e.g. "C:\\music\\*.mp3" or "/music/*".
    // Returns 1 and fills entry with the first match, 0 when nothing matches.
    int first(const char* pattern, DirEntry& entry);
    int next(DirEntry& entry);    // 0 when there is no further match
    void close();

private:
    void* impl_ = nullptr;
};

// The wildcard rule itself (shared by the posix side and its tests).
bool wildcardMatch(const char* pattern, const char* name);

// A folder or a file whatever path reaches it, through symbolic or hard links or junctions:
// its volume and its number there. 0 when it cannot be looked at.
struct FolderIdentity {
    uint64_t volume = 0;
    uint64_t index = 0;
    bool operator==(const FolderIdentity&) const = default;
};
int folderIdentity(const char* path, FolderIdentity& out);

// Whether two paths reach the same existing file (a name that is spelt differently or a
// link counts as the same file).
inline bool sameFile(const char* a, const char* b) {
    FolderIdentity x, y;
    return folderIdentity(a, x) && folderIdentity(b, y) && x == y;
}

} // namespace korvo
