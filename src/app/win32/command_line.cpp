#include "app/win32/command_line.h"

namespace korvo::win {

CommandLine::CommandLine() : storage_(new char[size_t(kMaxTokens) * kTokenSize]()) {}

const char* CommandLine::token(int i) const {
    if (i < 0 || i >= count_) return "";
    return storage_.get() + size_t(i) * kTokenSize;
}

int CommandLine::split(const char* line) {
    count_ = 0;
    if (!line) return 0;
    bool inQuotes = false;
    const char* p = line;
    while (*p) {
        // opening quotes toggle the state; the token starts after them
        while (*p == '"') {
            inQuotes = !inQuotes;
            ++p;
        }
        if (!*p) break;
        char* dst = count_ < kMaxTokens ? storage_.get() + size_t(count_) * kTokenSize : nullptr;
        int len = 0;
        auto put = [&](char c) {
            if (dst && len < kTokenSize - 1) dst[len++] = c;
        };
        put(*p++);   // the first character goes in as it is, even a blank
        while (*p) {
            if (*p == '"') {
                inQuotes = !inQuotes;
                ++p;
                break;
            }
            if (*p == ' ' && !inQuotes) break;   // left for the single-blank skip below
            put(*p++);
        }
        if (dst) {
            dst[len] = '\0';
            ++count_;
        }
        if (*p == ' ') ++p;
    }
    return count_;
}

} // namespace korvo::win
