// LumenKorvo.exe under a storm of random commands while a list plays (fixed seed): it keeps
// answering, plays afterwards, and holds no more window objects or memory than before.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "settings/settings_keys.h"
#include "app/win32/main_window.h"
#include "app/win32/resource_ids.h"
#include "playback/decoder_thread.h"
#include "sound_recorder.h"
#include "ui_driver.h"

namespace korvo::uitest {
namespace {

constexpr int kPlayWaitMs = 8000;
constexpr int kStormCommands = 10000;

struct Usage {
    DWORD gdi = 0;
    DWORD user = 0;
    DWORD windows = 0;   // its windows and their children (Wine counts no GDI or USER objects)
    DWORD handles = 0;
    SIZE_T privateBytes = 0;
};

BOOL CALLBACK countChild(HWND, LPARAM n) {
    ++*reinterpret_cast<DWORD*>(n);
    return TRUE;
}

struct WindowCount {
    DWORD pid;
    DWORD n;
};

BOOL CALLBACK countWindow(HWND w, LPARAM lp) {
    auto* c = reinterpret_cast<WindowCount*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != c->pid) return TRUE;
    ++c->n;
    EnumChildWindows(w, countChild, reinterpret_cast<LPARAM>(&c->n));
    return TRUE;
}

Usage usageOf(DWORD pid) {
    Usage u;
    WindowCount count{pid, 0};
    EnumWindows(countWindow, reinterpret_cast<LPARAM>(&count));
    u.windows = count.n;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process) {
        ADD_FAILURE() << "cannot open the process: " << GetLastError();
        return u;
    }
    u.gdi = GetGuiResources(process, GR_GDIOBJECTS);
    u.user = GetGuiResources(process, GR_USEROBJECTS);
    GetProcessHandleCount(process, &u.handles);
    PROCESS_MEMORY_COUNTERS_EX m{};
    m.cb = sizeof m;
    if (K32GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&m), sizeof m))
        u.privateBytes = m.PrivateUsage ? m.PrivateUsage : m.PagefileUsage;   // Wine fills only the latter
    else
        ADD_FAILURE() << "no memory counters: " << GetLastError();
    CloseHandle(process);
    return u;
}

// The decoder thread: the one thread of the process at the priority of the default
// DecoderPriority (above normal). Seeks are posted to it as the mini controller does.
std::vector<DWORD> decoderThreads(DWORD pid) {
    std::vector<DWORD> found;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap == INVALID_HANDLE_VALUE) return found;
    THREADENTRY32 t{};
    t.dwSize = sizeof t;
    for (BOOL ok = Thread32First(snap, &t); ok; ok = Thread32Next(snap, &t)) {
        if (t.th32OwnerProcessID != pid) continue;
        HANDLE h = OpenThread(THREAD_QUERY_INFORMATION, FALSE, t.th32ThreadID);
        if (!h) continue;
        if (GetThreadPriority(h) == THREAD_PRIORITY_ABOVE_NORMAL) found.push_back(t.th32ThreadID);
        CloseHandle(h);
    }
    CloseHandle(snap);
    return found;
}

// The commands of the storm, drawn from a fixed seed. Requests that name nothing make the
// program show a box, and every box under Wine without a window manager costs seconds to
// close, so only a few of those come; the rest keep the list filled.
class Storm {
public:
    Storm(Program& p, std::vector<std::string> files) : p_(p), files_(std::move(files)) {}
    unsigned next(unsigned n) {
        seed_ = seed_ * 6364136223846793005ull + 1442695040888963407ull;
        return unsigned(seed_ >> 33) % n;
    }
    std::string garbage(size_t n) {
        std::string s;
        for (size_t i = 0; i < n; ++i) s += char(1 + next(255));
        return s;
    }
    // Closes every box of the process (message boxes, file and location dialogs); returns how many.
    int closeBoxes() {
        int n = 0;
        DWORD t0 = GetTickCount();
        while (HWND box = findDialog(p_.pid(), nullptr)) {
            char title[128] = {};
            GetWindowTextA(box, title, sizeof title);
            std::string seen = std::string(title) + ": " + dialogText(box);
            if (kinds.insert(seen).second) {
                std::printf("box %s\n", seen.c_str());
                std::fflush(stdout);
            }
            PostMessageA(box, WM_COMMAND, IDCANCEL, 0);   // an OK-only box takes it as OK
            if (!waitUntil([&] { return !IsWindow(box); }, 4000)) PostMessageA(box, WM_COMMAND, IDOK, 0);
            waitUntil([&] { return !IsWindow(box); }, 4000);
            ++n;
        }
        boxes += n;
        boxMs += GetTickCount() - t0;
        return n;
    }
    void openLocation() {
        p_.postCommand(IDM_OPEN_LOCATION);
        HWND url = nullptr;
        if (!waitUntil([&] { return (url = findDialog(p_.pid(), TXT_OPEN_URL_CAPTION)) != nullptr; }, 5000)) return;
        std::string text = garbage(4 + next(250));
        SendDlgItemMessageA(url, IDC_URL_EDIT, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        PostMessageA(url, WM_COMMAND, IDOK, 0);
        waitUntil([&] { return !IsWindow(url); }, 5000);
        refill();
    }
    // Files that do not exist, dropped on the window.
    void drop() {
        std::string names;
        for (unsigned k = 1 + next(3); k > 0; --k) names += "C:\\nowhere\\" + garbage(1 + next(8)) + ".mp3" + '\0';
        names += '\0';
        HGLOBAL mem = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size());
        if (!mem) return;
        auto* d = static_cast<DROPFILES*>(GlobalLock(mem));
        d->pFiles = sizeof(DROPFILES);
        std::memcpy(reinterpret_cast<char*>(d) + sizeof(DROPFILES), names.data(), names.size());
        GlobalUnlock(mem);
        DWORD_PTR r = 0;
        SendMessageTimeoutA(p_.window(), WM_DROPFILES, WPARAM(mem), 0, SMTO_NORMAL, 5000, &r);
        GlobalFree(mem);   // the program finishes its own copy
        refill();
    }
    void copyData() {
        ULONG_PTR code = next(6);   // 5 is no request
        std::string payload;
        if (code == korvo::win::RequestAddPath || code == korvo::win::RequestPlayPath) {
            unsigned pick = next(8);
            if (pick == 0) payload = garbage(260 + next(200));   // too long: not a request
            else payload = files_[next(unsigned(files_.size()))];
        } else if (code == korvo::win::RequestPlayIndex) {
            payload = garbage(next(6));   // the size is the index, past the list's end too
        } else {
            payload = garbage(next(16));
        }
        p_.copyData(code, payload.data(), DWORD(payload.size()));
        if (code == korvo::win::RequestClear || code == korvo::win::RequestPlayPath) refill();
    }
    // A path of random bytes to add, or to play alone.
    void garbagePath() {
        std::string payload = garbage(1 + next(80));
        p_.copyData(next(2) ? korvo::win::RequestAddPath : korvo::win::RequestPlayPath, payload.data(),
                    DWORD(payload.size()));
        closeBoxes();
        refill();
    }
    // A cleared list is filled again at once, as a hand-over does: Play on an empty list
    // opens the file dialog.
    void refill() {
        const std::string& f = files_[next(unsigned(files_.size()))];
        p_.copyData(korvo::win::RequestAddPath, f.data(), DWORD(f.size()));
    }

    std::vector<DWORD> decoders;
    std::set<std::string> kinds;   // title and text of the boxes seen
    int boxes = 0;
    DWORD boxMs = 0;

private:
    Program& p_;
    std::vector<std::string> files_;
    unsigned long long seed_ = 18;
};

// Starts the program on a list of three files and runs the storm of kStormCommands on it.
// Returns its use of window objects and memory before the storm.
Usage runStorm(Program& p, const std::vector<std::string>& files) {
    ProgramFolder folder("storm");
    folder.setKey(kKeyIRCEnabled, 0);
    clearRecord();
    EXPECT_TRUE(p.start(folder, files));
    if (!p.waitForWindow() || !waitForRecord(files[0], kPlayWaitMs)) {
        ADD_FAILURE() << "the list did not start: " << readRecord();
        return {};
    }
    Sleep(1500);   // the first second's objects (timers, the shared record, the device) exist
    const Usage before = usageOf(p.pid());

    Storm storm(p, files);
    storm.decoders = decoderThreads(p.pid());
    EXPECT_EQ(storm.decoders.size(), 1u) << "seeks go to every thread found";
    const int commands[] = {IDM_PLAY, IDM_STOP, IDM_PAUSE, IDM_SHUFFLE, IDM_REPEAT, IDM_PLAY_CURRENT};
    int sent[6] = {};
    const DWORD t0 = GetTickCount();
    // the commands that show boxes, at places drawn from the seed
    const int garbageAt[] = {int(storm.next(kStormCommands)), int(storm.next(kStormCommands))};
    const int dropAt = int(storm.next(kStormCommands)), locationAt = int(storm.next(kStormCommands));
    for (int i = 0; i < kStormCommands; ++i) {
        unsigned kind = storm.next(1000);
        if (i == garbageAt[0] || i == garbageAt[1]) {
            storm.garbagePath();
            ++sent[3];
        } else if (i == dropAt) {
            storm.drop();
            ++sent[4];
        } else if (i == locationAt) {
            storm.openLocation();
            ++sent[5];
        } else if (kind < 600) {
            p.command(commands[storm.next(6)]);
            ++sent[0];
        } else if (kind < 606) {
            p.command(storm.next(2) ? IDM_NEXT : IDM_PREVIOUS);   // each waits 100 ms
            ++sent[1];
        } else if (kind < 800) {
            int percent = int(storm.next(121)) - 10;
            for (DWORD id : storm.decoders) PostThreadMessageA(id, DTM_SEEK_PERCENT, 0, percent);
            ++sent[2];
        } else {
            storm.copyData();
            ++sent[3];
        }
        if (i % 32 == 0) storm.closeBoxes();
        if (!p.running()) {
            ADD_FAILURE() << "ended after command " << i;
            return before;
        }
    }
    storm.closeBoxes();
    std::printf("storm: %d commands in %lu ms (%d plain, %d next/previous, %d seeks, %d copy-data, %d drops, "
                "%d locations); %d boxes closed in %lu ms\n",
                kStormCommands, static_cast<unsigned long>(GetTickCount() - t0), sent[0], sent[1], sent[2], sent[3],
                sent[4], sent[5], storm.boxes, static_cast<unsigned long>(storm.boxMs));

    // it answers, and the list can be replaced and played
    DWORD_PTR answer = 0;
    EXPECT_TRUE(SendMessageTimeoutA(p.window(), WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answer)) << "no answer";
    p.copyData(korvo::win::RequestClear, nullptr, 0);
    p.copyData(korvo::win::RequestAddPath, files[0].data(), DWORD(files[0].size()));
    p.copyData(korvo::win::RequestPlayFirst, nullptr, 0);
    EXPECT_TRUE(waitForRecord(files[0], kPlayWaitMs)) << readRecord();
    p.command(IDM_STOP);
    Sleep(500);
    EXPECT_EQ(storm.closeBoxes(), 0);
    return before;
}

std::vector<std::string> stormFiles() { return {media("long_a.mp2"), media("long_b.mp2"), media("long_c.mp2")}; }

TEST(Storm, TenThousandRandomCommandsWhileAListPlays) {
    const std::vector<std::string> files = stormFiles();
    Program p;
    const Usage before = runStorm(p, files);
    ASSERT_TRUE(p.running());
    SoundRecorder sound;
    ASSERT_TRUE(sound.start()) << "no capture device: the sink's monitor cannot be recorded";
    clearRecord();
    const DWORD played = GetTickCount();
    p.command(IDM_PLAY);
    EXPECT_TRUE(waitForRecord(files[0], kPlayWaitMs)) << readRecord();
    EXPECT_NE(sound.waitForSound(played, kPlayWaitMs), 0u) << "Play after the storm is silent";
    Sleep(1500);
    EXPECT_EQ(findDialog(p.pid(), nullptr), nullptr);

    const Usage after = usageOf(p.pid());
    std::printf("GDI objects %lu -> %lu, USER objects %lu -> %lu, windows %lu -> %lu, handles %lu -> %lu, "
                "private bytes %lu -> %lu\n",
                static_cast<unsigned long>(before.gdi), static_cast<unsigned long>(after.gdi),
                static_cast<unsigned long>(before.user), static_cast<unsigned long>(after.user),
                static_cast<unsigned long>(before.windows), static_cast<unsigned long>(after.windows),
                static_cast<unsigned long>(before.handles), static_cast<unsigned long>(after.handles),
                static_cast<unsigned long>(before.privateBytes), static_cast<unsigned long>(after.privateBytes));
    EXPECT_LE(after.gdi, before.gdi + 20);
    EXPECT_LE(after.user, before.user + 10);
    EXPECT_LE(after.windows, before.windows);
    EXPECT_LE(after.handles, before.handles + 20);
    // the file dialog, when the storm opened it, loads its libraries: about 6 MB once
    EXPECT_LE(after.privateBytes, before.privateBytes + (8u << 20));

    PostMessageA(p.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(p.waitForExit(15000), 0);
}

// Pause between two files, when no device is open (here after a hand-over's clear, which
// stops without changing the play state), does nothing and shows no box.
TEST(Storm, PauseWithNoDeviceOpenShowsNoBox) {
    const std::string a = media("long_a.mp2");
    ProgramFolder folder("storm-pause");
    folder.setKey(kKeyIRCEnabled, 0);
    Program p;
    clearRecord();
    ASSERT_TRUE(p.start(folder, {a}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    ASSERT_TRUE(waitForRecord(a, kPlayWaitMs)) << readRecord();
    p.copyData(korvo::win::RequestClear, nullptr, 0);
    Sleep(1000);   // the decoder thread has stopped and closed the device
    p.command(IDM_PAUSE);
    HWND box = nullptr;
    EXPECT_FALSE(waitUntil([&] { return (box = findDialog(p.pid(), nullptr)) != nullptr; }, 1500)) << dialogText(box);
    if (box) PostMessageA(box, WM_COMMAND, IDOK, 0);
    PostMessageA(p.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(p.waitForExit(15000), 0);
}

} // namespace
} // namespace korvo::uitest
