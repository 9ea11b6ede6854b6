#include <cstring>

#include "entry_info.h"

namespace korvo {

// The name after the last "/", extension kept (nothing here hides extensions).
void fileTitleOf(const char* path, char* out, int outSize) {
    if (outSize <= 0) return;
    const char* slash = std::strrchr(path, '/');
    const char* name = slash && slash[1] ? slash + 1 : path;
    std::strncpy(out, name, size_t(outSize - 1));
    out[outSize - 1] = 0;
}

} // namespace korvo
