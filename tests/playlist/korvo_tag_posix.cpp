// korvo tag shows both tags in UTF-8 and writes what it is given back as Latin-1.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "cli/cli_texts.h"
#include "playlist_test_util.h"
#include "test_support.h"

namespace korvo {
namespace {

std::string output(const std::string& command) {
    std::string out;
    std::FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p) return out;
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
    return out;
}

TEST(KorvoTag, PrintsBothTagsAndKeepsLatin1InTheTrailer) {
    std::string korvo = std::string(KORVO_BUILD_DIR) + "/korvo";
    std::string dir = test::scratchDir("KorvoTag");
    std::string path = dir + "/song.mp3";
    // An ID3v2.3 tag with a UTF-8 title frame... then a frame and no trailer.
    std::string title = "\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xAE";
    std::vector<uint8_t> b = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, uint8_t(11 + title.size())};
    for (char c : std::string("TIT2")) b.push_back(uint8_t(c));
    b.insert(b.end(), {0, 0, 0, uint8_t(1 + title.size()), 0, 0, 3});
    b.insert(b.end(), title.begin(), title.end());
    b.insert(b.end(), {0xFF, 0xFB, 0x90, 0x00});
    b.resize(b.size() + 2000, 0);
    test::writeFileBytes(path, b);

    std::string before = output(korvo + " tag " + path);
    EXPECT_NE(before.find(test::formatted(cli_texts::kNoId3v1Tag, path)), std::string::npos) << before;
    char names[512];
    std::snprintf(names, sizeof names, cli_texts::kId3v2Fields, title.c_str(), "");
    EXPECT_NE(before.find(names), std::string::npos) << before;

    output(korvo + " tag " + path + " --title 'Caf\xC3\xA9 \xCE\xB1' --artist \xC3\x85sa");
    std::vector<uint8_t> after = test::readFileBytes(path);
    ASSERT_GE(after.size(), 128u);
    std::string trailer(after.end() - 128, after.end());
    EXPECT_EQ(trailer.substr(3, 6), "Caf\xE9 ?");
    EXPECT_EQ(trailer.substr(33, 3), "\xC5sa");
    std::string shown = output(korvo + " tag " + path);
    EXPECT_NE(shown.find("Caf\xC3\xA9 ?"), std::string::npos) << shown;
    EXPECT_NE(shown.find(names), std::string::npos) << shown;
}

} // namespace
} // namespace korvo
