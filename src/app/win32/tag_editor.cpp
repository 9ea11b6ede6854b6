#include "app/win32/tag_editor.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/win32/main_window.h"
#include "app/win32/resource_ids.h"
#include "app/win32/win_texts.h"
#include "platform/file.h"
#include "playlist/id3v1.h"
#include "playlist/text_encoding.h"

namespace korvo::win {
namespace {

constexpr int kTagTextChars = 29;   // what an ID3v1 text field holds
constexpr int kTagYearChars = 4;
// A field's text as UTF-8: up to four bytes for each character the edit takes.
constexpr int kTagUtf8Size = 4 * kTagTextChars + 1;

struct TagEditorState {
    HWND window = nullptr;
    char path[kPathCapacity] = {};
    Id3v1Tag tag;
};

TagEditorState& state() {
    static TagEditorState s;
    return s;
}

void showError(const char* format, const char* path) {
    char text[kPathCapacity + 64];
    std::snprintf(text, sizeof text, format, path);
    MessageBoxA(nullptr, text, kErrorTitle, MB_OK);
}

char* fieldOf(Id3v1Tag& tag, int control) {
    switch (control) {
    case IDC_TAG_ARTIST: return tag.artist;
    case IDC_TAG_TITLE: return tag.title;
    case IDC_TAG_ALBUM: return tag.album;
    default: return tag.comment;
    }
}

constexpr int kTextControls[] = {IDC_TAG_ARTIST, IDC_TAG_TITLE, IDC_TAG_ALBUM, IDC_TAG_COMMENT};

void onInit(HWND dlg) {
    TagEditorState& s = state();
    SetDlgItemTextA(dlg, IDC_TAG_PATH, s.path);
    for (int id : kTextControls) SendDlgItemMessageA(dlg, id, EM_LIMITTEXT, kTagTextChars, 0);
    SendDlgItemMessageA(dlg, IDC_TAG_YEAR, EM_LIMITTEXT, kTagYearChars, 0);
    SendDlgItemMessageA(dlg, IDC_TAG_YEAR_SPIN, UDM_SETRANGE32, kTagYearLow, kTagYearHigh);

    s.tag = Id3v1Tag{};
    File file;
    if (!file.open(s.path, File::ReadShared)) {
        showError(kErrorOpening, s.path);
    } else {
        readTag(file, s.tag);
        file.close();
    }
    if (s.tag.present) {
        // The trailer holds Latin-1; the program's text is UTF-8.
        for (int id : kTextControls) {
            char text[kTagUtf8Size];
            latin1ToUtf8(fieldOf(s.tag, id), sizeof s.tag.title, text, sizeof text);
            SetDlgItemTextA(dlg, id, text);
        }
        // the year's leading number; "19a7" shows 19
        SetDlgItemInt(dlg, IDC_TAG_YEAR, UINT(std::strtoul(s.tag.year, nullptr, 10)), FALSE);
    } else {
        for (int id : kTextControls) SetDlgItemTextA(dlg, id, kTagNoTagText);
        SetDlgItemInt(dlg, IDC_TAG_YEAR, kTagNoTagYear, FALSE);
        s.tag.genreIndex = 0;
        s.tag.genreByte = 0;
    }
}

void onSave(HWND dlg) {
    TagEditorState& s = state();
    // Characters Latin-1 lacks are saved as '?'.
    for (int id : kTextControls) {
        char text[kTagUtf8Size];
        GetDlgItemTextA(dlg, id, text, sizeof text);
        utf8ToLatin1(text, fieldOf(s.tag, id), kTagTextChars + 1);
    }
    GetDlgItemTextA(dlg, IDC_TAG_YEAR, s.tag.year, kTagYearChars + 1);
    // Opening an existing file for writing fails on a read-only or locked one, before
    // anything is cut or written.
    File file;
    if (!file.open(s.path, File::ReadWrite)) {
        showError(kErrorOpeningForWriting, s.path);
        return;
    }
    // writeTag leaves the file as it was when it fails.
    if (!writeTag(file, s.tag, &prompt())) showError(kErrorWriting, s.path);
}

void onWipe() {
    TagEditorState& s = state();
    File file;
    if (!file.open(s.path, File::ReadWrite)) {
        showError(kErrorOpeningForWriting, s.path);
        return;
    }
    wipeTag(file, &prompt());   // reports its own failure, leaving the tag
}

void closeEditor(HWND dlg) {
    vanish(dlg);
    DestroyWindow(dlg);
}

INT_PTR CALLBACK tagEditorProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        state().window = dlg;
        onInit(dlg);
        ShowWindow(dlg, SW_SHOW);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_TAG_SAVE: onSave(dlg); return TRUE;
        case IDC_TAG_WIPE: onWipe(); return TRUE;
        case IDCANCEL: closeEditor(dlg); return TRUE;
        default: break;
        }
        break;
    case WM_CLOSE:
        closeEditor(dlg);
        return TRUE;
    case WM_DESTROY:
        if (state().window == dlg) state().window = nullptr;
        break;
    default:
        break;
    }
    return FALSE;
}

} // namespace

HWND tagEditorWindow() { return state().window; }

int toggleTagEditor(HWND owner, const char* path) {
    TagEditorState& s = state();
    if (s.window) {
        closeEditor(s.window);
        s.window = nullptr;
        return 1;
    }
    if (!path) return 0;
    std::snprintf(s.path, sizeof s.path, "%s", path);
    HWND dlg = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_TAG_EDITOR), owner, tagEditorProc, 0);
    if (!dlg) return 0;
    return 1;
}

} // namespace korvo::win
