#pragma once
// The configuration record, one field per INI key, kept in "LUMEN KORVO.ini" beside the program.
// The user interface thread writes it; the decoder thread reads some fields while it runs.
#include "platform/file.h"
#include "settings/settings_texts.h"

#include <cstddef>

namespace korvo {

constexpr int kEqBandCount = 12;
// A folder setting's field, and the INI file's own path (a folder and the file name).
constexpr size_t kSettingsDirSize = kPathCapacity;
constexpr size_t kSettingsPathSize = 2 * kSettingsDirSize;
constexpr size_t kSettingsTextSize = 256;
// Ranges that loading brings every value into.
constexpr float kEqGainMin = 0.0f;
constexpr float kEqGainMax = 2.0f;
constexpr int kDecoderPriorityMin = 0;
constexpr int kDecoderPriorityMax = 5;
constexpr int kMappingModeMin = 1;
constexpr int kMappingModeMax = 4;
// ReplayGainMode values.
constexpr int kReplayGainOff = 0;
constexpr int kReplayGainTrack = 1;
constexpr int kReplayGainAlbum = 2;   // the track's value where the file has no album value
// ReplayGainPreamp and ReplayGainDefault, whole dB.
// What the display's upper part shows.
constexpr int kDisplayModeName = 0;
constexpr int kDisplayModeBars = 1;
constexpr int kDisplayModeScope = 2;
constexpr int kDisplayModeCount = 3;
constexpr int kReplayGainDbMin = -15;
constexpr int kReplayGainDbMax = 15;

// One block of memory: the preferences copy it whole and restore single fields.
struct Settings {
    int AudioOutputSystem;                  // 0 sound device, 1 WAV file
    float AudioBufTime;                     // stored only
    int AudioOutput8Bit;
    int AudioBypassACM;
    int AudioAllowSyncDev;
    int WinMMOutputDev;                     // -1 = the wave mapper
    int EqEnabled;
    float EqBand[kEqBandCount];             // keys EqBand00 .. EqBand11, 1.0 = flat
    int EqVolume;                           // 0 .. 15
    int EqLoudness;                         // stored only
    int DecoderPriority;                    // 0 .. 5
    int MappingMode;                        // 1 .. 4
    int RepeatPlay;
    int ShufflePlay;
    int AutoPlayOnOpen;                     // stored only
    int DownloadOption;                     // 0 play only, 1 play and save
    char InternetDLDir[kSettingsDirSize];
    int DownloadPlayAfterSave;              // stored only
    int MultipleInstances;
    char PreviousDir[kSettingsDirSize];
    int ShowSplashScreen;                   // stored only
    int ReadFileInfo;
    int IRCEnabled;
    int IRCUseTag;
    int IRCAnnounceTimeout;                 // seconds
    char IRCAppName[kSettingsTextSize];
    char IRCCommand[kSettingsTextSize];
    int MinimizeLocation;                   // 0 task bar, 1 system tray
    int StartupExpanded;                    // stored only
    int WinShade;                           // stored only
    int AlwaysOnTop;
    int EasyMove;                           // stored only
    int PlaylistX;
    int PlaylistY;
    int PlaylistW;
    int PlaylistH;
    int WindowX;
    int WindowY;
    int GaplessPlayback;                    // trim encoder delay and padding (lame files)
    int ReplayGainMode;                     // kReplayGainOff, kReplayGainTrack, kReplayGainAlbum
    int ReplayGainPreamp;                   // dB added to a file's gain
    int ReplayGainDefault;                  // dB for files without a gain (and streams)
    int ReplayGainClip;                     // 1: the gain never lifts the file's peak past full scale
    int DisplayMode;                        // kDisplayModeName, kDisplayModeBars, kDisplayModeScope
    int RememberPlaylist;                   // 1: the list is kept beside the INI from one run to the next
    int RememberedEntry;                    // its current entry at the last exit (-1: none)
    int RememberedMs;                       // and how far that entry had played
    int RememberedGiven;                    // 1: that list is what a start with files played
    int GlobalMediaKeys;                    // 1: the media keys reach the player while other programs have the focus
};

// The process-wide record.
Settings& settings();

// The hand-over to the decoder thread (and the download it starts), which reads fields while
// the user interface thread changes them: whole numbers through atomic accesses, texts copied
// under one lock. The user interface thread writes such fields only through these; its own
// plain reads of them stay safe.
int sharedValue(const int& field);
void setSharedValue(int& field, int value);
// Copies field (fieldSize bytes) into out, always terminated.
void copySharedText(const char* field, size_t fieldSize, char* out, size_t outSize);
void setSharedText(char* field, size_t fieldSize, const char* text);
template <size_t N>
void copySharedText(const char (&field)[N], char* out, size_t outSize) { copySharedText(field, N, out, outSize); }
template <size_t N>
void setSharedText(char (&field)[N], const char* text) { setSharedText(field, N, text); }

// Fill every field from the file (defaults for what is missing, out-of-range values brought
// into their ranges); returns 1.
int loadSettings();
// Write every field to the file, creating it and its keys as needed: into a copy beside it that
// takes its place when complete. 1 on success; 0 when the file could not be written (it then
// stays as it was).
int saveSettings();

// Full path of the INI file: the program's directory and kSettingsFileName.
// Returns 0 when it does not fit into out.
int settingsPath(char* out, size_t outSize);

} // namespace korvo
