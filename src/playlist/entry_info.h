#pragma once
// What a playlist entry knows about its file: estimated play time, tag, and the text shown for it.
#include <string>

#include "playlist_entry.h"

namespace korvo {

// Fills playTimeMs and tag and sets infoRead. 0 only when the file's first four bytes cannot be
// read; a file that cannot be opened (a URL) or holds no frame header keeps infoRead 0 and gives 1.
// A free-format first header has no table bitrate: playTimeMs is then -1 (unknown).
int readEntryInfo(PlaylistEntry& entry);

// Reads an entry's information again after its tags changed, when it had been read: the tags
// it no longer has are forgotten. 1 when it was read again.
int rereadEntryTags(PlaylistEntry& entry);

// The tag's name in UTF-8 from the ID3v2 names, else from the ID3v1 tag, else, when neither
// gives a title, from the APEv2 names (tagDisplayName); empty without any, or when all are empty.
std::string entryTagName(const PlaylistEntry& entry);
// The tag's title, artist and album in UTF-8, the first two taken as entryTagName takes them,
// the album from the ID3v1 tag (the only one that keeps it); each empty when missing.
struct EntryNames {
    std::string title, artist, album;
};
EntryNames entryNames(const PlaylistEntry& entry);
// "title / artist"; the title alone without an artist, the artist alone without a title.
std::string tagDisplayName(const char* title, const char* artist);
// The entry's tag name once its info was read, else the title its M3U line gave, else the
// file title of its path.
std::string entryDisplayName(const PlaylistEntry& entry);

// The platform's title for a path (the file name without its folder).
void fileTitleOf(const char* path, char* out, int outSize);

} // namespace korvo
