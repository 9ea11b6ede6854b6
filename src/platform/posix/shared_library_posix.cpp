#include "platform/shared_library.h"

#include <dlfcn.h>

namespace korvo {

void* openSharedLibrary(const char* fileName) { return dlopen(fileName, RTLD_NOW | RTLD_LOCAL); }

void* sharedLibrarySymbol(void* library, const char* name) { return library ? dlsym(library, name) : nullptr; }

} // namespace korvo
