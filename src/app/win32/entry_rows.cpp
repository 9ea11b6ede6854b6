#include "app/win32/entry_rows.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>

#include "app/win32/stream_title.h"
#include "playlist/entry_info.h"
#include "playlist/playlist.h"

namespace korvo::win {
namespace {

constexpr UINT_PTR kRowsSubclass = 1;
constexpr int kRowTextCapacity = 2 * kPathCapacity + 16;
constexpr int kTextMargin = 2;   // as a list box of strings leaves before its text

// The row's text as the list shows it, UTF-16; empty past the end.
std::wstring rowText(const EntryRows& rows, int row) {
    const int position = rows.position(row);
    const PlaylistEntry* e = position < 0 ? nullptr : playlist().entryAt(position);
    if (!e) return {};
    char text[kRowTextCapacity];
    std::snprintf(text, sizeof text, playlist_texts::kRowFormat, position + 1, shownName(*e).c_str());
    wchar_t wide[kRowTextCapacity];
    const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, kRowTextCapacity);
    return n > 0 ? std::wstring(wide, size_t(n - 1)) : std::wstring();
}

// The shown name, case folded by the system (any script).
std::wstring foldedName(const PlaylistEntry& e) {
    wchar_t wide[kRowTextCapacity];
    const int n = MultiByteToWideChar(CP_ACP, 0, shownName(e).c_str(), -1, wide, kRowTextCapacity);
    if (n <= 1) return {};
    CharLowerBuffW(wide, DWORD(n - 1));
    return std::wstring(wide, size_t(n - 1));
}

// A list without strings answers for its rows from the playlist.
LRESULT CALLBACK rowsProc(HWND list, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    const auto* rows = reinterpret_cast<const EntryRows*>(data);
    switch (msg) {
    case LB_GETTEXTLEN:
    case LB_GETTEXT: {
        if (int(wParam) < 0 || int(wParam) >= rows->count()) return LB_ERR;
        const std::wstring text = rowText(*rows, int(wParam));
        if (msg == LB_GETTEXT) {
            if (!lParam) return LB_ERR;
            std::wmemcpy(reinterpret_cast<wchar_t*>(lParam), text.c_str(), text.size() + 1);
        }
        return LRESULT(text.size());
    }
    case WM_NCDESTROY: RemoveWindowSubclass(list, rowsProc, kRowsSubclass); break;
    default: break;
    }
    return DefSubclassProc(list, msg, wParam, lParam);
}

} // namespace

std::string shownName(const PlaylistEntry& entry) {
    if (&entry == playlist().current() && streamShownName()[0]) return streamShownName();
    return entryDisplayName(entry);
}

void EntryRows::find(const std::wstring& text) {
    positions_.clear();
    filtered_ = !text.empty();
    if (!filtered_) return;
    std::wstring needle = text;
    CharLowerBuffW(needle.data(), DWORD(needle.size()));
    int position = 0;
    for (const PlaylistEntry* e = playlist().head(); e; e = e->next, ++position)
        if (foldedName(*e).find(needle) != std::wstring::npos) positions_.push_back(position);
}

int EntryRows::count() const { return filtered_ ? int(positions_.size()) : playlist().countEntries(); }

int EntryRows::position(int row) const {
    if (row < 0 || row >= count()) return -1;
    return filtered_ ? positions_[size_t(row)] : row;
}

int EntryRows::rowOf(int position) const {
    if (!filtered_) return position < playlist().countEntries() ? position : -1;
    auto at = std::lower_bound(positions_.begin(), positions_.end(), position);
    return at != positions_.end() && *at == position ? int(at - positions_.begin()) : -1;
}

std::vector<int> EntryRows::positions(const std::vector<int>& rows) const {
    std::vector<int> out;
    out.reserve(rows.size());
    for (int row : rows)
        if (position(row) >= 0) out.push_back(position(row));
    return out;
}

void attachEntryRows(HWND list, const EntryRows* rows) {
    SetWindowSubclass(list, rowsProc, kRowsSubclass, reinterpret_cast<DWORD_PTR>(rows));
    // The style tells whoever copies a row across processes (or between text kinds) that
    // the rows are text; the list itself took its kind at creation.
    SetWindowLongPtrW(list, GWL_STYLE, GetWindowLongPtrW(list, GWL_STYLE) | LBS_HASSTRINGS);
}

void resetEntryRows(HWND list, const EntryRows& rows) {
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    SendMessageW(list, LB_SETCOUNT, WPARAM(rows.count()), 0);
}

void measureEntryRow(HWND dlg, MEASUREITEMSTRUCT& item) {
    HDC dc = GetDC(dlg);
    if (!dc) return;
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(dlg, WM_GETFONT, 0, 0)));
    TEXTMETRICW tm{};
    if (GetTextMetricsW(dc, &tm)) item.itemHeight = UINT(tm.tmHeight);
    SelectObject(dc, old);
    ReleaseDC(dlg, dc);
}

void drawEntryRow(const DRAWITEMSTRUCT& item, const EntryRows& rows) {
    RECT r = item.rcItem;
    if (item.itemAction == ODA_FOCUS) {
        DrawFocusRect(item.hDC, &r);
        return;
    }
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    FillRect(item.hDC, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (int(item.itemID) >= 0) {
        const std::wstring text = rowText(rows, int(item.itemID));
        SetBkMode(item.hDC, TRANSPARENT);
        SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        RECT t = r;
        t.left += kTextMargin;
        DrawTextW(item.hDC, text.c_str(), int(text.size()), &t, DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER);
    }
    if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &r);
}

std::wstring controlTextW(HWND dlg, int id) {
    HWND c = GetDlgItem(dlg, id);
    const int n = c ? GetWindowTextLengthW(c) : 0;
    if (n <= 0) return {};
    std::wstring text(size_t(n) + 1, L'\0');
    text.resize(size_t(GetWindowTextW(c, text.data(), n + 1)));
    return text;
}

} // namespace korvo::win
