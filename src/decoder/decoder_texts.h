#pragma once
// The decoder's own words to the user.
namespace korvo::texts {
inline constexpr const char* kInvalidBitrateText = "Invalid Bitrate in stream, Try Resync?";
inline constexpr const char* kInvalidBitrateTitle = "Error In Stream...";
}
