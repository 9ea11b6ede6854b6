#include "list_items.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/ini_text.h"
#include "id3v2.h"
#include "playlist_texts.h"
#include "pls_reader.h"
#include "text_encoding.h"

namespace korvo {

namespace {

namespace T = playlist_texts;

// Room for a line or value well past the path limit, so overlong text is seen and refused.
constexpr size_t kLineCapacity = 1024;
constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";

bool startsWithNoCase(const char* s, const char* prefix) {
    for (; *prefix; ++s, ++prefix)
        if (std::toupper(static_cast<unsigned char>(*s)) != std::toupper(static_cast<unsigned char>(*prefix)))
            return false;
    return true;
}

// The section's keys named by format ("File%d", "Title%d") for n from 1 to count (n in decimal
// without leading zeros, as the reader asks for them), in number order, the first of each n
// only: n and the index into keys().
std::vector<std::pair<int, size_t>> numberedKeysUpTo(const PlsSection& pls, const char* format, int count) {
    const size_t prefixLength = size_t(std::strchr(format, '%') - format);
    std::vector<std::pair<int, size_t>> numbered;
    const std::vector<PlsSection::Key>& keys = pls.keys();
    for (size_t k = 0; k < keys.size(); ++k) {
        const std::string& name = keys[k].name;
        if (name.size() <= prefixLength || name[prefixLength] == '0') continue;
        if (!startsWithNoCase(name.c_str(), std::string(format, prefixLength).c_str())) continue;
        int64_t n = 0;
        for (size_t i = prefixLength; i < name.size() && n <= count; ++i)
            n = (name[i] >= '0' && name[i] <= '9') ? n * 10 + (name[i] - '0') : INT64_MAX;
        if (n <= count) numbered.emplace_back(int(n), k);
    }
    // Stable: of repeated keys the first in the file stays first.
    std::stable_sort(numbered.begin(), numbered.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::pair<int, size_t>> order;
    order.reserve(numbered.size());
    for (size_t i = 0; i < numbered.size(); ++i)
        if (i == 0 || numbered[i].first != numbered[i - 1].first) order.push_back(numbered[i]);
    return order;
}

} // namespace

int plsItems(const PlsSection& pls, std::vector<ListItem>& items) {
    const int count = pls.getInt(T::kPlsCountKey, -1);
    if (count == -1) return 0;
    // The count is only a claim: numbers without a key are passed over (a missing key would
    // only name the playlist's folder).
    const std::vector<std::pair<int, size_t>> fileKeys = numberedKeysUpTo(pls, T::kPlsFileKeyFormat, count);
    std::vector<std::pair<int, size_t>> titles = numberedKeysUpTo(pls, T::kPlsTitleKeyFormat, count);
    std::vector<std::pair<int, size_t>> lengths = numberedKeysUpTo(pls, T::kPlsLengthKeyFormat, count);
    // Lists written today are UTF-8; a list with any name that is not is an older one, in
    // Latin-1, as M3U lists are read.
    const std::vector<PlsSection::Key>& keys = pls.keys();
    bool utf8 = true;
    for (const auto& [number, k] : fileKeys) utf8 = utf8 && isValidUtf8(keys[k].value.data(), keys[k].value.size());
    for (const auto& [number, k] : titles) utf8 = utf8 && isValidUtf8(keys[k].value.data(), keys[k].value.size());
    // A key's value as the profile functions give it, in UTF-8; empty when it has none.
    auto text = [&](size_t k) {
        char value[kLineCapacity];
        char converted[2 * kLineCapacity];   // a Latin-1 byte is at most two UTF-8 bytes
        if (PlsSection::valueOf(keys[k], value, sizeof value) <= 0) return std::string();
        if (utf8) return std::string(value);
        latin1ToUtf8(value, std::strlen(value), converted, sizeof converted);
        return std::string(converted);
    };
    // Titles and lengths by number: both lists are in number order.
    size_t t = 0, l = 0;
    for (const auto& [number, k] : fileKeys) {
        ListItem item;
        item.target = text(k);
        while (t < titles.size() && titles[t].first < number) ++t;
        while (l < lengths.size() && lengths[l].first < number) ++l;
        if (item.target.empty()) continue;
        if (t < titles.size() && titles[t].first == number) {
            item.title = text(titles[t].second);
            item.hasTitle = !item.title.empty();
        }
        if (l < lengths.size() && lengths[l].first == number) {
            const std::string length = text(lengths[l].second);
            if (!length.empty()) {
                const int seconds = iniInteger(length.c_str());
                item.hasSeconds = true;
                item.seconds = seconds >= 0 ? seconds : -1;
            }
        }
        items.push_back(std::move(item));
    }
    return 1;
}

void M3uItems::line(const char* text, bool overlong) {
    if (startsWithNoCase(text, T::kExtinfPrefix)) {
        // "#EXTINF:<seconds>[ attributes],<title>"
        pending_ = true;
        seconds_ = -1;
        title_.clear();
        const char* p = text + std::strlen(T::kExtinfPrefix);
        while (*p == ' ') ++p;
        char* end;
        const long seconds = std::strtol(p, &end, 10);
        if (end != p && seconds >= 0 && seconds <= INT32_MAX) seconds_ = int32_t(seconds);
        // The title follows the first comma outside quoted attribute values.
        bool quoted = false;
        for (; *end && (quoted || *end != ','); ++end)
            if (*end == '"') quoted = !quoted;
        if (*end == ',') {
            const char* title = end + 1;
            while (*title == ' ') ++title;
            char kept[kId3v2NameCapacity];
            copyUtf8(title, std::strlen(title), kept, sizeof kept);
            size_t n = std::strlen(kept);
            while (n > 0 && kept[n - 1] == ' ') kept[--n] = 0;
            title_ = kept;
        }
        return;
    }
    // Blank lines and other "#" lines are not entries.
    if (text[0] == 0 || text[0] == T::kM3uCommentStart) return;
    ListItem item;
    item.target = text;
    item.overlong = overlong;
    // An overlong line is refused; what described it describes nothing.
    if (pending_ && !overlong) {
        item.hasTitle = item.hasSeconds = true;
        item.title = title_;
        item.seconds = seconds_;
    }
    pending_ = false;
    items.push_back(std::move(item));
}

void listItemsFromText(const char* text, size_t size, std::vector<ListItem>& items) {
    if (size >= 3 && std::memcmp(text, kUtf8Mark, 3) == 0) {
        text += 3;
        size -= 3;
    }
    size_t start = 0;
    while (start < size && std::isspace(static_cast<unsigned char>(text[start]))) ++start;
    const std::string head(text + start, std::min(size - start, sizeof T::kPlsSection + 1));
    if (startsWithNoCase(head.c_str(), (std::string("[") + T::kPlsSection + "]").c_str())) {
        PlsSection pls;
        pls.parse(text, size, T::kPlsSection);
        items.clear();
        plsItems(pls, items);
        return;
    }
    const bool utf8 = isValidUtf8(text, size);
    M3uItems m3u;
    for (size_t at = 0; at < size;) {
        const char* nl = static_cast<const char*>(std::memchr(text + at, '\n', size - at));
        size_t end = nl ? size_t(nl - text) : size;
        const size_t next = end + 1;
        while (end > at && text[end - 1] == '\r') --end;
        const size_t n = end - at;
        const size_t kept = std::min(n, kLineCapacity - 1);
        std::string line(text + at, kept);
        if (!utf8) {
            char converted[2 * kLineCapacity];
            latin1ToUtf8(line.c_str(), line.size(), converted, sizeof converted);
            line = converted;
        }
        m3u.line(line.c_str(), n > kept);
        at = next;
    }
    items = std::move(m3u.items);
}

} // namespace korvo
