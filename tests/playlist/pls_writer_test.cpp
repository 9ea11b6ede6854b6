// Saving a list rewrites the file once, and leaves it as the profile writer, called key by key,
// leaves it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/profile.h"
#include "playlist/entry_info.h"
#include "playlist/playlist.h"
#include "playlist/playlist_texts.h"
#include "playlist_test_util.h"
#include "test_support.h"

namespace korvo {
namespace {

namespace T = playlist_texts;

// The file's lines without blanks around them, blank lines, or blanks inside section brackets:
// Wine's writer puts the whole file out in that form, where Windows keeps the other lines.
std::vector<std::string> meaningfulLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        line.erase(0, line.find_first_not_of(" \t"));
        line.erase(line.find_last_not_of(" \t") + 1);
        if (line.size() > 1 && line.front() == '[' && line.back() == ']') {
            std::string name = line.substr(1, line.size() - 2);
            name.erase(0, name.find_first_not_of(" \t"));
            name.erase(name.find_last_not_of(" \t") + 1);
            line = "[" + name + "]";
        }
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

TEST(PlsWriting, LeavesTheFileAsTheProfileWriterKeyByKey) {
    const std::string dir = test::scratchDir("PlsWritingLikeTheProfileWriter");
    const std::vector<std::string> before = {
        "",   // no file
        "[other]\r\nx=1",   // no section yet, no last line break
        "[Playlist]\r\nfile2=old\r\n; note\r\nFILE9=left over\r\nnumberofentries=9\r\n\r\n\r\n[other]\r\nFile1=x\r\n",
        "[playlist]\nFile1=  a.mp3\nFile1=second\n[PLAYLIST]\nFile3=z\n",
        "top=1\n[ playlist ]\r\nFile3\rFile1 = b.mp3",
        "\xEF\xBB\xBF[playlist]\r\nFile1=old\r\nNumberOfEntries=1\r\n",   // an editor's byte order mark
        "\xEF\xBB\xBF",   // the mark alone
    };
    Playlist list;
    list.setReadFileInfo(0);
    for (const char* url : {"http://h/a.mp3", "http://h/b.mp3", "  http://h/lead.mp3"}) list.addEntry(url);
    int n = 0;
    for (const std::string& text : before) {
        std::string ours = test::joinNative(dir, "ours" + std::to_string(n) + ".pls");
        std::string theirs = test::joinNative(dir, "theirs" + std::to_string(n++) + ".pls");
        if (!text.empty()) {
            test::writeFileText(ours, text);
            test::writeFileText(theirs, text);
        }
        ASSERT_EQ(list.writePlsFile(ours.c_str()), 3);
        int i = 0;
        for (const PlaylistEntry* e = list.head(); e; e = e->next) {
            const std::string n = std::to_string(++i);
            ASSERT_EQ(profileWriteString(T::kPlsSection, ("File" + n).c_str(), e->path, theirs.c_str()), 1);
            ASSERT_EQ(profileWriteString(T::kPlsSection, ("Title" + n).c_str(), entryDisplayName(*e).c_str(), theirs.c_str()), 1);
            ASSERT_EQ(profileWriteString(T::kPlsSection, ("Length" + n).c_str(), "-1", theirs.c_str()), 1);
        }
        ASSERT_EQ(profileWriteString(T::kPlsSection, T::kPlsCountKey, "3", theirs.c_str()), 1);
        ASSERT_EQ(profileWriteString(T::kPlsSection, T::kPlsVersionKey, T::kPlsVersion, theirs.c_str()), 1);
        profileWriteString(nullptr, nullptr, nullptr, theirs.c_str());   // the system writes its cached copy out
        EXPECT_EQ(meaningfulLines(test::readFileText(ours)), meaningfulLines(test::readFileText(theirs))) << text;
#ifndef _WIN32
        EXPECT_EQ(test::readFileText(ours), test::readFileText(theirs)) << text;
#endif
    }
}

} // namespace
} // namespace korvo
