#include "decode_options.h"

#include <cerrno>
#include <cstdlib>

namespace korvo::cli {

int parseEqGains(const char* text, float* gains12) {
    if (!text) return 0;
    const char* p = text;
    for (int i = 0; i < 12; ++i) {
        char* end = nullptr;
        errno = 0;
        double g = std::strtod(p, &end);
        if (end == p || errno != 0 || !(g >= 0.0 && g <= 2.0)) return 0;
        gains12[i] = float(g);
        p = end;
        if (i < 11) {
            if (*p != ',') return 0;
            ++p;
        }
    }
    return *p == '\0';
}

int parseMappingMode(const char* text, int& mode) {
    if (!text) return 0;
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < 1 || v > 4) return 0;
    mode = int(v);
    return 1;
}

} // namespace korvo::cli
