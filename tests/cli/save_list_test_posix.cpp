// korvo save-list puts a whole list in place or leaves the old one as it was, and keeps every
// entry on a line of its own.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
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
    EXPECT_EQ(text(pls), "[playlist]\r\nFile1=a.mp3\r\nTitle1=a.mp3\r\nLength1=-1\r\nFile2=z.mp3\r\nTitle2=z.mp3\r\n"
                         "Length2=-1\r\nNumberOfEntries=2\r\nVersion=2\r\n");

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

// A reader that is not ours: the entries' paths, one a line, as another player would take them.
constexpr const char kOutsideReader[] = R"(
import os, sys
path = sys.argv[1]
data = open(path, 'rb').read()
name = path.lower()
if name.endswith('.m3u8') or data.startswith(b'\xef\xbb\xbf'):
    text = data.decode('utf-8-sig')
elif name.endswith('.m3u'):
    text = data.decode('latin-1')
else:
    text = data.decode('utf-8')
lines = text.splitlines()
if name.endswith('.pls'):
    assert lines[0] == '[playlist]' and 'Version=2' in lines
    keys = dict(line.split('=', 1) for line in lines[1:])
    values = [keys['File%d' % i] for i in range(1, int(keys['NumberOfEntries']) + 1)]
    assert all(('Title%d' % i) in keys and int(keys['Length%d' % i]) >= -1 for i in range(1, len(values) + 1))
else:
    assert lines[0] == '#EXTM3U'
    values = [line for line in lines if line and not line.startswith('#')]
    assert len([line for line in lines if line.startswith('#EXTINF:')]) == len(values)
for v in values:
    print(v if '://' in v or v.startswith('/') else os.path.join(os.path.dirname(path), v))
)";

std::string outsideReading(const std::string& list, const std::string& dir) {
    const std::string script = dir + "/reader.py", out = dir + "/read.txt";
    test::writeFileBytes(script, std::vector<uint8_t>(kOutsideReader, kOutsideReader + sizeof kOutsideReader - 1));
    const std::string command = "PYTHONIOENCODING=utf-8 python3 '" + script + "' '" + list + "' > '" + out + "'";
    if (std::system(command.c_str()) != 0) return "python3 failed on " + list;
    return text(out);
}

std::string korvoListing(const std::vector<std::string>& args, const std::string& out) {
    test::KorvoRun run = test::runKorvo(args, 20000, out);
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    return text(out);
}

// Each type of list reads back as the list it was made from, in korvo list and in another reader.
TEST(KorvoSaveList, M3uM3u8AndPlsReadBackTheSameHereAndElsewhere) {
    const std::string dir = test::scratchDir("korvo_save_list_types");
    const std::string other = test::scratchDir("korvo_save_list_types_other");
    const std::string tone = test::mediaPath("playlist/tone.mp3");
    ASSERT_TRUE(test::fileExists(tone)) << tone;
    std::filesystem::create_directories(dir + "/sub");
    // A tagged file, an untagged one with a Latin-1 name below the list, one elsewhere, a stream.
    const std::string tagged = dir + "/tagged.mp3", cafe = dir + "/sub/caf\xC3\xA9.mp3", far = other + "/far.mp3";
    for (const auto& f : {tagged, cafe, far}) std::filesystem::copy_file(tone, f);
    std::vector<uint8_t> tag(128, 0);
    std::memcpy(tag.data(), "TAGEvening", 10);
    std::memcpy(tag.data() + 33, "Band", 4);
    tag[127] = 12;
    std::vector<uint8_t> bytes = test::readFileBytes(tagged);
    bytes.insert(bytes.end(), tag.begin(), tag.end());
    ASSERT_TRUE(test::writeFileBytes(tagged, bytes));
    std::vector<std::string> paths = {tagged, cafe, far, "http://example.com/live"};

    for (int round = 0; round < 2; ++round) {
        if (round == 1) {   // a name Latin-1 lacks: the .m3u list becomes UTF-8
            paths.push_back(other + "/\xCE\xBB\xCF\x8D\xCF\x81\xCE\xB1.mp3");
            std::filesystem::copy_file(tone, paths.back());
        }
        std::vector<std::string> listArgs = {"list"};
        listArgs.insert(listArgs.end(), paths.begin(), paths.end());
        const std::string shown = korvoListing(listArgs, dir + "/shown.txt");
        std::string expectedPaths;
        for (const std::string& p : paths) expectedPaths += p + "\n";
        for (const char* name : {"evening.m3u", "evening.m3u8", "evening.pls"}) {
            const std::string list = dir + "/" + name;
            std::vector<std::string> saveArgs = {"save-list", list};
            saveArgs.insert(saveArgs.end(), paths.begin(), paths.end());
            test::KorvoRun run = test::runKorvo(saveArgs, 20000);
            ASSERT_EQ(run.exitCode, 0) << run.errors;
            EXPECT_EQ(korvoListing({"list", list}, dir + "/back.txt"), shown) << name << " round " << round;
            EXPECT_EQ(outsideReading(list, dir), expectedPaths) << name << " round " << round;
        }
        const std::string m3u = text(dir + "/evening.m3u");
        EXPECT_EQ(m3u.rfind("\xEF\xBB\xBF", 0) == 0, round == 1) << m3u;
        EXPECT_NE(m3u.find(round == 0 ? "sub/caf\xE9.mp3\r\n" : "sub/caf\xC3\xA9.mp3\r\n"), std::string::npos) << m3u;
        EXPECT_NE(m3u.find("#EXTINF:1,"), std::string::npos) << m3u;
        EXPECT_EQ(text(dir + "/evening.m3u8").rfind("#EXTM3U\r\n", 0), 0u);
    }
}

} // namespace
} // namespace korvo
