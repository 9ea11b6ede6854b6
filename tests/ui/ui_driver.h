#pragma once
// Drives LumenKorvo.exe from outside: starts it in a folder of its own, finds its windows,
// sends it messages and reads what it leaves behind (the shared record, the INI file).
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace korvo::uitest {

// The program copied into a fresh folder, so its INI file is its own.
class ProgramFolder {
public:
    explicit ProgramFolder(const std::string& name);
    const std::string& dir() const { return dir_; }
    std::string exe() const { return dir_ + "\\LumenKorvo.exe"; }
    std::string ini() const;
    void setKey(const char* key, int value) const;
    int key(const char* key, int def) const;
    // Key names in the order the file holds them.
    std::vector<std::string> keysInFile() const;

private:
    std::string dir_;
};

class Program {
public:
    Program() = default;
    ~Program();   // closes a program that still runs, or ends it
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // workDir: the program's current folder (default: its own folder).
    bool start(const ProgramFolder& folder, const std::vector<std::string>& args, const std::string& workDir = "");
    // The main window of this process, waiting up to timeoutMs.
    HWND waitForWindow(int timeoutMs = 15000);
    HWND window() const { return window_; }
    DWORD pid() const { return pid_; }
    // Exit code once ended within timeoutMs, or -1.
    long waitForExit(int timeoutMs);
    bool running() const;

    LRESULT command(int id) const;
    // Posts the command without waiting (for commands that open a modal window).
    void postCommand(int id) const;
    // Processor time the process has used so far (user and kernel), in milliseconds.
    long cpuMs() const;
    // The same as Linux counts it for the process Wine runs the program in (Wine's own count
    // of another process stays 0); -1 when it cannot be read.
    long linuxCpuMs() const;
    // The most private memory the process has held so far, in bytes (0 when unknown).
    unsigned long long peakPrivateBytes() const;
    // Limits the size of files the program may write, as `ulimit -f` does (bytes < 0 lifts the
    // limit): a write reaching past it fails as on a full disk. Wine runs the program as a Linux
    // process of its own, which prlimit limits; it ignores SIGXFSZ as scripts/wine-run.sh does.
    // False when it could not.
    bool limitFileSize(long long bytes) const;
    LRESULT copyData(ULONG_PTR code, const void* data, DWORD size) const;
    // Press at (x, y), optionally move to (mx, my), release where the pointer is.
    void click(int x, int y) const;
    void pressMoveRelease(int x, int y, int mx, int my) const;
    // Key with modifier (VK_CONTROL, VK_MENU) held, through the keyboard into the window
    // brought to the front: accelerators look at the modifier's real state.
    void pressKeys(BYTE modifier, BYTE key) const;

private:
    std::string linuxPid() const;   // of the process Wine runs the program in, or ""

    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
    std::string exe_;
    HWND window_ = nullptr;
};

// Polls until pred holds or timeoutMs passes.
bool waitUntil(const std::function<bool()>& pred, int timeoutMs);

// The shared current-file record: its text ("" when it is zeros or absent).
std::string readRecord();
void clearRecord();
bool waitForRecord(const std::string& expected, int timeoutMs);

// A top-level dialog of the process with this title (a message box), or nullptr.
HWND findDialog(DWORD pid, const char* title);
std::string dialogText(HWND box);   // the message text of a message box

// Which pixels of a window's rectangle take the mouse (its region, seen from outside:
// points in the cut-away parts belong to the window beneath). Row by row.
std::vector<bool> windowHitMask(HWND hwnd);
long windowRegionArea(HWND hwnd);

// The window as the screen shows it, a COLORREF-like 0xRRGGBB per pixel, top row first.
struct Shot {
    int w = 0, h = 0;
    std::vector<uint32_t> px;
    uint32_t at(int x, int y) const { return px[size_t(y) * w + x]; }
};
Shot shoot(HWND hwnd);
// Pixels that differ between two shots of one size within the rectangle grown by margin.
int changedPixels(const Shot& a, const Shot& b, RECT r, int margin);

// Saves the window as seen on screen as a PNG; pixels outside the mask (windowHitMask)
// are transparent.
bool saveWindowPng(HWND hwnd, const std::string& path, const std::vector<bool>& mask);

// A file that tests/media/winapp.sh makes (a test fails, not crashes, when it is missing).
std::string media(const char* name);
// A list box's row, read as wide text: across processes Wine hands the ANSI request the wide row.
std::string rowText(HWND list, int i);
// What the program shows and announces for a path: its display title.
std::string titleOf(const std::string& path);

// The build folder (native form).
std::string buildDir();

} // namespace korvo::uitest
