#pragma once
// The INI file's name, its section, its keys and the default texts, as the file holds them.

namespace korvo {

inline constexpr const char kSettingsFileName[] = "LUMEN KORVO.ini";
inline constexpr const char kSettingsSection[] = "LUMEN KORVO";

inline constexpr const char kKeyAudioOutputSystem[] = "AudioOutputSystem";
inline constexpr const char kKeyAudioBufTime[] = "AudioBufTime";
inline constexpr const char kKeyAudioOutput8Bit[] = "AudioOutput8Bit";
inline constexpr const char kKeyAudioBypassACM[] = "AudioBypassACM";
inline constexpr const char kKeyAudioAllowSyncDev[] = "AudioAllowSyncDev";
inline constexpr const char kKeyWinMMOutputDev[] = "WinMMOutputDev";
inline constexpr const char kKeyEqEnabled[] = "EqEnabled";
inline constexpr const char kKeyEqBandFormat[] = "EqBand%02d";    // band index 0 to 11
inline constexpr const char kKeyEqVolume[] = "EqVolume";
inline constexpr const char kKeyEqLoudness[] = "EqLoudness";
inline constexpr const char kKeyDecoderPriority[] = "DecoderPriority";
inline constexpr const char kKeyMappingMode[] = "MappingMode";
inline constexpr const char kKeyRepeatPlay[] = "RepeatPlay";
inline constexpr const char kKeyShufflePlay[] = "ShufflePlay";
inline constexpr const char kKeyAutoPlayOnOpen[] = "AutoPlayOnOpen";
inline constexpr const char kKeyDownloadOption[] = "DownloadOption";
inline constexpr const char kKeyInternetDLDir[] = "InternetDLDir";
inline constexpr const char kKeyDownloadPlayAfterSave[] = "DownloadPlayAfterSave";
inline constexpr const char kKeyMultipleInstances[] = "MultipleInstances";
inline constexpr const char kKeyPreviousDir[] = "PreviousDir";
inline constexpr const char kKeyShowSplashScreen[] = "ShowSplashScreen";
inline constexpr const char kKeyReadFileInfo[] = "ReadFileInfo";
inline constexpr const char kKeyIRCEnabled[] = "IRCEnabled";
inline constexpr const char kKeyIRCUseTag[] = "IRCUseTag";
inline constexpr const char kKeyIRCAnnounceTimeout[] = "IRCAnnounceTimeout";
inline constexpr const char kKeyIRCAppName[] = "IRCAppName";
inline constexpr const char kKeyIRCCommand[] = "IRCCommand";
inline constexpr const char kKeyMinimizeLocation[] = "MinimizeLocation";
inline constexpr const char kKeyStartupExpanded[] = "StartupExpanded";
inline constexpr const char kKeyWinShade[] = "WinShade";
inline constexpr const char kKeyAlwaysOnTop[] = "AlwaysOnTop";
inline constexpr const char kKeyEasyMove[] = "EasyMove";
inline constexpr const char kKeyPlaylistX[] = "PlaylistX";
inline constexpr const char kKeyPlaylistY[] = "PlaylistY";
inline constexpr const char kKeyPlaylistW[] = "PlaylistW";
inline constexpr const char kKeyPlaylistH[] = "PlaylistH";
inline constexpr const char kKeyWindowX[] = "WindowX";
inline constexpr const char kKeyWindowY[] = "WindowY";
inline constexpr const char kKeyGaplessPlayback[] = "GaplessPlayback";
inline constexpr const char kKeyReplayGainMode[] = "ReplayGainMode";
inline constexpr const char kKeyReplayGainPreamp[] = "ReplayGainPreamp";
inline constexpr const char kKeyReplayGainDefault[] = "ReplayGainDefault";
inline constexpr const char kKeyReplayGainClip[] = "ReplayGainClip";
inline constexpr const char kKeyDisplayMode[] = "DisplayMode";
inline constexpr const char kKeyRememberPlaylist[] = "RememberPlaylist";
inline constexpr const char kKeyRememberedEntry[] = "RememberedEntry";
inline constexpr const char kKeyRememberedMs[] = "RememberedMs";
inline constexpr const char kKeyRememberedGiven[] = "RememberedGiven";
inline constexpr const char kKeyGlobalMediaKeys[] = "GlobalMediaKeys";

inline constexpr const char kDefaultAudioBufTime[] = "02.50";
inline constexpr const char kDefaultEqBand[] = "01.00";
inline constexpr const char kDefaultIRCAppName[] = "mIrc";
inline constexpr const char kDefaultIRCCommand[] = "/ame is listening to %s in LUMEN KORVO";

} // namespace korvo
