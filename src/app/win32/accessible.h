#pragma once
// The main window as a screen reader sees it: an IAccessible whose simple children are the
// skin's buttons and the display, answered from WM_GETOBJECT.
#include <windows.h>
#include <oleacc.h>

#include <atomic>
#include <string>

namespace korvo::win {

// One element as told to a screen reader; texts in UTF-8, the rectangle in client pixels.
struct AccessibleItem {
    std::string name;
    std::string value;
    std::string shortcut;
    std::string action;   // empty: none
    long role = 0;
    long state = 0;
    RECT rect{};
};

// What the object asks of its window. Child 0 is the window itself, 1..count its elements.
class AccessibleHost {
public:
    virtual int accCount() = 0;
    virtual bool accDescribe(int child, AccessibleItem& out) = 0;
    virtual int accFocused() = 0;   // the focused child, 0 for the window, -1 when elsewhere
    virtual bool accPress(int child) = 0;
    virtual bool accTakeFocus(int child) = 0;

protected:
    ~AccessibleHost() = default;
};

// A tip's name and its key: "Play (Ctrl+X)" gives "Play" and "Ctrl+X"; a tip without a key
// in brackets is all name.
void splitButtonTip(const char* tip, std::string& name, std::string& key);

class WindowAccessible final : public IAccessible {
public:
    // Starts with one reference, the caller's.
    WindowAccessible(HWND hwnd, AccessibleHost* host) : hwnd_(hwnd), host_(host) {}
    // The window goes: clients that still hold the object are told it is gone.
    void detach() { host_ = nullptr; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* out) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* out) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* out) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override;
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* out) override;
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* out) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    ~WindowAccessible() = default;
    // The child a VARIANT names, or -1 (not a number of ours); sets the error to return.
    int childOf(const VARIANT& v, HRESULT& error) const;
    // One text of an item into a BSTR: S_FALSE and no string when it is empty.
    HRESULT text(const VARIANT& child, std::string AccessibleItem::*field, BSTR* out);
    // A number of an item (its role or state) as a VT_I4.
    HRESULT number(const VARIANT& child, long AccessibleItem::*field, VARIANT* out);

    std::atomic<ULONG> refs_{1};
    HWND hwnd_;
    AccessibleHost* host_;
};

} // namespace korvo::win
