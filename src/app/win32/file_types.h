#pragma once
// Registers the program for its audio and playlist file types.
#include <windows.h>

namespace korvo::win {

// Writes one type's keys (name, icon, open command for exePath) under root. 1 when every
// key and value was written.
int registerFileType(HKEY root, const char* typeName, int iconIndex, const char* exePath);

// Registers the extensions and both types under classesRoot; a part that cannot be written
// there is written under userClasses instead (per-user registration). Tells the shell and
// confirms to the user, owned by owner, or says that the registry refused. 1 when every part
// was written one way or the other.
int registerFileTypes(HWND owner, HKEY classesRoot, HKEY userClasses);

// The button's registration: HKEY_CLASSES_ROOT, falling back to HKEY_CURRENT_USER's classes.
int registerFileTypes(HWND owner);

} // namespace korvo::win
