#pragma once

namespace korvo {

inline constexpr int kGenreCount = 45;
inline constexpr int kUnknownGenre = 44;   // stands for every stored value from 44 to 255

// ID3v1 genre names by index.
extern const char* const kId3v1GenreNames[kGenreCount];

} // namespace korvo
