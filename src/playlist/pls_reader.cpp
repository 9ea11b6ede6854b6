#include "pls_reader.h"

#include <cstdint>
#include <cstring>

#include "platform/file.h"
#include "platform/ini_text.h"

namespace korvo {

namespace {

// The system's reader takes an integer through a buffer of this many characters.
constexpr size_t kIntBufferSize = 30;
constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";

} // namespace

int PlsSection::read(const char* path, const char* section) {
    keys_.clear();
    File f;
    std::string text;
    if (!path || !f.open(path, File::ReadShared) || !readText(f, text)) return 0;
    parse(text.data(), text.size(), section);
    return 1;
}

int PlsSection::readText(File& file, std::string& text) {
    int64_t size = file.size();
    if (size < 0 || uint64_t(size) > kMaxFileSize) return 0;
    text.assign(size_t(size), '\0');
    size_t got = 0;
    while (got < text.size()) {
        int n = file.read(&text[got], int(text.size() - got));
        if (n < 0) return 0;
        if (n == 0) break;
        got += size_t(n);
    }
    text.resize(got);
    return 1;
}

void PlsSection::parse(const char* text, size_t size, const char* section) {
    keys_.clear();
    const char* p = text;
    const char* end = text + size;
    if (size >= 3 && std::memcmp(p, kUtf8Mark, 3) == 0) p += 3;
    const char* want = section ? section : "";
    const char* wantEnd = want + std::strlen(want);
    trimIniBlanks(want, wantEnd);
    bool inside = false;
    while (p < end) {
        // A line ends at CR, LF or CR LF.
        const char* b = p;
        while (p < end && *p != '\r' && *p != '\n') ++p;
        const char* e = p;
        if (p < end && *p++ == '\r' && p < end && *p == '\n') ++p;
        trimIniBlanks(b, e);
        if (b == e) continue;
        if (*b == '[') {
            const char* close = e;
            while (close > b + 1 && close[-1] != ']') --close;
            if (close > b + 1) {   // a header needs its "]"; the name runs to the last one
                if (inside) return;   // only the first section of the name counts
                const char* nb = b + 1;
                const char* ne = close - 1;
                trimIniBlanks(nb, ne);
                inside = sameIniName(nb, size_t(ne - nb), want, size_t(wantEnd - want));
                continue;
            }
        }
        if (!inside) continue;
        Key key;
        const char* eq = static_cast<const char*>(std::memchr(b, '=', size_t(e - b)));
        if (eq) {
            const char* ne = eq;
            const char* vb = eq + 1;
            trimIniBlanks(b, ne);
            trimIniBlanks(vb, e);
            key.name.assign(b, ne);
            key.value.assign(vb, e);
            key.hasValue = true;
        } else {
            key.name.assign(b, e);
        }
        keys_.push_back(std::move(key));
    }
}

const PlsSection::Key* PlsSection::find(const char* key) const {
    const char* b = key ? key : "";
    const char* e = b + std::strlen(b);
    trimIniBlanks(b, e);
    for (const Key& k : keys_)
        if (sameIniName(k.name.data(), k.name.size(), b, size_t(e - b))) return &k;
    return nullptr;
}

int PlsSection::valueOf(const Key& key, char* out, size_t outSize) {
    if (!out || outSize == 0) return 0;
    if (!key.hasValue) return int(copyCut("", 0, out, outSize));
    const std::string& v = key.value;
    if (v.size() > 1 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) {
        // The system copies from after the opening quote, closing quote included, and then
        // drops the last character it copied whenever the buffer had room for the whole rest:
        // so a quoted value that exactly fills the buffer loses its own last character.
        size_t rest = v.size() - 1;
        size_t n = copyCut(v.data() + 1, rest, out, outSize);
        if (outSize >= rest && n > 0) out[--n] = 0;
        return int(n);
    }
    return int(copyCut(v.data(), v.size(), out, outSize));
}

int PlsSection::getString(const char* key, char* out, size_t outSize) const {
    if (!out || outSize == 0) return 0;
    const Key* k = find(key);
    if (!k) return int(copyCut("", 0, out, outSize));
    return valueOf(*k, out, outSize);
}

int PlsSection::getInt(const char* key, int def) const {
    char buf[kIntBufferSize];
    if (getString(key, buf, sizeof buf) == 0) return def;
    // Blanks and control characters, one sign, a lower-case 0b/0o/0x prefix, then the digits
    // that fit the base; the value wraps at 32 bits.
    const char* p = buf;
    while (*p && static_cast<unsigned char>(*p) <= ' ') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    uint32_t base = 10;
    if (p[0] == '0' && (p[1] == 'b' || p[1] == 'o' || p[1] == 'x')) {
        base = p[1] == 'b' ? 2 : p[1] == 'o' ? 8 : 16;
        p += 2;
    }
    uint32_t value = 0;
    for (;; ++p) {
        char c = asciiLower(*p);
        uint32_t digit;
        if (c >= '0' && c <= '9')
            digit = uint32_t(c - '0');
        else if (c >= 'a' && c <= 'z')
            digit = uint32_t(c - 'a' + 10);
        else
            break;
        if (digit >= base) break;
        value = value * base + digit;
    }
    if (negative) value = 0u - value;
    return int(value);
}

} // namespace korvo
