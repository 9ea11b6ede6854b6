#include "platform/dir_search.h"

namespace korvo {

namespace {

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

} // namespace

// '*' takes any run of characters, '?' exactly one, letters match without case, and once the
// name is used up, trailing dots and stars of the pattern still match (so "*.*" takes "README").
bool wildcardMatch(const char* pattern, const char* name) {
    if (!pattern || !name) return false;
    const char* p = pattern;
    const char* n = name;
    const char* starP = nullptr;    // pattern position after the last '*'
    const char* starN = nullptr;    // name position that '*' will swallow next on a retry
    while (*n) {
        if (*p == '*') {
            while (*p == '*') ++p;
            if (!*p) return true;
            starP = p;
            starN = n;
        } else if (*p && (*p == '?' || upper(*p) == upper(*n))) {
            ++p;
            ++n;
        } else if (starP) {
            p = starP;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (*p == '.' || *p == '*') ++p;
    return *p == '\0';
}

} // namespace korvo
