#include "app/win32/dialogs.h"

#include <commdlg.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "settings/settings.h"
#include "app/win32/main_window.h"
#include "app/win32/resource_ids.h"
#include "app/win32/win_texts.h"
#include "platform/dir_search.h"
#include "platform/file.h"
#include "playback/playback_texts.h"
#include "playlist/playlist.h"

namespace korvo::win {
namespace {

constexpr DWORD kResultBufferSize = 32767;

// Builds the double-zero-terminated filter list of a set.
std::vector<char> filterText(int set) {
    struct Pair {
        const char* description;
        const char* pattern;
    };
    static const Pair kAll[] = {{kFilterAllSupported, kPatternAllSupported},
                                {kFilterMpegAudio, kPatternMpegAudio},
                                {kFilterPlaylists, kPatternPlaylists},
                                {kFilterAllTypes, kPatternAllTypes}};
    static const Pair kAudio[] = {{kFilterMpegAudio, kPatternMpegAudio}};
    static const Pair kLists[] = {{kFilterPlaylists, kPatternPlaylists}};
    const Pair* pairs = kAll;
    size_t n = 4;
    if (set == FiltersAudio) pairs = kAudio, n = 1;
    if (set == FiltersPlaylists) pairs = kLists, n = 1;
    std::vector<char> out;
    for (size_t i = 0; i < n; ++i) {
        out.insert(out.end(), pairs[i].description, pairs[i].description + std::strlen(pairs[i].description) + 1);
        out.insert(out.end(), pairs[i].pattern, pairs[i].pattern + std::strlen(pairs[i].pattern) + 1);
    }
    out.push_back('\0');
    return out;
}

struct UrlDialogData {
    char* text;
    int size;
};

INT_PTR CALLBACK openUrlProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        SendDlgItemMessageA(dlg, IDC_URL_EDIT, EM_LIMITTEXT, kPathCapacity - 1, 0);
        keepInsideWorkArea(dlg);
        return TRUE;
    case WM_COMMAND: {
        auto* data = reinterpret_cast<UrlDialogData*>(GetWindowLongPtrA(dlg, DWLP_USER));
        if (LOWORD(wParam) == IDOK) {
            int size = data->size < kPathCapacity ? data->size : kPathCapacity;
            GetDlgItemTextA(dlg, IDC_URL_EDIT, data->text, size);
            EndDialog(dlg, 1);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dlg, 0);
            return TRUE;
        }
        break;
    }
    }
    return FALSE;
}

} // namespace

int openFilesDialog(HWND owner, int replace, int filterSet) {
    std::vector<char> result(kResultBufferSize + 1, '\0');
    std::vector<char> filters = filterText(filterSet);
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filters.data();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = result.data();
    ofn.nMaxFile = kResultBufferSize;
    ofn.lpstrInitialDir = settings().PreviousDir;
    ofn.lpstrTitle = kOpenFilesTitle;
    ofn.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameA(&ofn)) return 0;

    Playlist& list = playlist();
    if (replace) list.clearPlaylist();
    // The folder is the text before the first name: with one file it keeps its backslash,
    // with several it is the first string.
    char folder[kPathCapacity] = {};
    size_t folderLen = ofn.nFileOffset < kPathCapacity ? ofn.nFileOffset : kPathCapacity - 1;
    std::memcpy(folder, result.data(), folderLen);
    folder[folderLen] = '\0';
    std::snprintf(settings().PreviousDir, sizeof settings().PreviousDir, "%s", folder);
    size_t len = std::strlen(folder);
    bool needSeparator = len == 0 || folder[len - 1] != '\\';

    int names = 0;
    for (const char* name = result.data() + ofn.nFileOffset; *name; name += std::strlen(name) + 1) {
        char path[kPathCapacity];
        int n = std::snprintf(path, sizeof path, "%s%s%s", folder, needSeparator ? "\\" : "", name);
        if (n > 0 && n < int(sizeof path)) list.addPath(Playlist::AddOrdinary, path);
        ++names;
    }
    return names;
}

int runOpenUrlDialog(HWND owner, char* text, int textSize) {
    if (!text || textSize <= 0) return 0;
    text[0] = '\0';
    UrlDialogData data{text, textSize};
    INT_PTR r = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_OPEN_URL), owner, openUrlProc,
                                reinterpret_cast<LPARAM>(&data));
    return r == 1 ? 1 : 0;
}

void addDroppedPaths(HDROP drop) {
    Playlist& list = playlist();
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    list.beginAddBatch();
    for (UINT i = 0; i < count; ++i) {
        char path[kPathCapacity];
        if (DragQueryFileA(drop, i, path, sizeof path)) list.addPath(Playlist::AddOrdinary, path);
    }
    DragFinish(drop);
    list.endAddBatch();
}

int runWavSaveDialog(HWND owner, char* path, int size, const char* playing) {
    if (!path || size <= 0) return 0;
    std::vector<char> filter;
    for (const char* part : {texts::kWavSaveFilter, texts::kWavSavePattern})
        filter.insert(filter.end(), part, part + std::strlen(part) + 1);
    filter.push_back('\0');
    for (;;) {
        path[0] = '\0';   // the name field starts empty each time
        OPENFILENAMEA ofn{};
        ofn.lStructSize = sizeof ofn;
        ofn.hwndOwner = owner;
        ofn.lpstrFilter = filter.data();
        ofn.lpstrFile = path;
        ofn.nMaxFile = DWORD(size);
        ofn.lpstrTitle = texts::kWavSaveTitle;
        ofn.lpstrDefExt = texts::kWavDefaultExt;
        ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
        if (!GetSaveFileNameA(&ofn)) return 0;
        if (!playing || !sameFile(path, playing)) return 1;
        // Writing there would destroy the file while it plays: ask for another name.
        char text[kPathCapacity + sizeof texts::kWavOutputIsInput];
        std::snprintf(text, sizeof text, texts::kWavOutputIsInput, path);
        MessageBoxA(owner, text, texts::kWavErrorTitle, MB_OK | MB_ICONWARNING);
    }
}

} // namespace korvo::win
