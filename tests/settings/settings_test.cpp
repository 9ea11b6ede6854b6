#include "settings/settings.h"
#include "platform/file.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace korvo {
namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedDir_ = programDirectory();
        dir_ = test::scratchDir("settings") + kPathSeparator;
        setProgramDirectory(dir_.c_str());
        iniPath_ = dir_ + kSettingsFileName;
    }
    void TearDown() override { setProgramDirectory(savedDir_.c_str()); }

    void put(const std::string& body) {
        std::ofstream out(iniPath_, std::ios::binary);
        out << "[" << kSettingsSection << "]\r\n" << body;
    }
    std::string contents() const {
        auto bytes = test::readFileBytes(iniPath_);
        return std::string(bytes.begin(), bytes.end());
    }
    // The value of one key as it stands in the file.
    std::string line(const char* key) const {
        std::string text = contents();
        std::string prefix = std::string("\n") + key + "=";
        size_t at = text.find(prefix);
        if (at == std::string::npos) return "<missing>";
        at += prefix.size();
        return text.substr(at, text.find('\r', at) - at);
    }

    std::string savedDir_;
    std::string dir_;
    std::string iniPath_;
};

// The save order is the layout of a new file.
std::string expectedNewFile(const std::string& dir) {
    std::string t = std::string("[") + kSettingsSection + "]\r\n";
    auto add = [&](const char* key, const std::string& value) { t += std::string(key) + "=" + value + "\r\n"; };
    add(kKeyAudioBufTime, "2.50");
    add(kKeyAudioOutputSystem, "0");
    add(kKeyAudioOutput8Bit, "0");
    add(kKeyAudioBypassACM, "0");
    add(kKeyAudioAllowSyncDev, "0");
    add(kKeyWinMMOutputDev, "4294967295");
    add(kKeyEqEnabled, "0");
    add(kKeyEqLoudness, "0");
    add(kKeyEqVolume, "7");
    for (int band = 0; band < kEqBandCount; ++band) {
        char name[24];
        std::snprintf(name, sizeof name, kKeyEqBandFormat, band);
        add(name, "1.000000000000");
    }
    add(kKeyMappingMode, "2");
    add(kKeyDecoderPriority, "3");
    add(kKeyShufflePlay, "0");
    add(kKeyRepeatPlay, "0");
    add(kKeyAutoPlayOnOpen, "1");
    add(kKeyMultipleInstances, "0");
    add(kKeyDownloadOption, "0");
    add(kKeyInternetDLDir, dir);
    add(kKeyDownloadPlayAfterSave, "0");
    add(kKeyPreviousDir, dir);
    add(kKeyShowSplashScreen, "1");
    add(kKeyReadFileInfo, "1");
    add(kKeyMinimizeLocation, "0");
    add(kKeyStartupExpanded, "0");
    add(kKeyWinShade, "0");
    add(kKeyAlwaysOnTop, "0");
    add(kKeyEasyMove, "0");
    add(kKeyPlaylistX, "100");
    add(kKeyPlaylistY, "100");
    add(kKeyPlaylistW, "150");
    add(kKeyPlaylistH, "150");
    add(kKeyWindowX, "100");
    add(kKeyWindowY, "100");
    add(kKeyIRCAppName, kDefaultIRCAppName);
    add(kKeyIRCCommand, kDefaultIRCCommand);
    add(kKeyIRCEnabled, "1");
    add(kKeyIRCUseTag, "0");
    add(kKeyIRCAnnounceTimeout, "3");
    add(kKeyGaplessPlayback, "1");
    add(kKeyReplayGainMode, "0");
    add(kKeyReplayGainPreamp, "0");
    add(kKeyReplayGainDefault, "0");
    add(kKeyReplayGainClip, "1");
    add(kKeyDisplayMode, "0");
    add(kKeyRememberPlaylist, "1");
    add(kKeyRememberedEntry, "-1");
    add(kKeyRememberedMs, "0");
    add(kKeyRememberedGiven, "0");
    add(kKeyGlobalMediaKeys, "1");
    return t;
}

TEST_F(SettingsTest, NoFileGivesDefaultsAndTheFirstSaveWritesEveryKeyInSaveOrder) {
    std::memset(&settings(), 0x5A, sizeof(Settings));
    ASSERT_EQ(loadSettings(), 1);
    const Settings& s = settings();
    EXPECT_EQ(s.AudioOutputSystem, 0);
    EXPECT_EQ(s.AudioBufTime, 2.5f);
    EXPECT_EQ(s.WinMMOutputDev, -1);
    for (float band : s.EqBand) EXPECT_EQ(band, 1.0f);
    EXPECT_EQ(s.EqVolume, 7);
    EXPECT_EQ(s.DecoderPriority, 3);
    EXPECT_EQ(s.MappingMode, 2);
    EXPECT_EQ(s.AutoPlayOnOpen, 1);
    EXPECT_EQ(s.ShowSplashScreen, 1);
    EXPECT_EQ(s.ReadFileInfo, 1);
    EXPECT_EQ(s.IRCEnabled, 1);
    EXPECT_EQ(s.IRCAnnounceTimeout, 3);
    EXPECT_EQ(s.GaplessPlayback, 1);
    EXPECT_EQ(s.ReplayGainMode, kReplayGainOff);
    EXPECT_EQ(s.ReplayGainPreamp, 0);
    EXPECT_EQ(s.ReplayGainDefault, 0);
    EXPECT_EQ(s.ReplayGainClip, 1);
    EXPECT_EQ(s.RememberPlaylist, 1);
    EXPECT_EQ(s.RememberedEntry, -1);
    EXPECT_EQ(s.GlobalMediaKeys, 1);
    EXPECT_EQ(s.PlaylistW, 150);
    EXPECT_EQ(s.WindowY, 100);
    EXPECT_STREQ(s.InternetDLDir, dir_.c_str());
    EXPECT_STREQ(s.PreviousDir, dir_.c_str());
    EXPECT_EQ(s.InternetDLDir[std::strlen(s.InternetDLDir) - 1], kPathSeparator);
    EXPECT_STREQ(s.IRCAppName, kDefaultIRCAppName);
    EXPECT_STREQ(s.IRCCommand, kDefaultIRCCommand);

    ASSERT_EQ(saveSettings(), 1);
    EXPECT_EQ(contents(), expectedNewFile(dir_));
}

TEST_F(SettingsTest, SecondSaveRewritesTheSameText) {
    put("EqBand03=1.3\r\nAudioBufTime=02.50\r\nEqVolume=12\r\n");
    loadSettings();
    saveSettings();
    std::string first = contents();
    loadSettings();
    saveSettings();
    EXPECT_EQ(contents(), first);
}

TEST_F(SettingsTest, EqVolumeAboveFifteenLoadsAsFourteen) {
    for (auto [text, expected] : std::vector<std::pair<const char*, int>>{{"16", 14}, {"15", 15}, {"99", 14}, {"0", 0}}) {
        put(std::string(kKeyEqVolume) + "=" + text + "\r\n");
        loadSettings();
        EXPECT_EQ(settings().EqVolume, expected) << text;
    }
}

TEST_F(SettingsTest, OutputSystemOutsideZeroAndOneLoadsAsTheSoundDevice) {
    for (auto [text, expected] : std::vector<std::pair<const char*, int>>{{"2", 0}, {"-1", 0}, {"7", 0}, {"1", 1}, {"0", 0}}) {
        put(std::string(kKeyAudioOutputSystem) + "=" + text + "\r\n");
        loadSettings();
        EXPECT_EQ(settings().AudioOutputSystem, expected) << text;
    }
}

TEST_F(SettingsTest, OutputDeviceMinusOneIsStoredUnsigned) {
    loadSettings();
    settings().WinMMOutputDev = -1;
    saveSettings();
    EXPECT_EQ(line(kKeyWinMMOutputDev), "4294967295");
    settings().WinMMOutputDev = 0;
    loadSettings();
    EXPECT_EQ(settings().WinMMOutputDev, -1);
    settings().WinMMOutputDev = 2;
    saveSettings();
    EXPECT_EQ(line(kKeyWinMMOutputDev), "2");
}

TEST_F(SettingsTest, FloatTextsAreReadAndWrittenInTheirFormats) {
    put("EqBand00=1.3\r\nEqBand01=0.7abc\r\nEqBand02=abc\r\nEqBand03=+2\r\nEqBand04=15e-1\r\nEqBand05=0x10\r\n"
        "AudioBufTime=02.50\r\n");
    loadSettings();
    const Settings& s = settings();
    EXPECT_EQ(s.EqBand[0], 1.3f);
    EXPECT_EQ(s.EqBand[1], 0.7f);     // stops at the first character of no number
    EXPECT_EQ(s.EqBand[2], 0.0f);
    EXPECT_EQ(s.EqBand[3], 2.0f);
    EXPECT_EQ(s.EqBand[4], 1.5f);
    EXPECT_EQ(s.EqBand[5], 0.0f);     // decimal only: "0" then a letter
    EXPECT_EQ(s.EqBand[6], 1.0f);     // missing key: the default text
    EXPECT_EQ(s.AudioBufTime, 2.5f);
    saveSettings();
    EXPECT_EQ(line("EqBand00"), "1.299999952316");
    EXPECT_EQ(line("EqBand02"), "0.000000000000");
    EXPECT_EQ(line("EqBand04"), "1.500000000000");
    EXPECT_EQ(line(kKeyAudioBufTime), "2.50");
}

TEST_F(SettingsTest, SavingKeepsForeignLinesAndUpdatesKeysInPlace) {
    std::ofstream(iniPath_, std::ios::binary) << "; hand written\r\n[lumen korvo]\r\nwindowx=5\r\nOwnKey=kept\r\n"
                                                 "[Other]\r\nWindowX=1\r\n";
    loadSettings();
    EXPECT_EQ(settings().WindowX, 5);
    settings().WindowX = 640;
    saveSettings();
    std::string text = contents();
    EXPECT_EQ(text.rfind("; hand written\r\n[lumen korvo]\r\nwindowx=640\r\nOwnKey=kept\r\nAudioBufTime=2.50\r\n", 0), 0u);
    EXPECT_NE(text.find("GaplessPlayback=1\r\nReplayGainMode=0\r\nReplayGainPreamp=0\r\nReplayGainDefault=0\r\nReplayGainClip=1\r\nDisplayMode=0\r\nRememberPlaylist=1\r\nRememberedEntry=-1\r\nRememberedMs=0\r\nRememberedGiven=0\r\nGlobalMediaKeys=1\r\n[Other]\r\nWindowX=1\r\n"), std::string::npos);
}

#ifndef _WIN32
// A save that cannot be completed (here: no room for the grown file) leaves the old file byte
// for byte and says so; the next save that can writes every key into it.
TEST_F(SettingsTest, AFailedSaveLeavesTheOldFileAsItWas) {
    const std::string old = std::string("[Other]\r\n") + std::string(3000, 'o') + "\r\n[" + kSettingsSection +
                            "]\r\nWindowX=5\r\n";
    std::ofstream(iniPath_, std::ios::binary) << old;
    loadSettings();
    settings().WindowX = 640;
    {
        test::FileSizeLimit limit(old.size() + 100);
        EXPECT_EQ(saveSettings(), 0);
    }
    EXPECT_TRUE(contents() == old) << "the old file changed";
    EXPECT_EQ(test::folderNames(dir_), std::vector<std::string>{kSettingsFileName});
    ASSERT_EQ(saveSettings(), 1);
    EXPECT_EQ(contents().rfind(old.substr(0, old.size() - 3) + "640\r\n", 0), 0u) << "the foreign keys changed";
}
#endif

TEST_F(SettingsTest, LongTextsAreCutToTheirFields) {
    std::string longText(400, 'x');
    put(std::string(kKeyIRCAppName) + "=" + longText + "\r\n" + kKeyPreviousDir + "=" + longText + "\r\n");
    loadSettings();
    EXPECT_EQ(std::strlen(settings().IRCAppName), kSettingsTextSize - 1);
    EXPECT_EQ(std::strlen(settings().PreviousDir), kSettingsDirSize - 1);
}

// A tampered file: every value that indexes a table or drives the sound comes back in range,
// and saving writes the clamped values in the keys' own formats.
TEST_F(SettingsTest, OutOfRangeValuesAreBroughtIntoTheirRanges) {
    put("DecoderPriority=99\r\nMappingMode=9\r\nWinMMOutputDev=-7\r\nMinimizeLocation=7\r\nDownloadOption=-2\r\n"
        "ReplayGainMode=3\r\nReplayGainPreamp=16\r\nReplayGainDefault=-40\r\nDisplayMode=3\r\n"
        "EqVolume=-3\r\nEqBand00=1e308\r\nEqBand01=-3\r\nEqBand02=text\r\nEqBand03=1.5\r\nEqBand04=-1e308\r\n");
    loadSettings();
    const Settings& s = settings();
    EXPECT_EQ(s.DecoderPriority, 5);
    EXPECT_EQ(s.MappingMode, 4);
    EXPECT_EQ(s.WinMMOutputDev, -1);
    EXPECT_EQ(s.MinimizeLocation, 1);
    EXPECT_EQ(s.DownloadOption, 0);
    EXPECT_EQ(s.ReplayGainMode, kReplayGainOff);
    EXPECT_EQ(s.ReplayGainPreamp, kReplayGainDbMax);
    EXPECT_EQ(s.ReplayGainDefault, kReplayGainDbMin);
    EXPECT_EQ(s.DisplayMode, kDisplayModeName);
    EXPECT_EQ(s.EqVolume, 0);
    EXPECT_EQ(s.EqBand[0], 2.0f);
    EXPECT_EQ(s.EqBand[1], 0.0f);
    EXPECT_EQ(s.EqBand[2], 0.0f);
    EXPECT_EQ(s.EqBand[3], 1.5f);
    EXPECT_EQ(s.EqBand[4], 0.0f);
    saveSettings();
    EXPECT_EQ(line(kKeyDecoderPriority), "5");
    EXPECT_EQ(line(kKeyWinMMOutputDev), "4294967295");
    EXPECT_EQ(line("EqBand00"), "2.000000000000");
    EXPECT_EQ(line("EqBand01"), "0.000000000000");

    put("DecoderPriority=-5\r\nMappingMode=0\r\nWinMMOutputDev=1000\r\nMinimizeLocation=-1\r\nDownloadOption=3\r\n"
        "ReplayGainMode=-1\r\nReplayGainPreamp=-6\r\nDisplayMode=2\r\n");
    loadSettings();
    EXPECT_EQ(s.DecoderPriority, 0);
    EXPECT_EQ(s.MappingMode, 1);
    EXPECT_EQ(s.WinMMOutputDev, 1000);   // whether a device 1000 exists is for the sound side to say
    EXPECT_EQ(s.MinimizeLocation, 0);
    EXPECT_EQ(s.DownloadOption, 1);
    EXPECT_EQ(s.ReplayGainMode, kReplayGainOff);
    EXPECT_EQ(s.ReplayGainPreamp, -6);
    EXPECT_EQ(s.DisplayMode, kDisplayModeScope);
}

// Every field in its range, whatever the file holds.
void expectUsable(const Settings& s) {
    EXPECT_TRUE(s.AudioOutputSystem == 0 || s.AudioOutputSystem == 1);
    EXPECT_GE(s.WinMMOutputDev, -1);
    EXPECT_TRUE(s.EqVolume >= 0 && s.EqVolume <= 15) << s.EqVolume;
    EXPECT_TRUE(s.DecoderPriority >= 0 && s.DecoderPriority <= 5) << s.DecoderPriority;
    EXPECT_TRUE(s.MappingMode >= 1 && s.MappingMode <= 4) << s.MappingMode;
    EXPECT_TRUE(s.MinimizeLocation == 0 || s.MinimizeLocation == 1);
    for (float g : s.EqBand) EXPECT_TRUE(g >= 0.0f && g <= 2.0f) << g;
    EXPECT_LT(std::strlen(s.IRCCommand), kSettingsTextSize);
    EXPECT_LT(std::strlen(s.InternetDLDir), kSettingsDirSize);
}

TEST_F(SettingsTest, HugeLinesAndRandomBytesLoadAsUsableSettings) {
    const std::string huge(5 << 20, '7');
    put(std::string(kKeyIRCCommand) + "=" + huge + "\r\n" + huge + "\r\n" + kKeyDecoderPriority +
        "=-99999999999999999999\r\nEqBand05=" + std::string(300, '9') + "\r\n");
    loadSettings();
    expectUsable(settings());
    EXPECT_EQ(std::strlen(settings().IRCCommand), kSettingsTextSize - 1);
    EXPECT_EQ(settings().EqBand[5], 2.0f);   // the keys after the long lines are still found

    unsigned seed = 18;
    for (int round = 0; round < 20; ++round) {
        std::string bytes = round % 2 ? std::string("[") + kSettingsSection + "]\r\n" : std::string();
        for (int i = 0; i < 4096; ++i) {
            seed = seed * 1103515245u + 12345u;
            char c = char(seed >> 16);
            // now and then a key of the section, so values of garbage reach the fields
            if ((seed >> 8) % 64 == 0) bytes += std::string("\r\nEqBand0") + char('0' + round % 10) + "=";
            bytes += c;
        }
        std::ofstream(iniPath_, std::ios::binary) << bytes;
        ASSERT_EQ(loadSettings(), 1);
        expectUsable(settings());
        ASSERT_EQ(saveSettings(), 1);
        ASSERT_EQ(loadSettings(), 1);
        expectUsable(settings());
    }
}

} // namespace
} // namespace korvo
