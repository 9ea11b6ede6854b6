#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "decoder/decoder.h"
#include "decoder/decoder_texts.h"
#include "decoder/frame_reader.h"
#include "platform/prompt.h"
#include "test_support.h"

using namespace korvo;

namespace {

// Header word for MPEG-1 (id 1) unless told otherwise.
uint32_t header(int layer, int bitrateIndex, int sampling, int padding = 0, int mode = 0, bool crc = false,
                int versionBits = 3) {
    return 0xFFE00000u | uint32_t(versionBits) << 19 | uint32_t(4 - layer) << 17 | (crc ? 0u : 1u) << 16 |
           uint32_t(bitrateIndex) << 12 | uint32_t(sampling) << 10 | uint32_t(padding) << 9 |
           uint32_t(mode) << 6;
}

void put(std::vector<uint8_t>& v, uint32_t w) {
    for (int s = 24; s >= 0; s -= 8) v.push_back(uint8_t(w >> s));
}

// Appends a frame whose body is filled with `fill`.
void frame(std::vector<uint8_t>& v, uint32_t w, int bodySize, uint8_t fill) {
    put(v, w);
    v.insert(v.end(), size_t(bodySize), fill);
}

struct StreamInput : MemoryInput {
    using MemoryInput::MemoryInput;
    bool isStream() const override { return true; }
    void stepBack(int) override {}
};

struct ScriptedPrompt : Prompt {
    int answer = 0;
    int asked = 0;
    std::string lastText, lastTitle;
    void show(const char*, const char*, PromptIcon) override {}
    int askYesNo(const char* text, const char* title, PromptIcon) override {
        ++asked;
        lastText = text;
        lastTitle = title;
        return answer;
    }
};

class FrameReaderTest : public ::testing::Test {
protected:
    int readAll(const std::vector<uint8_t>& bytes) {
        MemoryInput in(bytes.data(), bytes.size());
        reader.setInput(&in);
        reader.resetFrameReader();
        int n = 0;
        while (reader.readFrame(h)) ++n;
        return n;
    }
    FrameReader reader;
    FrameHeader h;
};

} // namespace

TEST_F(FrameReaderTest, BodySizesFollowLayerRateAndPadding) {
    struct Case { uint32_t word; int body; };
    const Case cases[] = {
        {header(3, 9, 0, 0), 413},                 // 44.1 kHz 128 kbit/s: 417 - 4
        {header(3, 9, 0, 1), 414},
        {header(1, 12, 0, 0), (12000 * 384 / 44100) * 4 - 4},
        {header(2, 10, 1, 0), 144000 * 192 / 48000 - 4},
        {header(3, 4, 1, 0, 0, false, 2), 144000 * 32 / (24000 * 2) - 4},   // MPEG-2 24 kHz
        {header(3, 2, 2, 0, 3, false, 0), 144000 * 16 / (8000 * 2) - 4},    // MPEG-2.5 8 kHz
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> v;
        frame(v, c.word, c.body, 0x11);
        MemoryInput in(v.data(), v.size());
        reader.setInput(&in);
        reader.resetFrameReader();
        ASSERT_EQ(reader.readFrame(h), 1) << std::hex << c.word;
        EXPECT_EQ(reader.bodySize(), c.body) << std::hex << c.word;
        EXPECT_EQ(reader.body()[0], 0x11);
    }
}

TEST_F(FrameReaderTest, LayerTwoTableFollowsRateChannelsAndBitrate) {
    struct Case { int sampling, mode, bitrateIndex, limit; };
    const Case cases[] = {{0, 0, 10, 30}, {0, 3, 10, 30}, {1, 0, 10, 27}, {2, 0, 1, 12}, {0, 0, 1, 8}};
    for (const Case& c : cases) {
        std::vector<uint8_t> v;
        frame(v, header(2, c.bitrateIndex, c.sampling, 0, c.mode), 1000, 0);
        MemoryInput in(v.data(), v.size());
        reader.setInput(&in);
        reader.resetFrameReader();
        ASSERT_EQ(reader.readFrame(h), 1);
        EXPECT_EQ(h.subbandLimit, c.limit) << c.sampling << " " << c.mode << " " << c.bitrateIndex;
        EXPECT_NE(h.allocTable, nullptr);
    }
    // Joint stereo never codes beyond the table's limit.
    std::vector<uint8_t> v;
    frame(v, header(2, 1, 2, 0, 1) | 3u << 4, 1000, 0);
    MemoryInput in(v.data(), v.size());
    reader.setInput(&in);
    reader.resetFrameReader();
    ASSERT_EQ(reader.readFrame(h), 1);
    EXPECT_EQ(h.jointBound, 12);
}

TEST_F(FrameReaderTest, SideInformationSizeByVersionChannelsAndCrc) {
    struct Case { uint32_t word; int side; };
    const Case cases[] = {
        {header(3, 9, 0, 0, 0), 32}, {header(3, 9, 0, 0, 3), 17},
        {header(3, 8, 2, 0, 0, false, 2), 17}, {header(3, 8, 2, 0, 0, true, 2), 19},
        {header(3, 8, 2, 0, 3, false, 2), 9},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> v;
        frame(v, c.word, 400, 0);
        MemoryInput in(v.data(), v.size());
        reader.setInput(&in);
        reader.resetFrameReader();
        ASSERT_EQ(reader.readFrame(h), 1);
        EXPECT_EQ(reader.sideInfoSize(), c.side);
    }
}

TEST_F(FrameReaderTest, RepeatedHeadersSkipParsingAndChangesKeepTheStream) {
    std::vector<uint8_t> v;
    frame(v, header(3, 9, 0, 0), 413, 1);
    frame(v, header(3, 9, 0, 0), 413, 2);
    frame(v, header(3, 9, 0, 1, 1), 414, 3);
    MemoryInput in(v.data(), v.size());
    reader.setInput(&in);
    reader.resetFrameReader();
    ASSERT_EQ(reader.readFrame(h), 1);
    EXPECT_EQ(h.headerChanged, 1);
    ASSERT_EQ(reader.readFrame(h), 1);
    EXPECT_EQ(h.headerChanged, 0);
    EXPECT_EQ(reader.body()[0], 2);
    ASSERT_EQ(reader.readFrame(h), 1);
    EXPECT_EQ(h.headerChanged, 1);
    EXPECT_EQ(h.mode, 1);
    EXPECT_EQ(h.layer, 3);
    EXPECT_EQ(h.samplingIndex, 0);
    EXPECT_EQ(reader.bodySize(), 414);
    EXPECT_EQ(reader.previousBodySize(), 413);
    EXPECT_EQ(reader.readFrame(h), 0);
}

// A header of another MPEG version in the stream (found by fuzzing): the stream's sampling
// field stays, its rate follows the header's version, so the body holds the side information.
TEST_F(FrameReaderTest, AnotherVersionTakesTheRateOfItsOwnVersion) {
    std::vector<uint8_t> v;
    frame(v, header(3, 9, 0, 0), 413, 1);
    frame(v, header(3, 1, 0, 0, 0, false, 2), 22, 2);   // MPEG-2, 8 kbit/s: 22.05 kHz
    frame(v, header(3, 9, 0, 0), 413, 3);
    MemoryInput in(v.data(), v.size());
    reader.setInput(&in);
    reader.resetFrameReader();
    ASSERT_EQ(reader.readFrame(h), 1);
    ASSERT_EQ(reader.readFrame(h), 1);
    EXPECT_EQ(h.lsf, 1);
    EXPECT_EQ(h.samplingIndex, 3);
    EXPECT_EQ(reader.bodySize(), 22);
    EXPECT_LE(reader.sideInfoSize(), reader.bodySize());
    ASSERT_EQ(reader.readFrame(h), 1);
    EXPECT_EQ(h.samplingIndex, 0);
    EXPECT_EQ(reader.body()[0], 3);
}

TEST_F(FrameReaderTest, JunkInFrontIsScannedUpToTheLimit) {
    std::vector<uint8_t> near(1000, 0x12), far(40000, 0x12);
    for (auto* v : {&near, &far}) {
        frame(*v, header(3, 9, 0), 413, 0);
        frame(*v, header(3, 9, 0), 413, 0);
    }
    EXPECT_EQ(readAll(near), 2);
    EXPECT_EQ(readAll(far), 0);
}

TEST_F(FrameReaderTest, RunsOfFFAreSkippedWithoutCountingAgainstTheScan) {
    std::vector<uint8_t> v(32000, 0x00);
    v.insert(v.end(), 8000, 0xFF);   // would exceed the scan limit if counted
    frame(v, header(3, 9, 0), 413, 0);
    EXPECT_EQ(readAll(v), 1);
}

TEST_F(FrameReaderTest, LargeId3v2TagInFrontIsSkipped) {
    const uint32_t size = 300000;    // far beyond the scan limit
    std::vector<uint8_t> v = {'I', 'D', '3', 4, 0, 0x10,
                              uint8_t(size >> 21 & 0x7F), uint8_t(size >> 14 & 0x7F), uint8_t(size >> 7 & 0x7F),
                              uint8_t(size & 0x7F)};
    v.insert(v.end(), size + 10, 0x00);   // footer flag: ten more bytes
    frame(v, header(3, 9, 0), 413, 5);
    frame(v, header(3, 9, 0), 413, 6);
    EXPECT_EQ(readAll(v), 2);
    EXPECT_EQ(reader.body()[0], 6);
}

// "ID3" with a version byte of 0xFF starts no tag: what its size would say is not stepped
// over, and the audio after it is found by the scan, where the list and the seeks count it from.
TEST_F(FrameReaderTest, Id3WithAVersionByteOf0xFFIsNoTag) {
    std::vector<uint8_t> v = {'I', 'D', '3', 0xFF, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F};   // 256 MiB
    frame(v, header(3, 9, 0), 413, 5);
    frame(v, header(3, 9, 0), 413, 6);
    EXPECT_EQ(readAll(v), 2);
    EXPECT_EQ(reader.body()[0], 6);
}

TEST_F(FrameReaderTest, LostStepSlidesToTheNextMatchingHeader) {
    std::vector<uint8_t> v;
    frame(v, header(3, 9, 0), 413, 0);
    v.insert(v.end(), 100, 0x33);
    frame(v, header(3, 9, 0, 1), 414, 7);   // padding differs: still this stream
    EXPECT_EQ(readAll(v), 2);
    EXPECT_EQ(reader.body()[0], 7);
}

TEST_F(FrameReaderTest, TruncatedFrameOfAFileIsZeroFilled) {
    std::vector<uint8_t> v;
    frame(v, header(3, 9, 0), 413, 0);
    put(v, header(3, 9, 0));
    v.insert(v.end(), 100, 0x44);
    MemoryInput in(v.data(), v.size());
    reader.setInput(&in);
    reader.resetFrameReader();
    ASSERT_EQ(reader.readFrame(h), 1);
    ASSERT_EQ(reader.readFrame(h), 1);
    EXPECT_EQ(reader.body()[99], 0x44);
    EXPECT_EQ(reader.body()[100], 0);
    EXPECT_EQ(reader.body()[412], 0);
}

TEST_F(FrameReaderTest, TruncatedFrameOfAStreamEndsIt) {
    std::vector<uint8_t> v;
    frame(v, header(3, 9, 0), 413, 0);
    put(v, header(3, 9, 0));
    v.insert(v.end(), 100, 0x44);
    StreamInput in(v.data(), v.size());
    reader.setInput(&in);
    reader.resetFrameReader();
    EXPECT_EQ(reader.readFrame(h), 1);
    EXPECT_EQ(reader.readFrame(h), 0);
}

// A network pipe hands over whatever has arrived: a header or a tag's size cut between two
// reads is still read whole.
TEST_F(FrameReaderTest, StreamInSmallPiecesGivesEveryFrame) {
    struct Trickle : StreamInput {
        using StreamInput::StreamInput;
        int read(uint8_t* dst, int n) override { return StreamInput::read(dst, n < 3 ? n : 1 + (calls++ % 3)); }
        int calls = 0;
    };
    std::vector<uint8_t> v = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 20};
    v.insert(v.end(), 20, 0);
    for (int i = 0; i < 6; ++i) frame(v, header(3, 9, 0), 413, uint8_t(i));
    const int whole = readAll(v);
    EXPECT_EQ(whole, 6);
    Trickle in(v.data(), v.size());
    reader.setInput(&in);
    reader.resetFrameReader();
    int n = 0;
    while (reader.readFrame(h)) {
        EXPECT_EQ(reader.body()[0], n);
        ++n;
    }
    EXPECT_EQ(n, whole);
}

TEST_F(FrameReaderTest, OversizedMpeg25LayerTwoBodyIsNeverRead) {
    std::vector<uint8_t> v;
    // MPEG-2.5 Layer II at 8 kHz, 160 kbit/s: 2876 bytes, beyond the body capacity.
    frame(v, header(2, 14, 2, 0, 0, false, 0), 2876, 0x55);
    frame(v, header(3, 9, 0), 413, 0x66);
    EXPECT_EQ(readAll(v), 1);
    EXPECT_EQ(reader.body()[0], 0x66);
    EXPECT_LE(reader.bodySize(), FrameReader::kBodyCapacity);
}

TEST_F(FrameReaderTest, FreeFormatAsksWhetherToResynchronise) {
    std::vector<uint8_t> v;
    frame(v, header(3, 0, 0), 300, 0);
    frame(v, header(3, 9, 0), 413, 0x77);
    // A reader that was given nobody to ask takes the answer as no, and asks no process prompt.
    ScriptedPrompt bystander;
    bystander.answer = 1;
    setPrompt(&bystander);
    EXPECT_EQ(readAll(v), 0);
    setPrompt(nullptr);
    EXPECT_EQ(bystander.asked, 0);

    ScriptedPrompt scripted;
    reader.setPrompt(&scripted);
    EXPECT_EQ(readAll(v), 0);
    EXPECT_EQ(scripted.asked, 1);
    EXPECT_EQ(scripted.lastText, texts::kInvalidBitrateText);
    EXPECT_EQ(scripted.lastTitle, texts::kInvalidBitrateTitle);
    scripted.answer = 1;
    EXPECT_EQ(readAll(v), 1);
    EXPECT_EQ(reader.body()[0], 0x77);
}

TEST_F(FrameReaderTest, BitsAreTakenMostSignificantFirst) {
    std::vector<uint8_t> v;
    put(v, header(3, 9, 0));
    const uint8_t body[] = {0xA5, 0xF0, 0x0F, 0x81};
    v.insert(v.end(), body, body + 4);
    v.insert(v.end(), 409, 0);
    MemoryInput in(v.data(), v.size());
    reader.setInput(&in);
    reader.resetFrameReader();
    ASSERT_EQ(reader.readFrame(h), 1);
    EXPECT_EQ(reader.readBits(0), 0u);
    EXPECT_EQ(reader.readBits(3), 0x5u);        // 101
    EXPECT_EQ(reader.readBit(), 0u);            // 0
    EXPECT_EQ(reader.readBitsShort(8), 0x5Fu);  // 0101 1111
    EXPECT_EQ(reader.readBits(17), 0x1F0u);     // 0000 00001111 10000
}

TEST_F(FrameReaderTest, MainDataPointerBringsThePreviousBodyTail) {
    std::vector<uint8_t> v;
    frame(v, header(3, 9, 0, 0, 3), 413, 0);
    v[4 + 412] = 0xAB;   // last byte of the first body
    v[4 + 411] = 0xCD;
    frame(v, header(3, 9, 0, 0, 3), 413, 0);
    MemoryInput in(v.data(), v.size());
    reader.setInput(&in);
    reader.resetFrameReader();
    ASSERT_EQ(reader.readFrame(h), 1);
    ASSERT_EQ(reader.readFrame(h), 1);
    reader.setMainDataPointer(2);
    EXPECT_EQ(reader.readBits(8), 0xCDu);
    EXPECT_EQ(reader.readBits(8), 0xABu);
    EXPECT_EQ(reader.readBits(8), 0u);   // first byte after the side information
}

TEST_F(FrameReaderTest, ReadsPastTheBufferGiveZeros) {
    std::vector<uint8_t> v;
    frame(v, header(3, 14, 0), 144000 * 320 / 44100 - 4, 0xFF);
    MemoryInput in(v.data(), v.size());
    reader.setInput(&in);
    reader.resetFrameReader();
    ASSERT_EQ(reader.readFrame(h), 1);
    uint32_t sum = 0;
    for (int i = 0; i < 4000; ++i) sum += reader.readBits(16);
    EXPECT_GT(sum, 0u);
    EXPECT_EQ(reader.readBits(16), 0u);
}

namespace {

// Decodes everything the reader takes from the bytes; returns the PCM bytes made and how
// many of the 16-bit samples are louder than a whisper.
struct Decoded {
    long bytes = 0;
    long loud = 0;
};
Decoded decodeAll(ByteInput& in) {
    auto dec = std::make_unique<Decoder>();
    dec->startFile(&in, false);
    Decoded d;
    PcmBuffer& pcm = dec->pcm();
    while (dec->readFrame()) {
        dec->decodeFrame();
        for (int i = 0; i + 1 < pcm.fill; i += 2)
            d.loud += std::abs(int(int16_t(pcm.data[i] | pcm.data[i + 1] << 8))) > 64;
        d.bytes += pcm.fill;
        pcm.fill = 0;
    }
    return d;
}

} // namespace

// Random bytes hold a header-like word every few kilobytes; none of them is followed by
// another at its length, so nothing is decoded, from a file or from a stream.
TEST_F(FrameReaderTest, RandomBytesGiveSilence) {
    for (unsigned seed : {1u, 2u, 3u, 4u}) {
        std::mt19937 gen(seed);
        std::vector<uint8_t> v(200 * 1024);
        for (auto& b : v) b = uint8_t(gen());
        // The very first word would be taken at face value; these bytes must be scanned.
        v[0] = 0;
        MemoryInput file(v.data(), v.size());
        StreamInput stream(v.data(), v.size());
        for (ByteInput* in : {static_cast<ByteInput*>(&file), static_cast<ByteInput*>(&stream)}) {
            Decoded d = decodeAll(*in);
            EXPECT_EQ(d.bytes, 0) << "seed " << seed << (in == &stream ? " stream" : " file");
            EXPECT_EQ(d.loud, 0) << "seed " << seed << (in == &stream ? " stream" : " file");
        }
    }
}

// A header found by the scan or the lost-step search starts decoding only when the next
// header of the same kind follows at its length, or the data end there.
TEST_F(FrameReaderTest, ResynchronisedHeaderNeedsTheNextOneAtItsLength) {
    std::vector<uint8_t> v;
    frame(v, header(3, 9, 0), 413, 1);
    // Junk holding a copy of the stream's header with no header after it.
    v.insert(v.end(), 50, 0x33);
    frame(v, header(3, 9, 0), 100, 0x34);
    v.insert(v.end(), 700, 0x35);
    frame(v, header(3, 9, 0), 413, 2);
    frame(v, header(3, 9, 0), 413, 3);
    EXPECT_EQ(readAll(v), 3);
    EXPECT_EQ(reader.body()[0], 3);

    // The same through the scan at the start, from a file and from a stream.
    std::vector<uint8_t> w(300, 0x12);
    frame(w, header(3, 9, 0), 60, 0x56);
    w.insert(w.end(), 500, 0x12);
    frame(w, header(3, 9, 0), 413, 4);
    frame(w, header(3, 9, 0, 1), 414, 5);
    EXPECT_EQ(readAll(w), 2);
    EXPECT_EQ(reader.body()[0], 5);
    StreamInput in(w.data(), w.size());
    reader.setInput(&in);
    reader.resetFrameReader();
    int n = 0;
    std::vector<uint8_t> firsts;
    while (reader.readFrame(h)) {
        ++n;
        firsts.push_back(reader.body()[0]);
    }
    EXPECT_EQ(n, 2);
    EXPECT_EQ(firsts, (std::vector<uint8_t>{4, 5}));
}

// A stream that lost step is searched for to the end of the data, however far: the frames
// after a long stretch of random bytes are read, the same from a file and from a stream. A
// search check is asked between blocks of the search, and a "no" ends the data there.
TEST_F(FrameReaderTest, LostStepIsSearchedForToTheEndOfTheData) {
    std::mt19937 gen(7);
    std::vector<uint8_t> v;
    for (int i = 0; i < 10; ++i) frame(v, header(3, 9, 0), 413, uint8_t(i));
    for (int i = 0; i < 150000; ++i) v.push_back(uint8_t(gen()));
    for (int i = 10; i < 20; ++i) frame(v, header(3, 9, 0), 413, uint8_t(i));
    MemoryInput file(v.data(), v.size());
    StreamInput stream(v.data(), v.size());
    for (ByteInput* in : {static_cast<ByteInput*>(&file), static_cast<ByteInput*>(&stream)}) {
        reader.setInput(in);
        reader.resetFrameReader();
        std::vector<int> firsts;
        while (reader.readFrame(h)) firsts.push_back(reader.body()[0]);
        ASSERT_EQ(firsts.size(), 20u) << (in == &stream ? "stream" : "file");
        for (int i = 0; i < 20; ++i) EXPECT_EQ(firsts[size_t(i)], i);
    }

    struct Asked {
        int count = 0;
        int answerYesTimes = 0;
    } asked;
    auto check = [](void* context) {
        auto* a = static_cast<Asked*>(context);
        return ++a->count <= a->answerYesTimes;
    };
    for (int yes : {100, 1}) {
        asked = Asked{0, yes};
        reader.setSearchCheck(check, &asked);
        EXPECT_EQ(readAll(v), yes == 100 ? 20 : 10) << yes;
        EXPECT_GE(asked.count, yes == 100 ? 3 : 2) << "blocks of 32768 bytes each";
    }
    reader.setSearchCheck(nullptr, nullptr);
}

// 40 s of lame's 32 kbit/s with 50 KB of random bytes put in at 12.5 s (three seeds): the
// whole length decodes, the frames after the damage are the file's own from the first whole
// one on, and their sound is the undamaged file's once what the decoder keeps of the damaged
// frame (the bit reservoir, the overlap, the filterbank) is past.
TEST(DamagedStretch, MusicAfterTheDamageDecodesAsInTheWholeFile) {
    const std::string path = test::mediaPath("playback/cbr32.mp3");
    ASSERT_TRUE(test::fileExists(path)) << path << " is missing (tests/media/playback.sh makes it)";
    const std::vector<uint8_t> whole = test::readFileBytes(path);
    struct Decoded {
        std::vector<uint8_t> pcm;
        std::vector<std::vector<uint8_t>> frames;   // header and body as read
    };
    auto decode = [](const std::vector<uint8_t>& bytes) {
        Decoded d;
        MemoryInput in(bytes.data(), bytes.size());
        auto dec = std::make_unique<Decoder>();
        dec->startFile(&in, false);
        while (dec->readFrame()) {
            const FrameReader& r = dec->reader();
            std::vector<uint8_t> f = {uint8_t(r.currentHeader() >> 24), uint8_t(r.currentHeader() >> 16),
                                      uint8_t(r.currentHeader() >> 8), uint8_t(r.currentHeader())};
            f.insert(f.end(), r.body(), r.body() + r.bodySize());
            d.frames.push_back(f);
            dec->decodeFrame();
            d.pcm.insert(d.pcm.end(), dec->pcm().data, dec->pcm().data + dec->writableBytes());
            dec->pcm().consume(dec->writableBytes());
        }
        dec->endFile();
        d.pcm.insert(d.pcm.end(), dec->pcm().data, dec->pcm().data + dec->pcm().fill);
        return d;
    };
    const Decoded clean = decode(whole);
    ASSERT_GT(clean.frames.size(), 1000u);    // 40 s of 576 samples at 16 kHz
    const int frameBytes = int(clean.frames[0].size());
    const size_t pcmPerFrame = clean.pcm.size() / clean.frames.size();
    const size_t at = whole.size() * 125 / 400 + 37;     // 12.5 s in, inside a frame
    const size_t damagedFrame = at / size_t(frameBytes);
    for (unsigned seed : {1u, 2u, 3u}) {
        std::mt19937 gen(seed);
        std::vector<uint8_t> bytes(whole.begin(), whole.begin() + long(at));
        for (int i = 0; i < 50 * 1024; ++i) bytes.push_back(uint8_t(gen()));
        bytes.insert(bytes.end(), whole.begin() + long(at), whole.end());
        const Decoded damaged = decode(bytes);
        EXPECT_EQ(damaged.pcm.size(), clean.pcm.size()) << "seed " << seed;
        ASSERT_EQ(damaged.frames.size(), clean.frames.size()) << "seed " << seed;
        for (size_t f = damagedFrame + 1; f < clean.frames.size(); ++f)
            ASSERT_EQ(damaged.frames[f], clean.frames[f]) << "seed " << seed << " frame " << f;
        // Main data reaches back at most 255 bytes, past two 123-byte bodies into a third, so
        // the third frame after the damaged one may still take some of it; then the overlap
        // of one granule and the filterbank's memory of part of the next pass.
        const size_t settled = (damagedFrame + 6) * pcmPerFrame;
        ASSERT_LT(settled, clean.pcm.size());
        EXPECT_TRUE(std::equal(clean.pcm.begin() + long(settled), clean.pcm.end(), damaged.pcm.begin() + long(settled)))
            << "seed " << seed;
    }
}
