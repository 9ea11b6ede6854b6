// The Layer I and II conformance streams against their reference decodings.
#include <gtest/gtest.h>

#include "decode_support.h"
#include "test_support.h"

namespace korvo::test {
namespace {

struct IsoStream {
    const char* name;
    int layer;
};

const IsoStream kStreams[] = {
    {"l1-fl1", 1}, {"l1-fl2", 1}, {"l1-fl3", 1}, {"l1-fl4", 1}, {"l1-fl5", 1}, {"l1-fl6", 1}, {"l1-fl8", 1},
    {"l2-fl10", 2}, {"l2-fl11", 2}, {"l2-fl12", 2}, {"l2-fl13", 2}, {"l2-fl14", 2}, {"l2-fl16", 2}, {"l2-test32", 2},
};

TEST(Layer12Iso, EveryStreamMatchesItsReference) {
    for (const IsoStream& s : kStreams) {
        SCOPED_TRACE(s.name);
        DecodedFile d;
        ASSERT_TRUE(decodeFile(vectorPath(std::string("iso/") + s.name + ".bit"), d));
        EXPECT_EQ(d.layer, s.layer);
        EXPECT_EQ(d.samplesPerChannel(), size_t(d.frames) * (s.layer == 1 ? 384 : 1152));
        std::vector<int16_t> ref = readPcm16(vectorPath(std::string("iso/") + s.name + ".pcm"));
        ASSERT_FALSE(ref.empty());
        for (int c = 0; c < d.channels; ++c) {
            std::vector<int16_t> refChannel = deinterleave(ref, d.channels, c);
            std::vector<int16_t> ours = d.channel(c);
            EXPECT_GE(psnr(ours, refChannel), 96.0) << "channel " << c;
            EXPECT_LE(maxAbsDiff(ours, refChannel), 1) << "channel " << c;
        }
        if (d.channels == 1) EXPECT_EQ(d.channel(0), d.channel(1));
    }
}

} // namespace
} // namespace korvo::test
