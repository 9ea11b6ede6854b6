#pragma once
// INI profile functions with the behaviour of GetPrivateProfileStringA, GetPrivateProfileIntA
// and WritePrivateProfileStringA (case-insensitive sections and keys, keys updated in place).
// Pass full paths: Windows looks for a bare file name in its own folder. Section and key are
// always given; the key names of a section come from profileGetKeyNames.
#include <cstddef>
#include <string>
#include <vector>

namespace korvo {

// Copies the value (or the default) into out, cut to outSize - 1 characters; returns its length.
int profileGetString(const char* section, const char* key, const char* def, char* out, size_t outSize,
                     const char* path);
// Leading optional sign and digits of the value; def when the key is missing.
int profileGetInt(const char* section, const char* key, int def, const char* path);
// The most bytes of key names taken from one section (each name with its terminator, and one
// more terminator at the end, as the system hands them over).
inline constexpr size_t kProfileKeyNamesMax = size_t(16) << 20;
// The key names of a section in file order; comment lines (";") are not keys. A missing file
// or section has none. 1 when every name came; 0 when they did not fit into maxBytes: names
// then holds the first names whole, and the rest are left out.
int profileGetKeyNames(const char* section, std::vector<std::string>& names, const char* path,
                       size_t maxBytes = kProfileKeyNamesMax);
// Writes or replaces key=value; value nullptr removes the key. 1 on success; 0 also when a
// name or the value holds a line break (the file is then left as it was).
int profileWriteString(const char* section, const char* key, const char* value, const char* path);
// Writes out what the system still holds of the file in memory (Windows may cache a profile file).
void profileFlush(const char* path);

} // namespace korvo
