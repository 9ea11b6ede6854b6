#include "platform/file.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace korvo {
namespace {

using Bytes = std::vector<uint8_t>;

class ReplacingFileTest : public ::testing::Test {
protected:
    void SetUp() override { dir_ = test::scratchDir("replacing"); }
    std::string path(const char* name) const { return dir_ + kPathSeparator + name; }
    std::string dir_;
};

Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

TEST_F(ReplacingFileTest, CommitPutsTheNewBytesInPlaceAndLeavesNoTemporaryFile) {
    const std::string p = path("list.pls");
    ASSERT_TRUE(test::writeFileBytes(p, bytesOf("old contents, longer than the new")));
    {
        ReplacingFile out;
        ASSERT_EQ(out.open(p.c_str()), 1);
        EXPECT_EQ(out.write("new", 3), 1);
        // Nothing changes before the commit.
        EXPECT_EQ(test::readFileBytes(p), bytesOf("old contents, longer than the new"));
        EXPECT_EQ(test::folderNames(dir_).size(), 2u);
        EXPECT_EQ(out.commit(), 1);
    }
    EXPECT_EQ(test::readFileBytes(p), bytesOf("new"));
    EXPECT_EQ(test::folderNames(dir_), std::vector<std::string>{"list.pls"});

    // A new file, and an empty one.
    EXPECT_EQ(writeWholeFile(path("fresh.m3u").c_str(), "x\r\n", 3), 1);
    EXPECT_EQ(test::readFileBytes(path("fresh.m3u")), bytesOf("x\r\n"));
    EXPECT_EQ(writeWholeFile(p.c_str(), "", 0), 1);
    EXPECT_TRUE(test::readFileBytes(p).empty());
}

TEST_F(ReplacingFileTest, AnAbandonedOrFailedWriteKeepsTheOldFile) {
    const std::string p = path("keep.ini");
    ASSERT_TRUE(test::writeFileBytes(p, bytesOf("[a]\r\nk=1\r\n")));
    {
        ReplacingFile out;
        ASSERT_EQ(out.open(p.c_str()), 1);
        out.write("half", 4);
    }    // dropped without a commit
    EXPECT_EQ(test::readFileBytes(p), bytesOf("[a]\r\nk=1\r\n"));
    EXPECT_EQ(test::folderNames(dir_), std::vector<std::string>{"keep.ini"});

    // A folder in the way, or a folder that is not there, fails before anything is written.
    ReplacingFile onFolder;
    EXPECT_EQ(onFolder.open(dir_.c_str()) == 1 && onFolder.commit() == 1, false);
    ReplacingFile nowhere;
    EXPECT_EQ(nowhere.open(path("no-such-folder/x.pls").c_str()), 0);
    EXPECT_EQ(nowhere.commit(), 0);
    EXPECT_EQ(test::folderNames(dir_), std::vector<std::string>{"keep.ini"});
}

TEST_F(ReplacingFileTest, CopyOldStartsFromTheOldBytesForWritersThatChangeAFile) {
    const std::string p = path("settings.ini");
    ASSERT_TRUE(test::writeFileBytes(p, bytesOf("[other]\r\nx=1\r\n")));
    ReplacingFile out;
    ASSERT_EQ(out.open(p.c_str(), true), 1);
    // Another writer works on the temporary file by its path meanwhile.
    out.releaseHandle();
    {
        File f;
        ASSERT_EQ(f.open(out.temporaryPath(), File::ReadWrite), 1);
        f.seek(0, File::End);
        f.write("[mine]\r\n", 8);
    }
    EXPECT_EQ(test::readFileBytes(p), bytesOf("[other]\r\nx=1\r\n"));
    ASSERT_EQ(out.commit(), 1);
    EXPECT_EQ(test::readFileBytes(p), bytesOf("[other]\r\nx=1\r\n[mine]\r\n"));
}

TEST_F(ReplacingFileTest, CommitBesideKeepsTheOldFileAndTakesTheFirstFreeNumber) {
    const std::string sub = dir_ + kPathSeparator + "in.folder";
    ASSERT_EQ(test::writeFileBytes(path("radio.mp3"), bytesOf("old")), true);
    ASSERT_EQ(test::writeFileBytes(path("radio (3).mp3"), bytesOf("third")), true);
    const char* copies[] = {"two", "four"};
    const char* names[] = {"radio (2).mp3", "radio (4).mp3"};
    for (int i = 0; i < 2; ++i) {
        ReplacingFile out;
        ASSERT_EQ(out.open(path("radio.mp3").c_str()), 1);
        out.write(copies[i], std::strlen(copies[i]));
        char placed[kPathCapacity] = {};
        ASSERT_EQ(out.commitBeside(placed, sizeof placed), 1);
        EXPECT_EQ(std::string(placed), path(names[i]));
        EXPECT_EQ(test::readFileBytes(path(names[i])), bytesOf(copies[i]));
    }
    EXPECT_EQ(test::readFileBytes(path("radio.mp3")), bytesOf("old"));
    EXPECT_EQ(test::readFileBytes(path("radio (3).mp3")), bytesOf("third"));
    EXPECT_EQ(test::folderNames(dir_).size(), 4u);

    // Without an extension the number ends the name; a dot in the folder's name is no extension,
    // nor is a leading one.
    ASSERT_TRUE(std::filesystem::create_directory(sub));
    for (const char* name : {"stream", ".hidden"}) {
        const std::string p = sub + kPathSeparator + name;
        ASSERT_TRUE(test::writeFileBytes(p, bytesOf("old")));
        ReplacingFile out;
        ASSERT_EQ(out.open(p.c_str()), 1);
        out.write("new", 3);
        ASSERT_EQ(out.commitBeside(), 1);
        EXPECT_EQ(test::readFileBytes(p + " (2)"), bytesOf("new")) << name;
    }
}

#ifndef _WIN32
TEST_F(ReplacingFileTest, AFullDiskLeavesTheOldFileByteForByte) {
    const std::string p = path("big.pls");
    Bytes old(4000, 'o');
    ASSERT_TRUE(test::writeFileBytes(p, old));
    {
        test::FileSizeLimit limit(6000);
        ReplacingFile out;
        ASSERT_EQ(out.open(p.c_str()), 1);
        Bytes big(9000, 'n');
        EXPECT_EQ(out.write(big.data(), big.size()), 0);
        EXPECT_EQ(out.commit(), 0);
        EXPECT_EQ(writeWholeFile(p.c_str(), big.data(), big.size()), 0);
    }
    EXPECT_EQ(test::readFileBytes(p), old);
    EXPECT_EQ(test::folderNames(dir_), std::vector<std::string>{"big.pls"});
}

TEST_F(ReplacingFileTest, TheModeStaysAndALinkStaysALink) {
    const std::string p = path("private.m3u");
    ASSERT_TRUE(test::writeFileBytes(p, bytesOf("a")));
    ASSERT_EQ(chmod(p.c_str(), 0600), 0);
    ASSERT_EQ(writeWholeFile(p.c_str(), "b", 1), 1);
    struct stat st {};
    ASSERT_EQ(stat(p.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);

    const std::string link = path("link.m3u");
    ASSERT_EQ(symlink("private.m3u", link.c_str()), 0);
    ASSERT_EQ(writeWholeFile(link.c_str(), "c", 1), 1);
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(test::readFileBytes(p), bytesOf("c"));
}
#endif

} // namespace
} // namespace korvo
