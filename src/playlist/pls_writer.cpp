#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/file.h"
#include "platform/ini_text.h"
#include "pls_reader.h"

namespace korvo {

namespace {

constexpr const char* kNewLine = "\r\n";

struct Line {
    std::string text;     // without its line break
    std::string ending;   // "\r\n", "\n", "\r", or "" for a last line without one
};

enum class Kind { Blank, Section, Key };

// What a line is, and its section or key name (lower case, without blanks around it).
Kind classify(const std::string& text, std::string& name, std::string* value = nullptr) {
    const char* b = text.data();
    const char* e = b + text.size();
    trimIniBlanks(b, e);
    if (b == e) return Kind::Blank;
    if (*b == '[') {
        const char* close = e;
        while (close > b + 1 && close[-1] != ']') --close;
        if (close > b + 1) {
            const char* nb = b + 1;
            const char* ne = close - 1;
            trimIniBlanks(nb, ne);
            name = asciiLowered(nb, ne);
            return Kind::Section;
        }
    }
    const char* eq = static_cast<const char*>(std::memchr(b, '=', size_t(e - b)));
    const char* ne = eq ? eq : e;
    while (ne > b && isIniBlank(ne[-1])) --ne;
    name = asciiLowered(b, ne);
    if (value) {
        value->clear();
        if (eq) {
            const char* vb = eq + 1;
            while (vb < e && isIniBlank(*vb)) ++vb;
            value->assign(vb, e);
        }
    }
    return Kind::Key;
}

bool readLines(const char* path, std::vector<Line>& lines) {
    File f;
    if (!f.open(path, File::ReadShared)) return true;   // a new file
    std::string text;
    if (!PlsSection::readText(f, text)) return false;
    for (size_t pos = 0; pos < text.size();) {
        Line line;
        pos = nextLine(text, pos, line.text, line.ending);
        lines.push_back(std::move(line));
    }
    return true;
}

} // namespace

int profileTextWithKeys(const char* section, const std::vector<ProfileKey>& keys, const char* path, std::string& text) {
    if (!section || !path || !*path) return 0;
    std::vector<Line> lines;
    if (!readLines(path, lines)) return 0;

    const char* sb = section;
    const char* se = section + std::strlen(section);
    trimIniBlanks(sb, se);
    const std::string sectionName(sb, se);
    const std::string wanted = asciiLowered(sb, se);

    // The first section of the name: its header and where it ends; its keys by name.
    size_t begin = lines.size(), end = lines.size();
    std::unordered_map<std::string, size_t> keyAt;
    std::string name;
    for (size_t i = 0; i < lines.size(); ++i) {
        Kind kind = classify(lines[i].text, name);
        if (kind == Kind::Section) {
            if (begin < lines.size()) {
                end = i;
                break;
            }
            if (name == wanted) begin = i;
        } else if (kind == Kind::Key && begin < lines.size()) {
            keyAt.emplace(name, i);   // the first of repeated keys
        }
    }

    std::vector<Line> added;
    for (const ProfileKey& k : keys) {
        const char* v = k.value.c_str();
        while (isIniBlank(*v)) ++v;
        const char* kb = k.name.c_str();
        const char* ke = kb + k.name.size();
        trimIniBlanks(kb, ke);
        auto found = keyAt.find(asciiLowered(kb, ke));
        if (found != keyAt.end()) {
            Line& line = lines[found->second];
            std::string oldValue;
            classify(line.text, name, &oldValue);
            bool hasValue = line.text.find('=') != std::string::npos;
            if (hasValue && oldValue == v) continue;
            // The key keeps the spelling it has in the file.
            const char* nb = line.text.c_str();
            while (isIniBlank(*nb)) ++nb;
            const char* ne = nb + std::strcspn(nb, "=");
            while (ne > nb && isIniBlank(ne[-1])) --ne;
            line.text = std::string(nb, ne) + "=" + v;
            if (line.ending.empty()) line.ending = kNewLine;
        } else {
            added.push_back({std::string(kb, ke) + "=" + v, kNewLine});
        }
    }

    if (!added.empty()) {
        size_t at;
        if (begin < lines.size()) {
            // After the section's last non-blank line, so blank lines before the next section stay there.
            at = end;
            while (at > begin + 1 && classify(lines[at - 1].text, name) == Kind::Blank) --at;
        } else {
            at = lines.size();
            added.insert(added.begin(), Line{"[" + sectionName + "]", kNewLine});
        }
        if (at > 0 && lines[at - 1].ending.empty()) lines[at - 1].ending = kNewLine;
        lines.insert(lines.begin() + long(at), added.begin(), added.end());
    }

    text.clear();
    for (const Line& l : lines) {
        text += l.text;
        text += l.ending;
    }
    return 1;
}

} // namespace korvo
