#pragma once
// INI profile functions with the behaviour of GetPrivateProfileStringA, GetPrivateProfileIntA
// and WritePrivateProfileStringA (case-insensitive sections and keys, keys updated in place).
// Pass full paths: Windows looks for a bare file name in its own folder. Section and key are
// always given (the system's key listing with a null key is not offered).
#include <cstddef>

namespace korvo {

// Copies the value (or the default) into out, cut to outSize - 1 characters; returns its length.
int profileGetString(const char* section, const char* key, const char* def, char* out, size_t outSize,
                     const char* path);
// Leading optional sign and digits of the value; def when the key is missing.
int profileGetInt(const char* section, const char* key, int def, const char* path);
// Writes or replaces key=value; value nullptr removes the key. 1 on success.
int profileWriteString(const char* section, const char* key, const char* value, const char* path);

} // namespace korvo
