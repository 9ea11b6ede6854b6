// Entry information comes from ordinary files only, and its search for a frame header ends:
// korvo list shows a device, a FIFO and a folder holding one without waiting or spinning.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "../cli/korvo_run.h"
#include "decoder/frame_reader.h"
#include "playlist/entry_info.h"
#include "playlist/playlist_texts.h"
#include "playlist_test_util.h"
#include "test_support.h"

namespace korvo {
namespace {

TEST(EntryInfo, DevicesAndFifosAreListedWithoutInformation) {
    const std::string dir = test::scratchDir("entry_info_special");
    const std::string fifo = dir + "/ff.mp3", out = dir + "/list.txt";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    const std::string real = test::mediaPath("playback/e44.mp3");
    ASSERT_TRUE(test::fileExists(real)) << real << " is missing (tests/media/playback.sh makes it)";
    ASSERT_TRUE(test::writeFileBytes(dir + "/real.mp3", test::readFileBytes(real)));
    // Each would hang: /dev/zero at full processor time, the FIFO waiting for a writer.
    for (const std::string& path : {std::string("/dev/zero"), fifo, dir}) {
        test::KorvoRun run = test::runKorvo({"list", path}, 10000, out);
        EXPECT_EQ(run.exitCode, 0) << path << " (-1: still running after 10 s)\n" << run.errors;
        const std::string text = test::readFileText(out);
        EXPECT_NE(text.find(path == dir ? "> ff" : "1> "), std::string::npos) << path << "\n" << text;
    }
    EXPECT_NE(test::readFileText(out).find("> real"), std::string::npos) << test::readFileText(out);
    PlaylistEntry entry;
    std::snprintf(entry.path, sizeof entry.path, "%s", fifo.c_str());
    EXPECT_EQ(readEntryInfo(entry), 1);
    EXPECT_EQ(entry.infoRead, 0);
}

// The header is looked for as far as a seek looks for one: a file whose first header lies
// further in has no information.
TEST(EntryInfo, HeaderSearchIsBounded) {
    const std::string dir = test::scratchDir("entry_info_bound");
    const std::vector<uint8_t> audio = test::readFileBytes(test::mediaPath("playback/e44.mp3"));
    ASSERT_FALSE(audio.empty());
    for (int junk : {FrameReader::kSearchWindow - 100, FrameReader::kSearchWindow + 100}) {
        std::vector<uint8_t> bytes(size_t(junk), 0x00);
        bytes.insert(bytes.end(), audio.begin(), audio.end());
        const std::string path = dir + "/junk" + std::to_string(junk) + ".mp3";
        ASSERT_TRUE(test::writeFileBytes(path, bytes));
        PlaylistEntry entry;
        std::snprintf(entry.path, sizeof entry.path, "%s", path.c_str());
        EXPECT_EQ(readEntryInfo(entry), 1);
        EXPECT_EQ(entry.infoRead, junk < FrameReader::kSearchWindow ? 1 : 0) << junk << " bytes in front";
    }
}

} // namespace
} // namespace korvo
