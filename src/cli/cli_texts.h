#pragma once
// korvo's own texts, where they differ from the Windows program's.

namespace korvo::cli_texts {

// A path given to korvo that names no file or folder.
inline constexpr const char kNoSuchFileOrFolder[] = "No such file or folder: %s";

// korvo tag: what each tag holds, its text in UTF-8.
inline constexpr const char kNoId3v1Tag[] = "%s: no ID3v1 tag\n";
inline constexpr const char kId3v1Fields[] =
    "Title:   %s\nArtist:  %s\nAlbum:   %s\nYear:    %s\nComment: %s\nGenre:   %s (%d)\n";
inline constexpr const char kNoId3v2Names[] = "%s: no ID3v2 title or artist\n";
inline constexpr const char kId3v2Fields[] = "ID3v2 title:  %s\nID3v2 artist: %s\n";

} // namespace korvo::cli_texts
