#pragma once
// The tags of one file as the user edits them: read from the ID3v2 tag at the start when it
// holds the fields, else from the ID3v1 trailer; saved to the trailer and, when the file has
// an ID3v2.3 or 2.4 tag, to that tag too; wiped from both. An APEv2 tag is not read and stays.
#include <cstddef>
#include <cstdint>

#include "id3v1.h"
#include "tag_text.h"

namespace korvo {

class File;

// What the file's ID3v2 tag allows.
enum Id3v2State {
    Id3v2Absent = 0,       // none: a save writes none
    Id3v2Editable = 1,     // version 2.3 or 2.4
    Id3v2Version22 = 2,    // read, but left as it is by a save
    Id3v2Unreadable = 3,   // another version, or damaged: left as it is
};

struct FileTags {
    Id3v1Tag id3v1;              // the trailer as read
    int32_t id3v2 = Id3v2Absent;
    bool fromId3v2 = false;      // text came from the ID3v2 tag
    TagText text;                // what the user sees
};

// Reads both tags of an open file. 1 when it could be read (a file without tags included).
int readFileTags(File& file, FileTags& tags);

// The trailer's fields as text.
TagText textOfId3v1(const Id3v1Tag& tag);

// The fields in the order a save reports what it had to change in them.
enum TrailerField { TrailerTitle, TrailerArtist, TrailerAlbum, TrailerYear, TrailerComment, TrailerFieldCount };
struct TrailerLoss {
    size_t cut[TrailerFieldCount] = {};        // characters left out for want of room
    size_t replaced[TrailerFieldCount] = {};   // characters Latin-1 lacks, stored as '?'
};
// Puts text into the trailer record that was read (its genre byte is kept for a genre outside
// the list): each text field at most textChars characters of Latin-1, the year at most 4.
void putTextIntoTrailer(const TagText& text, int textChars, Id3v1Tag& trailer, TrailerLoss* loss = nullptr);

struct TagSaveResult {
    int32_t id3v2 = Id3v2Absent;   // the state of the file's ID3v2 tag before the save
    bool id3v2Written = false;
    bool rewritten = false;        // the tag outgrew its room: the whole file was written anew
};

// Extra room given to an ID3v2 tag that outgrows its old room, for the next edits.
inline constexpr size_t kId3v2Padding = 1024;

// Saves trailer as the ID3v1 tag and, when the file has an ID3v2.3 or 2.4 tag, text into it:
// in its room when it fits, else through a whole new file beside path that then takes its
// place (file is closed then). 1 on success; 0 on failure, with the file as it was.
int saveFileTags(File& file, const char* path, const Id3v1Tag& trailer, const TagText& text, TagSaveResult& result,
                 Prompt* tell = nullptr);

// Removes the ID3v1 trailer and the ID3v2 tag at the start; the audio and anything else stay.
// Without an ID3v2 tag the trailer is cut off in place; with one, the file is written anew
// beside path (file is closed then). 1 on success (also when there was nothing to remove).
int wipeFileTags(File& file, const char* path, Prompt* tell = nullptr);

} // namespace korvo
