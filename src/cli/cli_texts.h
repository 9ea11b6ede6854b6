#pragma once
// korvo's own texts, where they differ from the Windows program's.

namespace korvo::cli_texts {

// A path given to korvo that names no file or folder.
inline constexpr const char kNoSuchFileOrFolder[] = "No such file or folder: %s";

// What "korvo --help" says about the program, and its exit codes.
inline constexpr const char kDescription[] = "LUMEN KORVO 2000 on the command line: plays, decodes and inspects MPEG audio files";
inline constexpr const char kExitCodes[] = "Exit status: 0 done, 1 a file failed, 2 usage error.";
// "korvo --version": the program's name and the version.
inline constexpr const char kVersionFormat[] = "korvo %s";

// Usage errors: the command, then CLI11's message (it names the option), then where help is.
inline constexpr const char kUsageErrorFormat[] = "%s: %s\nRun '%s --help' for more information.\n";
// A first word that is no command.
inline constexpr const char kUnknownCommandFormat[] = "korvo: unknown command '%s'\nRun 'korvo --help' for the commands.\n";
// Validator messages; the option's name goes in front.
inline constexpr const char kRangeFormat[] = "%s is not in the range %s to %s";
inline constexpr const char kEqGainsFormat[] = "%s is not twelve gains 0.0 to 2.0 separated by commas";
inline constexpr const char kTooLongFormat[] = "takes at most %zu characters";

// korvo info: a ReplayGain value ("track" or "album"), its peak (0: not given) and where it
// was found; or that the file has none.
inline constexpr const char kGainFormat[] = "replaygain_%s: %+.2f dB peak %.6f (%s)\n";
inline constexpr const char kNoGainFormat[] = "replaygain_%s: none\n";
inline constexpr const char kGainTrack[] = "track";
inline constexpr const char kGainAlbum[] = "album";
inline constexpr const char kGainOff[] = "off";

// korvo tag: what each tag holds, its text in UTF-8.
inline constexpr const char kNoId3v1Tag[] = "%s: no ID3v1 tag\n";
inline constexpr const char kId3v1Fields[] =
    "Title:   %s\nArtist:  %s\nAlbum:   %s\nYear:    %s\nComment: %s\nGenre:   %s (%d)\n";
inline constexpr const char kNoId3v2Names[] = "%s: no ID3v2 title or artist\n";
inline constexpr const char kId3v2Fields[] = "ID3v2 title:  %s\nID3v2 artist: %s\n";
// korvo tag's warnings about what a field cannot keep (the field's name goes first), and its
// failures (the path goes in). Fields are counted in characters as the tag stores them.
inline constexpr const char kTagFieldCut[] = "korvo tag: %s cut to %zu characters\n";
inline constexpr const char kTagFieldReplaced[] = "korvo tag: %s: characters outside Latin-1 stored as \"?\": %zu\n";
inline constexpr const char kTagTrackDropped[] =
    "korvo tag: a comment of more than %d characters takes the place of track number %d, which is dropped\n";
inline constexpr const char kTagWriteFailed[] = "korvo tag: writing the tag into %s failed; the file is as it was\n";
inline constexpr const char kTagUnknownGenre[] = "korvo tag: no genre of the list is called %s\n";
// A save that could not write the ID3v2 tag it found (the path goes in).
inline constexpr const char kTagId3v22Kept[] =
    "korvo tag: %s has an ID3v2.2 tag, which is left as it is; only the ID3v1 tag was written\n";
inline constexpr const char kTagId3v2Kept[] =
    "korvo tag: the ID3v2 tag of %s cannot be read and is left as it is; only the ID3v1 tag was written\n";
inline constexpr const char kTagWipeFailed[] = "korvo tag: removing the tag from %s failed; the file is as it was\n";

} // namespace korvo::cli_texts
