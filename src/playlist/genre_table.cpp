#include "genre_table.h"

namespace korvo {

// The first 44 genres of the published ID3v1 list in their standard order, then "Unknown".
const char* const kId3v1GenreNames[kGenreCount] = {
    "Blues",      "Classic Rock", "Country",     "Dance",      "Disco",        "Funk",        "Grunge",
    "Hip-Hop",    "Jazz",         "Metal",       "New Age",    "Oldies",       "Other",       "Pop",
    "R&B",        "Rap",          "Reggae",      "Rock",       "Techno",       "Industrial",  "Alternative",
    "Ska",        "Death Metal",  "Pranks",      "Soundtrack", "Euro-Techno",  "Ambient",     "Trip-Hop",
    "Vocal",      "Jazz+Funk",    "Fusion",      "Trance",     "Classical",    "Instrumental", "Acid",
    "House",      "Game",         "Sound Clip",  "Gospel",     "Noise",        "AlternRock",  "Bass",
    "Soul",       "Punk",         "Unknown",
};

} // namespace korvo
