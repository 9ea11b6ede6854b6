#pragma once
#include <cstdint>

#include "id3v1.h"
#include "id3v2.h"
#include "path_rules.h"

namespace korvo {

// What an entry holds. It moves whole between entries when the list is reordered, so a field
// added here travels with the rest.
struct EntryPayload {
    char path[kPathCapacity] = {};   // file path or URL as added
    int32_t playTimeMs = 0;          // whole seconds * 1000; negative when the bitrate is unknown
    Id3v1Tag tag;
    Id3v2Names id3v2;                // names from a tag at the start; they win over tag's
    Id3v2Names apev2;                // names from an APEv2 tag at the end; used when neither gives a title
    char listedTitle[kId3v2NameCapacity] = {};   // from an extended M3U line, for entries without a tag
    int32_t listedSeconds = -1;                   // its duration, -1 when none was given
    char stationName[kId3v2NameCapacity] = {};   // a stream's station, as last heard; saved lists name it
    int32_t infoRead = 0;            // 1 once playTimeMs and the tags were read
    int32_t infoPending = 0;         // 1 while a reader elsewhere has the file in hand
    uint32_t id = 0;                 // the entry's identity, given when it was added
};

// One item of the playlist: the two links and its payload. Fields belong in EntryPayload.
struct PlaylistEntry : EntryPayload {
    PlaylistEntry* prev = nullptr;
    PlaylistEntry* next = nullptr;
    EntryPayload& payload() { return *this; }
    const EntryPayload& payload() const { return *this; }
};

} // namespace korvo
