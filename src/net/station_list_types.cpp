// What a station list is called: its Content-Types and the endings of its URL.
#include "net/station_list.h"

namespace korvo {

const char* const kStationListContentTypes[] = {
    "audio/x-scpls", "audio/x-mpegurl", "audio/mpegurl", "application/x-mpegurl", "application/vnd.apple.mpegurl",
};
const int kStationListContentTypeCount = int(sizeof kStationListContentTypes / sizeof kStationListContentTypes[0]);

const char* const kStationListExtensions[] = {".pls", ".m3u", ".m3u8"};
const int kStationListExtensionCount = int(sizeof kStationListExtensions / sizeof kStationListExtensions[0]);

} // namespace korvo
