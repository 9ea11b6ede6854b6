#include "app/win32/file_types.h"

#include <shlobj.h>

#include <cstdio>
#include <cstring>

#include "app/win32/handles.h"
#include "app/win32/win_texts.h"

namespace korvo::win {
namespace {

constexpr int kExePathSize = MAX_PATH;
constexpr BYTE kEditFlagsType[4] = {0, 0, 0, 0};
constexpr BYTE kEditFlagsOpen[4] = {1, 0, 0, 0};

int createKey(HKEY parent, const char* name, RegKey& key) {
    return RegCreateKeyExA(parent, name, 0, const_cast<char*>(kRegistryKeyClass), 0, KEY_ALL_ACCESS, nullptr,
                           key.receive(), nullptr) == ERROR_SUCCESS;
}

// The byte count is the text length: the terminator is not stored.
int setText(HKEY key, const char* name, const char* text) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), DWORD(std::strlen(text))) ==
           ERROR_SUCCESS;
}

int setFlags(HKEY key, const BYTE (&flags)[4]) {
    return RegSetValueExA(key, kEditFlagsValue, 0, REG_BINARY, flags, sizeof flags) == ERROR_SUCCESS;
}

int registerExtension(HKEY root, const char* extension, const char* typeName) {
    RegKey key;
    return createKey(root, extension, key) && setText(key.get(), nullptr, typeName);
}

// One part of the registration: under the classes root, else under the user's classes.
template <typename Write>
int writeEitherWay(HKEY classesRoot, HKEY userClasses, Write write) {
    if (write(classesRoot)) return 1;
    return userClasses && write(userClasses);
}

} // namespace

int registerFileType(HKEY root, const char* typeName, int iconIndex, const char* exePath) {
    RegKey type, icon, shell, open, command;
    if (!createKey(root, typeName, type)) return 0;
    int ok = setText(type.get(), nullptr, typeName) && setFlags(type.get(), kEditFlagsType);

    char text[kExePathSize + 32];
    std::snprintf(text, sizeof text, kIconFormat, exePath, iconIndex);
    ok = createKey(type.get(), kDefaultIconKey, icon) && setText(icon.get(), nullptr, text) && ok;

    ok = createKey(type.get(), kShellKey, shell) && setText(shell.get(), nullptr, "") && ok;
    ok = shell.get() && createKey(shell.get(), kOpenKey, open) && setText(open.get(), nullptr, "") &&
         setFlags(open.get(), kEditFlagsOpen) && ok;
    std::snprintf(text, sizeof text, kOpenCommandFormat, exePath);
    ok = open.get() && createKey(open.get(), kCommandKey, command) && setText(command.get(), nullptr, text) && ok;
    return ok;
}

int registerFileTypes(HWND owner, HKEY classesRoot, HKEY userClasses) {
    char exePath[kExePathSize] = {};
    GetModuleFileNameA(nullptr, exePath, sizeof exePath);
    exePath[kExePathSize - 1] = 0;

    int ok = 1;
    for (const char* ext : kAudioExtensions)
        ok = writeEitherWay(classesRoot, userClasses, [&](HKEY r) { return registerExtension(r, ext, kAudioFileType); }) && ok;
    for (const char* ext : kPlaylistExtensions)
        ok = writeEitherWay(classesRoot, userClasses, [&](HKEY r) { return registerExtension(r, ext, kPlaylistFileType); }) && ok;
    ok = writeEitherWay(classesRoot, userClasses,
                        [&](HKEY r) { return registerFileType(r, kAudioFileType, kAudioFileIcon, exePath); }) && ok;
    ok = writeEitherWay(classesRoot, userClasses,
                        [&](HKEY r) { return registerFileType(r, kPlaylistFileType, kPlaylistFileIcon, exePath); }) && ok;

    SendMessageTimeoutA(HWND_BROADCAST, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>(kClassesRootName), SMTO_ABORTIFHUNG,
                        1000, nullptr);
    // Without this the shell keeps its old icons until it restarts.
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    MessageBoxA(owner, ok ? kRegisteredText : kRegisterRefusedText, kRegisterTitle, MB_OK);
    return ok;
}

int registerFileTypes(HWND owner) {
    RegKey user;
    if (!createKey(HKEY_CURRENT_USER, kUserClassesKey, user)) user.reset();
    return registerFileTypes(owner, HKEY_CLASSES_ROOT, user.get());
}

} // namespace korvo::win
