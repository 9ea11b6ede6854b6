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
inline constexpr const char kSaveListFilter[] = "Playlist Files";
inline constexpr const char kSaveListPattern[] = "*.pls";
inline constexpr const char kSaveListExtension[] = "PLS";
inline constexpr const char kErrorWriting[] = "Error Writing: %s";
inline constexpr const char kBrowseFolderTitle[] = "Please Select a directory to add...";
inline constexpr const char kErrorOccurred[] = "An Error Occurred...";
using playlist_texts::kPlaytimeFormat;
using playlist_texts::kPlaytimeUnknown;
using playlist_texts::kRowFormat;

// The tag editor
inline constexpr const char kTagEditorCaption[] = TXT_TAG_CAPTION;
inline constexpr const char kErrorOpening[] = "Error Opening: %s";
inline constexpr const char kErrorOpeningForWriting[] = "Error Opening: `%s` for writing";
inline constexpr const char kTagNoTagText[] = "Edit Me!";
inline constexpr unsigned kTagNoTagYear = 1998;
inline constexpr int kTagYearLow = 1900;
inline constexpr int kTagYearHigh = 3000;

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

} // namespace korvo::win
