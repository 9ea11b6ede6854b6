#include "app/win32/playlist_editor.h"

#include "app/win32/stream_title.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "settings/settings.h"
#include "app/win32/dialogs.h"
#include "app/win32/handles.h"
#include "app/win32/main_window.h"
#include "app/win32/resource_ids.h"
#include "app/win32/tag_editor.h"
#include "app/win32/win_texts.h"
#include "playlist/entry_info.h"
#include "playlist/playlist.h"

namespace korvo::win {
namespace {

constexpr int kMinTrackWidth = 280;
constexpr int kMinTrackHeight = 255;
constexpr int kAddItemMenu = 1;
constexpr int kSortMenu = 2;

struct EditorState {
    HWND window = nullptr;
    int refreshEnabled = 1;
    int buttonWidth = 0;
    int buttonHeight = 0;
    int labelTextWidth = 0;   // the widest play-time text, in the label's font
    int staleRows = 0;        // rows out of view still show entries without their information
    char note[64] = {};       // a folder's progress, shown in the label until the user selects
    MenuHandle menu;
};

EditorState& state() {
    static EditorState s;
    return s;
}

HWND listBox(HWND dlg) { return GetDlgItem(dlg, IDC_PL_LIST); }

// Pixels for a length given at 96 dots per inch.
int scaled(HWND dlg, int px) {
    WindowDC dc(dlg);
    int dpi = dc ? GetDeviceCaps(dc.get(), LOGPIXELSY) : 96;
    return MulDiv(px, dpi > 0 ? dpi : 96, 96);
}

void storeRect(HWND dlg) {
    RECT r;
    if (IsIconic(dlg) || !GetWindowRect(dlg, &r)) return;
    settings().PlaylistX = r.left;
    settings().PlaylistY = r.top;
    settings().PlaylistW = r.right - r.left;
    settings().PlaylistH = r.bottom - r.top;
}

void showPlayTime(HWND dlg, int seconds) {
    char text[64];
    if (seconds == Playlist::kCountingPlayTime)
        std::snprintf(text, sizeof text, "%s", kPlaytimeCounting);
    else if (seconds < 0)
        std::snprintf(text, sizeof text, "%s", kPlaytimeUnknown);
    else
        std::snprintf(text, sizeof text, kPlaytimeFormat, seconds / 3600, seconds / 60 % 60, seconds % 60);
    SetDlgItemTextA(dlg, IDC_PL_PLAYTIME, text);
}

// The selected rows, ascending, however many.
std::vector<int> selectedRows(HWND dlg) {
    HWND list = listBox(dlg);
    const LRESULT count = SendMessageA(list, LB_GETSELCOUNT, 0, 0);
    if (count <= 0) return {};
    std::vector<int> rows(static_cast<size_t>(count), 0);
    const LRESULT n = SendMessageA(list, LB_GETSELITEMS, WPARAM(count), reinterpret_cast<LPARAM>(rows.data()));
    rows.resize(n > 0 ? size_t(n) : 0);
    return rows;
}

// The label totals every selected row; "Edit Tag" works on one.
void onSelectionChanged(HWND dlg) {
    const std::vector<int> rows = selectedRows(dlg);
    // A folder's last note stays until the user selects.
    if (state().note[0])
        SetDlgItemTextA(dlg, IDC_PL_PLAYTIME, state().note);
    else
        showPlayTime(dlg, playlist().playTimeOf(int(rows.size()), rows.data()));
    EnableWindow(GetDlgItem(dlg, IDC_PL_EDIT_TAG), rows.size() == 1 ? TRUE : FALSE);
}

// A row's text: its number and the entry's name (a station's title for the one playing).
struct RowText {
    RowText(int row, const PlaylistEntry& e) {
        std::string name = entryDisplayName(e);
        if (&e == playlist().current() && streamShownName()[0]) name = streamShownName();
        std::snprintf(text, sizeof text, kRowFormat, row + 1, name.c_str());
    }
    char text[2 * kPathCapacity + 16];
};

// One row per entry, added with redrawing suspended so a long list appears at once; the
// current entry's row is selected.
void fillRows(HWND dlg) {
    HWND list = listBox(dlg);
    Playlist& pl = playlist();
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    SendMessageA(list, LB_INITSTORAGE, WPARAM(pl.countEntries()), LPARAM(pl.countEntries()) * 48);
    int row = 0;
    int currentRow = -1;
    for (const PlaylistEntry* e = pl.head(); e; e = e->next, ++row) {
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(RowText(row, *e).text));
        if (e == pl.current()) currentRow = row;
    }
    if (currentRow >= 0) {
        SendMessageA(list, LB_SETSEL, TRUE, currentRow);
        SendMessageA(list, LB_SETTOPINDEX, WPARAM(currentRow), 0);
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    onSelectionChanged(dlg);
}

// Rows first ... last written again from their entries, keeping their selection.
void rewriteRows(HWND dlg, int first, int last) {
    HWND list = listBox(dlg);
    const int caret = int(SendMessageA(list, LB_GETCARETINDEX, 0, 0));
    const int top = int(SendMessageA(list, LB_GETTOPINDEX, 0, 0));
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    Playlist& pl = playlist();
    const PlaylistEntry* e = pl.entryAt(first);
    for (int row = first; row <= last && e; ++row, e = e->next) {
        const bool selected = SendMessageA(list, LB_GETSEL, WPARAM(row), 0) > 0;
        SendMessageA(list, LB_DELETESTRING, WPARAM(row), 0);
        SendMessageA(list, LB_INSERTSTRING, WPARAM(row), reinterpret_cast<LPARAM>(RowText(row, *e).text));
        if (selected) SendMessageA(list, LB_SETSEL, TRUE, row);
    }
    SendMessageA(list, LB_SETTOPINDEX, WPARAM(top), 0);
    if (caret >= 0) SendMessageA(list, LB_SETCARETINDEX, WPARAM(caret), TRUE);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, FALSE);
}

void onRefresh(HWND dlg) {
    if (!state().refreshEnabled) return;
    state().staleRows = 0;
    fillRows(dlg);
    storeRect(dlg);
}

// Enables refreshes and rebuilds the rows.
void refresh(HWND dlg) {
    state().refreshEnabled = 1;
    SendMessageA(dlg, kEditorRefreshMessage, 0, 0);
}

// Between the label's text and Dismiss.
constexpr int kLabelGap = 4;

// The label's left edge, after the Dn button whose right edge is at dnRight.
int labelLeftFor(int dnRight) { return dnRight + 6 > 60 ? dnRight + 6 : 60; }

void layout(HWND dlg) {
    EditorState& s = state();
    RECT c;
    if (!GetClientRect(dlg, &c)) return;
    const int W = c.right, H = c.bottom, BW = s.buttonWidth, BH = s.buttonHeight;
    const int x = W - BW - 2;
    auto place = [dlg](int id, int left, int top) {
        SetWindowPos(GetDlgItem(dlg, id), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    };
    // The list ends above the Up and Dn buttons, which grow with the screen's DPI.
    const int listBottomGap = BH + 4 > 24 ? BH + 4 : 24;
    SetWindowPos(listBox(dlg), nullptr, 3, 3, W - BW - 10, H - listBottomGap, SWP_NOZORDER | SWP_NOACTIVATE);
    place(IDC_PL_LOAD, x, 3);
    place(IDC_PL_SAVE, x, BH + 3);
    place(IDC_PL_ADD, x, 2 * BH + 8);
    place(IDC_PL_DELETE, x, 3 * BH + 8);
    place(IDC_PL_SHUFFLE, x, 4 * BH + 13);
    place(IDC_PL_SORT, x, 5 * BH + 13);
    place(IDC_PL_CLEAR, x, 6 * BH + 13);
    place(IDC_PL_EDIT_TAG, x, 7 * BH + 18);
    place(IDOK, x, H - BH - 4);
    // Up, Dn and the label side by side; at higher DPI the buttons are wider than the gaps.
    RECT up{}, dn{};
    GetWindowRect(GetDlgItem(dlg, IDC_PL_UP), &up);
    GetWindowRect(GetDlgItem(dlg, IDC_PL_DOWN), &dn);
    const int dnLeft = 3 + (up.right - up.left) + 3 > 30 ? 3 + (up.right - up.left) + 3 : 30;
    const int labelLeft = labelLeftFor(dnLeft + (dn.right - dn.left));
    place(IDC_PL_UP, 3, H - BH + 2);
    place(IDC_PL_DOWN, dnLeft, H - BH + 2);
    // The label ends short of Dismiss, whatever the width.
    RECT label{};
    HWND labelWindow = GetDlgItem(dlg, IDC_PL_PLAYTIME);
    GetWindowRect(labelWindow, &label);
    const int labelWidth = x - kLabelGap - labelLeft;
    SetWindowPos(labelWindow, nullptr, labelLeft, H - BH + 2, labelWidth > 0 ? labelWidth : 0, label.bottom - label.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(dlg, nullptr, TRUE);
}

// The narrowest window whose label shows its widest text beside Dismiss.
int minTrackWidth(HWND dlg) {
    const EditorState& s = state();
    RECT window{}, client{}, dn{};
    GetWindowRect(dlg, &window);
    GetClientRect(dlg, &client);
    GetWindowRect(GetDlgItem(dlg, IDC_PL_DOWN), &dn);
    POINT dnRight{dn.right, dn.top};
    ScreenToClient(dlg, &dnRight);
    const int frame = (window.right - window.left) - client.right;
    const int needed = frame + labelLeftFor(dnRight.x) + s.labelTextWidth + kLabelGap + s.buttonWidth + 2;
    const int least = scaled(dlg, kMinTrackWidth);
    return needed > least ? needed : least;
}

// The widest text the label shows, measured in its own font.
int measureLabelText(HWND dlg) {
    HWND label = GetDlgItem(dlg, IDC_PL_PLAYTIME);
    WindowDC dc(label);
    if (!dc) return 0;
    HGDIOBJ old = SelectObject(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageA(label, WM_GETFONT, 0, 0)));
    char longest[64];
    std::snprintf(longest, sizeof longest, kPlaytimeFormat, 999, 59, 59);
    const char* const texts[] = {longest, kPlaytimeUnknown, kPlaytimeCounting};
    int widest = 0;
    for (const char* text : texts) {
        SIZE size{};
        if (GetTextExtentPoint32A(dc.get(), text, int(std::strlen(text)), &size) && size.cx > widest) widest = size.cx;
    }
    SelectObject(dc.get(), old);
    return widest;
}

void onInit(HWND dlg) {
    EditorState& s = state();
    s.window = dlg;
    HINSTANCE inst = GetModuleHandleA(nullptr);
    HICON icon = LoadIconA(inst, MAKEINTRESOURCEA(IDI_PLAYLIST));
    SendMessageA(dlg, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageA(dlg, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    SetWindowTextA(dlg, kPlaylistEditorCaption);
    s.menu.reset(LoadMenuA(inst, MAKEINTRESOURCEA(IDR_MAINMENU)));
    const Settings& set = settings();
    const RECT place = placeOnNearestWorkArea(set.PlaylistX, set.PlaylistY, set.PlaylistW, set.PlaylistH);
    MoveWindow(dlg, place.left, place.top, place.right - place.left, place.bottom - place.top, FALSE);
    RECT b;
    GetWindowRect(GetDlgItem(dlg, IDC_PL_LOAD), &b);
    s.buttonWidth = b.right - b.left;
    s.buttonHeight = b.bottom - b.top;
    s.labelTextWidth = measureLabelText(dlg);
    // A narrower window than the label needs grows to fit it.
    RECT now{};
    GetWindowRect(dlg, &now);
    const int least = minTrackWidth(dlg);
    if (now.right - now.left < least)
        SetWindowPos(dlg, nullptr, 0, 0, least, now.bottom - now.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    layout(dlg);
    SetDlgItemTextA(dlg, IDC_PL_PLAYTIME, kPlaytimeUnknown);
    if (playlist().countEntries() > 0) fillRows(dlg);
}

void popup(HWND dlg, int submenu) {
    HMENU menu = state().menu ? GetSubMenu(state().menu.get(), submenu) : nullptr;
    if (!menu) return;
    POINT pt;
    GetCursorPos(&pt);
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, pt.x, pt.y, 0, dlg, nullptr);
}

void box(HWND owner, const char* format, const char* arg) {
    char text[kPathCapacity + 64];
    std::snprintf(text, sizeof text, format, arg);
    MessageBoxA(owner, text, kErrorTitle, MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
}

// A name that ends in none of the offered extensions gets the chosen type's, so the list is
// of that type and is known as a list when it is loaded again. 0 when there is no room.
int withTypeExtension(char* name, size_t size, DWORD filterIndex) {
    const size_t length = std::strlen(name);
    for (const SaveListType& t : kSaveListTypes) {
        const size_t n = std::strlen(t.extension);
        if (length > n && name[length - n - 1] == '.' && lstrcmpiA(name + length - n, t.extension) == 0) return 1;
    }
    const size_t count = sizeof kSaveListTypes / sizeof kSaveListTypes[0];
    const SaveListType& chosen = kSaveListTypes[filterIndex >= 1 && filterIndex <= count ? filterIndex - 1 : 0];
    return std::snprintf(name + length, size - length, ".%s", chosen.extension) < int(size - length);
}

void saveList(HWND dlg) {
    char name[kPathCapacity] = {};
    // "PLS playlist\0*.pls\0M3U playlist\0*.m3u\0...\0\0"
    std::string filter;
    for (const SaveListType& t : kSaveListTypes) filter.append(t.name).append(1, '\0').append(t.pattern).append(1, '\0');
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = dlg;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = name;
    ofn.nMaxFile = sizeof name;
    // Given a default, the dialog appends the chosen type's extension to a bare name.
    ofn.lpstrDefExt = kSaveListTypes[0].extension;
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY;
    if (!GetSaveFileNameA(&ofn)) return;
    Playlist& pl = playlist();
    if (!withTypeExtension(name, sizeof name, ofn.nFilterIndex)) {
        box(dlg, kErrorWriting, name);
        return;
    }
    // an empty list writes nothing and is no error
    if (!pl.saveList(name) && pl.countEntries() > 0) box(dlg, kErrorWriting, name);
}

void addUrl(HWND dlg) {
    char text[kPathCapacity];
    if (runOpenUrlDialog(dlg, text, sizeof text) && std::strlen(text) >= 4) {
        if (!playlist().addEntry(text)) box(dlg, kErrorProcessingFile, text);
    }
    refresh(dlg);
}

void addDirectory(HWND dlg) {
    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator)) || !allocator) {
        MessageBoxA(dlg, kErrorOccurred, kErrorTitle, MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
        return;
    }
    BROWSEINFOA bi{};
    bi.hwndOwner = dlg;
    bi.lpszTitle = kBrowseFolderTitle;
    LPITEMIDLIST item = SHBrowseForFolderA(&bi);
    if (item) {
        char path[MAX_PATH] = {};
        if (SHGetPathFromIDListA(item, path)) playlist().addPath(Playlist::AddOrdinary, path);
        allocator->Free(item);
    }
    allocator->Release();
    refresh(dlg);
}

// Selects rows (ascending): runs of adjacent rows in one go, thousands of rows, one call a run.
void selectRows(HWND list, const std::vector<int>& rows) {
    const size_t n = rows.size();
    for (size_t i = 0; i < n;) {
        const int first = rows[i];
        int end = first;
        for (++i; i < n && rows[i] <= end + 1; ++i) end = rows[i] > end ? rows[i] : end;
        SendMessageA(list, LB_SELITEMRANGEEX, WPARAM(first), LPARAM(end));
    }
}

void deleteSelected(HWND dlg) {
    const std::vector<int> rows = selectedRows(dlg);
    playlist().deleteEntries(int(rows.size()), rows.data());
    refresh(dlg);
}

void moveSelected(HWND dlg, int direction) {
    const std::vector<int> rows = selectedRows(dlg);
    const int n = int(rows.size());
    playlist().moveEntries(direction, n, rows.data());
    refresh(dlg);
    HWND list = listBox(dlg);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LB_SETSEL, FALSE, -1);
    const int last = int(SendMessageA(list, LB_GETCOUNT, 0, 0)) - 1;
    std::vector<int> moved(rows.size());
    for (int i = 0; i < n; ++i) {
        int row = direction == Playlist::MoveUp ? rows[size_t(i)] - 1 : rows[size_t(i)] + 1;
        moved[size_t(i)] = row < 0 ? 0 : row > last ? last : row;
    }
    selectRows(list, moved);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    onSelectionChanged(dlg);
}

// The tag editor on the selected row's file (one editor at a time: one open elsewhere goes).
void editTag(HWND dlg) {
    const std::vector<int> rows = selectedRows(dlg);
    const PlaylistEntry* e = rows.empty() ? nullptr : playlist().entryAt(rows[0]);
    if (!e) return;
    if (tagEditorWindow()) toggleTagEditor(nullptr, nullptr);
    toggleTagEditor(mainWindow().hwnd(), e->path);
}

void playCaretRow(HWND dlg) {
    int caret = int(SendMessageA(listBox(dlg), LB_GETCARETINDEX, 0, 0));
    playlist().selectEntry(caret, nullptr);
    SendMessageA(mainWindow().hwnd(), WM_COMMAND, IDM_PLAY_CURRENT, 0);
}

void onDropFiles(HWND dlg, HDROP drop) {
    state().refreshEnabled = 0;
    addDroppedPaths(drop);
    refresh(dlg);
}

void onCommand(HWND dlg, int id, int code) {
    Playlist& pl = playlist();
    switch (id) {
    case IDOK: destroyEditor(); break;
    case IDC_PL_LOAD:
        if (openFilesDialog(dlg, 1, FiltersPlaylists) >= 1) refresh(dlg);
        break;
    case IDC_PL_SAVE: saveList(dlg); break;
    case IDC_PL_ADD: popup(dlg, kAddItemMenu); break;
    case IDC_PL_DELETE: deleteSelected(dlg); break;
    case IDC_PL_SHUFFLE:
        if (pl.shufflePlaylist() == 1) SendMessageA(dlg, kEditorRefreshMessage, 0, 0);
        break;
    case IDC_PL_SORT: popup(dlg, kSortMenu); break;
    case IDC_PL_UP: moveSelected(dlg, Playlist::MoveUp); break;
    case IDC_PL_DOWN: moveSelected(dlg, Playlist::MoveDown); break;
    case IDC_PL_CLEAR:
        state().refreshEnabled = 1;
        pl.clearPlaylist();
        state().note[0] = 0;
        SendMessageA(listBox(dlg), LB_RESETCONTENT, 0, 0);
        EnableWindow(GetDlgItem(dlg, IDC_PL_EDIT_TAG), FALSE);
        break;
    case IDC_PL_EDIT_TAG: editTag(dlg); break;
    case IDC_PL_LIST:
        if (code == LBN_SELCHANGE) {
            state().note[0] = 0;
            onSelectionChanged(dlg);
        }
        if (code == LBN_DBLCLK) playCaretRow(dlg);
        break;
    case IDM_ADD_FILES:
        if (openFilesDialog(dlg, 0, FiltersAll) >= 1) refresh(dlg);
        break;
    case IDM_ADD_URL: addUrl(dlg); break;
    case IDM_SORT_ASCENDING:
    case IDM_SORT_DESCENDING:
        if (pl.sortPlaylist(id == IDM_SORT_DESCENDING ? 1 : 0) == 1) SendMessageA(dlg, kEditorRefreshMessage, 0, 0);
        break;
    case IDM_ADD_DIRECTORY: addDirectory(dlg); break;
    default: break;
    }
}

INT_PTR CALLBACK editorProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        onInit(dlg);
        return TRUE;
    case kEditorRefreshMessage:
        onRefresh(dlg);
        return TRUE;
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED) layout(dlg);
        return TRUE;
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize.x = minTrackWidth(dlg);
        info->ptMinTrackSize.y = scaled(dlg, kMinTrackHeight);
        return TRUE;
    }
    case WM_COMMAND:
        onCommand(dlg, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_VKEYTOITEM:
        // the list's keys: Enter plays, Delete deletes, Insert is swallowed
        switch (LOWORD(wParam)) {
        case VK_RETURN: playCaretRow(dlg); return -2;
        case VK_DELETE: deleteSelected(dlg); return -2;
        case VK_INSERT: return -2;
        default: return -1;
        }
    case WM_DROPFILES:
        onDropFiles(dlg, reinterpret_cast<HDROP>(wParam));
        return TRUE;
    case WM_CLOSE:
        destroyEditor();
        return TRUE;
    case WM_DESTROY:
        storeRect(dlg);
        state().menu.reset();
        if (state().window == dlg) state().window = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

HWND editorWindow() { return state().window; }

int showEditor() {
    EditorState& s = state();
    playlist().setRefreshHook([](void*) { requestRefresh(); }, nullptr);
    if (!s.window) {
        HWND dlg = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PLAYLIST_EDITOR), nullptr,
                                      editorProc, 0);
        if (!dlg) return 0;
        s.window = dlg;
    }
    ShowWindow(s.window, SW_SHOW);
    return 1;
}

void destroyEditor() {
    HWND w = state().window;
    if (!w) return;
    vanish(w);
    DestroyWindow(w);   // stores the rectangle
    state().window = nullptr;
}

int isEditorShown() {
    HWND w = state().window;
    if (!w) return 0;
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    return GetWindowPlacement(w, &wp) && wp.showCmd != 0 ? 1 : 0;
}

void showArrivedInfo(bool finished) {
    HWND dlg = state().window;
    if (!dlg) return;
    HWND list = listBox(dlg);
    const int count = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
    if (count != playlist().countEntries()) return;   // a refresh is due anyway
    // The rows in view now; the rest once everything has come (a list that draws its rows
    // from the playlist needs neither).
    RECT r{};
    GetClientRect(list, &r);
    const int height = int(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    const int top = int(SendMessageA(list, LB_GETTOPINDEX, 0, 0));
    const int shown = height > 0 ? r.bottom / height + 1 : count;
    EditorState& s = state();
    if (finished && s.staleRows) {
        // Every row again in one pass, the view and the selection as they were.
        const std::vector<int> rows = selectedRows(dlg);
        const int caret = int(SendMessageA(list, LB_GETCARETINDEX, 0, 0));
        SendMessageA(list, WM_SETREDRAW, FALSE, 0);
        SendMessageA(list, LB_RESETCONTENT, 0, 0);
        SendMessageA(list, LB_INITSTORAGE, WPARAM(count), LPARAM(count) * 48);
        int row = 0;
        for (const PlaylistEntry* e = playlist().head(); e; e = e->next, ++row)
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(RowText(row, *e).text));
        selectRows(list, rows);
        SendMessageA(list, LB_SETTOPINDEX, WPARAM(top), 0);
        if (caret >= 0) SendMessageA(list, LB_SETCARETINDEX, WPARAM(caret), TRUE);
        SendMessageA(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, nullptr, TRUE);
        s.staleRows = 0;
    } else {
        rewriteRows(dlg, top, top + shown - 1);
        if (!finished && count > shown) s.staleRows = 1;
    }
    onSelectionChanged(dlg);
}

void showAddingProgress(void*, const char* note, int added) {
    HWND dlg = state().window;
    if (!dlg) return;
    char* text = state().note;
    if (added > 0)
        std::snprintf(text, sizeof state().note, kAddingProgressFormat, note, added);
    else
        std::snprintf(text, sizeof state().note, "%s", note);
    HWND label = GetDlgItem(dlg, IDC_PL_PLAYTIME);
    SetWindowTextA(label, text);
    UpdateWindow(label);   // adding holds this thread: show it now
}

void requestRefresh() {
    if (state().window) SendMessageA(state().window, kEditorRefreshMessage, 0, 0);
}

void setRefreshEnabled(int on) { state().refreshEnabled = on ? 1 : 0; }

int editorTakesMessage(MSG& msg) {
    HWND dlg = state().window;
    if (!dlg || (msg.hwnd != dlg && !IsChild(dlg, msg.hwnd))) return 0;
    if (msg.message == WM_KEYDOWN) {
        // Enter in the list belongs to the list (it plays the caret row), not to Dismiss;
        // Escape would press "Load List", whose identifier is the cancel one.
        if (msg.wParam == VK_RETURN && msg.hwnd == listBox(dlg)) return 0;
        if (msg.wParam == VK_ESCAPE) return 1;
    }
    return IsDialogMessageA(dlg, &msg) ? 1 : 0;
}

} // namespace korvo::win
