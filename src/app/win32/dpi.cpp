#include "app/win32/dpi.h"

#include "app/win32/handles.h"

namespace korvo::win {

namespace {

int systemDpi() {
    WindowDC screen(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : kBaseDpi;
}

template <typename Fn>
Fn lookUp(const char* module, const char* name) {
    HMODULE m = GetModuleHandleA(module);
    if (!m) m = LoadLibraryA(module);   // kept loaded: the pointer is used for the process's life
    return m ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m, name))) : nullptr;
}

} // namespace

int windowDpi(HWND w) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = lookUp<GetDpiForWindowFn>("user32.dll", "GetDpiForWindow");
    const UINT dpi = getDpiForWindow && w ? getDpiForWindow(w) : 0;
    return dpi ? int(dpi) : systemDpi();
}

int dpiAtPoint(POINT p) {
    using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    static const auto getDpiForMonitor = lookUp<GetDpiForMonitorFn>("shcore.dll", "GetDpiForMonitor");
    UINT x = 0, y = 0;
    constexpr int kEffectiveDpi = 0;   // MDT_EFFECTIVE_DPI
    if (getDpiForMonitor &&
        SUCCEEDED(getDpiForMonitor(MonitorFromPoint(p, MONITOR_DEFAULTTONEAREST), kEffectiveDpi, &x, &y)) && y)
        return int(y);
    return systemDpi();
}

} // namespace korvo::win
