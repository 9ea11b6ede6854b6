#pragma once
// Owners for Win32 handles: each releases what it holds when it goes out of scope, so an
// early return never leaks a DC, a GDI object, a mapping or a key. The kernel handle's owner
// is the platform's, which needs it too.
#include <windows.h>
#include <ddeml.h>
#include <objbase.h>

#include <utility>

#include "platform/win32/handles.h"

namespace korvo::win {

// Any GDI object (bitmap, region, palette, brush, pen, font): DeleteObject.
template <typename H>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(H h) : h_(h) {}
    ~GdiObject() { reset(); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    GdiObject(GdiObject&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    GdiObject& operator=(GdiObject&& o) noexcept {
        if (this != &o) reset(std::exchange(o.h_, nullptr));
        return *this;
    }
    void reset(H h = nullptr) {
        if (h_) DeleteObject(h_);
        h_ = h;
    }
    H release() { return std::exchange(h_, nullptr); }
    H get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }

private:
    H h_ = nullptr;
};

// A window's DC from GetDC: ReleaseDC.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~WindowDC() {
        if (dc_) ReleaseDC(hwnd_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND hwnd_;
    HDC dc_;
};

// A memory DC with one object selected into it: the old object goes back, then DeleteDC.
class MemoryDC {
public:
    explicit MemoryDC(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
    ~MemoryDC() {
        if (dc_ && old_) SelectObject(dc_, old_);
        if (dc_) DeleteDC(dc_);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    void select(HGDIOBJ obj) {
        HGDIOBJ prev = SelectObject(dc_, obj);
        if (!old_) old_ = prev;
    }
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HDC dc_;
    HGDIOBJ old_ = nullptr;
};

// BeginPaint / EndPaint.
class PaintScope {
public:
    explicit PaintScope(HWND hwnd) : hwnd_(hwnd) { dc_ = BeginPaint(hwnd, &ps_); }
    ~PaintScope() { EndPaint(hwnd_, &ps_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC get() const { return dc_; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// A mapped view: UnmapViewOfFile.
class MappedView {
public:
    MappedView() = default;
    explicit MappedView(void* p) : p_(p) {}
    ~MappedView() { reset(); }
    MappedView(const MappedView&) = delete;
    MappedView& operator=(const MappedView&) = delete;
    void reset(void* p = nullptr) {
        if (p_) UnmapViewOfFile(p_);
        p_ = p;
    }
    void* release() { return std::exchange(p_, nullptr); }
    void* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    void* p_ = nullptr;
};

// Registry key: RegCloseKey.
class RegKey {
public:
    RegKey() = default;
    ~RegKey() { reset(); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    HKEY* receive() {
        reset();
        return &h_;
    }
    void reset() {
        if (h_) RegCloseKey(h_);
        h_ = nullptr;
    }
    HKEY get() const { return h_; }

private:
    HKEY h_ = nullptr;
};

// Menu loaded from resources: DestroyMenu.
class MenuHandle {
public:
    MenuHandle() = default;
    ~MenuHandle() { reset(); }
    MenuHandle(const MenuHandle&) = delete;
    MenuHandle& operator=(const MenuHandle&) = delete;
    void reset(HMENU m = nullptr) {
        if (m_) DestroyMenu(m_);
        m_ = m;
    }
    HMENU get() const { return m_; }
    explicit operator bool() const { return m_ != nullptr; }

private:
    HMENU m_ = nullptr;
};


// A DDEML instance: DdeUninitialize.
class DdeInstance {
public:
    DdeInstance() = default;
    ~DdeInstance() {
        if (id_) DdeUninitialize(id_);
    }
    DdeInstance(const DdeInstance&) = delete;
    DdeInstance& operator=(const DdeInstance&) = delete;
    DWORD* receive() { return &id_; }
    DWORD get() const { return id_; }
    explicit operator bool() const { return id_ != 0; }

private:
    DWORD id_ = 0;
};

// A DDE string handle of an instance: DdeFreeStringHandle.
class DdeString {
public:
    DdeString(DWORD instance, const char* text)
        : instance_(instance), h_(DdeCreateStringHandleA(instance, text, CP_WINANSI)) {}
    ~DdeString() {
        if (h_) DdeFreeStringHandle(instance_, h_);
    }
    DdeString(const DdeString&) = delete;
    DdeString& operator=(const DdeString&) = delete;
    HSZ get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }

private:
    DWORD instance_;
    HSZ h_;
};

// A DDE conversation: DdeDisconnect.
class DdeConversation {
public:
    explicit DdeConversation(HCONV c) : c_(c) {}
    ~DdeConversation() {
        if (c_) DdeDisconnect(c_);
    }
    DdeConversation(const DdeConversation&) = delete;
    DdeConversation& operator=(const DdeConversation&) = delete;
    HCONV get() const { return c_; }
    explicit operator bool() const { return c_ != nullptr; }

private:
    HCONV c_;
};

// An icon from LoadImage (not shared): DestroyIcon.
class IconHandle {
public:
    IconHandle() = default;
    ~IconHandle() { reset(); }
    IconHandle(const IconHandle&) = delete;
    IconHandle& operator=(const IconHandle&) = delete;
    void reset(HICON h = nullptr) {
        if (h_) DestroyIcon(h_);
        h_ = h;
    }
    HICON get() const { return h_; }

private:
    HICON h_ = nullptr;
};

// A COM interface pointer: Release.
template <typename T>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() { reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    void reset(T* p = nullptr) {
        if (p_) p_->Release();
        p_ = p;
    }
    T** receive() {
        reset();
        return &p_;
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

// The thread's COM apartment (single-threaded): CoUninitialize when it was entered here.
class ComApartment {
public:
    ComApartment() : entered_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComApartment() {
        if (entered_) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool entered_;
};

} // namespace korvo::win
