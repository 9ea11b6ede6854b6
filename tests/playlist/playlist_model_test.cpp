#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <string>
#include <vector>

#include "playlist/playlist.h"
#include "playlist_test_util.h"

namespace korvo {
namespace {

using test::pathsOf;
using Paths = std::vector<std::string>;

// A list of made-up paths; nothing is read from disk.
void fill(Playlist& list, const Paths& paths) {
    list.setReadFileInfo(0);
    for (const auto& p : paths) ASSERT_EQ(list.addEntry(p.c_str()), 1);
}

std::string currentPath(const Playlist& list) { return list.current() ? list.current()->path : ""; }

TEST(PlaylistModel, WalkingAndSelecting) {
    Playlist list;
    EXPECT_EQ(list.selectEntry(0, nullptr), 0);
    EXPECT_EQ(list.nextEntry(), 0);
    EXPECT_EQ(list.previousEntry(), 0);
    char path[kPathCapacity];
    EXPECT_EQ(list.getCurrentPath(path, sizeof path), 0);

    fill(list, {"a", "b", "c"});
    EXPECT_EQ(currentPath(list), "a");   // the first addition becomes current
    EXPECT_EQ(list.previousEntry(), 0);
    EXPECT_EQ(list.selectEntry(5, nullptr), 0);
    EXPECT_EQ(currentPath(list), "c");
    EXPECT_EQ(list.nextEntry(), 0);
    EXPECT_EQ(currentPath(list), "c");
    EXPECT_EQ(list.previousEntry(), 1);
    EXPECT_EQ(currentPath(list), "b");

    EXPECT_EQ(list.selectEntry(-1, "c"), 1);
    EXPECT_EQ(currentPath(list), "c");
    EXPECT_EQ(list.selectEntry(-1, "C"), 1);   // no match: back at the head
    EXPECT_EQ(currentPath(list), "a");
    EXPECT_EQ(list.selectEntry(2, nullptr), 1);
    EXPECT_EQ(list.currentIndex(), 2);

    // A missing file has no information to read; the path is still handed out.
    EXPECT_EQ(list.getCurrentPath(path, sizeof path), 1);
    EXPECT_STREQ(path, "c");
    PlaylistEntry copy;
    EXPECT_EQ(list.copyCurrentEntry(copy), 1);
    EXPECT_STREQ(copy.path, "c");
    EXPECT_EQ(copy.next, nullptr);

    EXPECT_EQ(list.clearPlaylist(), 1);
    EXPECT_EQ(list.countEntries(), 0);
    EXPECT_EQ(list.current(), nullptr);
}

// Look-ups go on from where the last one stopped; a deleted or cleared entry is never a
// starting point (the sanitizer builds catch a walk from freed memory).
TEST(PlaylistModel, LookUpsSurviveDeletesReordersAndClears) {
    Playlist list;
    fill(list, {"a", "b", "c", "d", "e", "f"});
    ASSERT_NE(list.entryAt(3), nullptr);
    EXPECT_STREQ(list.entryAt(3)->path, "d");
    const int d = 3;
    EXPECT_EQ(list.deleteEntries(1, &d), 1);
    EXPECT_STREQ(list.entryAt(3)->path, "e");
    EXPECT_STREQ(list.entryAt(2)->path, "c");
    EXPECT_EQ(list.sortPlaylist(1), 1);
    EXPECT_EQ(pathsOf(list), (Paths{"f", "e", "c", "b", "a"}));
    EXPECT_STREQ(list.entryAt(1)->path, "e");
    EXPECT_EQ(list.entryAt(5), nullptr);
    list.clearPlaylist();
    EXPECT_EQ(list.entryAt(0), nullptr);
    fill(list, {"x", "y"});
    EXPECT_STREQ(list.entryAt(1)->path, "y");
    EXPECT_STREQ(list.entryAt(0)->path, "x");
}

TEST(PlaylistModel, RefusesOverlongPaths) {
    Playlist list;
    list.setReadFileInfo(0);
    std::string fits(kMaxPathLength, 'x'), tooLong(kMaxPathLength + 1, 'x');
    EXPECT_EQ(list.addEntry(tooLong.c_str()), 0);
    EXPECT_EQ(list.countEntries(), 0);
    EXPECT_EQ(list.addEntry(fits.c_str()), 1);
    EXPECT_EQ(pathsOf(list), Paths{fits});
}

TEST(PlaylistModel, SortIsBytewiseAndKeepsCurrent) {
    Playlist list;
    fill(list, {"b", "B", "a"});
    list.selectEntry(1, nullptr);   // "B"
    EXPECT_EQ(list.sortPlaylist(0), 1);
    EXPECT_EQ(pathsOf(list), (Paths{"B", "a", "b"}));
    EXPECT_EQ(currentPath(list), "B");
    EXPECT_EQ(list.sortPlaylist(1), 1);
    EXPECT_EQ(pathsOf(list), (Paths{"b", "a", "B"}));
    EXPECT_EQ(currentPath(list), "B");
    EXPECT_EQ(list.currentIndex(), 2);

    Playlist one;
    fill(one, {"z"});
    EXPECT_EQ(one.sortPlaylist(0), 0);
}

TEST(PlaylistModel, ShuffleDrawsPartnersBelowTheLastPosition) {
    Playlist small;
    fill(small, {"b", "a"});
    EXPECT_EQ(small.shufflePlaylist(), 0);
    EXPECT_EQ(pathsOf(small), (Paths{"b", "a"}));

    // Draws 0, 4, 7 give partners 0, 1, 1: only the third turn changes anything.
    static const int draws[] = {0, 4, 7};
    static int next;
    next = 0;
    Playlist list;
    fill(list, {"a", "b", "c"});
    list.selectEntry(2, nullptr);
    EXPECT_EQ(list.shufflePlaylist([] { return draws[next++]; }), 1);
    EXPECT_EQ(next, 3);   // every position has its turn
    EXPECT_EQ(pathsOf(list), (Paths{"a", "c", "b"}));
    EXPECT_EQ(currentPath(list), "c");

    // The largest draw still lands inside 0 ... n-2, and the clock-seeded run stays a permutation.
    EXPECT_EQ(list.shufflePlaylist([] { return 32767; }), 1);
    EXPECT_EQ(list.shufflePlaylist(), 1);
    Paths shuffled = pathsOf(list);
    std::sort(shuffled.begin(), shuffled.end());
    EXPECT_EQ(shuffled, (Paths{"a", "b", "c"}));
    EXPECT_EQ(currentPath(list), "c");
}

TEST(PlaylistModel, MovingBlocks) {
    struct Case {
        int direction;
        std::vector<int> positions;
        Paths expected;
    };
    const Case cases[] = {
        {Playlist::MoveDown, {1, 2}, {"a", "d", "b", "c"}},
        {Playlist::MoveUp, {1, 2}, {"b", "c", "a", "d"}},
        {Playlist::MoveUp, {0, 1}, {"b", "a", "c", "d"}},
        {Playlist::MoveDown, {2, 3}, {"a", "b", "d", "c"}},   // the last stays, the one above passes it
    };
    for (const auto& c : cases) {
        Playlist list;
        fill(list, {"a", "b", "c", "d"});
        list.selectEntry(1, nullptr);
        EXPECT_EQ(list.moveEntries(c.direction, int(c.positions.size()), c.positions.data()), int(c.positions.size()));
        EXPECT_EQ(pathsOf(list), c.expected);
        EXPECT_EQ(currentPath(list), "b");
    }
    Playlist list;
    fill(list, {"a", "b"});
    EXPECT_EQ(list.moveEntries(Playlist::MoveUp, 0, nullptr), 0);
}

TEST(PlaylistModel, DeletingShiftsPositionsAndKeepsCurrentInTheList) {
    const int middle[] = {1, 2};
    Playlist list;
    fill(list, {"a", "b", "c", "d"});
    list.selectEntry(1, nullptr);
    EXPECT_EQ(list.deleteEntries(2, middle), 2);
    EXPECT_EQ(pathsOf(list), (Paths{"a", "d"}));
    EXPECT_EQ(currentPath(list), "d");

    // The current entry as the last of several: the one before it takes over.
    const int last[] = {1};
    EXPECT_EQ(list.deleteEntries(1, last), 1);
    EXPECT_EQ(currentPath(list), "a");
    EXPECT_EQ(list.nextEntry(), 0);

    Playlist tail;
    fill(tail, {"a", "b", "c"});
    tail.selectEntry(2, nullptr);
    const int lastTwo[] = {1, 2};
    tail.deleteEntries(2, lastTwo);
    EXPECT_EQ(currentPath(tail), "a");
    fill(tail, {"x"});
    EXPECT_EQ(pathsOf(tail), (Paths{"a", "x"}));   // the tail link followed the deletions

    const int first[] = {0};
    tail.deleteEntries(1, first);
    EXPECT_EQ(currentPath(tail), "x");
    tail.deleteEntries(1, first);
    EXPECT_EQ(tail.countEntries(), 0);
    EXPECT_EQ(tail.current(), nullptr);
    EXPECT_EQ(tail.head(), nullptr);
}

TEST(PlaylistModel, PlayTimeOfSelections) {
    Playlist list;
    fill(list, {"a", "b", "c"});
    EXPECT_EQ(list.playTimeOf(0, nullptr), 0);
    const int first[] = {0};
    EXPECT_EQ(list.playTimeOf(1, first), Playlist::kUnknownPlayTime);

    list.entryAt(0)->infoRead = 1;
    list.entryAt(0)->playTimeMs = 3600000;
    list.entryAt(2)->infoRead = 1;
    list.entryAt(2)->playTimeMs = 125000;
    const int known[] = {0, 2};
    EXPECT_EQ(list.playTimeOf(2, known), 3725);
    const int all[] = {0, 1, 2};
    EXPECT_EQ(list.playTimeOf(3, all), Playlist::kUnknownPlayTime);
    list.entryAt(2)->playTimeMs = -1;   // free-format file: bitrate unknown
    EXPECT_EQ(list.playTimeOf(2, known), Playlist::kUnknownPlayTime);
}

// A long list with repeated paths, each entry told apart by its play time, beside a plain
// vector that follows the one-step rules: the bubble sort, payload swaps with a neighbour, and
// deletion at position p - i.
TEST(PlaylistModel, LongListsFollowTheOneStepRules) {
    using Item = std::pair<std::string, int>;
    unsigned seed = 12345;
    auto random = [&seed](unsigned n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    const char* names[] = {"a", "A", "b", "ab", "B", "a b", "\xE9"};
    std::vector<Item> model;
    Playlist list;
    list.setReadFileInfo(0);
    for (int i = 0; i < 300; ++i) {
        model.emplace_back(names[random(7)], i * 1000);
        list.addEntry(model.back().first.c_str());
        list.entryAt(i)->infoRead = 1;
        list.entryAt(i)->playTimeMs = i * 1000;
    }
    auto itemsOf = [](const Playlist& l) {
        std::vector<Item> items;
        for (const PlaylistEntry* e = l.head(); e; e = e->next) items.emplace_back(e->path, e->playTimeMs);
        return items;
    };
    auto ascendingPositions = [&](int n, int extra) {
        std::vector<int> p;
        for (int i = 0; i < n; ++i)
            if (random(6) == 0) p.push_back(i);
        p.push_back(n + extra);   // past the end: ignored
        return p;
    };

    for (int descending : {0, 1}) {
        list.selectEntry(int(random(300)), nullptr);
        int currentPayload = list.current()->playTimeMs;
        for (bool swapped = true; swapped;) {
            swapped = false;
            for (size_t i = 0; i + 1 < model.size(); ++i) {
                int c = std::strcmp(model[i].first.c_str(), model[i + 1].first.c_str());
                if (descending ? c < 0 : c > 0) {
                    std::swap(model[i], model[i + 1]);
                    swapped = true;
                }
            }
        }
        EXPECT_EQ(list.sortPlaylist(descending), 1);
        EXPECT_EQ(itemsOf(list), model) << descending;
        EXPECT_EQ(list.current()->playTimeMs, currentPayload);
    }

    for (int direction : {Playlist::MoveUp, Playlist::MoveDown, Playlist::MoveUp}) {
        std::vector<int> p = ascendingPositions(int(model.size()), 3);
        list.moveEntries(direction, int(p.size()), p.data());
        for (size_t j = 0; j < p.size(); ++j) {
            int at = direction == Playlist::MoveUp ? p[j] : p[p.size() - 1 - j];
            int partner = direction == Playlist::MoveUp ? at - 1 : at + 1;
            if (at < int(model.size()) && partner >= 0 && partner < int(model.size()))
                std::swap(model[size_t(at)], model[size_t(partner)]);
        }
        EXPECT_EQ(itemsOf(list), model);
    }

    std::vector<int> timed = ascendingPositions(int(model.size()) - 1, 0);   // the last is the list's last
    int64_t seconds = 0;
    for (int at : timed) seconds += model[size_t(at)].second / 1000;
    EXPECT_EQ(list.playTimeOf(int(timed.size()), timed.data()), int(seconds));

    std::vector<int> gone = ascendingPositions(int(model.size()), 0);
    gone.insert(gone.end() - 1, int(model.size()) - 1);   // the last entry goes too
    EXPECT_EQ(list.deleteEntries(int(gone.size()), gone.data()), int(gone.size()));
    for (size_t i = 0; i < gone.size(); ++i)
        if (gone[i] - int(i) < int(model.size())) model.erase(model.begin() + (gone[i] - int(i)));
    EXPECT_EQ(itemsOf(list), model);
    ASSERT_EQ(list.countEntries(), int(model.size()));
    for (int i = 0; i < int(model.size()); i += 7) EXPECT_EQ(list.entryAt(i)->playTimeMs, model[size_t(i)].second);
    EXPECT_EQ(list.entryAt(int(model.size())), nullptr);
    EXPECT_EQ(list.entryAt(-1), nullptr);
    list.addEntry("end");   // the tail link followed
    EXPECT_EQ(pathsOf(list).back(), "end");
    EXPECT_EQ(list.entryAt(int(model.size()))->path, std::string("end"));
}

} // namespace
} // namespace korvo
