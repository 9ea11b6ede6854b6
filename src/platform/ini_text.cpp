#include "platform/ini_text.h"

#include <cstdint>

namespace korvo {

IniLine classifyIniLine(std::string_view text) {
    IniLine line;
    const std::string_view t = trimmedIni(text);
    if (t.empty() || t == kIniUtf8Mark) return line;
    if (t[0] == '[') {
        const size_t close = t.rfind(']');
        if (close != std::string_view::npos) {
            line.kind = IniLineKind::Section;
            line.name = trimmedIni(t.substr(1, close - 1));
            return line;
        }
    }
    line.kind = IniLineKind::Key;
    const size_t eq = t.find('=');
    if (eq != std::string_view::npos) {
        line.name = trimmedIni(t.substr(0, eq));
        line.value = trimmedIni(t.substr(eq + 1));
        line.hasValue = true;
    } else {
        line.name = t;
    }
    return line;
}

size_t copyIniValue(std::string_view v, char* out, size_t outSize) {
    if (outSize == 0) return 0;
    if (v.size() > 1 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) {
        // The system copies from after the opening quote, closing quote included, and then
        // drops the last character it copied whenever the buffer had room for the whole rest.
        const size_t rest = v.size() - 1;
        size_t n = copyCut(v.data() + 1, rest, out, outSize);
        if (outSize >= rest && n > 0) out[--n] = '\0';
        return n;
    }
    return copyCut(v.data(), v.size(), out, outSize);
}

int iniInteger(const char* text) {
    const char* p = text;
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
        const char c = asciiLower(*p);
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
