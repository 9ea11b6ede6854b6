#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "decoder/vbr_header.h"
#include "platform/file.h"
#include "playlist/apev2.h"
#include "playlist/entry_info.h"
#include "playlist/id3v1.h"
#include "playlist/replay_gain.h"
#include "settings/settings.h"
#include "playlist_test_util.h"
#include "test_support.h"

namespace korvo {
namespace {

using Bytes = std::vector<uint8_t>;

void append(Bytes& b, const std::string& s) { b.insert(b.end(), s.begin(), s.end()); }
void putLe32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

// An ID3v2.3 tag of TXXX frames, each a description and a value in the given encoding
// (0 Latin-1, 1 UTF-16 with a mark).
Bytes id3v2Gains(const std::vector<std::pair<std::string, std::string>>& items, int encoding = 0) {
    Bytes body;
    for (const auto& [key, value] : items) {
        Bytes data{uint8_t(encoding)};
        auto text = [&](const std::string& s) {
            if (encoding == 0) {
                append(data, s);
                data.push_back(0);
                return;
            }
            data.insert(data.end(), {0xFF, 0xFE});
            for (char c : s) data.insert(data.end(), {uint8_t(c), 0});
            data.insert(data.end(), {0, 0});
        };
        text(key);
        text(value);
        if (encoding == 0) data.pop_back();   // the value ends with the frame
        append(body, "TXXX");
        const uint32_t n = uint32_t(data.size());
        body.insert(body.end(), {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n), 0, 0});
        body.insert(body.end(), data.begin(), data.end());
    }
    body.resize(body.size() + 20, 0);   // padding
    const uint32_t n = uint32_t(body.size());
    Bytes out{'I', 'D', '3', 3, 0, 0, uint8_t(n >> 21 & 0x7F), uint8_t(n >> 14 & 0x7F), uint8_t(n >> 7 & 0x7F), uint8_t(n & 0x7F)};
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

struct ApeItem {
    std::string key, value;
    uint32_t flags = 0;
};

// An APEv2 tag as the gain tools write it: header (version 2 only), items, footer.
Bytes apeTag(const std::vector<ApeItem>& items, uint32_t version = 2000, bool header = true) {
    Bytes body;
    for (const ApeItem& i : items) {
        putLe32(body, uint32_t(i.value.size()));
        putLe32(body, i.flags);
        append(body, i.key);
        body.push_back(0);
        append(body, i.value);
    }
    auto block = [&](bool isHeader) {
        Bytes b;
        append(b, "APETAGEX");
        putLe32(b, version);
        putLe32(b, uint32_t(body.size() + 32));
        putLe32(b, uint32_t(items.size()));
        putLe32(b, (header ? 0x80000000u : 0) | (isHeader ? 0x20000000u : 0));
        b.resize(32, 0);
        return b;
    };
    Bytes out;
    if (header) out = block(true);
    out.insert(out.end(), body.begin(), body.end());
    Bytes foot = block(false);
    out.insert(out.end(), foot.begin(), foot.end());
    return out;
}

Bytes id3v1Tag() {
    Bytes b(128, 0);
    std::memcpy(b.data(), "TAG", 3);
    b[127] = 255;
    return b;
}

// A first frame carrying lame's header with the given gain fields and peak, then audio frames.
Bytes lameFrames(uint16_t radio, uint16_t audiophile, uint32_t peak) {
    Bytes f = {0xFF, 0xFB, 0x90, 0x64};   // MPEG-1 Layer III, 128 kbit/s, 44.1 kHz, joint stereo
    f.resize(417, 0);
    const size_t at = 4 + 32;             // after the side information
    std::memcpy(&f[at], "Info", 4);
    const size_t lame = at + 8;
    std::memcpy(&f[lame], "LAME3.100", 9);
    for (int i = 0; i < 4; ++i) f[lame + 11 + size_t(i)] = uint8_t(peak >> (24 - 8 * i));
    f[lame + 15] = uint8_t(radio >> 8);
    f[lame + 16] = uint8_t(radio);
    f[lame + 17] = uint8_t(audiophile >> 8);
    f[lame + 18] = uint8_t(audiophile);
    Bytes out = f;
    Bytes audio = {0xFF, 0xFB, 0x90, 0x64};
    audio.resize(417, 0);
    for (int i = 0; i < 4; ++i) out.insert(out.end(), audio.begin(), audio.end());
    return out;
}

Bytes plainFrames() {
    Bytes audio = {0xFF, 0xFB, 0x90, 0x64};
    audio.resize(417, 0);
    Bytes out;
    for (int i = 0; i < 4; ++i) out.insert(out.end(), audio.begin(), audio.end());
    return out;
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class ReplayGainTest : public ::testing::Test {
protected:
    void SetUp() override { dir_ = test::scratchDir(::testing::UnitTest::GetInstance()->current_test_info()->name()); }
    ReplayGainValues gainsOf(const Bytes& bytes) {
        const std::string p = test::joinNative(dir_, "f.mp3");
        test::writeFileBytes(p, bytes);
        ReplayGainValues v;
        readReplayGain(p.c_str(), v);
        return v;
    }
    Apev2Tag apeOf(const Bytes& bytes) {
        const std::string p = test::joinNative(dir_, "a.mp3");
        test::writeFileBytes(p, bytes);
        File f;
        Apev2Tag tag;
        if (f.open(p.c_str(), File::ReadShared)) readApev2Tag(f, tag);
        return tag;
    }
    std::string dir_;
};

TEST(ReplayGainText, GainsAndPeaksAsTaggersWriteThemAndGarbageRefused) {
    double v = 0;
    EXPECT_EQ(parseGainText("-7.23 dB", v), 1);
    EXPECT_DOUBLE_EQ(v, -7.23);
    EXPECT_EQ(parseGainText("+1.5 dB", v), 1);
    EXPECT_DOUBLE_EQ(v, 1.5);
    EXPECT_EQ(parseGainText("-8.350000 dB", v), 1);
    EXPECT_DOUBLE_EQ(v, -8.35);
    EXPECT_EQ(parseGainText("3", v), 1);
    EXPECT_DOUBLE_EQ(v, 3);
    EXPECT_EQ(parseGainText(" 51 db ", v), 1);
    EXPECT_DOUBLE_EQ(v, 51);
    for (const char* bad : {"", "dB", "abc", "-7.2x dB", "51.1 dB", "-60 dB", "nan", "inf", "- 3 dB", "1e3"})
        EXPECT_EQ(parseGainText(bad, v), 0) << bad;

    EXPECT_EQ(parsePeakText("0.988525", v), 1);
    EXPECT_DOUBLE_EQ(v, 0.988525);
    EXPECT_EQ(parsePeakText("1.2", v), 1);
    for (const char* bad : {"", "-0.5", "x", "0.9 dB"}) EXPECT_EQ(parsePeakText(bad, v), 0) << bad;
}

TEST(ReplayGainLame, RadioAndAudiophileFieldsAndPeak) {
    // radio: name 1, originator 3, sign, 83 tenths = -8.3 dB; audiophile: name 2, +2.5 dB.
    const Bytes f = lameFrames(uint16_t(1 << 13 | 3 << 10 | 1 << 9 | 83), uint16_t(2 << 13 | 3 << 10 | 25), 0x003CDDF5);
    VbrHeader v;
    ASSERT_EQ(parseVbrHeader(0xFFFB9064u, f.data() + 4, 413, v), 1);
    EXPECT_EQ(v.lameTrackGainSet, 1);
    EXPECT_EQ(v.lameTrackGainTenths, -83);
    EXPECT_EQ(v.lameAlbumGainSet, 1);
    EXPECT_EQ(v.lameAlbumGainTenths, 25);
    EXPECT_NEAR(v.lamePeak, 0.475524, 1e-6);

    // lame's default: nothing measured, fields empty.
    const Bytes none = lameFrames(0, 0, 0);
    ASSERT_EQ(parseVbrHeader(0xFFFB9064u, none.data() + 4, 413, v), 1);
    EXPECT_EQ(v.lameTrackGainSet, 0);
    EXPECT_EQ(v.lameAlbumGainSet, 0);
    EXPECT_EQ(v.lamePeak, 0);
    // A field whose name code is not its place's is not a gain.
    const Bytes swapped = lameFrames(uint16_t(2 << 13 | 10), uint16_t(1 << 13 | 10), 0);
    ASSERT_EQ(parseVbrHeader(0xFFFB9064u, swapped.data() + 4, 413, v), 1);
    EXPECT_EQ(v.lameTrackGainSet, 0);
    EXPECT_EQ(v.lameAlbumGainSet, 0);
}

// The factor of the settings' choice: off is 1 whatever the file holds; album falls back to
// track; the preamp adds to a file's own gain, not to the default of a file without one; the
// clip limit holds a known peak at full scale and leaves an unknown one (0) alone.
TEST(ReplayGainFactor, ModesFallbackPreampDefaultAndClipLimit) {
    ReplayGainValues v;
    v.track = {GainSource::Apev2, -6.0, 0.5};
    ReplayGainChoice c;
    c.preampDb = 2;
    c.defaultDb = -9;
    EXPECT_EQ(replayGainFactor(v, c), 1.0);
    c.mode = kReplayGainAlbum;
    EXPECT_NEAR(replayGainFactor(v, c), std::pow(10.0, -4.0 / 20), 1e-12);
    v.album = {GainSource::Id3v2, 4.0, 0.8};
    EXPECT_NEAR(replayGainFactor(v, c), 1 / 0.8, 1e-12);   // +6 dB would take 0.8 past 1
    c.clip = 0;
    EXPECT_NEAR(replayGainFactor(v, c), std::pow(10.0, 6.0 / 20), 1e-12);
    c.clip = 1;
    v.album.peak = 0;
    EXPECT_NEAR(replayGainFactor(v, c), std::pow(10.0, 6.0 / 20), 1e-12);
    c.mode = kReplayGainTrack;
    EXPECT_NEAR(replayGainFactor(ReplayGainValues{}, c), std::pow(10.0, -9.0 / 20), 1e-12);
    EXPECT_NEAR(replayGainFactorOf("http://127.0.0.1:1/radio", true, c), std::pow(10.0, -9.0 / 20), 1e-12);
}

TEST_F(ReplayGainTest, ApeTagVersionsHeaderAndId3v1Behind) {
    const std::vector<ApeItem> items = {
        {"MP3GAIN_MINMAX", "134,210"},
        {"replaygain_track_gain", "-8.350000 dB"},
        {"REPLAYGAIN_TRACK_PEAK", "0.475524"},
        {"Cover Art (Front)", std::string(3000, '\xFF'), 2},   // binary: passed over
        {"Title", "Song"},
        {"Artist", "Band"},
    };
    const Bytes audio = plainFrames();
    for (uint32_t version : {1000u, 2000u})
        for (bool header : {false, true})
            for (bool id3v1 : {false, true}) {
                if (version == 1000 && header) continue;
                const Bytes ape = apeTag(items, version, header);
                const Bytes file = audio + ape + (id3v1 ? id3v1Tag() : Bytes{});
                const Apev2Tag tag = apeOf(file);
                SCOPED_TRACE(std::to_string(version) + (header ? " header" : "") + (id3v1 ? " id3v1" : ""));
                ASSERT_EQ(tag.present, 1);
                EXPECT_EQ(tag.start, int64_t(audio.size()));
                EXPECT_EQ(tag.end, int64_t(audio.size() + ape.size()));
                EXPECT_STREQ(tag.title, "Song");
                EXPECT_STREQ(tag.artist, "Band");
                EXPECT_STREQ(tag.gains.text[kTrackGainItem], "-8.350000 dB");
                EXPECT_STREQ(tag.gains.text[kTrackPeakItem], "0.475524");
                EXPECT_STREQ(tag.gains.text[kAlbumGainItem], "");
            }

    // Damage: an item running past the footer ends the items; a footer claiming more than
    // the file is no tag.
    Bytes bad = apeTag({{"Title", "Song"}});
    bad[32] = 0xFF;   // value size of the first item
    EXPECT_EQ(apeOf(audio + bad).title[0], 0);
    Bytes huge = apeTag({{"Title", "Song"}});
    huge[huge.size() - 32 + 12] = 0xFF;
    huge[huge.size() - 32 + 13] = 0xFF;
    EXPECT_EQ(apeOf(audio + huge).present, 0);
    EXPECT_EQ(apeOf(audio).present, 0);
}

TEST_F(ReplayGainTest, FirstSourcePerValueWinsAndBadValuesFallThrough) {
    const Bytes lame = lameFrames(uint16_t(1 << 13 | 3 << 10 | 1 << 9 | 83), uint16_t(2 << 13 | 3 << 10 | 25), 0x00400000);

    // ID3v2 track (descriptions in any case), APEv2 album, lame for nothing left.
    ReplayGainValues v = gainsOf(id3v2Gains({{"replaygain_track_gain", "-7.23 dB"}, {"REPLAYGAIN_TRACK_PEAK", "0.988525"}}) + lame +
                                 apeTag({{"REPLAYGAIN_TRACK_GAIN", "-1 dB"}, {"REPLAYGAIN_ALBUM_GAIN", "-2.5 dB"},
                                         {"REPLAYGAIN_ALBUM_PEAK", "0.5"}}) +
                                 id3v1Tag());
    EXPECT_EQ(v.track.source, GainSource::Id3v2);
    EXPECT_DOUBLE_EQ(v.track.gainDb, -7.23);
    EXPECT_DOUBLE_EQ(v.track.peak, 0.988525);
    EXPECT_EQ(v.album.source, GainSource::Apev2);
    EXPECT_DOUBLE_EQ(v.album.gainDb, -2.5);
    EXPECT_DOUBLE_EQ(v.album.peak, 0.5);

    // A garbage ID3v2 gain is ignored: the APEv2 one, with the APEv2 peak, not ID3v2's.
    v = gainsOf(id3v2Gains({{"REPLAYGAIN_TRACK_GAIN", "loud"}, {"REPLAYGAIN_TRACK_PEAK", "0.9"}}) + plainFrames() +
                apeTag({{"REPLAYGAIN_TRACK_GAIN", "-1 dB"}}));
    EXPECT_EQ(v.track.source, GainSource::Apev2);
    EXPECT_DOUBLE_EQ(v.track.gainDb, -1);
    EXPECT_EQ(v.track.peak, 0);
    EXPECT_EQ(v.album.source, GainSource::None);

    // Beyond 51 dB in both tags: lame's header gives the track (radio) and album (audiophile).
    v = gainsOf(id3v2Gains({{"REPLAYGAIN_TRACK_GAIN", "60 dB"}}) + lame + apeTag({{"REPLAYGAIN_TRACK_GAIN", "-99 dB"}}));
    EXPECT_EQ(v.track.source, GainSource::Lame);
    EXPECT_DOUBLE_EQ(v.track.gainDb, -8.3);
    EXPECT_DOUBLE_EQ(v.track.peak, 0.5);
    EXPECT_EQ(v.album.source, GainSource::Lame);
    EXPECT_DOUBLE_EQ(v.album.gainDb, 2.5);

    // UTF-16 descriptions and values; a negative peak stays unknown, the gain is kept.
    v = gainsOf(id3v2Gains({{"REPLAYGAIN_ALBUM_GAIN", "+3.10 dB"}, {"REPLAYGAIN_ALBUM_PEAK", "-1"}}, 1) + plainFrames());
    EXPECT_EQ(v.album.source, GainSource::Id3v2);
    EXPECT_DOUBLE_EQ(v.album.gainDb, 3.1);
    EXPECT_EQ(v.album.peak, 0);
    EXPECT_EQ(v.track.source, GainSource::None);

    // Nothing anywhere.
    v = gainsOf(plainFrames());
    EXPECT_EQ(v.track.source, GainSource::None);
    EXPECT_EQ(v.album.source, GainSource::None);
}

TEST_F(ReplayGainTest, ApeNamesComeAfterId3v2AndId3v1) {
    const Bytes ape = apeTag({{"Title", "Ape Song"}, {"Artist", "Ape Band"}});
    auto nameOf = [&](const Bytes& bytes) {
        const std::string p = test::joinNative(dir_, "n.mp3");
        test::writeFileBytes(p, bytes);
        PlaylistEntry e;
        std::snprintf(e.path, sizeof e.path, "%s", p.c_str());
        readEntryInfo(e);
        return entryTagName(e);
    };
    Bytes titled = id3v1Tag();
    std::memcpy(&titled[3], "V1 Song", 7);
    Bytes artistOnly = id3v1Tag();
    std::memcpy(&artistOnly[33], "V1 Band", 7);
    const Bytes id3v2 = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 18, 'T', 'I', 'T', '2', 0, 0, 0, 8, 0, 0, 0, 'V', '2', ' ', 'S', 'o', 'n', 'g'};

    EXPECT_EQ(nameOf(plainFrames() + ape), "Ape Song / Ape Band");
    EXPECT_EQ(nameOf(plainFrames() + ape + titled), "V1 Song");
    EXPECT_EQ(nameOf(plainFrames() + ape + artistOnly), "Ape Song / Ape Band");
    EXPECT_EQ(nameOf(id3v2 + plainFrames() + ape + artistOnly), "V2 Song");
}

TEST_F(ReplayGainTest, Id3v1SaveAndWipeKeepTheApeTag) {
    const Bytes ape = apeTag({{"REPLAYGAIN_TRACK_GAIN", "-3 dB"}, {"Title", "x"}});
    const Bytes audio = plainFrames();
    const std::string p = test::joinNative(dir_, "s.mp3");
    for (bool before : {false, true}) {
        SCOPED_TRACE(before ? "with an ID3v1 tag" : "without an ID3v1 tag");
        test::writeFileBytes(p, audio + ape + (before ? id3v1Tag() : Bytes{}));
        Id3v1Tag tag;
        std::snprintf(tag.title, sizeof tag.title, "%s", "Saved");
        {
            File f;
            ASSERT_EQ(f.open(p.c_str(), File::ReadWrite), 1);
            ASSERT_EQ(writeTag(f, tag, nullptr), 1);
        }
        Bytes bytes = test::readFileBytes(p);
        ASSERT_EQ(bytes.size(), audio.size() + ape.size() + 128);
        EXPECT_TRUE(std::equal(ape.begin(), ape.end(), bytes.begin() + std::ptrdiff_t(audio.size())));
        EXPECT_EQ(std::memcmp(&bytes[bytes.size() - 128], "TAGSaved", 8), 0);
        {
            File f;
            ASSERT_EQ(f.open(p.c_str(), File::ReadWrite), 1);
            ASSERT_EQ(wipeTag(f, nullptr), 1);
            ASSERT_EQ(wipeTag(f, nullptr), 1);   // nothing more to wipe: the APEv2 tag stays
        }
        EXPECT_EQ(test::readFileBytes(p), audio + ape);
    }
    // An APEv2 tag whose bytes 128 from the end read "TAG" is not taken for an ID3v1 tag.
    Bytes tricky = apeTag({{"Comment", std::string(100, 'x')}});
    std::memcpy(&tricky[tricky.size() - 128], "TAG", 3);
    test::writeFileBytes(p, audio + tricky);
    {
        File f;
        ASSERT_EQ(f.open(p.c_str(), File::ReadWrite), 1);
        ASSERT_EQ(wipeTag(f, nullptr), 1);
        Id3v1Tag read;
        EXPECT_EQ(readTag(f, read), 0);
    }
    EXPECT_EQ(test::readFileBytes(p), audio + tricky);
}

} // namespace
} // namespace korvo
