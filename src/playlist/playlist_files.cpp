// Adding paths by their kind, and reading and writing playlist files.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/dir_search.h"
#include "platform/file.h"
#include "platform/ini_text.h"
#include "platform/prompt.h"
#include "entry_info.h"
#include "list_items.h"
#include "playlist.h"
#include "pls_reader.h"
#include "playlist_texts.h"
#include "text_encoding.h"

namespace korvo {

namespace {

namespace T = playlist_texts;

// Room for a line or profile value well past the path limit, so overlong text is seen and refused.
constexpr int kLineCapacity = 1024;
// A folder's progress is told every so many files added.
constexpr int kProgressStep = 500;

char upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

bool endsWithNoCase(const char* s, const char* suffix) {
    size_t n = std::strlen(s), m = std::strlen(suffix);
    if (n < m) return false;
    for (size_t i = 0; i < m; ++i)
        if (upper(s[n - m + i]) != upper(suffix[i])) return false;
    return true;
}

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
    // Paths are UTF-8 (the Windows program's code page); the library's own narrow
    // conversion there would take them for another code page and lose them.
    if (!containsUrlMarker(path) && isValidUtf8(path, std::strlen(path))) {
        std::error_code ec;
        std::filesystem::path p =
            std::filesystem::absolute(std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(path))), ec);
        if (!ec) {
            std::u8string text = p.lexically_normal().u8string();
            full.assign(text.begin(), text.end());
        }
    }
    if (full.size() + 1 > outSize) return false;
    std::memcpy(out, full.c_str(), full.size() + 1);
    return true;
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

constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";

// An M3U file is UTF-8 when it says so by its name or its mark, or when every line is
// well-formed UTF-8; older lists are Latin-1.
bool m3uIsUtf8(std::FILE* f, const char* path) {
    if (endsWithNoCase(path, T::kM3u8Extension)) return true;
    char line[kLineCapacity];
    bool overlong;
    bool utf8 = true;
    bool first = true;
    while (utf8 && readLine(f, line, sizeof line, overlong)) {
        if (first && std::strncmp(line, kUtf8Mark, 3) == 0) break;
        first = false;
        size_t n = std::strlen(line);
        // A cut line may end inside a character: only the whole ones count.
        for (size_t k = 0; overlong && k < 3 && n > 0 && (uint8_t(line[n - 1]) & 0x80); ++k) --n;
        utf8 = isValidUtf8(line, n);
    }
    std::rewind(f);
    return utf8;
}

// Name order as an NTFS folder lists it: without regard to case, then byte by byte.
bool nameBefore(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i)
        if (upper(a[i]) != upper(b[i])) return uint8_t(upper(a[i])) < uint8_t(upper(b[i]));
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

// The names in folder that pattern matches and that are folders (or not), in name order.
// Hidden and system folders (a recycle bin, ".git") hold nothing a listener means to add.
std::vector<std::string> namesIn(const char* folder, const char* pattern, bool folders) {
    std::vector<std::string> names;
    char search[kPathCapacity];
    if (!joinPath(folder, pattern, search, sizeof search)) return names;
    DirSearch dir;
    DirEntry match;
    if (!dir.first(search, match)) return names;
    do {
        if (match.name == "." || match.name == ".." || match.directory != folders) continue;
        if (folders && match.hidden) continue;
        names.push_back(match.name);
    } while (dir.next(match));
    std::sort(names.begin(), names.end(), nameBefore);
    return names;
}

struct FoundFile {
    std::string path;
    bool fits = true;   // false: folder and name make more than a path holds (path then shows both)
};

struct FolderWalk {
    std::vector<FoundFile> found;
    // Every folder walked: a link back to one of them, or a second way to it, is not followed,
    // so a loop of links ends and no file comes twice.
    std::set<std::pair<uint64_t, uint64_t>> walked;
};

std::string joinedForMessage(const char* folder, const std::string& name) {
    return std::string(folder) + kPathSeparator + name;
}

// The folder's audio files, then (with subfolders) each subfolder the same way, in name order.
void walkFolder(const char* folder, FolderWalk& walk, bool subfolders) {
    FolderIdentity identity;
    if (folderIdentity(folder, identity) == 1 && !walk.walked.insert({identity.volume, identity.index}).second) return;
    for (const std::string& name : namesIn(folder, T::kAudioPattern, false)) {
        char path[kPathCapacity];
        if (joinPath(folder, name.c_str(), path, sizeof path))
            walk.found.push_back({path, true});
        else
            walk.found.push_back({joinedForMessage(folder, name), false});
    }
    if (!subfolders) return;
    for (const std::string& name : namesIn(folder, T::kAllNamesPattern, true)) {
        char path[kPathCapacity];
        if (joinPath(folder, name.c_str(), path, sizeof path))
            walkFolder(path, walk, true);
        else
            walk.found.push_back({joinedForMessage(folder, name), false});
    }
}

// The title a list gives for an entry: what the editor shows, or a stream's station without
// a title of its own, on one line.
std::string listedTitleOf(const PlaylistEntry& e) {
    std::string title = e.stationName[0] && !e.listedTitle[0] ? std::string(e.stationName) : entryDisplayName(e);
    for (char& c : title)
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    const size_t first = title.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return title.substr(first, title.find_last_not_of(' ') + 1 - first);
}

int listedSecondsOf(const PlaylistEntry& e) {
    if (e.infoRead == 1) return e.playTimeMs >= 0 ? int(e.playTimeMs / 1000) : -1;
    return e.listedSeconds >= 0 ? int(e.listedSeconds) : -1;
}

} // namespace

void Playlist::reportPath(const char* format, const char* path) const {
    char text[3 * kLineCapacity + 64];   // a Latin-1 line grows up to twice as UTF-8
    std::snprintf(text, sizeof text, format, path);
    tell(text, T::kErrorTitle, IconWarning);
}

int Playlist::addPath(int mode, const char* path) { return addPathOf(mode, path, true); }

int Playlist::addPathOf(int mode, const char* path, bool subfolders) {
    if (!path) return 1;
    if (std::strlen(path) > size_t(kMaxPathLength)) {
        reportPath(T::kErrorProcessingFile, path);
        return 1;
    }
    // A URL is played, never looked for on disk by its name: a station link ("….pls") is
    // read when it plays.
    const bool url = mode == AddUrl;
    if (!url && endsWithNoCase(path, T::kPlsExtension)) {
        if (!readPlsFile(path)) reportPath(T::kErrorLoadingPlaylist, path);
        return 1;
    }
    if (!url && (endsWithNoCase(path, T::kM3uExtension) || endsWithNoCase(path, T::kM3u8Extension))) {
        if (!readM3uFile(path)) reportPath(T::kErrorLoadingPlaylist, path);
        return 1;
    }
    PathInfo info = url ? PathInfo{} : pathInfo(path);
    if (url || (info.exists && !info.directory)) {
        addEntry(path);
        return 1;
    }
    if (!info.exists) {   // names nothing: reported now, or with the open batch
        reportMissing(path);
        return 1;
    }
    if (!addDirectory(path, subfolders)) reportPath(T::kErrorAddingDirectory, path);
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
    tell(text, T::kErrorTitle, IconWarning);
}

int Playlist::addDirectory(const char* folder, bool subfolders) {
    FolderWalk walk;
    walkFolder(folder, walk, subfolders);
    if (walk.found.empty()) return 0;
    progress(T::kAdding, 0);
    const int before = count_;
    for (const FoundFile& f : walk.found) {
        if (f.fits)
            addPath(AddOrdinary, f.path.c_str());
        else
            reportPath(T::kErrorProcessingFile, f.path.c_str());
        if ((count_ - before) % kProgressStep == 0 && count_ > before) progress(T::kAdding, count_ - before);
    }
    progress(T::kFinishedAdding, count_ - before);
    return 1;
}

void Playlist::progress(const char* note, int added) const {
    if (progressHook_)
        progressHook_(progressContext_, note, added);
    else if (added == 0 || note == T::kFinishedAdding)   // the two notes of old, without the counts between
        tell(note, T::kNoteTitle, IconNone);
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
    // A folder a list names is added without its subfolders, as lists always had it: a list
    // that names "/" must not walk the whole disk.
    addPathOf(AddOrdinary, path, false);
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
    PlsSection pls;
    if (!pls.read(path, T::kPlsSection)) return 0;
    std::vector<ListItem> items;
    if (!plsItems(pls, items)) return 0;
    if (!enterList(path)) return 0;
    beginAddBatch();
    for (const ListItem& item : items) addListItem(folder.text, folder.known, item);
    endAddBatch();
    leaveList();
    return 1;
}

void Playlist::addListItem(const char* folder, bool folderKnown, const ListItem& item) {
    if (item.overlong) {
        reportPath(T::kErrorProcessingFile, item.target.c_str());
        return;
    }
    PlaylistEntry* before = tail_;
    addResolved(folder, folderKnown, item.target.c_str());
    // Title and length describe the one entry the item names (a stream, a file without a
    // tag); a folder or list it names gets nothing.
    if (!tail_ || tail_ == before || tail_->prev != before) return;
    if (item.hasTitle) copyUtf8(item.title.data(), item.title.size(), tail_->listedTitle, sizeof tail_->listedTitle);
    if (item.hasSeconds) tail_->listedSeconds = item.seconds;
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
    const bool utf8 = m3uIsUtf8(f, path);
    char line[kLineCapacity];
    char converted[3 * kLineCapacity];
    bool overlong;
    bool first = true;
    M3uItems m3u;
    while (readLine(f, line, sizeof line, overlong)) {
        char* text = line;
        if (first && std::strncmp(text, kUtf8Mark, 3) == 0) text += 3;
        first = false;
        stripLineBreaks(text);
        if (!utf8) {
            latin1ToUtf8(text, std::strlen(text), converted, sizeof converted);
            text = converted;
        }
        m3u.line(text, overlong);
    }
    std::fclose(f);
    beginAddBatch();
    for (const ListItem& item : m3u.items) addListItem(folder.text, folder.known, item);
    endAddBatch();
    leaveList();
    return 1;
}

int Playlist::writeListFile(const char* given, ListText makeText) {
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
    std::vector<ListedEntry> entries;
    entries.reserve(size_t(count_));
    int leftOut = 0;
    for (const PlaylistEntry* e = head_; e; e = e->next) {
        // A line break would end the entry's line and start one the list never held.
        if (std::strpbrk(e->path, "\r\n")) {
            ++leftOut;
            continue;
        }
        // Only a path in the list's folder or below is written relative; another drive, or a
        // sibling folder, stays absolute.
        const char* value = e->path;
        if (folder[0] && pathStartsWith(e->path, folder)) value = e->path + std::strlen(folder);
        entries.push_back({value, e->path, listedTitleOf(*e), listedSecondsOf(*e)});
    }
    if (leftOut > 0) {
        char text[sizeof T::kEntriesLeftOut + 16];
        std::snprintf(text, sizeof text, T::kEntriesLeftOut, leftOut);
        tell(text, T::kErrorTitle, IconWarning);
    }
    if (entries.empty()) return 0;
    std::string text;
    if (!makeText(path, entries, text)) return 0;
    if (!writeWholeFile(path, text.data(), text.size())) return 0;
    return int(entries.size());
}

namespace {

// Each entry's "File<n>", "Title<n>" and "Length<n>", then the count and the version, written
// into the file's "playlist" section: other keys and sections in the file stay, as the profile
// writer leaves them.
int plsText(const char* path, const std::vector<Playlist::ListedEntry>& entries, std::string& text) {
    std::vector<ProfileKey> keys;
    keys.reserve(3 * entries.size() + 2);
    char key[32];
    char number[16];
    for (size_t i = 0; i < entries.size(); ++i) {
        const int n = int(i + 1);
        std::snprintf(key, sizeof key, T::kPlsFileKeyFormat, n);
        keys.push_back({key, entries[i].value});
        std::snprintf(key, sizeof key, T::kPlsTitleKeyFormat, n);
        keys.push_back({key, entries[i].title});
        std::snprintf(key, sizeof key, T::kPlsLengthKeyFormat, n);
        std::snprintf(number, sizeof number, T::kPlsCountFormat, entries[i].seconds);
        keys.push_back({key, number});
    }
    std::snprintf(number, sizeof number, T::kPlsCountFormat, int(entries.size()));
    keys.push_back({T::kPlsCountKey, number});
    keys.push_back({T::kPlsVersionKey, T::kPlsVersion});
    return profileTextWithKeys(T::kPlsSection, keys, path, text);
}

// The lines of an extended M3U list, in UTF-8.
std::string m3uLines(const std::vector<Playlist::ListedEntry>& entries) {
    std::string text = std::string(T::kM3uHeader) + T::kListLineBreak;
    for (const Playlist::ListedEntry& e : entries) {
        std::vector<char> line(e.title.size() + sizeof T::kExtinfFormat + 16);
        std::snprintf(line.data(), line.size(), T::kExtinfFormat, e.seconds, e.title.c_str());
        text.append(line.data()).append(T::kListLineBreak);
        // A relative name that begins like a comment would be read as one.
        text.append(e.value[0] == T::kM3uCommentStart ? std::string(e.path) : e.value).append(T::kListLineBreak);
    }
    return text;
}

int m3u8Text(const char*, const std::vector<Playlist::ListedEntry>& entries, std::string& text) {
    text = m3uLines(entries);
    return 1;
}

// Latin-1, as older players read an .m3u file, when every character fits and the bytes cannot
// be taken for UTF-8; else UTF-8 after its mark. Never a '?' in place of a character.
int m3uText(const char*, const std::vector<Playlist::ListedEntry>& entries, std::string& text) {
    const std::string utf8 = m3uLines(entries);
    std::string latin1(utf8.size() + 1, '\0');
    Latin1Loss loss;
    if (isValidUtf8(utf8.data(), utf8.size())) {
        utf8ToLatin1(utf8.c_str(), &latin1[0], latin1.size(), &loss);
        latin1.resize(std::strlen(latin1.c_str()));
        const bool plainAscii = latin1 == utf8;
        if (loss.cut == 0 && loss.replaced == 0 && (plainAscii || !isValidUtf8(latin1.data(), latin1.size()))) {
            text = latin1;
            return 1;
        }
    }
    text = std::string(kUtf8Mark) + utf8;
    return 1;
}

} // namespace

int Playlist::writePlsFile(const char* path) { return writeListFile(path, plsText); }

int Playlist::writeM3uFile(const char* path) {
    return writeListFile(path, endsWithNoCase(path, T::kM3u8Extension) ? m3u8Text : m3uText);
}

int Playlist::rememberList(const char* path, const char* before, bool keepBefore) {
    File old;
    if (keepBefore && old.open(path, File::ReadShared) == 1) {
        const int64_t size = old.size();
        if (size < 0 || size > INT_MAX) return 0;
        std::string bytes(size_t(size), '\0');
        if (size > 0 && old.read(bytes.data(), int(size)) != int(size)) return 0;
        old.close();
        if (!writeWholeFile(before, bytes.data(), bytes.size())) return 0;
    }
    if (count_ > 0) return writeM3uFile(path) > 0 ? 1 : 0;
    const std::string empty = std::string(T::kM3uHeader) + T::kListLineBreak;
    return writeWholeFile(path, empty.data(), empty.size());
}

int Playlist::saveList(const char* path) {
    if (!path) return 0;
    if (endsWithNoCase(path, T::kM3uExtension) || endsWithNoCase(path, T::kM3u8Extension)) return writeM3uFile(path);
    return writePlsFile(path);
}

} // namespace korvo
