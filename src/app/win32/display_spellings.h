#pragma once
// ASCII spellings of the punctuation titles use most that the display's pixel font lacks.
#include <cstddef>
#include <cstdint>

namespace korvo::win {

struct PunctuationSpelling {
    uint32_t codePoint;
    const char* spelling;
};
extern const PunctuationSpelling kPunctuationSpellings[];
extern const size_t kPunctuationSpellingCount;

} // namespace korvo::win
