#include "net/station_list.h"

#include <cctype>
#include <cstring>

namespace korvo {

bool sameNoCase(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

namespace {

// The first bytes are text: audio begins with a sync word (0xFF) or a tag header whose sizes
// are binary.
bool beginsAsText(const uint8_t* head, int n) {
    if (n <= 0) return false;
    for (int i = 0; i < n; ++i)
        if ((head[i] < 0x20 && !std::strchr("\t\r\n", head[i])) || head[i] == 0xFF || head[i] == 0x7F) return false;
    return true;
}

bool beginsWith(const uint8_t* head, int n, const char* word) {
    const size_t len = std::strlen(word);
    return size_t(n) >= len && sameNoCase(reinterpret_cast<const char*>(head), word, len);
}

} // namespace

const char* contentTypeIn(const char* contentType, const char* const* types, int count) {
    if (!contentType) return nullptr;
    while (*contentType == ' ' || *contentType == '\t') ++contentType;
    const size_t len = std::strcspn(contentType, "; \t\r\n");
    for (int i = 0; i < count; ++i)
        if (std::strlen(types[i]) == len && sameNoCase(contentType, types[i], len)) return types[i];
    return nullptr;
}

bool urlNamesStationList(const char* url) {
    const char* scheme = std::strstr(url, "://");
    const char* path = scheme ? scheme + 3 : url;
    const size_t end = std::strcspn(path, "?#");
    for (int i = 0; i < kStationListExtensionCount; ++i) {
        const char* ext = kStationListExtensions[i];
        const size_t len = std::strlen(ext);
        if (end >= len && sameNoCase(path + end - len, ext, len)) return true;
    }
    return false;
}

namespace {

bool isListType(const char* contentType) {
    return contentTypeIn(contentType, kStationListContentTypes, kStationListContentTypeCount) != nullptr;
}

bool isAudioType(const char* contentType) {
    while (*contentType == ' ' || *contentType == '\t') ++contentType;
    return std::strlen(contentType) >= 6 && sameNoCase(contentType, "audio/", 6);
}

} // namespace

bool answerMayBeStationList(const char* contentType) { return isListType(contentType) || !isAudioType(contentType); }

bool answerIsStationList(const char* contentType, bool listNamed, const uint8_t* head, int n) {
    if (isListType(contentType)) return true;
    // An audio stream is not held up to look at its first bytes.
    if (isAudioType(contentType)) return false;
    // A byte order mark may stand before the first line.
    if (n >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF) {
        head += 3;
        n -= 3;
    }
    if (beginsWith(head, n, "[playlist]") || beginsWith(head, n, "#EXTM3U")) return true;
    return listNamed && beginsAsText(head, n);
}

bool isHlsList(const char* text, size_t size) {
    static const char kHlsTag[] = "#EXT-X-";
    const size_t len = sizeof kHlsTag - 1;
    for (size_t at = 0; at < size;) {
        while (at < size && (text[at] == ' ' || text[at] == '\t')) ++at;
        if (size - at >= len && std::memcmp(text + at, kHlsTag, len) == 0) return true;
        const void* nl = std::memchr(text + at, '\n', size - at);
        if (!nl) break;
        at = size_t(static_cast<const char*>(nl) - text) + 1;
    }
    return false;
}

} // namespace korvo
