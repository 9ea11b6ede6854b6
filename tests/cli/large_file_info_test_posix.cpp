// korvo info on a file larger than 4 GB and longer than a day: counts and the seek position
// in 64 bits.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "../playback/playback_support.h"
#include "korvo_run.h"
#include "test_support.h"

using namespace korvo;

TEST(KorvoInfo, HugeFileEstimatesAndSeeksToNinetyNinePercent) {
    const std::string dir = test::scratchDir("korvo_info_huge");
    const std::string path = dir + "/huge.mp3", out = dir + "/info.txt";
    const int64_t size = 4600000000LL;   // 320 kbit/s at 48 kHz: 960 bytes a frame
    const int64_t estimate = test::seekEstimate(size, 960.0, 99);
    ASSERT_TRUE(test::writeSparseCopies(test::mediaPath("foundation/l3_48_320_s.mp3"), path, size, {0, estimate - 2000}));
    test::KorvoRun run = test::runKorvo({"info", path, "--seek", "99"}, 60000, out);
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    auto bytes = test::readFileBytes(out);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find("estimated_frames: 4791666\n"), std::string::npos) << text;
    const size_t at = text.find("seek_offset: ");
    ASSERT_NE(at, std::string::npos) << text;
    const long long offset = std::stoll(text.substr(at + 13));
    EXPECT_GE(offset, estimate);
    EXPECT_LT(offset, estimate + 960);
    std::remove(path.c_str());
}
