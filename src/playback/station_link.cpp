// Station links: a URL that answers with a playlist plays the list's first entry that opens,
// at play time; the entry in the player's list keeps the link.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "input.h"
#include "net/net_texts.h"
#include "net/station_list.h"
#include "platform/prompt.h"
#include "playlist/list_items.h"
#include "playlist/path_rules.h"

namespace korvo {

namespace {

bool startsNoCase(const std::string& s, const char* prefix) {
    const size_t n = std::strlen(prefix);
    if (s.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
    return true;
}

// An entry of the list at base as a URL: an HTTP URL as it stands, a path from the server's
// root or from the list's folder joined to base. Empty when there is no URL to make: a list
// from the network never names a local file, nor another protocol (file://) to one.
std::string entryUrl(const char* base, const std::string& target) {
    if (containsUrlMarker(target.c_str()))
        return isUrl(target.c_str()) && (startsNoCase(target, "http://") || startsNoCase(target, "https://"))
                   ? target
                   : std::string();
    const std::string link(base, std::strcspn(base, "?#"));
    const size_t scheme = link.find("://");
    if (scheme == std::string::npos) return {};
    const size_t root = link.find('/', scheme + 3);
    const std::string host = link.substr(0, root);
    if (target[0] == '/') return host + target;
    // A local path ("C:\...") names nothing on the server.
    if (target.find('\\') != std::string::npos || target.find(':') != std::string::npos) return {};
    const std::string folder = root == std::string::npos ? host + "/" : link.substr(0, link.rfind('/') + 1);
    return folder + target;
}

} // namespace

const char* Input::stationName() const {
    if (!isStream_) return "";
    const char* name = stream_.stationName();
    return name[0] ? name : listedName_;
}

int Input::openStreamHead(const char* url, const StreamSaving& saving) {
    headLen_ = headPos_ = 0;
    refused_ = false;
    if (!stream_.openStream(url, saving)) {
        refused_ = stream_.refusedAsNotMpeg();
        return 0;
    }
    // An audio stream starts as it comes: only an answer that may be a list waits for bytes.
    if (!stream_.mayBeList()) return 1;
    const int got = stream_.read(head_, int(sizeof head_));
    headLen_ = got > 0 ? got : 0;
    return 1;
}

int Input::openUrl(const char* url, const StreamSaving& saving) {
    listedName_[0] = 0;
    if (!openStreamHead(url, saving)) return 0;
    if (!stream_.mayBeList() || !stream_.bodyIsList()) return 1;
    std::string text(reinterpret_cast<const char*>(head_), size_t(headLen_));
    char buf[4096];
    for (int n; text.size() < size_t(kStationListBytes) &&
                (n = stream_.read(reinterpret_cast<uint8_t*>(buf),
                                  int(std::min(sizeof buf, size_t(kStationListBytes) - text.size())))) > 0;)
        text.append(buf, size_t(n));
    stream_.closeStream();
    headLen_ = headPos_ = 0;
    if (isHlsList(text.data(), text.size())) {
        char message[kStreamErrorTextBytes];
        std::snprintf(message, sizeof message, net_texts::kHlsNotSupported, url);
        prompt().show(message, net_texts::kUrlErrorTitle, IconError);
        refused_ = true;
        return 0;
    }
    std::vector<ListItem> items;
    listItemsFromText(text.data(), text.size(), items);
    int tried = 0;
    const auto start = std::chrono::steady_clock::now();
    for (const ListItem& item : items) {
        const std::string entry = entryUrl(url, item.target);
        if (item.overlong || entry.empty() || entry.size() > size_t(kMaxPathLength)) continue;
        if (++tried > kStationEntriesTried ||
            std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(kStationTryMs))
            break;
        if (!openStreamHead(entry.c_str(), saving)) continue;
        // A list inside a list is not followed: a link that names itself ends here.
        if (stream_.mayBeList() && stream_.bodyIsList()) {
            stream_.closeStream();
            continue;
        }
        std::snprintf(listedName_, sizeof listedName_, "%s", item.hasTitle ? item.title.c_str() : "");
        return 1;
    }
    return 0;
}

} // namespace korvo
