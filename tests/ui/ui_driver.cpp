#include "ui_driver.h"

#include <gtest/gtest.h>

#include <commdlg.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "settings/settings_texts.h"
#include "app/win32/win_texts.h"
#include "test_support.h"

namespace korvo::uitest {

std::string buildDir() { return korvo::test::nativePath(KORVO_BUILD_DIR); }

ProgramFolder::ProgramFolder(const std::string& name) : dir_(korvo::test::scratchDir("ui-" + name)) {
    std::string src = buildDir() + "\\LumenKorvo.exe";
    // A program of an earlier run that still holds the folder would be run instead
    if (!CopyFileA(src.c_str(), exe().c_str(), FALSE)) ADD_FAILURE() << "cannot copy the program to " << exe();
}

std::string ProgramFolder::ini() const { return dir_ + "\\" + kSettingsFileName; }

void ProgramFolder::setKey(const char* key, int value) const {
    WritePrivateProfileStringA(kSettingsSection, key, std::to_string(value).c_str(), ini().c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini().c_str());   // flush the profile cache
}

int ProgramFolder::key(const char* key, int def) const {
    return int(GetPrivateProfileIntA(kSettingsSection, key, def, ini().c_str()));
}

std::vector<std::string> ProgramFolder::keysInFile() const {
    std::vector<std::string> keys;
    std::ifstream in(ini());
    std::string line;
    while (std::getline(in, line)) {
        size_t eq = line.find('=');
        if (eq != std::string::npos) keys.push_back(line.substr(0, eq));
    }
    return keys;
}

bool waitUntil(const std::function<bool()>& pred, int timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (pred()) return true;
        if (int(GetTickCount() - start) > timeoutMs) return false;
        Sleep(50);
    }
}

Program::~Program() {
    if (!process_) return;
    if (running()) {
        if (window_ && IsWindow(window_)) PostMessageA(window_, WM_CLOSE, 0, 0);
        // give it time to save and end; a program stuck in a message box is ended
        if (WaitForSingleObject(process_, 6000) != WAIT_OBJECT_0) TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 3000);
    }
    CloseHandle(process_);
}

bool Program::start(const ProgramFolder& folder, const std::vector<std::string>& args, const std::string& workDir) {
    std::string line = "\"" + folder.exe() + "\"";
    for (const std::string& a : args) line += " \"" + a + "\"";
    std::vector<char> buf(line.begin(), line.end());
    buf.push_back('\0');
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(folder.exe().c_str(), buf.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workDir.empty() ? folder.dir().c_str() : workDir.c_str(), &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
    exe_ = folder.exe();
    return true;
}

// The Linux process whose first argument is the program's path (its folder is this run's own).
std::string Program::linuxPid() const {
    std::string pid;
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA("Z:\\proc\\*", &fd);
    if (find == INVALID_HANDLE_VALUE) return pid;
    do {
        if (fd.cFileName[0] < '1' || fd.cFileName[0] > '9') continue;
        std::ifstream in(std::string("Z:\\proc\\") + fd.cFileName + "\\cmdline", std::ios::binary);
        std::string first;
        std::getline(in, first, '\0');
        if (_stricmp(first.c_str(), exe_.c_str()) == 0) pid = fd.cFileName;
    } while (pid.empty() && FindNextFileA(find, &fd));
    FindClose(find);
    return pid;
}

long Program::linuxCpuMs() const {
    const std::string pid = linuxPid();
    if (pid.empty()) return -1;
    std::ifstream in("Z:\\proc\\" + pid + "\\stat", std::ios::binary);
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // after the name in parentheses: state, then utime and stime as the 12th and 13th fields
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    long long utime = 0, stime = 0;
    for (int i = 1; i <= 13 && fields >> field; ++i) {
        if (i == 12) utime = std::atoll(field.c_str());
        if (i == 13) stime = std::atoll(field.c_str());
    }
    return long((utime + stime) * 10);   // clock ticks of 10 ms
}

bool Program::limitFileSize(long long bytes) const {
    const std::string linuxPid = this->linuxPid();
    if (linuxPid.empty()) return false;
    const std::string limit = bytes < 0 ? "unlimited" : std::to_string(bytes);
    std::string line = "/usr/bin/prlimit --pid " + linuxPid + " --fsize=" + limit + ":";
    std::vector<char> buf(line.begin(), line.end());
    buf.push_back('\0');
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, buf.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    // Wine neither waits for a Linux program nor tells its exit code: the limit is seen in place.
    const std::string limits = "Z:\\proc\\" + linuxPid + "\\limits";
    return waitUntil(
        [&] {
            std::ifstream in(limits, std::ios::binary);
            std::string row;
            while (std::getline(in, row)) {
                if (row.rfind("Max file size", 0) != 0) continue;
                std::istringstream fields(row.substr(std::strlen("Max file size")));
                std::string soft;
                fields >> soft;
                return soft == limit;
            }
            return false;
        },
        5000);
}

namespace {
struct FindData {
    DWORD pid;
    const char* className;
    const char* title;
    HWND found;
};
BOOL CALLBACK findWindowProc(HWND hwnd, LPARAM lp) {
    auto* d = reinterpret_cast<FindData*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != d->pid) return TRUE;
    char cls[64] = {}, title[128] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    GetWindowTextA(hwnd, title, sizeof title);
    if (std::strcmp(cls, d->className) != 0) return TRUE;
    if (d->title && std::strcmp(title, d->title) != 0) return TRUE;
    d->found = hwnd;
    return FALSE;
}
HWND findTopLevel(DWORD pid, const char* cls, const char* title) {
    FindData d{pid, cls, title, nullptr};
    EnumWindows(findWindowProc, reinterpret_cast<LPARAM>(&d));
    return d.found;
}
} // namespace

HWND Program::waitForWindow(int timeoutMs) {
    waitUntil([&] {
        window_ = findTopLevel(pid_, korvo::win::kMainWindowClass, nullptr);
        return window_ != nullptr || !running();
    }, timeoutMs);
    return window_;
}

long Program::waitForExit(int timeoutMs) {
    if (!process_ || WaitForSingleObject(process_, DWORD(timeoutMs)) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return long(code);
}

bool Program::running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

LRESULT Program::command(int id) const {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window_, WM_COMMAND, WPARAM(id), 0, SMTO_NORMAL, 5000, &result);
    return LRESULT(result);
}

LRESULT Program::copyData(ULONG_PTR code, const void* data, DWORD size) const {
    COPYDATASTRUCT cds{code, size, const_cast<void*>(data)};
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_NORMAL, 5000, &result);
    return LRESULT(result);
}

void Program::postCommand(int id) const { PostMessageA(window_, WM_COMMAND, WPARAM(id), 0); }

long Program::cpuMs() const {
    FILETIME created, exited, kernel, user;
    if (!process_ || !GetProcessTimes(process_, &created, &exited, &kernel, &user)) return -1;
    auto ticks = [](const FILETIME& t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return long((ticks(kernel) + ticks(user)) / 10000);   // 100 ns units
}

unsigned long long Program::peakPrivateBytes() const {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!process_ || !K32GetProcessMemoryInfo(process_, &counters, sizeof counters)) return 0;
    return counters.PeakPagefileUsage;
}

void Program::click(int x, int y) const { pressMoveRelease(x, y, x, y); }

void Program::pressMoveRelease(int x, int y, int mx, int my) const {
    PostMessageA(window_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageA(window_, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(mx, my));
    PostMessageA(window_, WM_LBUTTONUP, 0, MAKELPARAM(mx, my));
    // let the window handle them before anyone looks
    DWORD_PTR r = 0;
    SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &r);
}

void Program::pressKeys(BYTE modifier, BYTE key) const {
    SetForegroundWindow(window_);
    Sleep(200);
    keybd_event(modifier, 0, 0, 0);
    keybd_event(key, 0, 0, 0);
    keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
    keybd_event(modifier, 0, KEYEVENTF_KEYUP, 0);
}

std::string readRecord() {
    HANDLE map = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, korvo::win::kCurrentFileRecordName);
    if (!map) return "";
    std::string text;
    if (auto* view = static_cast<const char*>(MapViewOfFile(map, FILE_MAP_ALL_ACCESS, 0, 0, 261))) {
        text.assign(view, strnlen(view, 261));
        UnmapViewOfFile(view);
    }
    CloseHandle(map);
    return text;
}

void clearRecord() {
    HANDLE map = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, korvo::win::kCurrentFileRecordName);
    if (!map) return;
    if (void* view = MapViewOfFile(map, FILE_MAP_ALL_ACCESS, 0, 0, 261)) {
        std::memset(view, 0, 261);
        UnmapViewOfFile(view);
    }
    CloseHandle(map);
}

bool waitForRecord(const std::string& expected, int timeoutMs) {
    return waitUntil([&] { return readRecord() == expected; }, timeoutMs);
}

HWND findDialog(DWORD pid, const char* title) { return findTopLevel(pid, "#32770", title); }

std::string dialogText(HWND box) {
    char text[1024] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return text;
}

Shot shoot(HWND hwnd) {
    Shot s;
    RECT r;
    if (!GetWindowRect(hwnd, &r)) return s;
    s.w = r.right - r.left;
    s.h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = s.w;
    bi.bmiHeader.biHeight = -s.h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, s.w, s.h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    s.px.assign(p, p + size_t(s.w) * s.h);
    for (uint32_t& v : s.px) v &= 0xFFFFFF;
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return s;
}

std::vector<bool> windowHitMask(HWND hwnd) {
    RECT r;
    if (!GetWindowRect(hwnd, &r)) return {};
    const int w = r.right - r.left, h = r.bottom - r.top;
    std::vector<bool> mask(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) mask[size_t(y) * w + x] = WindowFromPoint(POINT{r.left + x, r.top + y}) == hwnd;
    return mask;
}

long windowRegionArea(HWND hwnd) {
    long area = 0;
    for (bool b : windowHitMask(hwnd)) area += b ? 1 : 0;
    return area;
}

namespace {

uint32_t crc32(const uint8_t* p, size_t n, uint32_t crc = 0) {
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void be32(std::vector<uint8_t>& v, uint32_t x) {
    for (int s = 24; s >= 0; s -= 8) v.push_back(uint8_t(x >> s));
}

void chunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
    be32(png, uint32_t(data.size()));
    std::vector<uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    png.insert(png.end(), body.begin(), body.end());
    be32(png, crc32(body.data(), body.size()));
}

// RGBA rows to a PNG with stored (uncompressed) deflate blocks.
std::vector<uint8_t> encodePng(int w, int h, const std::vector<uint8_t>& rgba) {
    std::vector<uint8_t> raw;
    for (int y = 0; y < h; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), rgba.begin() + long(y) * w * 4, rgba.begin() + long(y + 1) * w * 4);
    }
    std::vector<uint8_t> z{0x78, 0x01};
    for (size_t pos = 0; pos < raw.size() || pos == 0;) {
        size_t n = std::min<size_t>(65535, raw.size() - pos);
        bool last = pos + n >= raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(uint8_t(n)); z.push_back(uint8_t(n >> 8));
        z.push_back(uint8_t(~n)); z.push_back(uint8_t((~n) >> 8));
        z.insert(z.end(), raw.begin() + long(pos), raw.begin() + long(pos + n));
        pos += n;
        if (last) break;
    }
    uint32_t a = 1, b = 0;
    for (uint8_t c : raw) a = (a + c) % 65521, b = (b + a) % 65521;
    be32(z, (b << 16) | a);
    std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    std::vector<uint8_t> ihdr;
    be32(ihdr, uint32_t(w)); be32(ihdr, uint32_t(h));
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});
    chunk(png, "IHDR", ihdr);
    chunk(png, "IDAT", z);
    chunk(png, "IEND", {});
    return png;
}

} // namespace

bool saveWindowPng(HWND hwnd, const std::string& path, const std::vector<bool>& mask) {
    RECT r;
    if (!GetWindowRect(hwnd, &r)) return false;
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    std::vector<uint8_t> rgba(size_t(w) * h * 4);
    const auto* px = static_cast<const uint8_t*>(bits);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            size_t i = (size_t(y) * w + x) * 4;
            rgba[i] = px[i + 2];
            rgba[i + 1] = px[i + 1];
            rgba[i + 2] = px[i];
            rgba[i + 3] = mask.empty() || mask[size_t(y) * w + x] ? 255 : 0;
        }
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    std::vector<uint8_t> png = encodePng(w, h, rgba);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    return bool(out);
}

int changedPixels(const Shot& a, const Shot& b, RECT r, int margin) {
    int n = 0;
    for (int y = std::max(0L, r.top - margin); y < std::min<long>(a.h, r.bottom + margin); ++y)
        for (int x = std::max(0L, r.left - margin); x < std::min<long>(a.w, r.right + margin); ++x)
            n += a.px[size_t(y) * a.w + x] != b.px[size_t(y) * b.w + x];
    return n;
}

std::string media(const char* name) {
    std::string p = korvo::test::mediaPath(std::string("winapp/") + name);
    EXPECT_TRUE(korvo::test::fileExists(p)) << p << " is missing (tests/media/winapp.sh makes it)";
    return p;
}

std::string rowText(HWND list, int i) {
    wchar_t text[1024] = {};
    if (SendMessageW(list, LB_GETTEXTLEN, WPARAM(i), 0) >= LRESULT(sizeof text / sizeof text[0])) return "<too long>";
    SendMessageW(list, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text));
    char narrow[2048] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

std::string titleOf(const std::string& path) {
    char title[MAX_PATH] = {};
    GetFileTitleA(path.c_str(), title, sizeof title);
    return title;
}

} // namespace korvo::uitest
