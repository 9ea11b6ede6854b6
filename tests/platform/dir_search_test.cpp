#include "platform/dir_search.h"
#include "platform/file.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace korvo {
namespace {

TEST(WildcardMatch, FollowsTheWindowsRules) {
    EXPECT_TRUE(wildcardMatch("*.mp?", "song.mp3"));
    EXPECT_TRUE(wildcardMatch("*.mp?", "SONG.MP2"));
    EXPECT_TRUE(wildcardMatch("*.MP?", "a.b.mp1"));
    EXPECT_FALSE(wildcardMatch("*.mp?", "song.mp3.txt"));
    EXPECT_FALSE(wildcardMatch("*.mp?", "song.wav"));
    EXPECT_TRUE(wildcardMatch("a?c", "aXc"));
    EXPECT_FALSE(wildcardMatch("a?c", "ac"));
    EXPECT_TRUE(wildcardMatch("*abc*x", "zzabcabcx"));
    EXPECT_FALSE(wildcardMatch("*abc*x", "zzabcabc"));
    EXPECT_TRUE(wildcardMatch("*", "anything at all"));
    EXPECT_TRUE(wildcardMatch("*.*", "README"));      // trailing dots and stars match nothing
    EXPECT_TRUE(wildcardMatch("name.", "name"));
    EXPECT_TRUE(wildcardMatch("Exact.Name", "exact.name"));
    EXPECT_FALSE(wildcardMatch("exact", "exactly"));
}

class DirSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = test::scratchDir("dir_search");
        for (const char* name : {"a.mp3", "B.MP2", "c.mp1", "e.txt", "notes"}) {
            File f;
            ASSERT_EQ(f.open(path(name).c_str(), File::Create), 1);
        }
        test::scratchDir("dir_search/sub.mp3");
    }
    std::string path(const std::string& name) const { return dir_ + kPathSeparator + name; }
    std::set<std::string> search(const std::string& wildcard, std::set<std::string>* folders = nullptr) {
        std::set<std::string> names;
        DirSearch s;
        DirEntry e;
        for (int ok = s.first(path(wildcard).c_str(), e); ok; ok = s.next(e)) {
            names.insert(e.name);
            if (folders && e.directory) folders->insert(e.name);
        }
        return names;
    }
    std::string dir_;
};

TEST_F(DirSearchTest, FindsTheMatchingEntriesOfOneFolder) {
    std::set<std::string> folders;
    EXPECT_EQ(search("*.mp?", &folders), (std::set<std::string>{"B.MP2", "a.mp3", "c.mp1", "sub.mp3"}));
    EXPECT_EQ(folders, std::set<std::string>{"sub.mp3"});
    EXPECT_EQ(search("*.TXT"), std::set<std::string>{"e.txt"});
    std::set<std::string> all = search("*");
    EXPECT_TRUE(all.count("notes") && all.count(".") && all.count(".."));
}

TEST_F(DirSearchTest, NothingToFind) {
    DirSearch s;
    DirEntry e;
    EXPECT_EQ(s.first(path("*.ogg").c_str(), e), 0);
    EXPECT_EQ(s.next(e), 0);
    std::string missing = path("missing") + kPathSeparator + "*";
    EXPECT_EQ(s.first(missing.c_str(), e), 0);
}

// The same file reached by another spelling of its path is the same file; another file, a
// missing one or a folder's other entry is not.
TEST_F(DirSearchTest, SameFileByIdentity) {
    const std::string other = dir_ + kPathSeparator + "sub.mp3" + kPathSeparator + ".." + kPathSeparator + "a.mp3";
    EXPECT_TRUE(sameFile(path("a.mp3").c_str(), other.c_str()));
    EXPECT_TRUE(sameFile(path("a.mp3").c_str(), path("A.MP3").c_str()) == (kPathSeparator == '\\'));
    EXPECT_FALSE(sameFile(path("a.mp3").c_str(), path("c.mp1").c_str()));
    EXPECT_FALSE(sameFile(path("a.mp3").c_str(), path("missing.mp3").c_str()));
    EXPECT_FALSE(sameFile(path("missing.mp3").c_str(), path("missing.mp3").c_str()));
}

} // namespace
} // namespace korvo
