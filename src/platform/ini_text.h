#pragma once
// Text rules shared by the INI readers and writers (the profile functions and the playlist
// files): which characters are blanks, how names compare, where lines end, what a line is, and
// how values and numbers read.
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace korvo {

// The characters the system's profile functions drop around names and values (Ctrl+Z too).
inline bool isIniBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1a'; }

// Names compare without regard to ASCII case only; other bytes must match.
inline char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

inline std::string asciiLowered(std::string_view text) {
    std::string s(text);
    for (char& c : s) c = asciiLower(c);
    return s;
}

inline bool sameIniName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    return true;
}

// Narrows [b, e) to leave out the blanks at both ends.
inline void trimIniBlanks(const char*& b, const char*& e) {
    while (b < e && isIniBlank(*b)) ++b;
    while (e > b && isIniBlank(e[-1])) --e;
}

// The text without the blanks at both ends.
inline std::string_view trimmedIni(std::string_view text) {
    const char* b = text.data();
    const char* e = b + text.size();
    trimIniBlanks(b, e);
    return std::string_view(b, size_t(e - b));
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

// The UTF-8 byte order mark an editor may put before the first line.
inline constexpr std::string_view kIniUtf8Mark = "\xEF\xBB\xBF";

// Calls each(line, ending) for every line of text in order, as nextLine gives them. A byte
// order mark at the start comes as a line of its own without an ending, which reads as blank:
// the system's profile functions read past it and keep it when they rewrite the file.
template <class Each>
void forEachLine(std::string_view text, Each&& each) {
    std::string_view line, ending;
    size_t start = 0;
    if (text.substr(0, kIniUtf8Mark.size()) == kIniUtf8Mark) {
        start = kIniUtf8Mark.size();
        each(text.substr(0, start), std::string_view());
    }
    for (size_t pos = start; pos < text.size();) {
        pos = nextLine(text, pos, line, ending);
        each(line, ending);
    }
}

// Whether the line at index, as forEachLine gave it, needs a break before another line can
// follow it: a last line without one does, the byte order mark (no break of its own) does not.
inline bool needsBreakBeforeNext(std::string_view text, std::string_view ending, size_t index) {
    return ending.empty() && !(index == 0 && text == kIniUtf8Mark);
}

// Lines (each with its text and ending) put back together into one text.
template <class Line>
std::string joinedLines(const std::vector<Line>& lines) {
    size_t size = 0;
    for (const Line& l : lines) size += l.text.size() + l.ending.size();
    std::string text;
    text.reserve(size);
    for (const Line& l : lines) text.append(l.text).append(l.ending);
    return text;
}

// Copies len bytes of src into out, cut to outSize - 1, and ends it; returns the length copied.
inline size_t copyCut(const char* src, size_t len, char* out, size_t outSize) {
    if (outSize == 0) return 0;
    if (len > outSize - 1) len = outSize - 1;
    std::memcpy(out, src, len);
    out[len] = '\0';
    return len;
}

enum class IniLineKind { Blank, Section, Key };

// One line as the profile functions see it, views into the line's text.
struct IniLine {
    IniLineKind kind = IniLineKind::Blank;
    std::string_view name;    // section or key name, without blanks around it
    std::string_view value;   // a key's value, without blanks around it
    bool hasValue = false;    // the key line has a "="
};

// A line (without its break) of blanks only, or the byte order mark alone, is Blank. One that starts with "[" and has a "]"
// after it is a section header named by what stands between them, up to the last "]"; text
// after that is ignored. Any other line is a key: its name runs to the first "=", its value
// from there on; a "[" without its "]" is part of the name.
IniLine classifyIniLine(std::string_view text);

// A value into outSize bytes as the system's profile functions hand it over; returns its
// length. A value in matching quotes loses them, and when the rest of it after the opening
// quote fills the buffer exactly, its last character too.
size_t copyIniValue(std::string_view value, char* out, size_t outSize);

// The system reads an integer value through a buffer of this many characters.
inline constexpr size_t kIniIntChars = 30;

// The number at the start of text as the system's profile functions read it: blanks and control
// characters, one sign, a lower-case 0x/0o/0b prefix, then the digits that fit the base (no
// octal leading zero). The value wraps at 32 bits, so 4294967295 reads as -1.
int iniInteger(const char* text);

} // namespace korvo
