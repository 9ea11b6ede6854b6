#pragma once
// Station links: a URL that answers with a playlist (PLS or M3U) instead of audio.
#include <cstddef>
#include <cstdint>

namespace korvo {

// The most of a station list that is read.
constexpr int kStationListBytes = 65536;

// Compared without case with the Content-Type before its parameters (station_list_types.cpp).
extern const char* const kStationListContentTypes[];
extern const int kStationListContentTypeCount;
// The names a list's URL ends in, before any query (compared without case).
extern const char* const kStationListExtensions[];
extern const int kStationListExtensionCount;

// The first n characters of a and b are alike but for case (ASCII).
bool sameNoCase(const char* a, const char* b, size_t n);
// The entry of types (compared without case) that a Content-Type names before its
// parameters, or nullptr.
const char* contentTypeIn(const char* contentType, const char* const* types, int count);

// The URL's path is named like a list (".pls", ".m3u", ".m3u8").
bool urlNamesStationList(const char* url);

// An answer is a station list when its type names one; else, unless its type is an audio
// one (which is believed), when its body begins like one ("[playlist]", "#EXTM3U"), or when its
// URL is named like one and the body begins as text. head is the body's first bytes (n of them).
bool answerIsStationList(const char* contentType, bool listNamed, const uint8_t* head, int n);
// What the type alone says: the answer may be a list (only then are its first bytes looked at).
bool answerMayBeStationList(const char* contentType);

// An HLS list: a line that begins with "#EXT-X-".
bool isHlsList(const char* text, size_t size);

} // namespace korvo
