// libFuzzer target: the INI reader and writer. The input is "section\0key\0value\0file": the
// file is read, one key is written, and the file is read again. Every line the write did not
// touch must survive byte for byte, and a plain value must read back as written.
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "platform/ini_text.h"
#include "platform/profile.h"

namespace {

struct RawLine {
    std::string text;
    std::string ending;
};

std::vector<RawLine> splitLines(const std::string& s) {
    std::vector<RawLine> lines;
    korvo::forEachLine(s, [&](std::string_view text, std::string_view ending) {
        lines.push_back({std::string(text), std::string(ending)});
    });
    return lines;
}

// A line that ended the file may gain a line break when something is written after it.
bool sameLine(const RawLine& a, const RawLine& b) {
    return a.text == b.text && (a.ending == b.ending || a.ending.empty() || b.ending.empty());
}

std::string readFile(const std::string& path) {
    std::string s;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return s;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
    std::fclose(f);
    return s;
}

// Names and values the program itself would write: one line, no blanks at either end,
// no characters that mean something to the format.
bool plainText(const std::string& s, const char* forbidden) {
    if (s.empty() || korvo::isIniBlank(s.front()) || korvo::isIniBlank(s.back())) return false;
    for (char c : s)
        if (c == '\r' || c == '\n' || c == 0 || std::strchr(forbidden, c)) return false;
    return true;
}

std::string take(const uint8_t*& p, const uint8_t* end) {
    const uint8_t* zero = static_cast<const uint8_t*>(std::memchr(p, 0, size_t(end - p)));
    const uint8_t* stop = zero ? zero : end;
    std::string s(reinterpret_cast<const char*>(p), size_t(stop - p));
    p = zero ? zero + 1 : end;
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t* p = data;
    const uint8_t* end = data + size;
    std::string section = take(p, end);
    std::string key = take(p, end);
    std::string value = take(p, end);
    std::string path = fuzz::writeScratch("profile.ini", p, size_t(end - p));
    const std::string before = readFile(path);

    char out[512];
    korvo::profileGetString(section.c_str(), key.c_str(), "def ", out, sizeof out, path.c_str());
    FUZZ_CHECK(std::strlen(out) < sizeof out);
    korvo::profileGetInt(section.c_str(), key.c_str(), 7, path.c_str());
    std::vector<std::string> names;
    korvo::profileGetKeyNames(section.c_str(), names, path.c_str(), 256);

    if (!korvo::profileWriteString(section.c_str(), key.c_str(), value.c_str(), path.c_str())) return 0;
    const std::string after = readFile(path);

    // The untouched lines: a common head and tail around at most one replaced line, with at
    // most a section header and a key line new in their place.
    std::vector<RawLine> a = splitLines(before), b = splitLines(after);
    size_t head = 0;
    while (head < a.size() && head < b.size() && sameLine(a[head], b[head])) ++head;
    size_t tail = 0;
    while (tail < a.size() - head && tail < b.size() - head &&
           sameLine(a[a.size() - 1 - tail], b[b.size() - 1 - tail]))
        ++tail;
    FUZZ_CHECK(a.size() - head - tail <= 1);
    FUZZ_CHECK(b.size() - head - tail <= 2);

    if (plainText(section, "[]") && plainText(key, "=[];\"'") && plainText(value, "\"'")) {
        korvo::profileGetString(section.c_str(), key.c_str(), "", out, sizeof out, path.c_str());
        if (value.size() < sizeof out) FUZZ_CHECK(value == out);
        // Written again with the same value, the file stays as it is.
        FUZZ_CHECK(korvo::profileWriteString(section.c_str(), key.c_str(), value.c_str(), path.c_str()) == 1);
        FUZZ_CHECK(readFile(path) == after);
    }
    return 0;
}
