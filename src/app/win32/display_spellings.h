#pragma once
// ASCII spellings of the characters titles use most beyond ASCII, for the display's pixel
// font, which has glyphs for ASCII only.
#include <cstddef>
#include <cstdint>

namespace korvo::win {

// The Latin letters U+00C0..U+017F: the letter without its marks ("e" for e-acute), or two
// letters for a ligature ("AE", "ss").
constexpr uint32_t kFirstSpelledLetter = 0xC0;
constexpr size_t kSpelledLetters = 0x180 - 0xC0;
extern const char* const kLatinLetterSpellings[kSpelledLetters];

struct PunctuationSpelling {
    uint32_t codePoint;
    const char* spelling;
};
extern const PunctuationSpelling kPunctuationSpellings[];
extern const size_t kPunctuationSpellingCount;

} // namespace korvo::win
