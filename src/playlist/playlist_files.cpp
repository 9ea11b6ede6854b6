// Adding paths by their kind, and reading and writing playlist files.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/dir_search.h"
#include "platform/file.h"
#include "platform/profile.h"
#include "platform/prompt.h"
#include "playlist.h"
#include "playlist_texts.h"

namespace korvo {

namespace {

namespace T = playlist_texts;

// Room for a line or profile value well past the path limit, so overlong text is seen and refused.
constexpr int kLineCapacity = 1024;

void reportPath(const char* format, const char* path) {
    char text[kLineCapacity + 64];
    std::snprintf(text, sizeof text, format, path);
    prompt().show(text, T::kErrorTitle, IconWarning);
}

char upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

bool endsWithNoCase(const char* s, const char* suffix) {
    size_t n = std::strlen(s), m = std::strlen(suffix);
    if (n < m) return false;
    for (size_t i = 0; i < m; ++i)
        if (upper(s[n - m + i]) != upper(suffix[i])) return false;
    return true;
}

bool containsUrlMarker(const char* s) { return std::strstr(s, T::kUrlMarker) != nullptr; }

// The folder of a playlist file: up to, not including, its last separator. known is
// false when the path has no separator at all (entries are then taken as they stand).
struct PlaylistFolder {
    char text[kPathCapacity] = {};
    bool known = false;
};

PlaylistFolder folderOf(const char* path) {
    PlaylistFolder f;
    int last = lastSeparator(path);
    if (last < 0) return f;
    f.known = true;
    if (last >= kPathCapacity) return f;   // cannot happen for a path of at most 259 characters
    std::memcpy(f.text, path, size_t(last));
    f.text[last] = 0;
    return f;
}

// Playlist files given relative to the working folder are made absolute first: the Windows
// profile functions would otherwise look for them in the Windows folder. The normal form
// ("a/./b/../list.pls" as "a/list.pls") also lets a list that names itself be recognised.
bool absoluteListPath(const char* path, char* out, size_t outSize) {
    std::string full = path;
    if (!containsUrlMarker(path)) {
        std::error_code ec;
        std::filesystem::path p = std::filesystem::absolute(path, ec);
        if (!ec) full = p.lexically_normal().string();
    }
    if (full.size() + 1 > outSize) return false;
    std::memcpy(out, full.c_str(), full.size() + 1);
    return true;
}

// The highest n of the section's "File<n>" keys (n from 1 up, written without leading
// zeros, as the reader asks for them), or 0 when there is none.
int64_t highestFileKey(const char* path) {
    std::vector<std::string> names;
    // A list too long for the bound is read up to the last whole name that came.
    profileGetKeyNames(T::kPlsSection, names, path);
    const size_t prefixLength = size_t(std::strchr(T::kPlsFileKeyFormat, '%') - T::kPlsFileKeyFormat);
    int64_t highest = 0;
    for (const std::string& name : names) {
        if (name.size() <= prefixLength || name[prefixLength] == '0') continue;
        bool prefix = true;
        for (size_t i = 0; i < prefixLength; ++i)
            if (upper(name[i]) != upper(T::kPlsFileKeyFormat[i])) prefix = false;
        if (!prefix) continue;
        int64_t n = 0;
        for (size_t i = prefixLength; i < name.size() && n <= INT_MAX; ++i)
            n = (name[i] >= '0' && name[i] <= '9') ? n * 10 + (name[i] - '0') : INT64_MAX;
        if (n <= INT_MAX && n > highest) highest = n;
    }
    return highest;
}

void stripLineBreaks(char* s) {
    size_t n = std::strlen(s);
    while (n > 0 && (s[n - 1] == '\n' || s[n - 1] == '\r')) s[--n] = 0;
}

// Reads one line of any length; keeps at most outSize - 1 characters and tells whether it
// had to drop some. False at the end of the file.
bool readLine(std::FILE* f, char* out, int outSize, bool& overlong) {
    int n = 0;
    overlong = false;
    int c;
    bool any = false;
    while ((c = std::fgetc(f)) != EOF) {
        any = true;
        if (c == '\n') break;
        if (n < outSize - 1)
            out[n++] = char(c);
        else
            overlong = true;
    }
    out[n] = 0;
    return any;
}

} // namespace

int Playlist::addPath(int mode, const char* path) {
    if (!path) return 1;
    if (std::strlen(path) > size_t(kMaxPathLength)) {
        reportPath(T::kErrorProcessingFile, path);
        return 1;
    }
    if (endsWithNoCase(path, T::kPlsExtension)) {
        if (!readPlsFile(path)) reportPath(T::kErrorLoadingPlaylist, path);
        return 1;
    }
    if (endsWithNoCase(path, T::kM3uExtension)) {
        if (!readM3uFile(path)) reportPath(T::kErrorLoadingPlaylist, path);
        return 1;
    }
    PathInfo info = mode == AddUrl ? PathInfo{} : pathInfo(path);
    if (mode == AddUrl || (info.exists && !info.directory)) {
        addEntry(path);
        return 1;
    }
    if (!info.exists) {   // names nothing: reported now, or with the open batch
        reportMissing(path);
        return 1;
    }
    if (!addDirectory(path)) reportPath(T::kErrorAddingDirectory, path);
    return 1;
}

const char* Playlist::missingPathFormat() const { return missingFormat_ ? missingFormat_ : T::kErrorAddingDirectory; }

void Playlist::reportMissing(const char* path) {
    if (batchDepth_ == 0) {
        reportPath(missingPathFormat(), path);
        return;
    }
    if (missingCount_ < INT_MAX) ++missingCount_;
    if (missingExampleCount_ < T::kEntriesNotFoundExamples) {
        std::snprintf(missingExamples_[missingExampleCount_], kPathCapacity, "%s", path);
        ++missingExampleCount_;
    }
}

void Playlist::beginAddBatch() {
    if (batchDepth_ < INT_MAX) ++batchDepth_;
}

void Playlist::endAddBatch() {
    if (batchDepth_ == 0 || --batchDepth_ > 0) return;
    int count = missingCount_;
    missingCount_ = 0;
    int examples = missingExampleCount_;
    missingExampleCount_ = 0;
    if (count == 0) return;
    if (count == 1) {
        reportPath(missingPathFormat(), missingExamples_[0]);
        return;
    }
    char lines[T::kEntriesNotFoundExamples * kPathCapacity] = {};
    size_t used = 0;
    for (int i = 0; i < examples; ++i) {
        int n = std::snprintf(lines + used, sizeof lines - used, i ? "\n%s" : "%s", missingExamples_[i]);
        if (n < 0 || size_t(n) >= sizeof lines - used) break;
        used += size_t(n);
    }
    char text[sizeof lines + sizeof T::kEntriesNotFound + 16];
    std::snprintf(text, sizeof text, T::kEntriesNotFound, count, lines);
    prompt().show(text, T::kErrorTitle, IconWarning);
}

int Playlist::addDirectory(const char* folder) {
    char pattern[kPathCapacity];
    if (!joinPath(folder, T::kAudioPattern, pattern, sizeof pattern)) return 0;
    // A subfolder that is a link back to a folder being added holds nothing new; following
    // it would add the same files again at every turn of the loop.
    FolderIdentity identity;
    const bool identified = folderIdentity(folder, identity) == 1;
    if (identified)
        for (const FolderIdentity& open : foldersBeingAdded_)
            if (open == identity) return 1;
    DirSearch search;
    DirEntry match;
    if (!search.first(pattern, match)) return 0;
    if (identified) foldersBeingAdded_.push_back(identity);
    prompt().show(T::kAdding, T::kNoteTitle, IconNone);
    do {
        if (match.name == "." || match.name == "..") continue;
        char path[kPathCapacity];
        if (joinPath(folder, match.name.c_str(), path, sizeof path)) {
            addPath(AddOrdinary, path);
        } else {
            std::string joined = std::string(folder) + kPathSeparator + match.name;
            reportPath(T::kErrorProcessingFile, joined.c_str());
        }
    } while (search.next(match));
    if (identified) foldersBeingAdded_.pop_back();
    prompt().show(T::kFinishedAdding, T::kNoteTitle, IconNone);
    search.close();
    return 1;
}

// Resolves one entry of a playlist file against the playlist's folder and adds it.
void Playlist::addResolved(const char* folder, bool folderKnown, const char* entryText) {
    if (containsUrlMarker(entryText)) {
        if (std::strlen(entryText) > size_t(kMaxPathLength))
            reportPath(T::kErrorProcessingFile, entryText);
        else
            addPath(AddUrl, entryText);
        return;
    }
    char path[kPathCapacity];
    bool fits;
    if (isAbsolutePath(entryText) || !folderKnown) {
        fits = std::strlen(entryText) <= size_t(kMaxPathLength);
        if (fits) std::memcpy(path, entryText, std::strlen(entryText) + 1);
    } else if (folder[0] == 0) {
        // The playlist lies in the root ("/list.pls"): the separator is the folder.
        const char root[2] = {kPathSeparator, 0};
        fits = joinPath(root, entryText, path, sizeof path) == 1;
    } else {
        fits = joinPath(folder, entryText, path, sizeof path) == 1;
    }
    if (!fits) {
        std::string joined = folderKnown && !isAbsolutePath(entryText)
                                 ? std::string(folder) + kPathSeparator + entryText
                                 : std::string(entryText);
        reportPath(T::kErrorProcessingFile, joined.c_str());
        return;
    }
    addPath(AddOrdinary, path);
}

int Playlist::enterList(const char* path) {
    if (listDepth_ >= kMaxListNesting) return 0;
    for (int i = 0; i < listDepth_; ++i)
        if (samePath(listsBeingRead_[i], path)) return 0;
    std::snprintf(listsBeingRead_[listDepth_], kPathCapacity, "%s", path);
    ++listDepth_;
    return 1;
}

void Playlist::leaveList() {
    if (listDepth_ > 0) --listDepth_;
}

int Playlist::readPlsFile(const char* given) {
    char path[kPathCapacity];
    if (!absoluteListPath(given, path, sizeof path)) return 0;
    PlaylistFolder folder = folderOf(path);
    int64_t count = profileGetInt(T::kPlsSection, T::kPlsCountKey, -1, path);
    if (count == -1) return 0;
    if (!enterList(path)) return 0;
    // The count is only a claim: keys past the highest File key are not asked for.
    int64_t last = std::min(count, highestFileKey(path));
    beginAddBatch();
    for (int64_t i = 1; i <= last; ++i) {
        char key[32];
        std::snprintf(key, sizeof key, T::kPlsFileKeyFormat, int(i));
        char value[kLineCapacity];
        profileGetString(T::kPlsSection, key, "", value, sizeof value, path);
        if (value[0] == 0) continue;   // a missing key would only name the playlist's folder
        addResolved(folder.text, folder.known, value);
    }
    endAddBatch();
    leaveList();
    return 1;
}

int Playlist::readM3uFile(const char* given) {
    char path[kPathCapacity];
    if (!absoluteListPath(given, path, sizeof path)) return 0;
    PlaylistFolder folder = folderOf(path);
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return 0;
    if (!enterList(path)) {
        std::fclose(f);
        return 0;
    }
    beginAddBatch();
    char line[kLineCapacity];
    bool overlong;
    bool first = true;
    while (readLine(f, line, sizeof line, overlong)) {
        char* text = line;
        if (first && std::strncmp(text, "\xEF\xBB\xBF", 3) == 0) text += 3;   // UTF-8 byte order mark
        first = false;
        stripLineBreaks(text);
        // Blank lines and "#EXTM3U" / "#EXTINF:" lines are not entries.
        if (text[0] == 0 || text[0] == T::kM3uCommentStart) continue;
        if (overlong) {
            reportPath(T::kErrorProcessingFile, text);
            continue;
        }
        addResolved(folder.text, folder.known, text);
    }
    std::fclose(f);
    endAddBatch();
    leaveList();
    return 1;
}

int Playlist::writePlsFile(const char* given) {
    if (!head_) return 0;
    char path[kPathCapacity];
    if (!absoluteListPath(given, path, sizeof path)) return 0;
    // The folder for writing keeps its trailing separator.
    char folder[kPathCapacity] = {};
    int last = lastSeparator(path);
    if (last >= 0 && last + 1 < kPathCapacity) {
        std::memcpy(folder, path, size_t(last + 1));
        folder[last + 1] = 0;
    }
    int written = 0;
    bool ok = true;
    for (const PlaylistEntry* e = head_; e; e = e->next) {
        ++written;
        const char* value = e->path;
        if (folder[0] && pathStartsWith(e->path, folder)) value = e->path + std::strlen(folder);
        char key[32];
        std::snprintf(key, sizeof key, T::kPlsFileKeyFormat, written);
        if (!profileWriteString(T::kPlsSection, key, value, path)) ok = false;
    }
    char number[16];
    std::snprintf(number, sizeof number, T::kPlsCountFormat, written);
    if (!profileWriteString(T::kPlsSection, T::kPlsCountKey, number, path)) ok = false;
    return ok ? written : 0;
}

} // namespace korvo
