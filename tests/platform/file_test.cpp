#include "platform/file.h"
#include "test_support.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <cstring>
#include <string>
#include <utility>

namespace korvo {
namespace {

class FileTest : public ::testing::Test {
protected:
    void SetUp() override { dir_ = test::scratchDir("file"); }
    std::string path(const char* name) const { return dir_ + kPathSeparator + name; }
    std::string dir_;
};

TEST_F(FileTest, CreateWriteSeekReadTruncate) {
    File f;
    ASSERT_EQ(f.open(path("a.bin").c_str(), File::Create), 1);
    EXPECT_EQ(f.write("0123456789", 10), 10);
    EXPECT_EQ(f.size(), 10);
    EXPECT_EQ(f.position(), 10);
    EXPECT_EQ(f.seek(-4, File::End), 6);
    char buf[16] = {};
    EXPECT_EQ(f.read(buf, 16), 4);
    EXPECT_STREQ(buf, "6789");
    EXPECT_EQ(f.read(buf, 16), 0);    // end of the file
    EXPECT_EQ(f.seek(3, File::Begin), 3);
    EXPECT_EQ(f.seek(2, File::Current), 5);
    EXPECT_EQ(f.seek(-1, File::Begin), -1);    // refused, position kept
    EXPECT_EQ(f.position(), 5);
    EXPECT_EQ(f.seek(100, File::Begin), 100);  // past the end is allowed
    EXPECT_EQ(f.seek(4, File::Begin), 4);
    EXPECT_EQ(f.truncateHere(), 1);
    EXPECT_EQ(f.size(), 4);
    f.close();
    EXPECT_FALSE(f.isOpen());
    EXPECT_EQ(f.read(buf, 1), -1);
}

TEST_F(FileTest, OpenModesAndSharing) {
    File missing;
    EXPECT_EQ(missing.open(path("missing").c_str(), File::ReadShared), 0);
    EXPECT_EQ(missing.open(path("missing").c_str(), File::ReadWrite), 0);
    EXPECT_EQ(missing.open(dir_.c_str(), File::ReadShared), 0);    // a folder is no file

    File writer;
    ASSERT_EQ(writer.open(path("s.bin").c_str(), File::Create), 1);
    ASSERT_EQ(writer.write("abc", 3), 3);
    File reader;    // opened while the writer still has it
    ASSERT_EQ(reader.open(path("s.bin").c_str(), File::ReadShared), 1);
    char buf[4] = {};
    EXPECT_EQ(reader.read(buf, 3), 3);
    EXPECT_STREQ(buf, "abc");
    EXPECT_EQ(reader.write("x", 1), -1);    // read-only handle

    File rw;
    ASSERT_EQ(rw.open(path("s.bin").c_str(), File::ReadWrite), 1);
    EXPECT_EQ(rw.size(), 3);    // opened as it was
    File moved(std::move(rw));
    EXPECT_FALSE(rw.isOpen());
    EXPECT_TRUE(moved.isOpen());
    EXPECT_EQ(moved.write("Z", 1), 1);

    File again;
    ASSERT_EQ(again.open(path("s.bin").c_str(), File::Create), 1);    // emptied
    EXPECT_EQ(again.size(), 0);
}

TEST_F(FileTest, AttributesAndRemoval) {
    File f;
    ASSERT_EQ(f.open(path("r.txt").c_str(), File::Create), 1);
    f.close();
    PathInfo file = pathInfo(path("r.txt").c_str());
    EXPECT_TRUE(file.exists);
    EXPECT_FALSE(file.directory);
    PathInfo dir = pathInfo(dir_.c_str());
    EXPECT_TRUE(dir.exists && dir.directory);
    EXPECT_EQ(removeFile(path("r.txt").c_str()), 1);
    EXPECT_FALSE(pathInfo(path("r.txt").c_str()).exists);
    EXPECT_EQ(removeFile(path("r.txt").c_str()), 0);
}

TEST(ProgramDirectory, IsTheExecutablesFolderWithItsSeparator) {
    std::string saved = programDirectory();
    ASSERT_FALSE(saved.empty());
    EXPECT_EQ(saved.back(), kPathSeparator);
    EXPECT_TRUE(pathInfo(saved.c_str()).directory);
    setProgramDirectory("somewhere");
    EXPECT_EQ(std::string(programDirectory()), std::string("somewhere") + kPathSeparator);
    setProgramDirectory(saved.c_str());
    EXPECT_EQ(std::string(programDirectory()), saved);
}

// Reading for information takes ordinary files only: a device or a FIFO may never end, or
// wait for a writer at the open.
TEST_F(FileTest, ReadRegularOpensOrdinaryFilesOnly) {
    {
        File f;
        ASSERT_EQ(f.open(path("plain.mp3").c_str(), File::Create), 1);
        ASSERT_EQ(f.write("abc", 3), 3);
    }
    File f;
    ASSERT_EQ(f.open(path("plain.mp3").c_str(), File::ReadRegular), 1);
    char buf[4] = {};
    EXPECT_EQ(f.read(buf, 3), 3);
    EXPECT_EQ(f.write("x", 1), -1);
    EXPECT_EQ(f.open(dir_.c_str(), File::ReadRegular), 0);
    EXPECT_EQ(f.open(path("missing.mp3").c_str(), File::ReadRegular), 0);
#ifdef _WIN32
    EXPECT_EQ(f.open("NUL", File::ReadRegular), 0);
    EXPECT_EQ(f.open("\\\\.\\pipe\\korvo-none", File::ReadRegular), 0);
#else
    EXPECT_EQ(f.open("/dev/zero", File::ReadRegular), 0);
    ASSERT_EQ(mkfifo(path("ff.mp3").c_str(), 0600), 0);
    EXPECT_EQ(f.open(path("ff.mp3").c_str(), File::ReadRegular), 0);    // returns, no writer needed
#endif
}

} // namespace
} // namespace korvo
