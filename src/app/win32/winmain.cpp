// Entry point of LumenKorvo.exe.
#include <windows.h>

#include "app/win32/app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR, int showCommand) {
    return korvo::win::runApp(instance, previous, showCommand);
}
