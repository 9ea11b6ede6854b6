#pragma once
// Splits the program's command line into at most 256 tokens of at most 1023 characters.
#include <memory>

namespace korvo::win {

class CommandLine {
public:
    static constexpr int kMaxTokens = 256;
    static constexpr int kTokenSize = 1024;   // 1023 characters and the terminator

    CommandLine();
    // Replaces the tokens with those of line. Tokens past the 256th are dropped and a longer
    // token is cut at its buffer; the rest of the line is still scanned. Returns the count.
    int split(const char* line);
    int count() const { return count_; }
    const char* token(int i) const;   // "" outside 0..count-1

private:
    std::unique_ptr<char[]> storage_;
    int count_ = 0;
};

} // namespace korvo::win
