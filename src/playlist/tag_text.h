#pragma once
// The fields a user reads and edits, whichever tag they came from or go to.
#include <cstdint>
#include <string>

#include "genre_table.h"

namespace korvo {

struct TagText {
    // UTF-8; an empty field is left out of an ID3v2 tag and is spaces in an ID3v1 tag.
    std::string title;
    std::string artist;
    std::string album;
    std::string year;
    std::string comment;
    // 0 ... 147; kNoGenreByte for none; kUnknownGenre for a genre outside the list, which a
    // save keeps as the file holds it.
    int32_t genre = 0;
    int32_t track = 0;   // 0 for none
};

} // namespace korvo
