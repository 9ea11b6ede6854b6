#include "app/win32/accessible.h"

#include <cstring>
#include <vector>

namespace korvo::win {

void splitButtonTip(const char* tip, std::string& name, std::string& key) {
    name = tip ? tip : "";
    key.clear();
    const size_t open = name.rfind(" (");
    if (open == std::string::npos || name.empty() || name.back() != ')') return;
    key = name.substr(open + 2, name.size() - open - 3);
    name.resize(open);
}

namespace {

BSTR toBstr(const std::string& utf8) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), int(utf8.size()), nullptr, 0);
    std::vector<wchar_t> wide(size_t(n > 0 ? n : 0) + 1, L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), int(utf8.size()), wide.data(), n);
    return SysAllocStringLen(wide.data(), UINT(n > 0 ? n : 0));
}

void setChild(VARIANT* out, int child) {
    VariantInit(out);
    out->vt = VT_I4;
    out->lVal = child;
}

} // namespace

HRESULT WindowAccessible::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IAccessible) {
        *out = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG WindowAccessible::Release() {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

HRESULT WindowAccessible::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

int WindowAccessible::childOf(const VARIANT& v, HRESULT& error) const {
    error = host_ ? E_INVALIDARG : RPC_E_DISCONNECTED;
    if (!host_ || v.vt != VT_I4) return -1;
    if (v.lVal < 0 || v.lVal > host_->accCount()) return -1;
    return int(v.lVal);
}

HRESULT WindowAccessible::text(const VARIANT& child, std::string AccessibleItem::*field, BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    HRESULT error;
    const int c = childOf(child, error);
    AccessibleItem item;
    if (c < 0 || !host_->accDescribe(c, item)) return error;
    if ((item.*field).empty()) return S_FALSE;
    *out = toBstr(item.*field);
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT WindowAccessible::get_accParent(IDispatch** parent) {
    if (!parent) return E_POINTER;
    *parent = nullptr;
    if (!host_) return RPC_E_DISCONNECTED;
    // The frame around the client area, where the system has one to give.
    return SUCCEEDED(AccessibleObjectFromWindow(hwnd_, DWORD(OBJID_WINDOW), IID_IDispatch,
                                                reinterpret_cast<void**>(parent))) ? S_OK : S_FALSE;
}

HRESULT WindowAccessible::get_accChildCount(LONG* count) {
    if (!count) return E_POINTER;
    if (!host_) return RPC_E_DISCONNECTED;
    *count = host_->accCount();
    return S_OK;
}

// The children are simple elements, not objects of their own.
HRESULT WindowAccessible::get_accChild(VARIANT child, IDispatch** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    HRESULT error;
    return childOf(child, error) < 0 ? error : S_FALSE;
}

HRESULT WindowAccessible::get_accName(VARIANT child, BSTR* out) { return text(child, &AccessibleItem::name, out); }
HRESULT WindowAccessible::get_accValue(VARIANT child, BSTR* out) { return text(child, &AccessibleItem::value, out); }
HRESULT WindowAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* out) {
    return text(child, &AccessibleItem::shortcut, out);
}
HRESULT WindowAccessible::get_accDefaultAction(VARIANT child, BSTR* out) {
    return text(child, &AccessibleItem::action, out);
}

HRESULT WindowAccessible::get_accDescription(VARIANT, BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return host_ ? S_FALSE : RPC_E_DISCONNECTED;
}

HRESULT WindowAccessible::get_accHelp(VARIANT, BSTR* out) { return get_accDescription(VARIANT{}, out); }

HRESULT WindowAccessible::get_accHelpTopic(BSTR* file, VARIANT, LONG* topic) {
    if (file) *file = nullptr;
    if (topic) *topic = -1;
    return host_ ? S_FALSE : RPC_E_DISCONNECTED;
}

HRESULT WindowAccessible::number(const VARIANT& child, long AccessibleItem::*field, VARIANT* out) {
    if (!out) return E_POINTER;
    VariantInit(out);
    HRESULT error;
    const int c = childOf(child, error);
    AccessibleItem item;
    if (c < 0 || !host_->accDescribe(c, item)) return error;
    setChild(out, int(item.*field));
    return S_OK;
}

HRESULT WindowAccessible::get_accRole(VARIANT child, VARIANT* out) { return number(child, &AccessibleItem::role, out); }
HRESULT WindowAccessible::get_accState(VARIANT child, VARIANT* out) { return number(child, &AccessibleItem::state, out); }

HRESULT WindowAccessible::get_accFocus(VARIANT* out) {
    if (!out) return E_POINTER;
    VariantInit(out);
    if (!host_) return RPC_E_DISCONNECTED;
    const int focused = host_->accFocused();
    if (focused < 0) return S_FALSE;   // VT_EMPTY: the focus is elsewhere
    setChild(out, focused);
    return S_OK;
}

HRESULT WindowAccessible::get_accSelection(VARIANT* out) {
    if (!out) return E_POINTER;
    VariantInit(out);
    return host_ ? S_FALSE : RPC_E_DISCONNECTED;
}

HRESULT WindowAccessible::accSelect(LONG flags, VARIANT child) {
    HRESULT error;
    const int c = childOf(child, error);
    if (c < 0) return error;
    if (flags != SELFLAG_TAKEFOCUS) return DISP_E_MEMBERNOTFOUND;
    return host_->accTakeFocus(c) ? S_OK : S_FALSE;
}

HRESULT WindowAccessible::accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) {
    if (!left || !top || !width || !height) return E_POINTER;
    *left = *top = *width = *height = 0;
    HRESULT error;
    const int c = childOf(child, error);
    AccessibleItem item;
    if (c < 0 || !host_->accDescribe(c, item)) return error;
    POINT corner{item.rect.left, item.rect.top};
    ClientToScreen(hwnd_, &corner);
    *left = corner.x;
    *top = corner.y;
    *width = item.rect.right - item.rect.left;
    *height = item.rect.bottom - item.rect.top;
    return S_OK;
}

HRESULT WindowAccessible::accNavigate(LONG direction, VARIANT start, VARIANT* out) {
    if (!out) return E_POINTER;
    VariantInit(out);
    HRESULT error;
    const int c = childOf(start, error);
    if (c < 0) return error;
    const int count = host_->accCount();
    int to = -1;
    switch (direction) {
    case NAVDIR_FIRSTCHILD: to = c == 0 && count > 0 ? 1 : -1; break;
    case NAVDIR_LASTCHILD: to = c == 0 && count > 0 ? count : -1; break;
    case NAVDIR_NEXT: to = c > 0 && c < count ? c + 1 : -1; break;
    case NAVDIR_PREVIOUS: to = c > 1 ? c - 1 : -1; break;
    default: return E_NOTIMPL;   // the spatial directions
    }
    if (to < 0) return S_FALSE;
    setChild(out, to);
    return S_OK;
}

HRESULT WindowAccessible::accHitTest(LONG x, LONG y, VARIANT* out) {
    if (!out) return E_POINTER;
    VariantInit(out);
    if (!host_) return RPC_E_DISCONNECTED;
    POINT p{x, y};
    ScreenToClient(hwnd_, &p);
    AccessibleItem item;
    for (int c = host_->accCount(); c >= 0; --c) {   // the window last: it holds them all
        if (host_->accDescribe(c, item) && PtInRect(&item.rect, p)) {
            setChild(out, c);
            return S_OK;
        }
    }
    return S_FALSE;
}

HRESULT WindowAccessible::accDoDefaultAction(VARIANT child) {
    HRESULT error;
    const int c = childOf(child, error);
    if (c < 0) return error;
    return host_->accPress(c) ? S_OK : DISP_E_MEMBERNOTFOUND;
}

} // namespace korvo::win
