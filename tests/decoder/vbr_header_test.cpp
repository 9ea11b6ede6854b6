// The header of a first frame, as other encoders lay it out: Xing after the side
// information (which a CRC lengthens), VBRI at a fixed place, and plain audio frames.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "decoder/vbr_header.h"

namespace korvo {
namespace {

void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (24 - 8 * i));
}

TEST(VbrHeader, XingVbriAndAudioFrames) {
    // MPEG-1 Layer III mono with CRC, 128 kbit/s, 44.1 kHz: 17 + 2 bytes before the header.
    const uint32_t monoCrc = 0xFFFA90C0u;
    std::vector<uint8_t> body(413, 0);
    size_t at = 19;
    std::memcpy(&body[at], "Xing", 4);
    put32(body, at + 4, 1 | 2 | 4);
    put32(body, at + 8, 1000);      // frames
    put32(body, at + 12, 256000);   // bytes
    for (int i = 0; i < 100; ++i) body[at + 16 + size_t(i)] = uint8_t(i * 2);   // 256ths of the bytes
    const size_t lame = at + 116;
    std::memcpy(&body[lame], "LAME3.100", 9);
    body[lame + 21] = 0x24;         // delay 0x240 = 576, padding 0x4D2 = 1234
    body[lame + 22] = 0x04;
    body[lame + 23] = 0xD2;
    VbrHeader v;
    ASSERT_EQ(parseVbrHeader(monoCrc, body.data(), int(body.size()), v), 1);
    EXPECT_EQ(v.frames, 1000);
    EXPECT_EQ(v.encoderDelay, 576);
    EXPECT_EQ(v.encoderPadding, 1234);
    EXPECT_EQ(v.playMs(), 1000 * 1152 * 1000 / 44100);
    EXPECT_EQ(v.offsetAt(10.5), (20 * 256000 / 256 + 22 * 256000 / 256) / 2);
    EXPECT_EQ(v.offsetAt(100), 256000);

    // Without the CRC the same bytes sit two bytes too late: no header.
    EXPECT_EQ(parseVbrHeader(monoCrc | 0x10000u, body.data(), int(body.size()), v), 0);
    EXPECT_EQ(v.present, 0);

    // VBRI, 32 bytes into the body: 10 entries of 100 frames, two bytes each, scale 2.
    std::vector<uint8_t> vbri(600, 0);
    std::memcpy(&vbri[32], "VBRI", 4);
    put32(vbri, 32 + 10, 40000);
    put32(vbri, 32 + 14, 1000);
    vbri[32 + 19] = 10;
    vbri[32 + 21] = 2;
    vbri[32 + 23] = 2;
    vbri[32 + 25] = 100;
    for (int i = 0; i < 10; ++i) vbri[32 + 26 + size_t(2 * i) + 1] = uint8_t(100 + 10 * i);   // 200, 220, ... bytes
    ASSERT_EQ(parseVbrHeader(0xFFFB90C0u, vbri.data(), int(vbri.size()), v), 1);
    EXPECT_EQ(v.frames, 1000);
    EXPECT_EQ(v.encoderDelay, -1);
    EXPECT_EQ(v.offsetAt(20), 200 + 220);
    EXPECT_EQ(v.offsetAt(25), 200 + 220 + 240 / 2);

    // An audio frame, and Layer II, hold none.
    std::vector<uint8_t> audio(413, 0x55);
    EXPECT_EQ(parseVbrHeader(0xFFFB90C0u, audio.data(), int(audio.size()), v), 0);
    EXPECT_EQ(parseVbrHeader(0xFFFD90C0u, body.data(), int(body.size()), v), 0);
}

} // namespace
} // namespace korvo
