// Our own INI reader and writer, made to behave like the Win32 private-profile functions for
// what this program stores: the file is read whole, lines that are not touched are kept byte for
// byte, and the file is rewritten in one go.
#include "platform/profile.h"
#include "platform/ini_text.h"

#include <cstring>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace korvo {

namespace {

// Larger files are not taken for INI files.
constexpr size_t kMaxFileSize = 16u << 20;
constexpr const char* kNewLine = "\r\n";

std::mutex g_profileMutex;    // one writer at a time inside the process

// Views into the file's text, or into a Lines' store for lines written: every read parses the
// whole file, so a line costs no allocation.
struct Line : IniLine {
    std::string_view text;      // without its line break
    std::string_view ending;    // "\r\n", "\n", "\r" or "" for the last line
};

struct Lines {
    std::string text;                 // the file as read
    std::vector<Line> lines;
    std::deque<std::string> store;    // text of the lines made here (a deque keeps them in place)
};

void classify(Line& line) { static_cast<IniLine&>(line) = classifyIniLine(line.text); }

bool readWhole(const char* path, std::string& out) {
    out.clear();
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<size_t>(st.st_size) > kMaxFileSize) {
        ::close(fd);
        return false;
    }
    char buf[8192];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) break;
        out.append(buf, static_cast<size_t>(n));
        if (out.size() > kMaxFileSize) break;
    }
    ::close(fd);
    return true;
}

void parse(Lines& file) {
    file.lines.clear();
    forEachLine(file.text, [&](std::string_view text, std::string_view ending) {
        Line line;
        line.text = text;
        line.ending = ending;
        classify(line);
        file.lines.push_back(line);
    });
}

// Range [begin, end) of the first section with this name: begin is its header's index.
bool findSection(const std::vector<Line>& lines, std::string_view section, size_t& begin, size_t& end) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind == IniLineKind::Section && sameIniName(lines[i].name, section)) {
            begin = i;
            end = i + 1;
            while (end < lines.size() && lines[end].kind != IniLineKind::Section) ++end;
            return true;
        }
    }
    return false;
}

const Line* findKey(const std::vector<Line>& lines, const char* section, const char* key) {
    size_t begin, end;
    if (!findSection(lines, trimmedIni(section), begin, end)) return nullptr;
    std::string_view k = trimmedIni(key);
    for (size_t i = begin + 1; i < end; ++i)
        if (lines[i].kind == IniLineKind::Key && sameIniName(lines[i].name, k)) return &lines[i];
    return nullptr;
}

bool writeWhole(const char* path, const std::vector<Line>& lines) {
    const std::string text = joinedLines(lines);
    int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) {
            ::close(fd);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return ::close(fd) == 0;
}

Line makeLine(Lines& file, std::string text) {
    Line l;
    l.text = file.store.emplace_back(std::move(text));
    l.ending = kNewLine;
    classify(l);
    return l;
}

std::string joined(std::string_view a, std::string_view b, std::string_view c = {}) {
    std::string s;
    s.reserve(a.size() + b.size() + c.size());
    s.append(a).append(b).append(c);
    return s;
}

} // namespace

int profileGetString(const char* section, const char* key, const char* def, char* out, size_t outSize,
                     const char* path) {
    if (!out || outSize == 0) return 0;
    std::lock_guard<std::mutex> lock(g_profileMutex);
    Lines file;
    const Line* found = nullptr;
    if (section && key && path && readWhole(path, file.text)) {
        parse(file);
        found = findKey(file.lines, section, key);
    }
    if (found && found->hasValue) return static_cast<int>(copyIniValue(found->value, out, outSize));
    // The default loses its trailing spaces.
    const char* d = def ? def : "";
    size_t len = std::strlen(d);
    while (len > 0 && d[len - 1] == ' ') --len;
    return static_cast<int>(copyCut(d, len, out, outSize));
}

int profileGetInt(const char* section, const char* key, int def, const char* path) {
    char buf[kIniIntChars];
    if (profileGetString(section, key, "", buf, sizeof buf, path) == 0) return def;
    return iniInteger(buf);
}

int profileGetKeyNames(const char* section, std::vector<std::string>& names, const char* path, size_t maxBytes) {
    names.clear();
    if (!section || !path) return 0;
    std::lock_guard<std::mutex> lock(g_profileMutex);
    Lines file;
    if (!readWhole(path, file.text)) return 1;
    parse(file);
    const std::vector<Line>& lines = file.lines;
    size_t begin, end;
    if (!findSection(lines, trimmedIni(section), begin, end)) return 1;
    size_t used = 1;    // the terminator after the last name
    for (size_t i = begin + 1; i < end; ++i) {
        const Line& l = lines[i];
        if (l.kind != IniLineKind::Key || l.name.empty() || l.name[0] == ';') continue;
        if (used + l.name.size() + 1 > maxBytes) return 0;
        used += l.name.size() + 1;
        names.emplace_back(l.name);
    }
    return 1;
}

int profileWriteString(const char* section, const char* key, const char* value, const char* path) {
    if (!section || !path || !*path) return 0;
    // A line break would split the line written and leave text the file never held.
    for (const char* text : {section, key, value})
        if (text && std::strpbrk(text, "\r\n")) return 0;
    std::lock_guard<std::mutex> lock(g_profileMutex);
    Lines file;
    bool exists = readWhole(path, file.text);
    if (!exists && (!key || !value)) return 1;    // nothing to remove
    parse(file);
    std::vector<Line>& lines = file.lines;
    std::string_view sec = trimmedIni(section);
    size_t begin = 0, end = 0;
    bool haveSection = findSection(lines, sec, begin, end);

    if (!key) {    // the whole section goes
        if (haveSection) lines.erase(lines.begin() + static_cast<long>(begin), lines.begin() + static_cast<long>(end));
        return writeWhole(path, lines) ? 1 : 0;
    }
    std::string_view k = trimmedIni(key);
    size_t keyAt = lines.size();
    if (haveSection) {
        for (size_t i = begin + 1; i < end; ++i)
            if (lines[i].kind == IniLineKind::Key && sameIniName(lines[i].name, k)) {
                keyAt = i;
                break;
            }
    }
    if (!value) {
        if (keyAt == lines.size()) return 1;
        lines.erase(lines.begin() + static_cast<long>(keyAt));
        return writeWhole(path, lines) ? 1 : 0;
    }
    const char* v = value;
    while (isIniBlank(*v)) ++v;    // Windows drops leading blanks of a written value

    if (keyAt != lines.size()) {
        Line& line = lines[keyAt];
        if (line.hasValue && line.value == v) return 1;
        std::string_view ending = line.ending.empty() ? kNewLine : line.ending;
        line = makeLine(file, joined(line.name, "=", v));
        line.ending = ending;
        return writeWhole(path, lines) ? 1 : 0;
    }
    // A line that ends the file without a line break gets one before anything follows it.
    auto terminateAt = [&](size_t i) {
        if (i < lines.size() && needsBreakBeforeNext(lines[i].text, lines[i].ending, i)) lines[i].ending = kNewLine;
    };
    if (haveSection) {
        // New keys follow the section's last non-blank line, so blank lines before the next
        // section stay where they are.
        size_t at = end;
        while (at > begin + 1 && lines[at - 1].kind == IniLineKind::Blank) --at;
        terminateAt(at - 1);
        lines.insert(lines.begin() + static_cast<long>(at), makeLine(file, joined(k, "=", v)));
    } else {
        if (!lines.empty()) terminateAt(lines.size() - 1);
        lines.push_back(makeLine(file, joined("[", sec, "]")));
        lines.push_back(makeLine(file, joined(k, "=", v)));
    }
    return writeWhole(path, lines) ? 1 : 0;
}

// Every write above goes straight to the file.
void profileFlush(const char*) {}

} // namespace korvo
