#include "app/win32/jump_dialog.h"

#include <commctrl.h>

#include "app/win32/entry_rows.h"
#include "app/win32/resource_ids.h"
#include "playlist/playlist.h"

namespace korvo::win {
namespace {

// The rows found; the first is chosen until the user picks another.
void showFound(HWND dlg, EntryRows& rows) {
    HWND list = GetDlgItem(dlg, IDC_JUMP_LIST);
    rows.find(controlTextW(dlg, IDC_JUMP_FIND));
    resetEntryRows(list, rows);
    if (rows.count() > 0) SendMessageW(list, LB_SETCURSEL, 0, 0);
}

// Up and Down in the box walk the rows found, so a choice needs no mouse.
LRESULT CALLBACK findBoxProc(HWND box, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (msg == WM_KEYDOWN && (wParam == VK_UP || wParam == VK_DOWN || wParam == VK_PRIOR || wParam == VK_NEXT))
        return SendMessageW(GetDlgItem(GetParent(box), IDC_JUMP_LIST), msg, wParam, lParam);
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(box, findBoxProc, 1);
    return DefSubclassProc(box, msg, wParam, lParam);
}

INT_PTR CALLBACK jumpProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* rows = reinterpret_cast<EntryRows*>(GetWindowLongPtrW(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG: {
        rows = reinterpret_cast<EntryRows*>(lParam);
        SetWindowLongPtrW(dlg, DWLP_USER, lParam);
        HWND list = GetDlgItem(dlg, IDC_JUMP_LIST);
        attachEntryRows(list, rows);
        SetWindowSubclass(GetDlgItem(dlg, IDC_JUMP_FIND), findBoxProc, 1, 0);
        showFound(dlg, *rows);
        // The playing entry is where the choice starts.
        const int current = playlist().currentIndex();
        if (current >= 0) {
            SendMessageW(list, LB_SETCURSEL, WPARAM(current), 0);
            SendMessageW(list, LB_SETTOPINDEX, WPARAM(current), 0);
        }
        return TRUE;   // the focus goes to the box
    }
    case WM_MEASUREITEM: measureEntryRow(dlg, *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)); return TRUE;
    case WM_DRAWITEM:
        if (rows) drawEntryRow(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), *rows);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_JUMP_FIND:
            if (HIWORD(wParam) == EN_CHANGE && rows) showFound(dlg, *rows);
            return TRUE;
        case IDC_JUMP_LIST:
            if (HIWORD(wParam) != LBN_DBLCLK) return TRUE;
            [[fallthrough]];
        case IDOK: {
            const int row = int(SendMessageW(GetDlgItem(dlg, IDC_JUMP_LIST), LB_GETCURSEL, 0, 0));
            const int position = rows ? rows->position(row) : -1;
            // Nothing found, or the list changed in the editor meanwhile: the box stays.
            if (position < 0 || position >= playlist().countEntries()) {
                if (rows) showFound(dlg, *rows);
                return TRUE;
            }
            playlist().selectEntry(position, nullptr);
            EndDialog(dlg, 1);
            return TRUE;
        }
        case IDCANCEL: EndDialog(dlg, 0); return TRUE;
        default: return FALSE;
        }
    default: return FALSE;
    }
}

} // namespace

int runJumpDialog(HWND owner) {
    if (playlist().countEntries() == 0) return 0;
    EntryRows rows;
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_JUMP), owner, jumpProc,
                           reinterpret_cast<LPARAM>(&rows)) == 1
               ? 1
               : 0;
}

} // namespace korvo::win
