#pragma once
// The list of things to play and its current position. User-interface thread only.
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/dir_search.h"
#include "platform/prompt.h"

#include "list_items.h"
#include "playlist_entry.h"
#include "playlist_texts.h"

namespace korvo {

class InfoReader;

class Playlist {
public:
    static constexpr int kUnknownPlayTime = -1;   // playTimeOf when an entry has no information
    static constexpr int kCountingPlayTime = -2;  // playTimeOf while a reader still has entries in hand
    enum AddMode { AddOrdinary = 0, AddUrl = 2 };
    enum MoveDirection { MoveUp = 0, MoveDown = 1 };

    Playlist() = default;
    ~Playlist();
    Playlist(const Playlist&) = delete;
    Playlist& operator=(const Playlist&) = delete;

    // Who is told of what could not be added, read or saved; without one nobody is.
    void setPrompt(Prompt* prompt) { prompt_ = prompt; }

    // --- The list ---
    // Appends an entry (reading its information when readFileInfo is on). 0 when the path is
    // refused (longer than 259 characters, or no memory; nothing added) or when the information
    // read found fewer than four bytes (the entry stays).
    int addEntry(const char* path);
    int clearPlaylist();
    // index -1 searches for path (current stays at the head when nothing matches).
    int selectEntry(int index, const char* path);
    int nextEntry();
    int previousEntry();
    int countEntries() const { return count_; }
    // Copies the current path into out (outSize bytes, normally kPathCapacity); reads the
    // entry's information first when it has none.
    int getCurrentPath(char* out, size_t outSize);
    int copyCurrentEntry(PlaylistEntry& out) const;
    // A radio station's name, heard while the current entry (path) plays: kept with the entry,
    // so that a saved list names the station where the entry has no title of its own. 1 when
    // it was kept.
    int nameStation(const char* path, const char* name);
    // draw stands in for the runtime's generator (tests); nullptr seeds it from the clock.
    int shufflePlaylist(int (*draw)() = nullptr);
    int sortPlaylist(int descending);
    // Positions ascending, without duplicates; positions past the end are ignored.
    int moveEntries(int direction, int count, const int* positions);
    int deleteEntries(int count, const int* positions);
    // Whole seconds, kUnknownPlayTime, or kCountingPlayTime while an entry waits for its reader.
    int playTimeOf(int count, const int* positions) const;

    // --- Information read elsewhere ---
    // While a reader is set (and ReadFileInfo is on), addEntry hands each new entry to it and
    // returns at once; the entry is named from its path until applyInfo brings what was read.
    void setInfoReader(InfoReader* reader) { reader_ = reader; }
    // Gives what a reader found to the entry it was read for, wherever that entry is now;
    // 1 when the entry is still in the list.
    int applyInfo(const EntryPayload& read);
    // The entry with that identity, nullptr when it has gone.
    const PlaylistEntry* entryById(uint32_t id) const;

    // --- Adding paths and playlist files ---
    int addPath(int mode, const char* path);      // always 1; failures are shown to the user
    // The folder's audio files and, with subfolders, those of its subfolders (in name order,
    // each folder's files first).
    int addDirectory(const char* folder, bool subfolders = true);
    int readPlsFile(const char* path);
    int readM3uFile(const char* path);
    // Entries written, 0 for none or on failure (the old file then stays as it was).
    int writePlsFile(const char* path);
    // Extended M3U: Latin-1 when every line fits it, else UTF-8 after a byte order mark; a name
    // ending in ".m3u8" is always UTF-8, without the mark. Results as writePlsFile.
    int writeM3uFile(const char* path);
    // The type the name asks for: ".m3u" and ".m3u8" write M3U, anything else PLS.
    int saveList(const char* path);
    // Writes the list as M3U to path, an empty list as a list without entries; the file it
    // replaces is kept at before first (unless keepBefore is false). Both go through the safe
    // write. 1 on success (a failure leaves both files as they were, or the old list in both).
    int rememberList(const char* path, const char* before, bool keepBefore = true);
    // One entry as a list file names it (for the writers of each type).
    struct ListedEntry {
        std::string value;   // the path, relative to the list's folder when it lies in it or below
        const char* path;    // the full path
        std::string title;   // as the editor shows it, on one line
        int seconds;         // -1 when unknown
    };

    // While a batch is open (batches nest), paths that name nothing are collected instead
    // of reported one by one; the outermost endAddBatch reports them: a single one with the
    // missing-path text, several in one box (kEntriesNotFound, up to five examples).
    // Reading a playlist file is a batch of its own.
    void beginAddBatch();
    void endAddBatch();
    // Told of a folder's progress instead of the two note boxes: note is kAdding (added so
    // far) or kFinishedAdding (added in all).
    using ProgressHook = void (*)(void* context, const char* note, int added);
    void setProgressHook(ProgressHook hook, void* context) {
        progressHook_ = hook;
        progressContext_ = context;
    }
    // The text for a path that names nothing ("%s" takes the path).
    void setMissingPathFormat(const char* format) { missingFormat_ = format; }

    // --- Looking at the list ---
    const PlaylistEntry* head() const { return head_; }
    const PlaylistEntry* current() const { return current_; }
    // Walks from where the last look-up ended, so rows drawn in order cost a step each.
    PlaylistEntry* entryAt(int position);
    const PlaylistEntry* entryAt(int position) const;
    int currentIndex() const;                      // -1 when empty

    // The ReadFileInfo setting.
    void setReadFileInfo(int on) { readFileInfo_ = on; }
    int readFileInfo() const { return readFileInfo_; }
    // Called after clearPlaylist (the editor redraws its rows).
    void setRefreshHook(void (*hook)(void*), void* context) {
        refreshHook_ = hook;
        refreshContext_ = context;
    }

    // Playlist files read inside one another: deeper ones are refused.
    static constexpr int kMaxListNesting = 8;

private:
    // Where the last walk ended, so that a run of positions walks the list once.
    struct Cursor {
        PlaylistEntry* entry = nullptr;   // nullptr: start from an end
        int position = 0;
    };
    // The entry at position (nullptr past the end), walking from the cursor or the nearer end.
    PlaylistEntry* walkTo(Cursor& cursor, int position);
    void swapPayloads(PlaylistEntry* a, PlaylistEntry* b);
    void indexAll();   // byId_ after payloads moved
    void progress(const char* note, int added) const;
    // Makes the text of a list file at path from its entries; path may hold an older list to
    // update. 1 on success.
    using ListText = int (*)(const char* path, const std::vector<ListedEntry>& entries, std::string& text);
    // The one write of every list file. Entries whose path holds a line break are left out and
    // counted in a message; the text goes into a file beside the old one, which it replaces only
    // when complete. Entries written, 0 for none or on failure.
    int writeListFile(const char* path, ListText makeText);
    void unlink(PlaylistEntry* e);
    void addResolved(const char* folder, bool folderKnown, const char* entryText);
    // One entry of a list file, with what the list says of it.
    void addListItem(const char* folder, bool folderKnown, const ListItem& item);
    const char* missingPathFormat() const;
    void reportMissing(const char* path);
    // addPath; a folder is added with its subfolders or without.
    int addPathOf(int mode, const char* path, bool subfolders);
    void tell(const char* text, const char* title, PromptIcon icon) const {
        if (prompt_) prompt_->show(text, title, icon);
    }
    void reportPath(const char* format, const char* path) const;
    // Marks an absolute playlist path as being read; 0 when it already is, or when
    // kMaxListNesting lists are open. leaveList undoes a successful enterList.
    int enterList(const char* path);
    void leaveList();

    PlaylistEntry* head_ = nullptr;
    PlaylistEntry* tail_ = nullptr;
    PlaylistEntry* current_ = nullptr;
    int count_ = 0;
    // entryAt's last stop; forgotten whenever an entry is unlinked.
    Cursor lookup_;
    uint32_t nextId_ = 1;
    std::unordered_map<uint32_t, PlaylistEntry*> byId_;   // every entry by its identity
    InfoReader* reader_ = nullptr;
    int readFileInfo_ = 1;
    const char* missingFormat_ = nullptr;   // nullptr: kErrorAddingDirectory
    // The open batch: its depth, how many paths named nothing, and the first few of them.
    int batchDepth_ = 0;
    int missingCount_ = 0;
    int missingExampleCount_ = 0;
    char missingExamples_[playlist_texts::kEntriesNotFoundExamples][kPathCapacity] = {};
    // The playlist files being read, outermost first.
    int listDepth_ = 0;
    char listsBeingRead_[kMaxListNesting][kPathCapacity] = {};
    Prompt* prompt_ = nullptr;
    void (*refreshHook_)(void*) = nullptr;
    void* refreshContext_ = nullptr;
    ProgressHook progressHook_ = nullptr;
    void* progressContext_ = nullptr;
};

// The program's playlist.
Playlist& playlist();

} // namespace korvo
