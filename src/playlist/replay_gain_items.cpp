#include "id3v2.h"

namespace korvo {

const char* const kReplayGainItemKeys[kReplayGainItems] = {
    "REPLAYGAIN_TRACK_GAIN",
    "REPLAYGAIN_TRACK_PEAK",
    "REPLAYGAIN_ALBUM_GAIN",
    "REPLAYGAIN_ALBUM_PEAK",
};

} // namespace korvo
