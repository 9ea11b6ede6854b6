#pragma once
// The system's half of ReplacingFile (file_posix.cpp, file_win32.cpp).
#include <cstddef>

#include "platform/file.h"

namespace korvo::replace_os {

// The path the new file will take: target itself, or where a symbolic link at target leads
// (the link stays a link). 0 when it does not fit into out.
int resolveTarget(const char* target, char* out, size_t outSize);
// Makes a new empty file in target's folder that no other writer picks; its path goes to temp.
int makeTemporaryBeside(const char* target, char* temp, size_t tempSize);
// Sends what was written to the disk.
int flushToDisk(File& file);
// Puts the closed temporary file in place of target (made when there was none), with target's
// attributes or mode.
int putInPlace(const char* temp, const char* target);
// Moves the closed temporary file to path, where nothing may be: 1 when moved, -1 when
// something has that name (the temporary file stays), 0 on another failure.
int placeAsNew(const char* temp, const char* path);

} // namespace korvo::replace_os
