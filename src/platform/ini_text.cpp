#include "platform/ini_text.h"

namespace korvo {

IniLine classifyIniLine(std::string_view text) {
    IniLine line;
    const std::string_view t = trimmedIni(text);
    if (t.empty()) return line;
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

} // namespace korvo
