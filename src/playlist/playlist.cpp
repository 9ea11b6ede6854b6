#include "playlist.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <utility>
#include <vector>

#include "entry_info.h"
#include "info_reader.h"
#include "text_encoding.h"

namespace korvo {

Playlist& playlist() {
    static Playlist instance;
    return instance;
}

Playlist::~Playlist() {
    PlaylistEntry* e = head_;
    while (e) {
        PlaylistEntry* n = e->next;
        delete e;
        e = n;
    }
}

int Playlist::addEntry(const char* path) {
    if (!path || std::strlen(path) > size_t(kMaxPathLength)) return 0;
    PlaylistEntry* e = new (std::nothrow) PlaylistEntry();
    if (!e) return 0;
    std::memcpy(e->path, path, std::strlen(path) + 1);
    e->id = nextId_++;
    byId_[e->id] = e;
    e->prev = tail_;
    if (tail_)
        tail_->next = e;
    else
        head_ = e;
    tail_ = e;
    ++count_;
    if (!current_) current_ = e;
    if (!readFileInfo_) return 1;
    if (reader_ && reader_->request(e->id, e->path)) {
        e->infoPending = 1;
        return 1;
    }
    return readEntryInfo(*e);
}

int Playlist::applyInfo(const EntryPayload& read) {
    auto found = byId_.find(read.id);
    if (found == byId_.end()) return 0;
    PlaylistEntry& e = *found->second;
    e.infoPending = 0;
    // Read again in place meanwhile (it was about to play): that reading stands.
    if (e.infoRead == 1 || read.infoRead != 1) return 1;
    e.playTimeMs = read.playTimeMs;
    e.tag = read.tag;
    e.id3v2 = read.id3v2;
    e.apev2 = read.apev2;
    e.infoRead = 1;
    return 1;
}

const PlaylistEntry* Playlist::entryById(uint32_t id) const {
    auto found = byId_.find(id);
    return found == byId_.end() ? nullptr : found->second;
}

void Playlist::indexAll() {
    for (PlaylistEntry* e = head_; e; e = e->next) byId_[e->id] = e;
}

int Playlist::clearPlaylist() {
    PlaylistEntry* e = head_;
    while (e) {
        PlaylistEntry* n = e->next;
        delete e;
        e = n;
    }
    head_ = tail_ = current_ = nullptr;
    count_ = 0;
    lookup_ = Cursor{};
    byId_.clear();
    if (reader_) reader_->dropQueued();
    if (refreshHook_) refreshHook_(refreshContext_);
    return 1;
}

int Playlist::selectEntry(int index, const char* path) {
    current_ = head_;
    if (!head_) return 0;
    if (index == -1) {
        if (!path) return 1;
        for (PlaylistEntry* e = head_; e; e = e->next)
            if (std::strcmp(e->path, path) == 0) {
                current_ = e;
                break;
            }
        return 1;
    }
    for (int i = 0; i < index; ++i) {
        if (!current_->next) return 0;
        current_ = current_->next;
    }
    return 1;
}

int Playlist::nextEntry() {
    if (!current_ || !current_->next) return 0;
    current_ = current_->next;
    return 1;
}

int Playlist::previousEntry() {
    if (!current_ || !current_->prev) return 0;
    current_ = current_->prev;
    return 1;
}

int Playlist::getCurrentPath(char* out, size_t outSize) {
    if (!current_ || outSize == 0) return 0;
    if (current_->infoRead == 0 && !readEntryInfo(*current_)) return 0;
    if (current_->infoRead == 1) current_->infoPending = 0;
    size_t n = std::strlen(current_->path);
    if (n + 1 > outSize) return 0;
    std::memcpy(out, current_->path, n + 1);
    return 1;
}

int Playlist::nameStation(const char* path, const char* name) {
    if (!current_ || !name || !name[0] || !isUrl(current_->path) || std::strcmp(current_->path, path) != 0) return 0;
    copyUtf8(name, std::strlen(name), current_->stationName, sizeof current_->stationName);
    return 1;
}

int Playlist::copyCurrentEntry(PlaylistEntry& out) const {
    if (!current_) return 0;
    out = *current_;
    out.prev = out.next = nullptr;
    return 1;
}

void Playlist::swapPayloads(PlaylistEntry* a, PlaylistEntry* b) {
    if (a == b) return;
    std::swap(a->payload(), b->payload());
    byId_[a->id] = a;
    byId_[b->id] = b;
    if (current_ == a)
        current_ = b;
    else if (current_ == b)
        current_ = a;
}

PlaylistEntry* Playlist::entryAt(int position) { return walkTo(lookup_, position); }

PlaylistEntry* Playlist::walkTo(Cursor& cursor, int position) {
    if (position < 0 || position >= count_) return nullptr;
    // From the cursor when it is nearer than both ends; positions that come in order so cost
    // one walk over the list in all.
    int fromHead = position, fromTail = count_ - 1 - position;
    int fromCursor = cursor.entry ? (position > cursor.position ? position - cursor.position : cursor.position - position)
                                  : INT32_MAX;
    if (fromCursor > fromHead || fromCursor > fromTail) {
        if (fromHead <= fromTail) {
            cursor.entry = head_;
            cursor.position = 0;
        } else {
            cursor.entry = tail_;
            cursor.position = count_ - 1;
        }
    }
    while (cursor.position < position) {
        cursor.entry = cursor.entry->next;
        ++cursor.position;
    }
    while (cursor.position > position) {
        cursor.entry = cursor.entry->prev;
        --cursor.position;
    }
    return cursor.entry;
}

const PlaylistEntry* Playlist::entryAt(int position) const { return const_cast<Playlist*>(this)->entryAt(position); }

int Playlist::currentIndex() const {
    int i = 0;
    for (const PlaylistEntry* e = head_; e; e = e->next, ++i)
        if (e == current_) return i;
    return -1;
}

namespace {
int drawFromRuntime() { return std::rand() % 32768; }
} // namespace

int Playlist::shufflePlaylist(int (*draw)()) {
    int n = count_;
    if (n < 3) return 0;
    if (!draw) {
        std::srand(unsigned(std::time(nullptr)));
        draw = drawFromRuntime;
    }
    std::vector<PlaylistEntry*> at;
    at.reserve(size_t(n));
    for (PlaylistEntry* e = head_; e; e = e->next) at.push_back(e);
    // The partner comes from positions 0 ... n-2 only; the last position moves on its own turn.
    for (int i = 0; i < n; ++i) {
        int r = draw();
        int k = (r % (4 * (n - 1))) / 4;
        swapPayloads(at[size_t(i)], at[size_t(k)]);
    }
    return 1;
}

namespace {
int comparePaths(const char* a, const char* b) {
    const unsigned char* x = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* y = reinterpret_cast<const unsigned char*>(b);
    while (*x && *x == *y) ++x, ++y;
    return int(*x) - int(*y);
}
} // namespace

int Playlist::sortPlaylist(int descending) {
    if (count_ < 2) return 0;
    // A stable sort with the bubble sort's comparison gives the bubble sort's order: equal
    // paths keep their order, since neither ever passes the other.
    std::vector<PlaylistEntry*> at;
    at.reserve(size_t(count_));
    for (PlaylistEntry* e = head_; e; e = e->next) at.push_back(e);
    std::vector<int> order(at.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = int(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        int c = comparePaths(at[size_t(a)]->path, at[size_t(b)]->path);
        return descending ? c > 0 : c < 0;
    });
    // Payloads move along the permutation's cycles through one spare entry.
    std::vector<bool> placed(at.size(), false);
    EntryPayload spare;
    PlaylistEntry* newCurrent = current_;
    for (size_t start = 0; start < order.size(); ++start) {
        if (placed[start] || size_t(order[start]) == start) continue;
        spare = at[start]->payload();
        size_t i = start;
        for (;;) {
            size_t from = size_t(order[i]);
            placed[i] = true;
            if (at[from] == current_) newCurrent = at[i];
            if (from == start) {
                at[i]->payload() = spare;
                break;
            }
            at[i]->payload() = at[from]->payload();
            i = from;
        }
    }
    current_ = newCurrent;
    indexAll();
    return 1;
}

int Playlist::moveEntries(int direction, int count, const int* positions) {
    if (count < 1 || !positions) return 0;
    Cursor cursor;
    for (int j = 0; j < count; ++j) {
        int p = direction == MoveUp ? positions[j] : positions[count - 1 - j];
        PlaylistEntry* e = walkTo(cursor, p);
        if (!e) continue;
        PlaylistEntry* partner = direction == MoveUp ? e->prev : e->next;
        if (partner) swapPayloads(e, partner);
    }
    return count;
}

void Playlist::unlink(PlaylistEntry* e) {
    lookup_ = Cursor{};
    if (e->prev)
        e->prev->next = e->next;
    else
        head_ = e->next;
    if (e->next)
        e->next->prev = e->prev;
    else
        tail_ = e->prev;
    if (current_ == e) {
        // Removing the last entry hands `current` back to the one before it.
        current_ = e->next ? e->next : e->prev;
    }
    --count_;
    byId_.erase(e->id);
}

int Playlist::deleteEntries(int count, const int* positions) {
    if (count < 1 || !positions) return 0;
    Cursor cursor;
    for (int i = 0; i < count; ++i) {
        PlaylistEntry* e = walkTo(cursor, positions[i] - i);
        if (!e) continue;
        // The entry after it takes its position.
        cursor.entry = e->next;
        unlink(e);
        delete e;
    }
    return count;
}

int Playlist::playTimeOf(int count, const int* positions) const {
    int64_t seconds = 0;
    bool counting = false;
    Cursor cursor;
    for (int i = 0; i < count; ++i) {
        const PlaylistEntry* e = const_cast<Playlist*>(this)->walkTo(cursor, positions[i]);
        if (!e) return kUnknownPlayTime;
        if (e->infoPending && e->infoRead != 1)
            counting = true;
        else if (e->infoRead == 1 && e->playTimeMs >= 0)
            seconds += e->playTimeMs / 1000;
        else if (e->infoRead != 1 && e->listedSeconds >= 0)   // a stream has only what its list says
            seconds += e->listedSeconds;
        else
            return kUnknownPlayTime;
    }
    if (counting) return kCountingPlayTime;
    return seconds > INT32_MAX ? INT32_MAX : int(seconds);
}

} // namespace korvo
