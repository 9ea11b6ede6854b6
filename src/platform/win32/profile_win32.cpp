#include "platform/profile.h"

#include <windows.h>

namespace korvo {

int profileGetString(const char* section, const char* key, const char* def, char* out, size_t outSize,
                     const char* path) {
    if (!out || outSize == 0) return 0;
    return static_cast<int>(GetPrivateProfileStringA(section, key, def ? def : "", out, static_cast<DWORD>(outSize), path));
}

int profileGetInt(const char* section, const char* key, int def, const char* path) {
    return static_cast<int>(GetPrivateProfileIntA(section, key, def, path));
}

int profileWriteString(const char* section, const char* key, const char* value, const char* path) {
    return WritePrivateProfileStringA(section, key, value, path) ? 1 : 0;
}

} // namespace korvo
