// korvo save-list puts a whole list in place or leaves the old one as it was, and keeps every
// entry on a line of its own.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "korvo_run.h"
#include "platform/profile.h"
#include "playlist/playlist_texts.h"
#include "test_support.h"

namespace korvo {
namespace {

namespace T = playlist_texts;

std::string text(const std::string& path) {
    std::vector<uint8_t> bytes = test::readFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

std::string touch(const std::string& path) {
    test::writeFileBytes(path, {'x'});
    return path;
}

TEST(KorvoSaveList, ASaveThatCannotBeCompletedLeavesTheOldListByteForByte) {
    const std::string dir = test::scratchDir("korvo_save_list_full");
    const std::string a = touch(dir + "/a.mp3"), z = touch(dir + "/z.mp3"), big = dir + "/big.pls";
    std::string list = "[playlist]\r\n";
    for (int i = 1; i <= 3000; ++i) {
        char line[96];
        std::snprintf(line, sizeof line, "File%d=/home/listener/Music/Some Artist/Album/track %04d.mp3\r\n", i, i);
        list += line;
    }
    list += "NumberOfEntries=3000\r\n";
    ASSERT_TRUE(test::writeFileBytes(big, std::vector<uint8_t>(list.begin(), list.end())));
    ASSERT_GT(list.size(), size_t(160000));

    test::KorvoRun run;
    {
        test::FileSizeLimit limit(64 * 1024);
        run = test::runKorvo({"save-list", big, a, z}, 20000);
    }
    EXPECT_EQ(run.exitCode, 1) << run.errors;
    EXPECT_NE(run.errors.find("cannot write " + big), std::string::npos) << run.errors;
    EXPECT_TRUE(text(big) == list) << "the old list changed";
    EXPECT_EQ(test::folderNames(dir), (std::vector<std::string>{"a.mp3", "big.pls", "z.mp3"}));

    run = test::runKorvo({"save-list", big, a, z}, 20000);
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(profileGetInt(T::kPlsSection, T::kPlsCountKey, -1, big.c_str()), 2);
    EXPECT_EQ(test::folderNames(dir), (std::vector<std::string>{"a.mp3", "big.pls", "z.mp3"}));
}

TEST(KorvoSaveList, AnEntryWithALineBreakIsLeftOutAndCounted) {
    const std::string dir = test::scratchDir("korvo_save_list_line_break");
    const std::string a = touch(dir + "/a.mp3"), z = touch(dir + "/z.mp3");
    const std::string broken = touch(dir + "/x\nNumberOfEntries=0.mp3");
    const std::string pls = dir + "/out.pls", shown = dir + "/list.txt";
    test::KorvoRun run = test::runKorvo({"save-list", pls, a, broken, z}, 20000);
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    char message[256];
    std::snprintf(message, sizeof message, T::kEntriesLeftOut, 1);
    EXPECT_NE(run.errors.find(message), std::string::npos) << run.errors;
    EXPECT_EQ(text(pls), "[playlist]\r\nFile1=a.mp3\r\nFile2=z.mp3\r\nNumberOfEntries=2\r\n");

    run = test::runKorvo({"list", pls}, 20000, shown);
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    std::string expected;
    int row = 0;
    for (const char* name : {"a.mp3", "z.mp3"}) {
        char line[64];
        std::snprintf(line, sizeof line, T::kRowFormat, ++row, name);
        expected.append(line).append("\n");
    }
    expected.append(T::kPlaytimeUnknown).append("\n");
    EXPECT_EQ(text(shown), expected);
}

} // namespace
} // namespace korvo
