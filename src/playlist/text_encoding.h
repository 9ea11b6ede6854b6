#pragma once
// Conversions between the text encodings met in tags and playlist files. The program keeps
// all text as UTF-8; every output is bounded by outSize and ends cut at a character boundary.
#include <cstddef>
#include <cstdint>

namespace korvo {

// Latin-1 (ISO-8859-1) bytes, up to n or the first 0, as UTF-8.
void latin1ToUtf8(const char* in, size_t n, char* out, size_t outSize);
// What a conversion to Latin-1 could not keep, counted in characters.
struct Latin1Loss {
    size_t cut = 0;        // left out for want of room
    size_t replaced = 0;   // stored as '?': characters Latin-1 lacks, broken sequences
};
// UTF-8 as Latin-1; characters Latin-1 lacks, and broken sequences, become '?'. loss, when
// given, tells what was cut or replaced.
void utf8ToLatin1(const char* in, char* out, size_t outSize, Latin1Loss* loss = nullptr);
// UTF-16 code units (little or big endian by bigEndian), up to n bytes or a 0 unit, as UTF-8.
void utf16ToUtf8(const uint8_t* in, size_t n, bool bigEndian, char* out, size_t outSize);
// UTF-8 bytes up to n or the first 0, copied and cut at a character boundary.
void copyUtf8(const char* in, size_t n, char* out, size_t outSize);
// Whether two texts are equal when ASCII letters are compared without regard to case.
bool sameAsciiText(const char* a, const char* b);
// Decodes the UTF-8 character at in[i] of n bytes into cp; returns its length, or 0 when it is
// malformed (overlong, a surrogate, cut short).
size_t decodeUtf8(const uint8_t* in, size_t n, size_t i, uint32_t& cp);
// Whether the n bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool isValidUtf8(const char* in, size_t n);

} // namespace korvo
