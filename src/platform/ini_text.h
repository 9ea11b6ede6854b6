#pragma once
// Text rules shared by the INI readers and writers (the profile functions and the playlist
// files): which characters are blanks, how names compare, and where lines end.
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace korvo {

// The characters the system's profile functions drop around names and values (Ctrl+Z too).
inline bool isIniBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1a'; }

// Names compare without regard to ASCII case only; other bytes must match.
inline char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

inline std::string asciiLowered(const char* b, const char* e) {
    std::string s(b, e);
    for (char& c : s) c = asciiLower(c);
    return s;
}

inline bool sameIniName(const char* a, size_t an, const char* b, size_t bn) {
    if (an != bn) return false;
    for (size_t i = 0; i < an; ++i)
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    return true;
}

// Narrows [b, e) to leave out the blanks at both ends.
inline void trimIniBlanks(const char*& b, const char*& e) {
    while (b < e && isIniBlank(*b)) ++b;
    while (e > b && isIniBlank(e[-1])) --e;
}

// The line of text that starts at pos: line gets it without its break, ending the break
// ("\r\n", "\n", "\r", or "" for a last line without one), both pointing into text. Returns
// where the next line starts.
inline size_t nextLine(std::string_view text, size_t pos, std::string_view& line, std::string_view& ending) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) {
        line = text.substr(pos);
        ending = {};
        return text.size();
    }
    size_t after = end + 1;
    if (text[end] == '\r' && after < text.size() && text[after] == '\n') ++after;
    line = text.substr(pos, end - pos);
    ending = text.substr(end, after - end);
    return after;
}

// The same, copied out.
inline size_t nextLine(const std::string& text, size_t pos, std::string& line, std::string& ending) {
    std::string_view lineView, endingView;
    const size_t next = nextLine(std::string_view(text), pos, lineView, endingView);
    line.assign(lineView);
    ending.assign(endingView);
    return next;
}

// Copies len bytes of src into out, cut to outSize - 1, and ends it; returns the length copied.
inline size_t copyCut(const char* src, size_t len, char* out, size_t outSize) {
    if (outSize == 0) return 0;
    if (len > outSize - 1) len = outSize - 1;
    std::memcpy(out, src, len);
    out[len] = '\0';
    return len;
}

} // namespace korvo
