#include "platform/shared_library.h"

#include <windows.h>

namespace korvo {

void* openSharedLibrary(const char* fileName) { return reinterpret_cast<void*>(LoadLibraryA(fileName)); }

void* sharedLibrarySymbol(void* library, const char* name) {
    return library ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name)) : nullptr;
}

} // namespace korvo
