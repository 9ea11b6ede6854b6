#include <string>
#include <string_view>
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

bool readLines(const char* path, std::vector<Line>& lines) {
    File f;
    if (!f.open(path, File::ReadShared)) return true;   // a new file
    std::string text;
    if (!PlsSection::readText(f, text)) return false;
    forEachLine(text, [&](std::string_view line, std::string_view ending) {
        lines.push_back({std::string(line), std::string(ending)});
    });
    return true;
}

} // namespace

int profileTextWithKeys(const char* section, const std::vector<ProfileKey>& keys, const char* path, std::string& text) {
    if (!section || !path || !*path) return 0;
    std::vector<Line> lines;
    if (!readLines(path, lines)) return 0;

    const std::string_view sectionName = trimmedIni(section);

    // The first section of the name: its header and where it ends; its keys by name.
    size_t begin = lines.size(), end = lines.size();
    std::unordered_map<std::string, size_t> keyAt;
    for (size_t i = 0; i < lines.size(); ++i) {
        const IniLine line = classifyIniLine(lines[i].text);
        if (line.kind == IniLineKind::Section) {
            if (begin < lines.size()) {
                end = i;
                break;
            }
            if (sameIniName(line.name, sectionName)) begin = i;
        } else if (line.kind == IniLineKind::Key && begin < lines.size()) {
            keyAt.emplace(asciiLowered(line.name), i);   // the first of repeated keys
        }
    }

    std::vector<Line> added;
    for (const ProfileKey& k : keys) {
        const char* v = k.value.c_str();
        while (isIniBlank(*v)) ++v;
        const std::string_view name = trimmedIni(k.name);
        auto found = keyAt.find(asciiLowered(name));
        if (found != keyAt.end()) {
            Line& line = lines[found->second];
            const IniLine old = classifyIniLine(line.text);
            if (old.hasValue && old.value == v) continue;
            // The key keeps the spelling it has in the file.
            line.text = std::string(old.name) + "=" + v;
            if (line.ending.empty()) line.ending = kNewLine;
        } else {
            added.push_back({std::string(name) + "=" + v, kNewLine});
        }
    }

    if (!added.empty()) {
        size_t at;
        if (begin < lines.size()) {
            // After the section's last non-blank line, so blank lines before the next section stay there.
            at = end;
            while (at > begin + 1 && classifyIniLine(lines[at - 1].text).kind == IniLineKind::Blank) --at;
        } else {
            at = lines.size();
            added.insert(added.begin(), Line{"[" + std::string(sectionName) + "]", kNewLine});
        }
        if (at > 0 && needsBreakBeforeNext(lines[at - 1].text, lines[at - 1].ending, at - 1))
            lines[at - 1].ending = kNewLine;
        lines.insert(lines.begin() + long(at), added.begin(), added.end());
    }

    text = joinedLines(lines);
    return 1;
}

} // namespace korvo
