#include "platform/file.h"

#include <cstring>
#include <mutex>

namespace korvo {

// Filled from the system on first use (program_directory_*.cpp), or by setProgramDirectory.
bool systemProgramDirectory(char* out, size_t outSize);

namespace {

char g_dir[kPathCapacity] = {};
std::once_flag g_once;

void storeDirectory(const char* dir) {
    size_t n = std::strlen(dir);
    // room for a separator and the terminator
    if (n > sizeof g_dir - 2) n = sizeof g_dir - 2;
    std::memcpy(g_dir, dir, n);
    if (n == 0 || (g_dir[n - 1] != '/' && g_dir[n - 1] != '\\')) g_dir[n++] = kPathSeparator;
    g_dir[n] = '\0';
}

void initDirectory() {
    char buf[kPathCapacity];
    if (systemProgramDirectory(buf, sizeof buf)) storeDirectory(buf);
    else storeDirectory(".");
}

} // namespace

const char* programDirectory() {
    std::call_once(g_once, initDirectory);
    return g_dir;
}

void setProgramDirectory(const char* dir) {
    std::call_once(g_once, [] {});
    storeDirectory(dir ? dir : ".");
}

} // namespace korvo
