// Where a stream is saved: the name comes from the URL and never leads out of the folder.
#include <gtest/gtest.h>

#include <string>

#include "net/stream.h"
#include "platform/file.h"

namespace korvo {
namespace {

TEST(StreamSavePath, TakesTheLastPathSegmentBeforeQueryAndFragment) {
    char path[260];
    ASSERT_EQ(streamSavePath("http://h/a/b.mp3?x=/y/z.mp3#w/v", "/save", path, sizeof path), 1);
    EXPECT_EQ(std::string(path), std::string("/save") + kPathSeparator + "b.mp3");
    ASSERT_EQ(streamSavePath("HTTP://h:8000/radio#x", "/save/", path, sizeof path), 1);
    EXPECT_STREQ(path, "/save/radio");
    ASSERT_EQ(streamSavePath("http://h/s.mp3", "C:\\save\\", path, sizeof path), 1);
    EXPECT_STREQ(path, "C:\\save\\s.mp3");
}

TEST(StreamSavePath, RefusesEmptyAndUnsafeNames) {
    const char* urls[] = {"http://h/",       "http://h",          "http://h/a/.",      "http://h/a/..",
                          "http://h/..?x",   "http://h/a\\b",     "http://h/c:x",      "http://h/a*b",
                          "http://h/a\"b",   "http://h/a<b",      "http://h/a>b",      "http://h/a|b",
                          "http://h/a\x01",  "http://h/a\x7f",    "http://h/CON",      "http://h/nul.mp3",
                          "http://h/com1",   "http://h/Lpt9.txt", "http://h/x/?q=a.mp3", "http://h/#a.mp3"};
    for (const char* u : urls) {
        char path[260] = "untouched";
        EXPECT_EQ(streamSavePath(u, "/save", path, sizeof path), 0) << u;
        EXPECT_STREQ(path, "") << u;
    }
    char path[260];
    EXPECT_EQ(streamSavePath("http://h/a.mp3", "", path, sizeof path), 0) << "no folder";
    char small[12];
    EXPECT_EQ(streamSavePath("http://h/long-name.mp3", "/save", small, sizeof small), 0) << "does not fit";
    EXPECT_EQ(streamSavePath("http://h/console.mp3", "/s", path, sizeof path), 1);
}

} // namespace
} // namespace korvo
