#pragma once
// The playlist's own texts: messages, titles, labels and file keys.

namespace korvo::playlist_texts {

// Message boxes
inline constexpr const char kErrorTitle[] = "Error...";
inline constexpr const char kNoteTitle[] = "Note";
inline constexpr const char kErrorLoadingPlaylist[] = "Error Loading Playlist: %s";
inline constexpr const char kErrorAddingDirectory[] = "Error Adding Directory: %s";
inline constexpr const char kErrorProcessingFile[] = "Error Processing File: %s";
// Paths that name nothing, collected while one playlist file or command line is added.
inline constexpr const char kEntriesNotFound[] = "%d entries could not be found, for example:\n%s";
inline constexpr int kEntriesNotFoundExamples = 5;
// Entries a saved list leaves out: a line break in a path would start a line of its own.
inline constexpr const char kEntriesLeftOut[] = "Entries left out of the saved list because their paths hold a line break: %d";
// The list kept from one run to the next, beside the settings, and the one it replaced.
inline constexpr const char kRememberedList[] = "LUMEN KORVO.m3u8";
inline constexpr const char kRememberedListBefore[] = "LUMEN KORVO.1.m3u8";
inline constexpr const char kAdding[] = "Adding..";
inline constexpr const char kFinishedAdding[] = "Finished Adding..";
inline constexpr const char kErrorSettingPointer[] = "Error Setting Pointer";
inline constexpr const char kErrorWipingTag[] = "Error Wiping Tag!\n(File is Write Protected?)";

// Rows and labels of the editor
inline constexpr const char kRowFormat[] = "%d> %s";
inline constexpr const char kDisplayNameFormat[] = "%s / %s";
// Where a ReplayGain value was found.
inline constexpr const char kGainSourceId3v2[] = "ID3v2";
inline constexpr const char kGainSourceApev2[] = "APEv2";
inline constexpr const char kGainSourceLame[] = "LAME";
inline constexpr const char kGainSourceNone[] = "none";
inline constexpr const char kPlaytimeFormat[] = "Playtime: %02d:%02d:%02d";
inline constexpr const char kPlaytimeUnknown[] = "Playtime: Unknown";
inline constexpr const char kPlaytimeCounting[] = "Playtime: counting\u2026";
// A folder's progress in the editor's label: the note and the entries added so far.
inline constexpr const char kAddingProgressFormat[] = "%s %d";

// PLS files
inline constexpr const char kPlsSection[] = "playlist";
inline constexpr const char kPlsCountKey[] = "NumberOfEntries";
inline constexpr const char kPlsFileKeyFormat[] = "File%d";
inline constexpr const char kPlsCountFormat[] = "%d";
inline constexpr const char kPlsTitleKeyFormat[] = "Title%d";
inline constexpr const char kPlsLengthKeyFormat[] = "Length%d";
inline constexpr const char kPlsVersionKey[] = "Version";
inline constexpr const char kPlsVersion[] = "2";

// M3U files
inline constexpr const char kM3uHeader[] = "#EXTM3U";
inline constexpr const char kExtinfFormat[] = "#EXTINF:%d,%s";
// Line break of every list file written
inline constexpr const char kListLineBreak[] = "\r\n";

// Kinds of path
inline constexpr const char kPlsExtension[] = ".PLS";
inline constexpr const char kM3uExtension[] = ".M3U";
inline constexpr const char kM3u8Extension[] = ".M3U8";   // always UTF-8
inline constexpr const char kExtinfPrefix[] = "#EXTINF:";
inline constexpr const char kUrlMarker[] = "://";
inline constexpr const char kAudioPattern[] = "*.mp?";
inline constexpr const char kAllNamesPattern[] = "*";
inline constexpr const char kM3uCommentStart = '#';

// ID3v1 trailer
inline constexpr const char kTagMagic[] = "TAG";

} // namespace korvo::playlist_texts
