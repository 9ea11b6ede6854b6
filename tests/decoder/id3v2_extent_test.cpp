// Where a leading ID3v2 tag ends: the one reading that the frame reader, the player's audio
// start, the list's play time and the tag reader share.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "decoder/id3v2_extent.h"

namespace korvo {
namespace {

std::vector<uint8_t> tagHeader(uint8_t major, uint8_t flags, uint32_t size) {
    return {'I', 'D', '3', major, 0, flags, uint8_t(size >> 21 & 0x7F), uint8_t(size >> 14 & 0x7F),
            uint8_t(size >> 7 & 0x7F), uint8_t(size & 0x7F)};
}

TEST(Id3v2Extent, HeaderBodyAndFooter) {
    Id3v2Extent e;
    std::vector<uint8_t> plain = tagHeader(3, 0x80, 0x0FFFFFFF);   // the largest size
    ASSERT_EQ(parseId3v2Extent(plain.data(), int(plain.size()), e), 1);
    EXPECT_EQ(e.major, 3);
    EXPECT_EQ(e.flags, 0x80);
    EXPECT_EQ(e.bodySize, 0x0FFFFFFFu);
    EXPECT_FALSE(e.footer);
    EXPECT_EQ(e.totalSize(), 10 + 0x0FFFFFFF);

    std::vector<uint8_t> footed = tagHeader(4, 0x10, 1000);
    footed.resize(64, 0xFF);   // bytes after the header are not looked at
    ASSERT_EQ(parseId3v2Extent(footed.data(), int(footed.size()), e), 1);
    EXPECT_EQ(e.major, 4);
    EXPECT_EQ(e.bodySize, 1000u);
    EXPECT_TRUE(e.footer);
    EXPECT_EQ(e.totalSize(), 10 + 1000 + 10);
}

TEST(Id3v2Extent, DamagedOrCutOffHeadersAreNoTag) {
    std::vector<std::vector<uint8_t>> bad;
    for (int at : {3, 4}) {   // a version byte of 0xFF
        bad.push_back(tagHeader(3, 0, 100));
        bad.back()[size_t(at)] = 0xFF;
    }
    for (int at = 6; at < 10; ++at) {   // a size byte with its top bit set
        bad.push_back(tagHeader(3, 0, 100));
        bad.back()[size_t(at)] |= 0x80;
    }
    bad.push_back(tagHeader(3, 0, 100));
    bad.back()[2] = '2';
    Id3v2Extent e;
    for (size_t i = 0; i < bad.size(); ++i) EXPECT_EQ(parseId3v2Extent(bad[i].data(), 10, e), 0) << i;
    const std::vector<uint8_t> whole = tagHeader(3, 0x10, 100);
    EXPECT_EQ(parseId3v2Extent(whole.data(), 9, e), 0);
    EXPECT_EQ(parseId3v2Extent(whole.data(), -1, e), 0);   // a failed read
    EXPECT_EQ(parseId3v2Extent(whole.data(), 10, e), 1);
}

} // namespace
} // namespace korvo
