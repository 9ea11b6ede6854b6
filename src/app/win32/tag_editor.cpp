#include "app/win32/tag_editor.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/win32/main_window.h"
#include "app/win32/resource_ids.h"
#include "app/win32/win_texts.h"
#include "app/win32/playlist_editor.h"
#include "platform/file.h"
#include "playlist/entry_info.h"
#include "playlist/genre_table.h"
#include "playlist/playlist.h"
#include "playlist/tag_store.h"

namespace korvo::win {
namespace {

constexpr int kTagTextChars = 29;   // what the ID3v1 tag keeps of a field
// With an ID3v2 tag to write, a field is kept whole there: the edit takes far more.
constexpr int kTagLongTextChars = 1000;
constexpr int kTagYearChars = 4;
// A field's text as UTF-8: up to four bytes for each character the edit takes.
constexpr int kTagUtf8Size = 4 * kTagLongTextChars + 1;
// The genre list's empty choice stands for no genre.
constexpr char kNoGenreChoice[] = "";

struct TagEditorState {
    HWND window = nullptr;
    char path[kPathCapacity] = {};
    FileTags tags;   // as the file held them when last read
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

std::string* fieldOf(TagText& text, int control) {
    switch (control) {
    case IDC_TAG_ARTIST: return &text.artist;
    case IDC_TAG_TITLE: return &text.title;
    case IDC_TAG_ALBUM: return &text.album;
    default: return &text.comment;
    }
}

constexpr int kTextControls[] = {IDC_TAG_ARTIST, IDC_TAG_TITLE, IDC_TAG_ALBUM, IDC_TAG_COMMENT};

void fillGenres(HWND dlg) {
    HWND combo = GetDlgItem(dlg, IDC_TAG_GENRE);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    LRESULT at = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kNoGenreChoice));
    SendMessageA(combo, CB_SETITEMDATA, WPARAM(at), kNoGenreByte);
    for (int i = 0; i < kGenreCount; ++i) {
        at = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kId3v1GenreNames[i]));
        SendMessageA(combo, CB_SETITEMDATA, WPARAM(at), i);
    }
}

// A genre outside the list selects nothing.
void showGenre(HWND dlg, int genre) {
    HWND combo = GetDlgItem(dlg, IDC_TAG_GENRE);
    const int n = int(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    int choice = -1;
    for (int i = 0; i < n && choice < 0; ++i)
        if (int(SendMessageA(combo, CB_GETITEMDATA, WPARAM(i), 0)) == genre) choice = i;
    SendMessageA(combo, CB_SETCURSEL, WPARAM(choice), 0);
}

// The chosen genre, or the one read when nothing is chosen.
int chosenGenre(HWND dlg, int read) {
    HWND combo = GetDlgItem(dlg, IDC_TAG_GENRE);
    const LRESULT choice = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (choice == CB_ERR) return read;
    return int(SendMessageA(combo, CB_GETITEMDATA, WPARAM(choice), 0));
}

void readFile(TagEditorState& s) {
    s.tags = FileTags{};
    File file;
    if (!file.open(s.path, File::ReadShared)) return;
    readFileTags(file, s.tags);
}

// Edits of entries of this file show the new tags, and so does the main window.
void showChangedTags(HWND dlg) {
    TagEditorState& s = state();
    Playlist& list = playlist();
    for (int i = 0; PlaylistEntry* e = list.entryAt(i); ++i)
        if (std::strcmp(e->path, s.path) == 0) rereadEntryTags(*e);
    requestRefresh();
    if (HWND owner = GetWindow(dlg, GW_OWNER)) SendMessageA(owner, kTagsChangedMessage, 0, 0);
}

void onInit(HWND dlg) {
    TagEditorState& s = state();
    SetDlgItemTextA(dlg, IDC_TAG_PATH, s.path);
    SendDlgItemMessageA(dlg, IDC_TAG_YEAR, EM_LIMITTEXT, kTagYearChars, 0);
    SendDlgItemMessageA(dlg, IDC_TAG_YEAR_SPIN, UDM_SETRANGE32, kTagYearLow, kTagYearHigh);
    fillGenres(dlg);

    s.tags = FileTags{};
    File file;
    if (!file.open(s.path, File::ReadShared)) {
        showError(kErrorOpening, s.path);
    } else {
        readFileTags(file, s.tags);
        file.close();
    }
    const int chars = s.tags.id3v2 == Id3v2Editable ? kTagLongTextChars : kTagTextChars;
    for (int id : kTextControls) SendDlgItemMessageA(dlg, id, EM_LIMITTEXT, WPARAM(chars), 0);
    if (s.tags.id3v1.present || s.tags.fromId3v2) {
        for (int id : kTextControls) SetDlgItemTextA(dlg, id, fieldOf(s.tags.text, id)->c_str());
        // the year's leading number ("19a7" shows 19, "2021-05-01" 2021); none shows empty
        const char* year = s.tags.text.year.c_str();
        if (*year >= '0' && *year <= '9') SetDlgItemInt(dlg, IDC_TAG_YEAR, UINT(std::strtoul(year, nullptr, 10)), FALSE);
        else SetDlgItemTextA(dlg, IDC_TAG_YEAR, "");
    } else {
        for (int id : kTextControls) SetDlgItemTextA(dlg, id, kTagNoTagText);
        SetDlgItemInt(dlg, IDC_TAG_YEAR, kTagNoTagYear, FALSE);
        s.tags.text.genre = 0;
    }
    showGenre(dlg, s.tags.text.genre);
}

void onSave(HWND dlg) {
    TagEditorState& s = state();
    TagText text = s.tags.text;   // the track number goes through as read
    for (int id : kTextControls) {
        char utf8[kTagUtf8Size];
        GetDlgItemTextA(dlg, id, utf8, sizeof utf8);
        *fieldOf(text, id) = utf8;
    }
    char year[kTagYearChars + 1] = {};
    GetDlgItemTextA(dlg, IDC_TAG_YEAR, year, sizeof year);
    text.year = year;
    text.genre = chosenGenre(dlg, s.tags.text.genre);
    // Characters Latin-1 lacks are saved as '?' in the ID3v1 tag.
    Id3v1Tag trailer = s.tags.id3v1;
    putTextIntoTrailer(text, kTagTextChars, trailer);
    // Opening an existing file for writing fails on a read-only or locked one, before
    // anything is cut or written.
    File file;
    if (!file.open(s.path, File::ReadWrite)) {
        showError(kErrorOpeningForWriting, s.path);
        return;
    }
    // A failed save leaves the file as it was.
    TagSaveResult result;
    const int saved = saveFileTags(file, s.path, trailer, text, result, &prompt());
    file.close();
    if (!saved) {
        showError(kErrorWriting, s.path);
        return;
    }
    readFile(s);
    showChangedTags(dlg);
    if (result.id3v2 == Id3v2Version22 || result.id3v2 == Id3v2Unreadable)
        MessageBoxA(dlg, result.id3v2 == Id3v2Version22 ? kTagId3v22Kept : kTagId3v2Kept, kTagEditorCaption,
                    MB_OK | MB_ICONINFORMATION);
}

void onWipe(HWND dlg) {
    TagEditorState& s = state();
    File file;
    if (!file.open(s.path, File::ReadWrite)) {
        showError(kErrorOpeningForWriting, s.path);
        return;
    }
    // A failed wipe leaves the tags; wiping the trailer alone reports its own failure.
    const bool hadId3v2 = s.tags.id3v2 != Id3v2Absent;
    const int wiped = wipeFileTags(file, s.path, &prompt());
    file.close();
    if (!wiped && hadId3v2) showError(kErrorWriting, s.path);
    readFile(s);
    if (wiped) showChangedTags(dlg);
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
        keepInsideWorkArea(dlg);
        ShowWindow(dlg, SW_SHOW);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_TAG_SAVE: onSave(dlg); return TRUE;
        case IDC_TAG_WIPE: onWipe(dlg); return TRUE;
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
