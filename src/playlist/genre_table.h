#pragma once

namespace korvo {

// Genres 0..147: the 80 of the ID3v1 list and the extension in common use, by index.
inline constexpr int kGenreCount = 148;
inline constexpr int kUnknownGenre = kGenreCount;   // stands for every stored value from 148 to 255
// The genre byte that means no genre.
inline constexpr int kNoGenreByte = 255;
// The longest name ("Contemporary Christian") and its terminator.
inline constexpr int kGenreNameCapacity = 23;

// Genre names by index, then "Unknown" at kUnknownGenre.
extern const char* const kId3v1GenreNames[kGenreCount + 1];

// The index of a genre name (exact, then without regard to case), or -1.
int genreIndexOf(const char* name);

} // namespace korvo
