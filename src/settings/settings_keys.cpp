// The INI keys of the settings record: field, kind, default, and the read and write orders.
#include "settings/settings_keys.h"

#include <algorithm>
#include <array>

namespace korvo {

namespace {

#define FIELD(f) offsetof(Settings, f), sizeof(Settings::f)

// One entry per key, in the order of the record's fields.
constexpr SettingKey kAudioOutputSystemKey = {kKeyAudioOutputSystem, SettingKind::Int, FIELD(AudioOutputSystem), 0, nullptr};
constexpr SettingKey kAudioBufTimeKey = {kKeyAudioBufTime, SettingKind::BufTime, FIELD(AudioBufTime), 0, kDefaultAudioBufTime};
constexpr SettingKey kAudioOutput8BitKey = {kKeyAudioOutput8Bit, SettingKind::Int, FIELD(AudioOutput8Bit), 0, nullptr};
constexpr SettingKey kAudioBypassACMKey = {kKeyAudioBypassACM, SettingKind::Int, FIELD(AudioBypassACM), 0, nullptr};
constexpr SettingKey kAudioAllowSyncDevKey = {kKeyAudioAllowSyncDev, SettingKind::Int, FIELD(AudioAllowSyncDev), 0, nullptr};
constexpr SettingKey kWinMMOutputDevKey = {kKeyWinMMOutputDev, SettingKind::Unsigned, FIELD(WinMMOutputDev), -1, nullptr};
constexpr SettingKey kEqEnabledKey = {kKeyEqEnabled, SettingKind::Int, FIELD(EqEnabled), 0, nullptr};
constexpr SettingKey kEqBandKey = {kKeyEqBandFormat, SettingKind::Bands, FIELD(EqBand), 0, kDefaultEqBand};
constexpr SettingKey kEqVolumeKey = {kKeyEqVolume, SettingKind::Int, FIELD(EqVolume), 7, nullptr};
constexpr SettingKey kEqLoudnessKey = {kKeyEqLoudness, SettingKind::Int, FIELD(EqLoudness), 0, nullptr};
constexpr SettingKey kDecoderPriorityKey = {kKeyDecoderPriority, SettingKind::Int, FIELD(DecoderPriority), 3, nullptr};
constexpr SettingKey kMappingModeKey = {kKeyMappingMode, SettingKind::Int, FIELD(MappingMode), 2, nullptr};
constexpr SettingKey kRepeatPlayKey = {kKeyRepeatPlay, SettingKind::Int, FIELD(RepeatPlay), 0, nullptr};
constexpr SettingKey kShufflePlayKey = {kKeyShufflePlay, SettingKind::Int, FIELD(ShufflePlay), 0, nullptr};
constexpr SettingKey kAutoPlayOnOpenKey = {kKeyAutoPlayOnOpen, SettingKind::Int, FIELD(AutoPlayOnOpen), 1, nullptr};
constexpr SettingKey kDownloadOptionKey = {kKeyDownloadOption, SettingKind::Int, FIELD(DownloadOption), 0, nullptr};
constexpr SettingKey kInternetDLDirKey = {kKeyInternetDLDir, SettingKind::ProgramDir, FIELD(InternetDLDir), 0, nullptr};
constexpr SettingKey kDownloadPlayAfterSaveKey = {kKeyDownloadPlayAfterSave, SettingKind::Int, FIELD(DownloadPlayAfterSave), 0, nullptr};
constexpr SettingKey kMultipleInstancesKey = {kKeyMultipleInstances, SettingKind::Int, FIELD(MultipleInstances), 0, nullptr};
constexpr SettingKey kPreviousDirKey = {kKeyPreviousDir, SettingKind::ProgramDir, FIELD(PreviousDir), 0, nullptr};
constexpr SettingKey kShowSplashScreenKey = {kKeyShowSplashScreen, SettingKind::Int, FIELD(ShowSplashScreen), 1, nullptr};
constexpr SettingKey kReadFileInfoKey = {kKeyReadFileInfo, SettingKind::Int, FIELD(ReadFileInfo), 1, nullptr};
constexpr SettingKey kIRCEnabledKey = {kKeyIRCEnabled, SettingKind::Int, FIELD(IRCEnabled), 1, nullptr};
constexpr SettingKey kIRCUseTagKey = {kKeyIRCUseTag, SettingKind::Int, FIELD(IRCUseTag), 0, nullptr};
constexpr SettingKey kIRCAnnounceTimeoutKey = {kKeyIRCAnnounceTimeout, SettingKind::Int, FIELD(IRCAnnounceTimeout), 3, nullptr};
constexpr SettingKey kIRCAppNameKey = {kKeyIRCAppName, SettingKind::Text, FIELD(IRCAppName), 0, kDefaultIRCAppName};
constexpr SettingKey kIRCCommandKey = {kKeyIRCCommand, SettingKind::Text, FIELD(IRCCommand), 0, kDefaultIRCCommand};
constexpr SettingKey kMinimizeLocationKey = {kKeyMinimizeLocation, SettingKind::Int, FIELD(MinimizeLocation), 0, nullptr};
constexpr SettingKey kStartupExpandedKey = {kKeyStartupExpanded, SettingKind::Int, FIELD(StartupExpanded), 0, nullptr};
constexpr SettingKey kWinShadeKey = {kKeyWinShade, SettingKind::Int, FIELD(WinShade), 0, nullptr};
constexpr SettingKey kAlwaysOnTopKey = {kKeyAlwaysOnTop, SettingKind::Int, FIELD(AlwaysOnTop), 0, nullptr};
constexpr SettingKey kEasyMoveKey = {kKeyEasyMove, SettingKind::Int, FIELD(EasyMove), 0, nullptr};
constexpr SettingKey kPlaylistXKey = {kKeyPlaylistX, SettingKind::Int, FIELD(PlaylistX), 100, nullptr};
constexpr SettingKey kPlaylistYKey = {kKeyPlaylistY, SettingKind::Int, FIELD(PlaylistY), 100, nullptr};
constexpr SettingKey kPlaylistWKey = {kKeyPlaylistW, SettingKind::Int, FIELD(PlaylistW), 150, nullptr};
constexpr SettingKey kPlaylistHKey = {kKeyPlaylistH, SettingKind::Int, FIELD(PlaylistH), 150, nullptr};
constexpr SettingKey kWindowXKey = {kKeyWindowX, SettingKind::Int, FIELD(WindowX), 100, nullptr};
constexpr SettingKey kWindowYKey = {kKeyWindowY, SettingKind::Int, FIELD(WindowY), 100, nullptr};
constexpr SettingKey kGaplessPlaybackKey = {kKeyGaplessPlayback, SettingKind::Int, FIELD(GaplessPlayback), 1, nullptr};
constexpr SettingKey kReplayGainModeKey = {kKeyReplayGainMode, SettingKind::Int, FIELD(ReplayGainMode), kReplayGainOff, nullptr};
constexpr SettingKey kReplayGainPreampKey = {kKeyReplayGainPreamp, SettingKind::Int, FIELD(ReplayGainPreamp), 0, nullptr};
constexpr SettingKey kReplayGainDefaultKey = {kKeyReplayGainDefault, SettingKind::Int, FIELD(ReplayGainDefault), 0, nullptr};
constexpr SettingKey kReplayGainClipKey = {kKeyReplayGainClip, SettingKind::Int, FIELD(ReplayGainClip), 1, nullptr};
constexpr SettingKey kDisplayModeKey = {kKeyDisplayMode, SettingKind::Int, FIELD(DisplayMode), kDisplayModeName, nullptr};
constexpr SettingKey kRememberPlaylistKey = {kKeyRememberPlaylist, SettingKind::Int, FIELD(RememberPlaylist), 1, nullptr};
constexpr SettingKey kRememberedEntryKey = {kKeyRememberedEntry, SettingKind::Int, FIELD(RememberedEntry), -1, nullptr};
constexpr SettingKey kRememberedMsKey = {kKeyRememberedMs, SettingKind::Int, FIELD(RememberedMs), 0, nullptr};
constexpr SettingKey kRememberedGivenKey = {kKeyRememberedGiven, SettingKind::Int, FIELD(RememberedGiven), 0, nullptr};
constexpr SettingKey kGlobalMediaKeysKey = {kKeyGlobalMediaKeys, SettingKind::Int, FIELD(GlobalMediaKeys), 1, nullptr};

#undef FIELD

// Save order, which is also the key order of a newly created file.
constexpr std::array kSaveOrder = {
    &kAudioBufTimeKey,
    &kAudioOutputSystemKey,
    &kAudioOutput8BitKey,
    &kAudioBypassACMKey,
    &kAudioAllowSyncDevKey,
    &kWinMMOutputDevKey,
    &kEqEnabledKey,
    &kEqLoudnessKey,
    &kEqVolumeKey,
    &kEqBandKey,
    &kMappingModeKey,
    &kDecoderPriorityKey,
    &kShufflePlayKey,
    &kRepeatPlayKey,
    &kAutoPlayOnOpenKey,
    &kMultipleInstancesKey,
    &kDownloadOptionKey,
    &kInternetDLDirKey,
    &kDownloadPlayAfterSaveKey,
    &kPreviousDirKey,
    &kShowSplashScreenKey,
    &kReadFileInfoKey,
    &kMinimizeLocationKey,
    &kStartupExpandedKey,
    &kWinShadeKey,
    &kAlwaysOnTopKey,
    &kEasyMoveKey,
    &kPlaylistXKey,
    &kPlaylistYKey,
    &kPlaylistWKey,
    &kPlaylistHKey,
    &kWindowXKey,
    &kWindowYKey,
    &kIRCAppNameKey,
    &kIRCCommandKey,
    &kIRCEnabledKey,
    &kIRCUseTagKey,
    &kIRCAnnounceTimeoutKey,
    &kGaplessPlaybackKey,
    &kReplayGainModeKey,
    &kReplayGainPreampKey,
    &kReplayGainDefaultKey,
    &kReplayGainClipKey,
    &kDisplayModeKey,
    &kRememberPlaylistKey,
    &kRememberedEntryKey,
    &kRememberedMsKey,
    &kRememberedGivenKey,
    &kGlobalMediaKeysKey,
};

// Load order: the save order, but DecoderPriority is read before MappingMode and ReadFileInfo
// after EasyMove. EqVolume is checked right after it is read.
constexpr auto kLoadOrder = [] {
    auto order = kSaveOrder;
    auto at = [&order](const SettingKey* key) { return std::find(order.begin(), order.end(), key); };
    std::iter_swap(at(&kMappingModeKey), at(&kDecoderPriorityKey));
    auto readFileInfo = at(&kReadFileInfoKey);
    std::rotate(readFileInfo, readFileInfo + 1, at(&kEasyMoveKey) + 1);
    return order;
}();

} // namespace

const SettingKey* const* const kSettingsLoadOrder = kLoadOrder.data();
const size_t kSettingsLoadCount = kLoadOrder.size();
const SettingKey* const* const kSettingsSaveOrder = kSaveOrder.data();
const size_t kSettingsSaveCount = kSaveOrder.size();

} // namespace korvo
