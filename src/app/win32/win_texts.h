#pragma once
// The Windows program's own texts and names, written once; tests use the same constants.
#include "app/win32/resource_ids.h"
#include "playlist/playlist_texts.h"

namespace korvo::win {

// "Error..." and "Error Processing File: %s" are the playlist's texts.
using playlist_texts::kErrorProcessingFile;
using playlist_texts::kErrorTitle;

inline constexpr const char kMainWindowClass[] = "LUMEN KORVOMainWindow";
inline constexpr const char kMainWindowTitle[] = "LUMEN KORVO 2000";
inline constexpr const char kCurrentFileRecordName[] = "CurrentPlayingFile";

inline constexpr const char kFatalTitle[] = "LUMEN KORVOError Message...";
inline constexpr const char kNoMainWindow[] = "Could Not Open Main Window (Memory?)";
inline constexpr const char kNoPalette[] = "Cannot Create Palette";

// The open-files dialog
inline constexpr const char kOpenFilesTitle[] = "Open a MP3 Or Playlist...";
inline constexpr const char kFilterAllSupported[] = "All Supported Files";
inline constexpr const char kPatternAllSupported[] = "*.MP1;*.MP2;*.MP3;*.PLS;*.M3U";
inline constexpr const char kFilterMpegAudio[] = "Mpeg Audio Files";
inline constexpr const char kPatternMpegAudio[] = "*.MP1;*.MP2;*.MP3";
inline constexpr const char kFilterPlaylists[] = "Playlist Files";
inline constexpr const char kPatternPlaylists[] = "*.PLS;*.M3U";
inline constexpr const char kFilterAllTypes[] = "All FileTypes";
inline constexpr const char kPatternAllTypes[] = "*.*";

// The playlist editor
inline constexpr const char kPlaylistEditorCaption[] = TXT_PL_CAPTION;
inline constexpr const char kPlaylistEditorTemplateCaption[] = TXT_PL_TEMPLATE_CAPTION;
inline constexpr const char kFindLabel[] = TXT_PL_FIND;
// The main window's J
inline constexpr const char kJumpCaption[] = TXT_JUMP_CAPTION;
// The save dialog's types, in the order offered; the first is preselected.
struct SaveListType {
    const char* name;
    const char* pattern;
    const char* extension;   // without its dot, as the dialog takes a default extension
};
inline constexpr SaveListType kSaveListTypes[] = {
    {"PLS playlist", "*.pls", "pls"},
    {"M3U playlist", "*.m3u", "m3u"},
    {"M3U8 playlist (UTF-8)", "*.m3u8", "m3u8"},
};
inline constexpr const char kErrorWriting[] = "Error Writing: %s";
inline constexpr const char kBrowseFolderTitle[] = "Please Select a directory to add...";
inline constexpr const char kErrorOccurred[] = "An Error Occurred...";
using playlist_texts::kPlaytimeFormat;
using playlist_texts::kPlaytimeUnknown;
using playlist_texts::kPlaytimeCounting;
using playlist_texts::kAddingProgressFormat;
using playlist_texts::kRowFormat;

// The tag editor
inline constexpr const char kTagEditorCaption[] = TXT_TAG_CAPTION;
inline constexpr const char kErrorOpening[] = "Error Opening: %s";
inline constexpr const char kErrorOpeningForWriting[] = "Error Opening: `%s` for writing";
inline constexpr const char kTagNoTagText[] = "Edit Me!";
inline constexpr unsigned kTagNoTagYear = 1998;
inline constexpr int kTagYearLow = 1900;
inline constexpr int kTagYearHigh = 3000;
// After a save that wrote the ID3v1 tag alone.
inline constexpr const char kTagId3v22Kept[] =
    "This file's ID3v2.2 tag is left as it is; the changes went into its ID3v1 tag only.";
inline constexpr const char kTagId3v2Kept[] =
    "This file's ID3v2 tag cannot be read and is left as it is; the changes went into its ID3v1 tag only.";

// The preferences sheet
inline constexpr const char kPreferencesCaption[] = "LUMEN KORVO Preferences";
inline constexpr const char kPageGeneral[] = TXT_PREF_GENERAL;
inline constexpr const char kPageDecoder[] = TXT_PREF_DECODER;
inline constexpr const char kPageAudio[] = TXT_PREF_AUDIO;
inline constexpr const char kPageStreaming[] = TXT_PREF_STREAMING;
inline constexpr const char* const kPriorityNames[] = {"Lowest Priority", "Below Normal", "Normal Priority",
                                                       "Above Normal", "Highest Priority", "RealTime Priority"};
inline constexpr const char kOutputWavFileName[] = ".wav file";
inline constexpr const char kOutputSoundDeviceName[] = "Windows Media";
inline constexpr const char kWaveMapperName[] = "Wave Mapper";
// The ReplayGain box's rows, by ReplayGainMode value, and the preamp box's rows.
inline constexpr const char* const kReplayGainModeNames[] = {"Off", "Track", "Album"};
inline constexpr const char kPreampFormat[] = "%+d dB";
inline constexpr const char kDownloadFolderTitle[] = "Please Select a directory for downloads...";
inline constexpr int kIrcTextChars = 255;
inline constexpr int kDownloadDirChars = 259;

// File-type registration
inline constexpr const char kAudioFileType[] = "LUMEN KORVO MPEG Audio File";
inline constexpr const char kPlaylistFileType[] = "LUMEN KORVO Playlist File";
inline constexpr int kAudioFileIcon = 13;
inline constexpr int kPlaylistFileIcon = 14;
inline constexpr const char* const kAudioExtensions[] = {".mp1", ".mp2", ".mp3"};
inline constexpr const char* const kPlaylistExtensions[] = {".pls", ".m3u"};
inline constexpr const char kRegistryKeyClass[] = "Test";
inline constexpr const char kEditFlagsValue[] = "EditFlags";
inline constexpr const char kDefaultIconKey[] = "DefaultIcon";
inline constexpr const char kIconFormat[] = "%s,%d";
inline constexpr const char kShellKey[] = "Shell";
inline constexpr const char kOpenKey[] = "open";
inline constexpr const char kCommandKey[] = "command";
inline constexpr const char kOpenCommandFormat[] = "\"%s\" \"%%1\"";
inline constexpr const char kUserClassesKey[] = "Software\\Classes";
inline constexpr const char kClassesRootName[] = "HKEY_CLASSES_ROOT";
inline constexpr const char kRegisteredText[] =
    "Filetypes are now registered,\nYou may start a supported file by double clicking.\nIcons may not be updated untill windows is restarted";
inline constexpr const char kRegisterRefusedText[] = "Filetypes could not be registered,\nthe registry refused access.";
inline constexpr const char kRegisterTitle[] = "FileType Registration...";

// The about sheet
inline constexpr const char kAboutCaption[] = "About LUMEN KORVO";
inline constexpr const char kAboutText[] =
    "LUMEN KORVO 2000\r\n"
    "MPEG audio player, Layers I, II and III\r\n"
    "\r\n"
    "Decoder, playlist and window by the LUMEN KORVO developers.\r\n"
    "Thanks to everyone who sent in broken files: we have played them all, several times.\r\n"
    "\r\n"
    "No frames were harmed in the making of this program.\r\n"
    "Some were resynchronised, and they are better for it.";
struct Link {
    const char* name;
    const char* address;
};
inline constexpr Link kLinks[] = {
    {"LUMEN KORVO home page", "http://www.lumenkorvo.example/"},
    {"MPEG, the Moving Picture Experts Group", "https://www.mpeg.org/"},
    {"ISO/IEC 11172-3: MPEG-1 audio", "https://www.iso.org/standard/22412.html"},
    {"ISO/IEC 13818-3: MPEG-2 audio", "https://www.iso.org/standard/26797.html"},
    {"MP3 in the Library of Congress format descriptions",
     "https://www.loc.gov/preservation/digital/formats/fdd/fdd000012.shtml"},
    {"ID3 tag documentation", "https://id3.org/"},
    {"RFC 3003: the audio/mpeg media type", "https://www.rfc-editor.org/rfc/rfc3003"},
    {"RFC 5219: MP3 in RTP", "https://www.rfc-editor.org/rfc/rfc5219"},
    {"IANA audio media types", "https://www.iana.org/assignments/media-types/media-types.xhtml#audio"},
    {"ITU-R BS.1387: measuring perceived audio quality", "https://www.itu.int/rec/R-REC-BS.1387"},
    {"MP3 in Wikipedia", "https://en.wikipedia.org/wiki/MP3"},
};
inline constexpr int kLinkAddressChars = 1023;

// Menu texts without their shortcut part
inline constexpr const char kMenuRepeat[] = TXT_MENU_REPEAT;
inline constexpr const char kMenuShuffle[] = TXT_MENU_SHUFFLE;

// The chat announcement's DDE conversation
inline constexpr const char kChatTopic[] = "command";
inline constexpr const char kChatItem[] = " ";
inline constexpr unsigned kChatPokeTimeoutMs = 1000;

// The tray icon
inline constexpr const char kTrayTipFormat[] = "LUMEN KORVO - %s - %03d%%";
inline constexpr const char kTaskbarCreatedMessage[] = "TaskbarCreated";

// The taskbar button and the screen reader
inline constexpr const char kTaskbarButtonCreatedMessage[] = "TaskbarButtonCreated";
inline constexpr const char kAccessiblePress[] = "Press";

// The main window's display and its buttons' tips (in button order: Close, Minimise, Open,
// Play, Pause, Stop, Previous, Next, Repeat, Shuffle), with the keys the program has.
inline constexpr const char kDisplayTimeFormat[] = "%d:%02d";
inline constexpr const char kDisplayTimeSeparator[] = " / ";
inline constexpr const char kDisplayTimeNarrowSeparator[] = "/";
inline constexpr const char kDisplayLongTimeFormat[] = "%d:%02d:%02d";
inline constexpr const char kVolumeFormat[] = "Volume %d/%d";
inline constexpr int kVolumeLevels = 16;   // EqVolume 0 to 15
inline constexpr const char* const kButtonTips[] = {
    "Close (Alt+F4)", "Minimise", "Open (Alt+O)", "Play (Ctrl+X)", "Pause",
    "Stop (Ctrl+V)", "Previous (Ctrl+Z)", "Next (Ctrl+B)", "Repeat", "Shuffle"};

} // namespace korvo::win
