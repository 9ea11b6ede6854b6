#pragma once
// How paths are put together. Windows: backslash, "X:\" marks an absolute path.
// Elsewhere the same rules with "/" and a leading "/".
#include <cstddef>

#include "platform/file.h"

namespace korvo {

inline bool isPathSeparator(char c) { return c == kPathSeparator; }

inline bool isAbsolutePath(const char* p) {
#ifdef _WIN32
    return p[0] != 0 && p[1] == ':' && p[2] == '\\';
#else
    return p[0] == '/';
#endif
}

// Folder + separator (unless the folder already ends in one) + name into out.
// 0 when the result would not fit into outSize (nothing cut, out left empty).
int joinPath(const char* folder, const char* name, char* out, size_t outSize);

// Position of the last separator in path, or -1.
int lastSeparator(const char* path);

// Whether two paths name the same place by the platform's rule: without regard to case on
// Windows, exactly elsewhere. Neither path is normalised here.
bool samePath(const char* a, const char* b);
// Whether path begins with the whole of prefix, by the same rule.
bool pathStartsWith(const char* path, const char* prefix);

// Two tests for "://", which differ only where it ends the text. A path the player is given
// is a URL, opened as a stream, when something follows the marker ("x://" is taken for a
// file); a playlist entry that holds the marker anywhere is taken as it stands, never
// looked up in the file system.
bool isUrl(const char* path);
bool containsUrlMarker(const char* text);

} // namespace korvo
