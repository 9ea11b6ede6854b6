// One suite for both profile implementations: natively it checks ours, in the Windows build it
// runs against the system's own functions, so the two stay interchangeable.
#include "platform/profile.h"
#include "platform/file.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace korvo {
namespace {

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = test::scratchDir(std::string("profile_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        path_ = dir_ + kPathSeparator + "test.ini";
    }
    void put(const std::string& text) {
        std::ofstream out(path_, std::ios::binary);
        out << text;
    }
    std::string contents() const {
        auto bytes = test::readFileBytes(path_);
        return std::string(bytes.begin(), bytes.end());
    }
    std::string get(const char* section, const char* key, const char* def = "DEF") {
        char buf[256];
        int n = profileGetString(section, key, def, buf, sizeof buf, path_.c_str());
        EXPECT_EQ(n, static_cast<int>(std::strlen(buf)));
        return buf;
    }
    int getInt(const char* key, int def = 77) { return profileGetInt("S", key, def, path_.c_str()); }

    std::string dir_;
    std::string path_;
};

TEST_F(ProfileTest, MissingFileSectionOrKeyGivesTheDefault) {
    EXPECT_EQ(get("S", "k"), "DEF");
    EXPECT_EQ(getInt("k", -3), -3);
    put("[S]\r\nk=1\r\n");
    EXPECT_EQ(get("Other", "k"), "DEF");
    EXPECT_EQ(get("S", "missing"), "DEF");
    EXPECT_EQ(get("S", "missing", nullptr), "");
    EXPECT_EQ(get("S", "missing", "two trailing  "), "two trailing");
    EXPECT_EQ(getInt("missing", 42), 42);
}

TEST_F(ProfileTest, SectionsAndKeysMatchWithoutCase) {
    put("[LUMEN korvo]\r\nEqVolume=9\r\nname=Value Case\r\n[ Padded ]\r\nk=1\r\n");
    EXPECT_EQ(get("padded", "K"), "1");
    EXPECT_EQ(get("lumen KORVO", "eqvolume"), "9");
    EXPECT_EQ(get("LUMEN KORVO", "NAME"), "Value Case");
    EXPECT_EQ(profileGetInt("Lumen Korvo", "EQVOLUME", 0, path_.c_str()), 9);
}

TEST_F(ProfileTest, ValuesAreTrimmedAndQuotesRemoved) {
    put("[S]\r\n  spaced   =   a value with  inner  spaces  \r\nq=\"quoted\"\r\nt=\tx\t\r\n");
    EXPECT_EQ(get("S", "spaced"), "a value with  inner  spaces");
    EXPECT_EQ(get("S", "q"), "quoted");
    EXPECT_EQ(get("S", "t"), "x");
}

TEST_F(ProfileTest, IntegerReaderTakesTheLeadingDigits) {
    put("[S]\r\na=12abc\r\nb=abc\r\nc=-5\r\nd=+7\r\ne= 42 \r\nf=4294967295\r\ng=\r\nh=3.9\r\ni=-\r\nj=0x1F\r\nk=010\r\n");
    EXPECT_EQ(getInt("a"), 12);
    EXPECT_EQ(getInt("b"), 0);
    EXPECT_EQ(getInt("c"), -5);
    EXPECT_EQ(getInt("d"), 7);
    EXPECT_EQ(getInt("e"), 42);
    EXPECT_EQ(getInt("f"), -1);    // all 32 bits set
    EXPECT_EQ(getInt("g"), 77);    // empty value: the default
    EXPECT_EQ(getInt("h"), 3);
    EXPECT_EQ(getInt("i"), 0);
    EXPECT_EQ(getInt("j"), 31);    // the system reader takes a 0x prefix
    EXPECT_EQ(getInt("k"), 10);    // but no octal leading zero
}

// Only a lower-case prefix makes a value hexadecimal, octal or binary; after "0X" the reader
// stops at the "X".
TEST_F(ProfileTest, IntegerPrefixesCountInLowerCaseOnly) {
    put("[S]\r\nlx=0x1F\r\nux=0X1F\r\nlb=0b101\r\nub=0B101\r\nlo=0o17\r\nuo=0O17\r\nneg=-0x10\r\n");
    EXPECT_EQ(getInt("lx"), 31);
    EXPECT_EQ(getInt("ux"), 0);
    EXPECT_EQ(getInt("lb"), 5);
    EXPECT_EQ(getInt("ub"), 0);
    EXPECT_EQ(getInt("lo"), 15);
    EXPECT_EQ(getInt("uo"), 0);
    EXPECT_EQ(getInt("neg"), -16);
}

// The system copies a quoted value from after its opening quote, closing quote included, and
// then drops the last character copied: so when that rest just fills the buffer, the value loses
// its own last character.
TEST_F(ProfileTest, AQuotedValueThatJustFillsTheBufferLosesItsLastCharacter) {
    put("[S]\r\ndq=\"abc\"\r\nsq='abc'\r\n");
    for (const char* key : {"dq", "sq"}) {
        char buf[8];
        EXPECT_EQ(profileGetString("S", key, "", buf, 5, path_.c_str()), 3) << key;
        EXPECT_STREQ(buf, "abc");
        EXPECT_EQ(profileGetString("S", key, "", buf, 4, path_.c_str()), 2) << key;
        EXPECT_STREQ(buf, "ab");
        EXPECT_EQ(profileGetString("S", key, "", buf, 3, path_.c_str()), 2) << key;
        EXPECT_STREQ(buf, "ab");
    }
}

TEST_F(ProfileTest, LongValuesAreCutToTheBuffer) {
    put("[S]\r\nk=abcdef\r\n");
    char buf[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(profileGetString("S", "k", "", buf, sizeof buf, path_.c_str()), 3);
    EXPECT_STREQ(buf, "abc");
    char one[1] = {'x'};
    EXPECT_EQ(profileGetString("S", "k", "", one, sizeof one, path_.c_str()), 0);
    EXPECT_EQ(one[0], '\0');
    char def[3];
    EXPECT_EQ(profileGetString("S", "none", "defaults", def, sizeof def, path_.c_str()), 2);
    EXPECT_STREQ(def, "de");
}

TEST_F(ProfileTest, WritingCreatesTheFileAndSections) {
    ASSERT_EQ(profileWriteString("First", "k", "v", path_.c_str()), 1);
    EXPECT_EQ(contents(), "[First]\r\nk=v\r\n");
    ASSERT_EQ(profileWriteString("Second", "b", "2", path_.c_str()), 1);
    ASSERT_EQ(profileWriteString("Second", "a", "1", path_.c_str()), 1);
    EXPECT_EQ(contents(), "[First]\r\nk=v\r\n[Second]\r\nb=2\r\na=1\r\n");
    EXPECT_EQ(get("second", "A"), "1");
}

// Editors may start a file with a UTF-8 byte order mark: it is read past and kept.
TEST_F(ProfileTest, AByteOrderMarkIsReadPastAndKept) {
    put("\xEF\xBB\xBF[S]\r\nk=1\r\n");
    EXPECT_EQ(get("S", "k"), "1");
    EXPECT_EQ(getInt("k"), 1);
    ASSERT_EQ(profileWriteString("S", "k", "2", path_.c_str()), 1);
    ASSERT_EQ(profileWriteString("S", "n", "3", path_.c_str()), 1);
    profileWriteString(nullptr, nullptr, nullptr, path_.c_str());   // the system writes its cached copy out
    EXPECT_EQ(contents(), "\xEF\xBB\xBF[S]\r\nk=2\r\nn=3\r\n");

    put("\xEF\xBB\xBF");   // the mark alone: what follows it starts right after it
    ASSERT_EQ(profileWriteString("S", "k", "1", path_.c_str()), 1);
    profileWriteString(nullptr, nullptr, nullptr, path_.c_str());
    EXPECT_EQ(contents(), "\xEF\xBB\xBF[S]\r\nk=1\r\n");
}

TEST_F(ProfileTest, UpdateInPlaceKeepsEveryOtherLine) {
    put("[A]\r\n; a comment\r\nx=1\r\ny=old\r\n[B]\r\nx=9\r\n");
    ASSERT_EQ(profileWriteString("a", "y", "new value", path_.c_str()), 1);
    EXPECT_EQ(contents(), "[A]\r\n; a comment\r\nx=1\r\ny=new value\r\n[B]\r\nx=9\r\n");
    ASSERT_EQ(profileWriteString("A", "x", "  lead", path_.c_str()), 1);    // leading blanks dropped
    EXPECT_EQ(contents(), "[A]\r\n; a comment\r\nx=lead\r\ny=new value\r\n[B]\r\nx=9\r\n");
    EXPECT_EQ(get("B", "x"), "9");
}

TEST_F(ProfileTest, NewKeysAreAppendedToTheirSectionInWriteOrder) {
    put("[A]\r\nx=1\r\n[B]\r\nz=0\r\n");
    for (const char* k : {"c", "a", "b"}) ASSERT_EQ(profileWriteString("A", k, k, path_.c_str()), 1);
    ASSERT_EQ(profileWriteString("B", "w", "1", path_.c_str()), 1);
    EXPECT_EQ(contents(), "[A]\r\nx=1\r\nc=c\r\na=a\r\nb=b\r\n[B]\r\nz=0\r\nw=1\r\n");
}

TEST_F(ProfileTest, NullValueRemovesTheKey) {
    put("[A]\r\nx=1\r\ny=2\r\nz=3\r\n[B]\r\ny=4\r\n");
    ASSERT_EQ(profileWriteString("A", "Y", nullptr, path_.c_str()), 1);
    EXPECT_EQ(contents(), "[A]\r\nx=1\r\nz=3\r\n[B]\r\ny=4\r\n");
    EXPECT_EQ(get("A", "y"), "DEF");
    EXPECT_EQ(get("B", "y"), "4");
}

// Text that would break a line into two is refused, so the lines around the key are kept.
TEST_F(ProfileTest, LineBreaksInANameOrValueAreRefusedAndTheFileKept) {
    const std::string& path = path_;
    ASSERT_EQ(profileWriteString("S", "A", "1", path.c_str()), 1);
    const auto before = test::readFileBytes(path);
    EXPECT_EQ(profileWriteString("S", "A", "2\r\n[T]\r\nB=3", path.c_str()), 0);
    EXPECT_EQ(profileWriteString("S", "B\n", "1", path.c_str()), 0);
    EXPECT_EQ(profileWriteString("S]\r\n[U", "C", "1", path.c_str()), 0);
    EXPECT_EQ(test::readFileBytes(path), before);
    char out[16];
    profileGetString("S", "A", "", out, sizeof out, path.c_str());
    EXPECT_STREQ(out, "1");
}

TEST_F(ProfileTest, WritingIntoAMissingFolderFails) {
    std::string bad = dir_ + kPathSeparator + "missing" + kPathSeparator + "x.ini";
    EXPECT_EQ(profileWriteString("S", "k", "v", bad.c_str()), 0);
}

TEST_F(ProfileTest, KeyNamesOfASectionInFileOrder) {
    put("[A]\r\nx=1\r\n; a comment\r\n\r\n  Spaced Name  = v\r\nFile12=\r\n[B]\r\ny=2\r\n");
    std::vector<std::string> names;
    EXPECT_EQ(profileGetKeyNames("a", names, path_.c_str()), 1);
    EXPECT_EQ(names, (std::vector<std::string>{"x", "Spaced Name", "File12"}));
    EXPECT_EQ(profileGetKeyNames("B", names, path_.c_str()), 1);
    EXPECT_EQ(names, std::vector<std::string>{"y"});
    // A missing section or file has no keys.
    EXPECT_EQ(profileGetKeyNames("None", names, path_.c_str()), 1);
    EXPECT_TRUE(names.empty());
    std::string missing = dir_ + kPathSeparator + "missing.ini";
    EXPECT_EQ(profileGetKeyNames("A", names, missing.c_str()), 1);
    EXPECT_TRUE(names.empty());
}

TEST_F(ProfileTest, KeyNamesBeyondTheBoundAreLeftOut) {
    std::string text = "[S]\r\n";
    const int keys = 20000;   // about 200 KB of names: more than one first buffer holds
    for (int i = 1; i <= keys; ++i) text += "File" + std::to_string(i) + "=v\r\n";
    put(text);
    std::vector<std::string> names;
    EXPECT_EQ(profileGetKeyNames("S", names, path_.c_str()), 1);
    ASSERT_EQ(names.size(), size_t(keys));
    EXPECT_EQ(names.back(), "File" + std::to_string(keys));

    // With a small bound only whole names come back, the first ones, and the result says so.
    EXPECT_EQ(profileGetKeyNames("S", names, path_.c_str(), 4096), 0);
    EXPECT_GT(names.size(), 100u);
    EXPECT_LT(names.size(), 4096u / 6);
    for (size_t i = 0; i < names.size(); ++i) ASSERT_EQ(names[i], "File" + std::to_string(i + 1));
}

} // namespace
} // namespace korvo
