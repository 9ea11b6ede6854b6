#include "pls_reader.h"

#include <cstdint>
#include <string_view>

#include "platform/file.h"
#include "platform/ini_text.h"

namespace korvo {

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
    std::string_view all(text, size);
    if (all.substr(0, kIniUtf8Mark.size()) == kIniUtf8Mark) all.remove_prefix(kIniUtf8Mark.size());
    const std::string_view want = trimmedIni(section ? section : "");
    bool inside = false;
    std::string_view lineText, ending;
    for (size_t pos = 0; pos < all.size();) {
        pos = nextLine(all, pos, lineText, ending);
        const IniLine line = classifyIniLine(lineText);
        if (line.kind == IniLineKind::Section) {
            if (inside) return;   // only the first section of the name counts
            inside = sameIniName(line.name, want);
        } else if (line.kind == IniLineKind::Key && inside) {
            keys_.push_back({std::string(line.name), std::string(line.value), line.hasValue});
        }
    }
}

const PlsSection::Key* PlsSection::find(const char* key) const {
    const std::string_view want = trimmedIni(key ? key : "");
    for (const Key& k : keys_)
        if (sameIniName(k.name, want)) return &k;
    return nullptr;
}

int PlsSection::valueOf(const Key& key, char* out, size_t outSize) {
    if (!out || outSize == 0) return 0;
    if (!key.hasValue) return int(copyCut("", 0, out, outSize));
    return int(copyIniValue(key.value, out, outSize));
}

int PlsSection::getString(const char* key, char* out, size_t outSize) const {
    if (!out || outSize == 0) return 0;
    const Key* k = find(key);
    if (!k) return int(copyCut("", 0, out, outSize));
    return valueOf(*k, out, outSize);
}

int PlsSection::getInt(const char* key, int def) const {
    char buf[kIniIntChars];
    if (getString(key, buf, sizeof buf) == 0) return def;
    return iniInteger(buf);
}

} // namespace korvo
