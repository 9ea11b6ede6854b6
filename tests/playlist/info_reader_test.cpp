#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "playlist/entry_info.h"
#include "playlist/info_reader.h"
#include "playlist/playlist.h"
#include "playlist_test_util.h"

namespace korvo {
namespace {

constexpr int kFiles = 100;
constexpr int kBytesPerSecond = 4000;   // 32 kbit/s

// File i: a 32 kbit/s Layer III header, 1 + i % 7 seconds of audio and an ID3v1 tag that
// names it, so that an entry holding another's information shows.
std::vector<std::string> makeTaggedFiles(const std::string& dir) {
    std::vector<std::string> paths;
    for (int i = 0; i < kFiles; ++i) {
        std::vector<uint8_t> bytes(size_t((1 + i % 7) * kBytesPerSecond), 0);
        const uint8_t header[] = {0xFF, 0xFB, 0x10, 0x00};
        std::memcpy(bytes.data(), header, sizeof header);
        std::vector<uint8_t> tag(128, 0);
        char title[31];
        std::snprintf(title, sizeof title, "Song %03d", i);
        std::memcpy(tag.data(), "TAG", 3);
        std::memcpy(tag.data() + 3, title, std::strlen(title));
        std::memcpy(tag.data() + 33, "Reader", 6);
        bytes.insert(bytes.end(), tag.begin(), tag.end());
        char name[32];
        std::snprintf(name, sizeof name, "f%03d.mp3", i);
        paths.push_back(test::joinNative(dir, name));
        test::writeFileBytes(paths.back(), bytes);
    }
    return paths;
}

struct Shown {
    std::string path, name;
    int32_t playTimeMs;
    int32_t infoRead;
    bool operator==(const Shown&) const = default;
};

std::vector<Shown> shown(const Playlist& list) {
    std::vector<Shown> rows;
    for (const PlaylistEntry* e = list.head(); e; e = e->next)
        rows.push_back({e->path, entryDisplayName(*e), e->playTimeMs, e->infoRead});
    return rows;
}

// The user interface's side: waits for the reader's call, as the window waits for its message.
class Batches {
public:
    static void notify(void* self) {
        auto* b = static_cast<Batches*>(self);
        std::lock_guard<std::mutex> lock(b->mutex_);
        b->told_ = true;
        b->wake_.notify_all();
    }
    // Applies the next batch; false when none came within 30 s.
    bool applyNext(InfoReader& reader, Playlist& list) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!wake_.wait_for(lock, std::chrono::seconds(30), [&] { return told_; })) return false;
        told_ = false;
        lock.unlock();
        for (const EntryPayload& read : reader.take()) list.applyInfo(read);
        return true;
    }
    bool applyAll(InfoReader& reader, Playlist& list) {
        while (!reader.idle())
            if (!applyNext(reader, list)) return false;
        return true;
    }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool told_ = false;
};

// The same draws for both lists.
int draws = 7;
int nextDraw() { return draws = (draws * 1103 + 12345) % 32768; }

class InfoReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        paths_ = makeTaggedFiles(test::scratchDir("InfoReaderTest"));
        for (const std::string& p : paths_) ASSERT_EQ(inPlace_.addEntry(p.c_str()), 1);
    }
    std::vector<std::string> paths_;
    Playlist inPlace_;
    Batches batches_;
    InfoReader reader_{&Batches::notify, &batches_};
};

TEST_F(InfoReaderTest, GivesWhatReadingInPlaceGives) {
    Playlist list;
    list.setInfoReader(&reader_);
    for (const std::string& p : paths_) ASSERT_EQ(list.addEntry(p.c_str()), 1);
    // At once: named from their paths, their play time still being counted.
    const PlaylistEntry* first = list.entryAt(0);
    EXPECT_EQ(first->infoRead, 0);
    EXPECT_EQ(entryDisplayName(*first), "f000.mp3");
    const int all[] = {0, 1, 2};
    EXPECT_EQ(list.playTimeOf(3, all), Playlist::kCountingPlayTime);

    ASSERT_TRUE(batches_.applyAll(reader_, list));
    EXPECT_EQ(shown(list), shown(inPlace_));
    EXPECT_EQ(entryDisplayName(*list.entryAt(5)), "Song 005 / Reader");
    EXPECT_EQ(list.playTimeOf(3, all), 1 + 2 + 3);
}

// Deletes, moves, a sort and a shuffle while the information is on its way: each entry still
// gets its own file's information, wherever it went.
TEST_F(InfoReaderTest, ResultsFindTheirEntriesAfterTheListChanged) {
    Playlist list;
    list.setInfoReader(&reader_);
    for (const std::string& p : paths_) ASSERT_EQ(list.addEntry(p.c_str()), 1);
    auto change = [](Playlist& l, int step) {
        const int gone[] = {3, 4, 50};
        const int moved[] = {10, 11, 12};
        switch (step) {
        case 0: l.deleteEntries(3, gone); break;
        case 1: l.moveEntries(Playlist::MoveDown, 3, moved); break;
        case 2: l.sortPlaylist(1); break;
        default: l.shufflePlaylist(nextDraw); break;
        }
    };
    for (int step = 0; step < 4; ++step) {
        draws = 7;
        change(list, step);
        draws = 7;
        change(inPlace_, step);
        if (step == 2) {
            ASSERT_TRUE(batches_.applyNext(reader_, list));   // some arrive between the changes
        }
    }
    ASSERT_TRUE(batches_.applyAll(reader_, list));
    EXPECT_EQ(shown(list), shown(inPlace_));

    // A list emptied while being read takes nothing from what was queued for it.
    list.clearPlaylist();
    ASSERT_EQ(list.addEntry(paths_[0].c_str()), 1);
    ASSERT_TRUE(batches_.applyAll(reader_, list));
    ASSERT_EQ(list.countEntries(), 1);
    EXPECT_EQ(entryDisplayName(*list.head()), "Song 000 / Reader");
}

} // namespace
} // namespace korvo
