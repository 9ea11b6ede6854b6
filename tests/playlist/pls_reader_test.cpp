// PLS files are read by the rules of the Windows profile functions on every build.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "playlist/playlist.h"
#include "playlist/playlist_texts.h"
#include "playlist/pls_reader.h"
#include "playlist_test_util.h"
#include "test_support.h"

namespace korvo {
namespace {

namespace T = playlist_texts;
using Paths = std::vector<std::string>;

class PlsReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = test::scratchDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
        list_.setReadFileInfo(0);
        list_.setPrompt(&prompts_);
    }
    Paths read(const std::string& text) {
        std::string path = test::joinNative(dir_, "list" + std::to_string(files_++) + ".pls");
        test::writeFileText(path, text);
        list_.clearPlaylist();
        list_.addPath(Playlist::AddOrdinary, path.c_str());
        return test::pathsOf(list_);
    }
    std::string dir_;
    int files_ = 0;
    Playlist list_;
    test::RecordingPrompt prompts_;
};

TEST_F(PlsReaderTest, EntriesComeByTheSystemsLookupRules) {
    // A byte order mark, every kind of line break, keys in any case, the first of repeated keys,
    // blanks around names and values, quotes, and only the first section of the name.
    EXPECT_EQ(read("\xEF\xBB\xBF[PlayList]\rFILE1=http://h/1\r\n\r\n file2 = 'http://h/2' \n"
                   "File3=\"http://h/3\nfile3=http://h/other\nNumberOfEntries= 0x4 \n[other]\nFile4=http://h/x\n"
                   "[playlist]\nFile4=http://h/y"),
              (Paths{"http://h/1", "http://h/2", "\"http://h/3"}));
    // Keys before any section, a section name with blanks inside its brackets, "File" numbers
    // written otherwise than the reader asks for them, and entries in file order by number.
    EXPECT_EQ(read("File1=http://h/orphan\n[ playlist ]\nFile3=http://h/3\nFile01=http://h/01\n"
                   "File 2=http://h/sp\nFile1=http://h/1\nNumberOfEntries=3\n"),
              (Paths{"http://h/1", "http://h/3"}));
    EXPECT_TRUE(prompts_.boxes.empty());
}

TEST_F(PlsReaderTest, TheCountIsReadAsTheSystemReadsNumbers) {
    const std::string entries = "File1=http://h/1\nFile2=http://h/2\nFile3=http://h/3\n";
    EXPECT_EQ(read("[playlist]\nNumberOfEntries='2'\n" + entries), (Paths{"http://h/1", "http://h/2"}));
    EXPECT_EQ(read("[playlist]\nNumberOfEntries=0b10\n" + entries), (Paths{"http://h/1", "http://h/2"}));
    EXPECT_EQ(read("[playlist]\nNumberOfEntries=1 2\n" + entries), (Paths{"http://h/1"}));
    // Only a lower-case prefix counts: "0X3" is the number 0.
    EXPECT_EQ(read("[playlist]\nNumberOfEntries=0X3\n" + entries), Paths{});
    EXPECT_TRUE(prompts_.boxes.empty());
    // An empty count is no count; 4294967295 wraps to -1, which is no count either.
    for (const char* count : {"\"\"", "4294967295"}) {
        prompts_.boxes.clear();
        EXPECT_EQ(read(std::string("[playlist]\nNumberOfEntries=") + count + "\n" + entries), Paths{}) << count;
        EXPECT_EQ(prompts_.boxes.size(), 1u) << count;
    }
}

TEST(PlsSectionValues, AreCutAsTheSystemCutsThem) {
    const std::string full(1023, 'q');
    const std::string text = "[playlist]\nFile1=\"a\"b\"\nFile2=\"" + full + "\"\nFile3=" + full + "xyz\nFile4=\"\"\n";
    PlsSection pls;
    pls.parse(text.data(), text.size(), T::kPlsSection);
    char out[1024];
    EXPECT_EQ(pls.getString("File1", out, 8), 3);
    EXPECT_STREQ(out, "a\"b");
    // A quoted value that just fills the buffer loses its own last character as well.
    EXPECT_EQ(pls.getString("File1", out, 4), 2);
    EXPECT_STREQ(out, "a\"");
    EXPECT_EQ(pls.getString("File2", out, sizeof out), 1022);
    EXPECT_EQ(pls.getString("File3", out, sizeof out), 1023);
    EXPECT_EQ(std::string(out), full);
    EXPECT_EQ(pls.getString("File4", out, sizeof out), 0);
    EXPECT_EQ(pls.getString("File5", out, 1), 0);
    EXPECT_STREQ(out, "");
}

} // namespace
} // namespace korvo
