#include "app/win32/about.h"

#include <commctrl.h>
#include <prsht.h>
#include <shellapi.h>

#include <cstring>

#include "app/win32/main_window.h"
#include "app/win32/resource_ids.h"
#include "app/win32/win_texts.h"

namespace korvo::win {
namespace {

constexpr int kShortestAddress = 3;   // shorter texts are no address worth opening

INT_PTR CALLBACK aboutProc(HWND page, UINT msg, WPARAM, LPARAM) {
    if (msg == WM_INITDIALOG) {
        SetDlgItemTextA(page, IDC_ABOUT_TEXT, kAboutText);
        return TRUE;
    }
    return FALSE;
}

void showSelectedAddress(HWND page) {
    HWND list = GetDlgItem(page, IDC_LINKS_LIST);
    LRESULT item = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (item == LB_ERR) return;
    LRESULT row = SendMessageA(list, LB_GETITEMDATA, WPARAM(item), 0);
    if (row < 0 || row >= LRESULT(sizeof kLinks / sizeof kLinks[0])) return;
    SetDlgItemTextA(page, IDC_LINKS_ADDRESS, kLinks[row].address);
}

void browseTo(HWND page) {
    char address[kLinkAddressChars + 1] = {};
    GetDlgItemTextA(page, IDC_LINKS_ADDRESS, address, sizeof address);
    if (std::strlen(address) < kShortestAddress) return;
    ShellExecuteA(nullptr, "open", address, nullptr, nullptr, SW_SHOWNORMAL);
}

INT_PTR CALLBACK linksProc(HWND page, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG: {
        HWND list = GetDlgItem(page, IDC_LINKS_LIST);
        for (int row = 0; row < int(sizeof kLinks / sizeof kLinks[0]); ++row) {
            LRESULT item = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kLinks[row].name));
            SendMessageA(list, LB_SETITEMDATA, WPARAM(item), row);
        }
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_LINKS_LIST) showSelectedAddress(page);
        if (LOWORD(wParam) == IDC_LINKS_BROWSE) browseTo(page);
        return TRUE;
    default:
        return FALSE;
    }
}

PROPSHEETPAGEA page(int dialog, DLGPROC proc) {
    PROPSHEETPAGEA p{};
    p.dwSize = sizeof p;
    p.hInstance = GetModuleHandleA(nullptr);
    p.pszTemplate = MAKEINTRESOURCEA(dialog);
    p.pfnDlgProc = proc;
    return p;
}

// The sheet has its size once it is initialised.
int CALLBACK sheetCallback(HWND sheet, UINT msg, LPARAM) {
    if (msg == PSCB_INITIALIZED) keepInsideWorkArea(sheet);
    return 0;
}

} // namespace

void showAbout(HWND owner) {
    PROPSHEETPAGEA pages[] = {page(IDD_ABOUT_PAGE, aboutProc), page(IDD_LINKS_PAGE, linksProc)};
    PROPSHEETHEADERA h{};
    h.dwSize = sizeof h;
    h.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_USECALLBACK;
    h.pfnCallback = sheetCallback;
    h.hwndParent = owner;
    h.hInstance = GetModuleHandleA(nullptr);
    h.pszCaption = kAboutCaption;
    h.nPages = sizeof pages / sizeof pages[0];
    h.ppsp = pages;
    PropertySheetA(&h);
}

} // namespace korvo::win
