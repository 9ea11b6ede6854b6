#include "display_spellings.h"

namespace korvo::win {

const PunctuationSpelling kPunctuationSpellings[] = {
    {0x2010, "-"},  {0x2011, "-"},   {0x2012, "-"},
    {0x2013, "-"},   {0x2014, "-"},   {0x2018, "'"},    {0x2019, "'"},  {0x201C, "\""},
    {0x201D, "\""},  {0x2026, "..."}, {0x2032, "'"},
};
const size_t kPunctuationSpellingCount = sizeof kPunctuationSpellings / sizeof kPunctuationSpellings[0];

} // namespace korvo::win
