#include "app/win32/playlist_editor.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "settings/settings.h"
#include "app/win32/dialogs.h"
#include "app/win32/dpi.h"
#include "app/win32/entry_rows.h"
#include "app/win32/handles.h"
#include "app/win32/main_window.h"
#include "app/win32/resource_ids.h"
#include "app/win32/tag_editor.h"
#include "app/win32/win_texts.h"
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
    char note[64] = {};       // a folder's progress, shown in the label until the user selects
    MenuHandle menu;
    EntryRows rows;           // what the list shows: every entry, or those found
};

EditorState& state() {
    static EditorState s;
    return s;
}

HWND listBox(HWND dlg) { return GetDlgItem(dlg, IDC_PL_LIST); }
HWND findBox(HWND dlg) { return GetDlgItem(dlg, IDC_PL_FIND); }
bool finding() { return state().rows.filtered(); }

// Pixels for a length given at 96 dots per inch, on the editor's monitor.
int scaled(HWND dlg, int px) { return MulDiv(px, windowDpi(dlg), kBaseDpi); }

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

// The entries the selected rows show, ascending.
std::vector<int> selectedEntries(HWND dlg) { return state().rows.positions(selectedRows(dlg)); }

// The label totals every selected row; "Edit Tag" works on one.
void onSelectionChanged(HWND dlg) {
    const std::vector<int> positions = selectedEntries(dlg);
    // A folder's last note stays until the user selects.
    if (state().note[0])
        SetDlgItemTextA(dlg, IDC_PL_PLAYTIME, state().note);
    else
        showPlayTime(dlg, playlist().playTimeOf(int(positions.size()), positions.data()));
    EnableWindow(GetDlgItem(dlg, IDC_PL_EDIT_TAG), positions.size() == 1 ? TRUE : FALSE);
}

// Reordering a list of which only some rows show would move entries out of sight.
void enableReordering(HWND dlg) {
    for (int id : {IDC_PL_UP, IDC_PL_DOWN, IDC_PL_SORT, IDC_PL_SHUFFLE})
        EnableWindow(GetDlgItem(dlg, id), finding() ? FALSE : TRUE);
}

// The rows of every entry, or of those the Find box names; no row is stored, so a long list
// costs nothing to show. The current entry's row is selected.
void fillRows(HWND dlg) {
    HWND list = listBox(dlg);
    EntryRows& rows = state().rows;
    rows.find(controlTextW(dlg, IDC_PL_FIND));
    enableReordering(dlg);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    resetEntryRows(list, rows);
    const int currentRow = rows.rowOf(playlist().currentIndex());
    if (currentRow >= 0) {
        SendMessageA(list, LB_SETSEL, TRUE, currentRow);
        SendMessageA(list, LB_SETTOPINDEX, WPARAM(currentRow), 0);
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    onSelectionChanged(dlg);
}

void onRefresh(HWND dlg) {
    if (!state().refreshEnabled) return;
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
    // The list ends above the Find box, and that above the Up and Dn buttons, which grow with
    // the screen's DPI; they stand on the line of Dismiss, inside the window.
    const int rowTop = H - BH - 4;
    RECT findRect{}, findLabel{};
    GetWindowRect(findBox(dlg), &findRect);
    GetWindowRect(GetDlgItem(dlg, IDC_PL_FIND_LABEL), &findLabel);
    const int findHeight = findRect.bottom - findRect.top, findTop = rowTop - findHeight - 3;
    const int listWidth = W - BW - 10, findLabelWidth = findLabel.right - findLabel.left;
    SetWindowPos(listBox(dlg), nullptr, 3, 3, listWidth, findTop - 3 - 3, SWP_NOZORDER | SWP_NOACTIVATE);
    place(IDC_PL_FIND_LABEL, 3, findTop + (findHeight - (findLabel.bottom - findLabel.top)) / 2);
    SetWindowPos(findBox(dlg), nullptr, 3 + findLabelWidth + 3, findTop, listWidth - findLabelWidth - 3, findHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    place(IDC_PL_LOAD, x, 3);
    place(IDC_PL_SAVE, x, BH + 3);
    place(IDC_PL_ADD, x, 2 * BH + 8);
    place(IDC_PL_DELETE, x, 3 * BH + 8);
    place(IDC_PL_SHUFFLE, x, 4 * BH + 13);
    place(IDC_PL_SORT, x, 5 * BH + 13);
    place(IDC_PL_CLEAR, x, 6 * BH + 13);
    place(IDC_PL_EDIT_TAG, x, 7 * BH + 18);
    place(IDOK, x, rowTop);
    // Up, Dn and the label side by side; at higher DPI the buttons are wider than the gaps.
    RECT up{}, dn{};
    GetWindowRect(GetDlgItem(dlg, IDC_PL_UP), &up);
    GetWindowRect(GetDlgItem(dlg, IDC_PL_DOWN), &dn);
    const int dnLeft = 3 + (up.right - up.left) + 3 > 30 ? 3 + (up.right - up.left) + 3 : 30;
    const int labelLeft = labelLeftFor(dnLeft + (dn.right - dn.left));
    place(IDC_PL_UP, 3, rowTop);
    place(IDC_PL_DOWN, dnLeft, rowTop);
    // The label ends short of Dismiss, whatever the width.
    RECT label{};
    HWND labelWindow = GetDlgItem(dlg, IDC_PL_PLAYTIME);
    GetWindowRect(labelWindow, &label);
    const int labelWidth = x - kLabelGap - labelLeft;
    SetWindowPos(labelWindow, nullptr, labelLeft, rowTop, labelWidth > 0 ? labelWidth : 0, label.bottom - label.top,
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

// The buttons' size and the label's widest text, taken again when the system has scaled the
// dialog for a monitor of another DPI.
void measure(HWND dlg) {
    EditorState& s = state();
    RECT b{};
    GetWindowRect(GetDlgItem(dlg, IDC_PL_LOAD), &b);
    s.buttonWidth = b.right - b.left;
    s.buttonHeight = b.bottom - b.top;
    s.labelTextWidth = measureLabelText(dlg);
}

void onInit(HWND dlg) {
    EditorState& s = state();
    s.window = dlg;
    attachEntryRows(listBox(dlg), &s.rows);
    HINSTANCE inst = GetModuleHandleA(nullptr);
    HICON icon = LoadIconA(inst, MAKEINTRESOURCEA(IDI_PLAYLIST));
    SendMessageA(dlg, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageA(dlg, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    SetWindowTextA(dlg, kPlaylistEditorCaption);
    s.menu.reset(LoadMenuA(inst, MAKEINTRESOURCEA(IDR_MAINMENU)));
    const Settings& set = settings();
    const RECT place = placeOnNearestWorkArea(set.PlaylistX, set.PlaylistY, set.PlaylistW, set.PlaylistH);
    MoveWindow(dlg, place.left, place.top, place.right - place.left, place.bottom - place.top, FALSE);
    measure(dlg);
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
    const std::vector<int> positions = selectedEntries(dlg);
    playlist().deleteEntries(int(positions.size()), positions.data());
    refresh(dlg);
}

// Rows are positions here: reordering is off while finding.
void moveSelected(HWND dlg, int direction) {
    if (finding()) return;
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
    const std::vector<int> positions = selectedEntries(dlg);
    const PlaylistEntry* e = positions.empty() ? nullptr : playlist().entryAt(positions[0]);
    if (!e) return;
    if (tagEditorWindow()) toggleTagEditor(nullptr, nullptr);
    toggleTagEditor(mainWindow().hwnd(), e->path);
}

void playRow(int row) {
    const int position = state().rows.position(row);
    if (position < 0) return;
    playlist().selectEntry(position, nullptr);
    SendMessageA(mainWindow().hwnd(), WM_COMMAND, IDM_PLAY_CURRENT, 0);
}

void playCaretRow(HWND dlg) { playRow(int(SendMessageA(listBox(dlg), LB_GETCARETINDEX, 0, 0))); }

void focusFind(HWND dlg) {
    SetFocus(findBox(dlg));
    SendMessageW(findBox(dlg), EM_SETSEL, 0, -1);
}

// A letter typed in the list goes on in the Find box.
bool startsFind(WPARAM ch) { return ch > L' ' && ch != 0x7F; }

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
        if (!finding() && pl.shufflePlaylist() == 1) SendMessageA(dlg, kEditorRefreshMessage, 0, 0);
        break;
    case IDC_PL_SORT:
        if (!finding()) popup(dlg, kSortMenu);
        break;
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
    case IDC_PL_FIND:
        if (code == EN_CHANGE) fillRows(dlg);
        break;
    case IDM_ADD_FILES:
        if (openFilesDialog(dlg, 0, FiltersAll) >= 1) refresh(dlg);
        break;
    case IDM_ADD_URL: addUrl(dlg); break;
    case IDM_SORT_ASCENDING:
    case IDM_SORT_DESCENDING:
        if (!finding() && pl.sortPlaylist(id == IDM_SORT_DESCENDING ? 1 : 0) == 1) SendMessageA(dlg, kEditorRefreshMessage, 0, 0);
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
    case WM_DPICHANGED:
        // the system scales the controls once this returns; they are placed after that
        PostMessageA(dlg, kEditorRescaledMessage, 0, 0);
        return FALSE;
    case kEditorRescaledMessage:
        measure(dlg);
        layout(dlg);
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
    case WM_MEASUREITEM:
        measureEntryRow(dlg, *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_DRAWITEM:
        drawEntryRow(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), state().rows);
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

// Rows are drawn from the playlist: those in view show what arrived once drawn again.
void showArrivedInfo(bool) {
    HWND dlg = state().window;
    if (!dlg) return;
    InvalidateRect(listBox(dlg), nullptr, FALSE);
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
        if (msg.wParam == 'F' && GetKeyState(VK_CONTROL) < 0) {
            focusFind(dlg);
            return 1;
        }
        // Enter in the Find box plays the first row found.
        if (msg.wParam == VK_RETURN && msg.hwnd == findBox(dlg)) {
            playRow(0);
            return 1;
        }
        // Enter in the list belongs to the list (it plays the caret row), not to Dismiss;
        // Escape clears the Find box (it would press "Load List", whose identifier is the
        // cancel one).
        if (msg.wParam == VK_RETURN && msg.hwnd == listBox(dlg)) return 0;
        if (msg.wParam == VK_ESCAPE) {
            if (GetWindowTextLengthW(findBox(dlg)) > 0) SetWindowTextW(findBox(dlg), L"");
            return 1;
        }
    }
    if (msg.message == WM_CHAR && msg.hwnd == listBox(dlg) && startsFind(msg.wParam)) {
        HWND find = findBox(dlg);
        const int end = GetWindowTextLengthW(find);
        SetFocus(find);
        SendMessageW(find, EM_SETSEL, WPARAM(end), LPARAM(end));
        msg.hwnd = find;
    }
    return IsDialogMessageW(dlg, &msg) ? 1 : 0;
}

} // namespace korvo::win
