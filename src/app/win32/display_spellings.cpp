#include "display_spellings.h"

namespace korvo::win {

const char* const kLatinLetterSpellings[kSpelledLetters] = {
    "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I", "I",      // U+00C0
    "D", "N", "O", "O", "O", "O", "O", "x", "O", "U", "U", "U", "U", "Y", "TH", "ss",     // U+00D0
    "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i",      // U+00E0
    "d", "n", "o", "o", "o", "o", "o", "/", "o", "u", "u", "u", "u", "y", "th", "y",      // U+00F0
    "A", "a", "A", "a", "A", "a", "C", "c", "C", "c", "C", "c", "C", "c", "D", "d",       // U+0100
    "D", "d", "E", "e", "E", "e", "E", "e", "E", "e", "E", "e", "G", "g", "G", "g",       // U+0110
    "G", "g", "G", "g", "H", "h", "H", "h", "I", "i", "I", "i", "I", "i", "I", "i",       // U+0120
    "I", "i", "IJ", "ij", "J", "j", "K", "k", "k", "L", "l", "L", "l", "L", "l", "L",     // U+0130
    "l", "L", "l", "N", "n", "N", "n", "N", "n", "n", "N", "n", "O", "o", "O", "o",       // U+0140
    "O", "o", "OE", "oe", "R", "r", "R", "r", "R", "r", "S", "s", "S", "s", "S", "s",     // U+0150
    "S", "s", "T", "t", "T", "t", "T", "t", "U", "u", "U", "u", "U", "u", "U", "u",       // U+0160
    "U", "u", "U", "u", "W", "w", "Y", "y", "Y", "Z", "z", "Z", "z", "Z", "z", "s",       // U+0170
};

const PunctuationSpelling kPunctuationSpellings[] = {
    {0x00A0, " "},   {0x00B4, "'"},   {0x2010, "-"},    {0x2011, "-"},  {0x2012, "-"},
    {0x2013, "-"},   {0x2014, "-"},   {0x2018, "'"},    {0x2019, "'"},  {0x201C, "\""},
    {0x201D, "\""},  {0x2026, "..."}, {0x2032, "'"},
};
const size_t kPunctuationSpellingCount = sizeof kPunctuationSpellings / sizeof kPunctuationSpellings[0];

} // namespace korvo::win
