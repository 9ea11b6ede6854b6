#include <windows.h>
#include <commdlg.h>

#include <cstring>

#include "entry_info.h"

namespace korvo {

void fileTitleOf(const char* path, char* out, int outSize) {
    if (outSize <= 0) return;
    out[0] = 0;
    if (GetFileTitleA(path, out, WORD(outSize)) == 0 && out[0]) return;
    // Names the shell refuses (URLs, odd characters): show the part after the last separator.
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if ((*p == '\\' || *p == '/') && p[1]) name = p + 1;
    std::strncpy(out, name, size_t(outSize - 1));
    out[outSize - 1] = 0;
}

} // namespace korvo
