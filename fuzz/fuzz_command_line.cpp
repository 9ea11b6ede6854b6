// libFuzzer target: the splitter of the program's command line. Tokens stay within their
// bounds whatever the quoting, and a line of plain words separated by single blanks comes
// back word for word.
#include <cstring>
#include <string>
#include <vector>

#include "app/win32/command_line.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static korvo::win::CommandLine* line = new korvo::win::CommandLine;   // 256 KB of tokens
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.c_str();   // the program gets a terminated string
    int n = line->split(text.c_str());
    FUZZ_CHECK(n >= 0 && n <= korvo::win::CommandLine::kMaxTokens && n == line->count());
    size_t total = 0;
    for (int i = 0; i < n; ++i) {
        size_t len = std::strlen(line->token(i));
        FUZZ_CHECK(len >= 1 && len < size_t(korvo::win::CommandLine::kTokenSize));
        total += len;
    }
    FUZZ_CHECK(total <= text.size());
    FUZZ_CHECK(*line->token(-1) == 0 && *line->token(n) == 0);

    // Plain words: no quotes, no blank at either end or twice in a row.
    bool plain = !text.empty() && text.front() != ' ' && text.back() != ' ' && text.find('"') == std::string::npos &&
                 text.find("  ") == std::string::npos;
    if (plain) {
        std::vector<std::string> words;
        size_t start = 0;
        for (;;) {
            size_t blank = text.find(' ', start);
            words.push_back(text.substr(start, blank == std::string::npos ? std::string::npos : blank - start));
            if (blank == std::string::npos) break;
            start = blank + 1;
        }
        FUZZ_CHECK(n == int(words.size() < 256 ? words.size() : 256));
        for (int i = 0; i < n; ++i)
            if (words[size_t(i)].size() < size_t(korvo::win::CommandLine::kTokenSize)) FUZZ_CHECK(words[size_t(i)] == line->token(i));
    }
    return 0;
}
